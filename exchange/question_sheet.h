#pragma once
// The questions of an Excel workbook or a CSV file laid out as the batch-import
// templates of exam systems: a header row naming the columns (题型 | 题干 |
// 选项A … | 答案 | 分值 | 解析, in Chinese or English), then one question a
// row; one sheet for all kinds with a type column, or one sheet per kind
// named after it.

#include "exchange/exchange.h"
#include "exchange/question_source.h"

void read_question_sheets(const SourceWorkbook &workbook, const ImportScores &scores,
                          ImportResult &result);
