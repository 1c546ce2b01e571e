#pragma once
// One worksheet of an Excel workbook: its rows of cell texts, each cell at the
// place its reference names, merged ranges filled, within caps a hostile file
// cannot pass however large the ranges and row numbers it declares.

#include "exchange/exchange_error.h"
#include "exchange/question_source.h"

#include <QByteArray>
#include <QStringList>

constexpr int kMaxSheetRows = 100000;
constexpr int kMaxSheetColumns = 256; // cells further right are not read
// Cells held for all sheets together, empty ones inside a row included. A
// paper holds 30000 questions, some 15 cells a row in a template; each cell
// held costs some 40 bytes, and a tiny file of tiny cells must not cost more
// than a big honest one.
constexpr qint64 kMaxWorkbookCells = 600000;

// Reads `xml`, the worksheet part `part`, its XML checked as it is read, into
// `sheet`, whose name the caller has set. `cells_left` counts down the cells
// the workbook may still hold.
ExchangeError read_worksheet(const QByteArray &xml, const QString &part,
                             const QStringList &shared_strings, qint64 &cells_left,
                             SourceSheet &sheet);
