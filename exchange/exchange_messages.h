#pragma once
// Every Chinese text the exchange formats give the teacher about a file that
// could not be read, worded here once.

#include "exchange/exchange_error.h"

#include <QString>

// What the teacher is told when reading a question file failed; empty for
// no failure.
QString exchange_message(const ExchangeError &error);

// Where a paragraph of a Word document stands, counted from 1: "第 5 段".
QString docx_paragraph_place(int number);

// What the Word reader leaves in a line where a picture stood ("[图片：图片 1]",
// "[图片]" when it has neither a description nor a name), and its note of it.
QString picture_mark(const QString &name);
QString picture_left_as_mark(const QString &mark);

// An equation: written on one line, or left as a mark.
QString equation_mark();
QString equation_written_on_one_line(const QString &line);
QString equation_left_as_mark();
