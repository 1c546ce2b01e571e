#pragma once
// The whole paper as a document to print, with its answer key if asked.

#include "paper/paper_files.h"

#include <QByteArray>
#include <QString>

struct PrintOptions {
    QString title;        // the heading: the paper folder's name
    bool answers = false; // add the answer key after the questions
};

// A self-contained HTML page (UTF-8) with print CSS.
QByteArray paper_html(const PaperData &paper, const PrintOptions &options);

// The same document as a PDF, laid out by Qt on A4 in a CJK font. Needs a
// QGuiApplication. Empty, with `error` set, when Qt could not write it.
QByteArray paper_pdf(const PaperData &paper, const PrintOptions &options, QString *error);
