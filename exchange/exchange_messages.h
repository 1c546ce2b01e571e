#pragma once
// Every Chinese text the exchange formats give the teacher about a file that
// could not be read, worded here once.

#include "exchange/exchange_error.h"

#include <QString>

// What the teacher is told when reading a question file failed; empty for
// no failure.
QString exchange_message(const ExchangeError &error);

// Said on the standard error when a text file was read as GB18030: `line`
// and `byte` are where it first breaks UTF-8.
QString read_as_gb18030_note(int line, const QString &byte);
