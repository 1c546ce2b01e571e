#pragma once
// A paper as the batch-import template of exam systems, the Excel workbook a
// teacher fills in: one sheet "试题", a header row (题型 | 题干 | 选项A … 选项F |
// 答案 | 分值 | 部分得分 | 解析), then one question a row in the paper's order,
// as the import reads such rows back.

#include "paper/paper_files.h"

#include <QByteArray>
#include <QStringList>

// The .xlsx file's bytes; the same paper gives the same bytes. Empty only
// when the zip library fails.
QByteArray export_xlsx(const PaperData &paper);

// The questions of `paper` that reading `exported` back would not give as
// they are (options written otherwise than "A. …" a line, a score in the
// stem, a choice question without a key), worded for the teacher; empty when
// the whole paper comes back unchanged.
QStringList xlsx_export_differences(const PaperData &paper, const QByteArray &exported);
