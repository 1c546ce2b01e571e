#pragma once
// Excel workbooks (.xlsx): the text of every cell of every sheet, hidden ones
// too, in the workbook's order. Styles are not read: a date stays the number
// Excel keeps it as.

#include "exchange/exchange_error.h"
#include "exchange/question_source.h"

#include <QByteArray>

// No sheets, with `error` set, when the file is no readable workbook or a
// sheet passes the caps of xlsx_sheet.h.
SourceWorkbook read_xlsx(const QByteArray &file, ExchangeError &error);
