#pragma once
// The whole paper as a document to print, with its answer key if asked.

#include "paper/paper_files.h"

#include <QByteArray>
#include <QString>

// Beyond this many pages a layout's positions would wrap round.
constexpr int kMostPages = 10000;

struct PrintOptions {
    QString title;        // the heading: the paper folder's name
    bool answers = false; // add the answer key after the questions
    // A PDF without its Chinese rather than none, where no font shows Chinese.
    bool without_chinese_font = false;
};

// Whether the system has a font that shows Chinese. Needs a QGuiApplication.
bool chinese_font_installed();

// A self-contained HTML page (UTF-8) with print CSS.
QByteArray paper_html(const PaperData &paper, const PrintOptions &options);

// Why no PDF was made.
struct PrintError {
    enum class What {
        None,
        NoChineseFont, // the system has no font that shows Chinese
        TooLong,       // more pages than a layout can number
        NotWritten,    // Qt wrote no PDF
    };
    What what = What::None;
    bool failed() const { return what != What::None; }
};

// The same document as a PDF, laid out by Qt on A4 in a CJK font. Needs a
// QGuiApplication. Empty, with `error` set, when it could not be made.
QByteArray paper_pdf(const PaperData &paper, const PrintOptions &options, PrintError *error);
