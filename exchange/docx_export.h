#pragma once
// A paper as a Word document a teacher edits and prints: A4 with the margins
// Word sets by default (2.54 cm top and bottom, 3.18 cm left and right),
// 宋体 and Times New Roman at 五号 (10.5 pt), a title and a line for the
// pupil's class, name and number, the sections with their headings and
// scores, the options four, two or one a line, lines left free under each
// free-answer question, "第 X 页 共 Y 页" at the foot of each page; and the
// key, on a page of its own, in the conventions the import reads back.

#include "paper/paper_files.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

enum class DocxContents { Paper, PaperAndKey, KeyOnly };

struct DocxExportOptions {
    QString title;
    DocxContents contents = DocxContents::Paper;
};

// The width of the text between the margins, in twentieths of a point, and
// in half-width characters of the body's size.
constexpr int kDocxTextWidth = 11906 - 2 * 1803;
constexpr int kDocxLineCharacters = kDocxTextWidth / 105;

// The .docx file; the same paper and options give the same bytes. Empty only
// when the zip library fails.
QByteArray export_docx(const PaperData &paper, const DocxExportOptions &options);

// The questions of `paper` that reading `exported` (written with the key)
// back would not give as they are, worded for the teacher; empty when the
// whole paper comes back unchanged.
QStringList docx_export_differences(const PaperData &paper, const QByteArray &exported);
