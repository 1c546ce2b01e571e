#pragma once
// Every Chinese text the exchange formats give the teacher about a file that
// could not be read, worded here once.

#include "exchange/exchange_error.h"

#include "paper/paper_model.h"

#include <QString>
#include <QStringList>

// What the teacher is told when reading a question file failed; empty for
// no failure.
QString exchange_message(const ExchangeError &error);

// Said on the standard error when a text file was read as GB18030: `line`
// and `byte` are where it first breaks UTF-8.
QString read_as_gb18030_note(int line, const QString &byte);

// Why a question of a teacher's file was left out, and what was changed in
// one that was taken.
QString no_key_reason();
QString not_a_key_reason(const QString &key);
QString two_keys_reason(const QString &first, const QString &second);
QString too_many_options_reason(int count);
QString too_few_options_reason();
QString key_outside_options_reason(const QString &letters, int option_count);
QString single_with_several_keys_reason(const QString &letters);
QString kind_full_reason(QuestionKind kind);
QString empty_question_reason();
QString not_a_question_reason();
QString score_rounded_change(double written, double held);
QString partial_too_high_change(double partial, double score);
QString judgement_change(const QStringList &options, bool truth);
QString key_from_formatting_change(const QString &letters);
QString dollar_change();
QString dropped_analyses_note(int count);

// Said once of a workbook or CSV file.
QString no_header_note(const QString &sheet);
QString ignored_columns_note(const QStringList &columns);

// Said when a question written as text would not read back as it is.
QString text_export_difference(QuestionKind kind, int number);

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
