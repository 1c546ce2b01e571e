#pragma once
// CSV files as Excel and WPS write them, already decoded to text: fields
// separated by a comma, a tab or a semicolon (the one the file's first
// records split on most consistently), quoted with '"' when they hold the
// separator, a quote ("" inside quotes) or a line break.

#include "exchange/question_source.h"

#include <QString>

// The records of `text` as the rows of a sheet without a name, each numbered
// by the line of the file it starts on.
SourceSheet read_csv(const QString &text);
