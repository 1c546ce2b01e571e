#pragma once
// A Word document (.docx) read as the lines a teacher sees in it, for the
// conventions that make questions of them: one line per paragraph of the
// body, one per table row (its cells joined by tabs), with the numbers Word
// draws in front of numbered paragraphs, tracked changes as accepted,
// pictures and equations as text, and the ranges set apart by a colour or a
// highlight. Headers, footers, comments and notes are not read.
//
// A text box's paragraphs are lines of their own, read after the paragraph
// that holds the box and standing at its place: a box of options is a block
// of lines on the page, while where its anchor sits in the holder's text is
// wherever the layout happened to put it.

#include "exchange/exchange_error.h"
#include "exchange/question_source.h"
#include "exchange/zip_archive.h"

#include <QByteArray>

// Empty, with `error` set, when the file is no Word document or one too
// large or malformed to read safely.
SourceDocument read_docx(const QByteArray &file, ExchangeError &error,
                         const ZipLimits &limits = {});
