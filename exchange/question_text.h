#pragma once
// The questions of a text file or a Word document, by the conventions of
// Chinese question files: section headings that name the kind and the scores,
// numbered questions, options, keys in the stem's bracket, on an answer line
// or in an answer section at the end, "【解析】" text. Files in the Aiken
// layout (no numbers, "ANSWER: B") are read too.

#include "exchange/exchange.h"
#include "exchange/question_source.h"

void read_question_lines(const SourceDocument &document, const ImportScores &scores,
                         ImportResult &result);

// A text file's lines, each placed "第 N 行".
SourceDocument text_lines(const QString &text);
