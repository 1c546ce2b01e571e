#pragma once
// Every Chinese text the exchange formats give the teacher, worded here once:
// why a file could not be read, why a question of it was left out or what was
// changed in one taken, and the marks left in a text for what it cannot hold.
// Not here: the notes our own GIFT and Moodle XML exports write before each
// question, which the readers match on the way back (exchange_common.h).

#include "exchange/exchange_error.h"
#include "exchange/paper_variants.h"

#include "paper/paper_model.h"

#include <QString>
#include <QStringList>

// What a file looked like, in words: "PDF 文件", "Word 文档（.docx）".
QString file_kind_words(FileKind kind);

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
// And written as a Word document with its key.
QString docx_export_difference(QuestionKind kind, int number);

// A and B papers: "A卷" for variant 0, "B卷" for 1, and on.
QString variant_name(int variant);
// Said of a choice question whose options keep their order in a variant:
// "B卷 单选题 第 3 题（原卷第 5 题）的选项没有打乱：…".
QString options_kept_note(int variant, const KeptOptions &kept);
// Said of a variant the same as the original or an earlier one.
QString same_variant_note(const SameVariant &same);
// The same for a question written as a row of the Excel template.
QString xlsx_export_difference(QuestionKind kind, int number);

// Where a paragraph of a Word document stands, counted from 1: "第 5 段".
QString docx_paragraph_place(int number);

// The mark left in a text where something stood that plain text cannot hold:
// "[图片：map.png]", or "[图片]" without a label.
enum class TextMark { Picture, Formula, Audio, Video, EmbeddedContent, Link };
QString text_mark(TextMark what, const QString &label = QString());
// The label of a file held in the page itself rather than named: "内嵌图片".
QString inline_file_label(TextMark what);

// What the Word reader leaves in a line where a picture stood ("[图片：图片 1]",
// "[图片]" when it has neither a description nor a name), and its note of it.
QString picture_mark(const QString &name);
QString picture_left_as_mark(const QString &mark);

// An equation: written on one line, or left as a mark.
QString equation_mark();
QString equation_written_on_one_line(const QString &line);
QString equation_left_as_mark();

// Why the HTML of a learning platform's text could not be read.
QString html_too_deep_reason(int limit);

// Where a question of a learning platform's file stands: "第 12 行" (GIFT),
// "第 3 个 <question>（第 11 行）" (Moodle XML).
QString line_place(int number);
// "工作表“题目”第 3 行".
QString sheet_row_place(const QString &sheet, int row);
// "第 12 行（一、第 3 题）": a place, and the question it starts, in its
// section ("一") when the section is numbered.
QString question_place(const QString &place, const QString &section, int number);
QString question_element_place(int index, qint64 line);

// Why a question of a GIFT file was left out, as the file writes it.
QString gift_name_unclosed_reason();
QString gift_no_answer_part_reason();
QString gift_answer_part_unclosed_reason();
QString gift_answer_part_unreadable_reason();
QString numerical_question_reason();
QString matching_question_reason();

// Why a question of a Moodle XML file was left out, as the file writes it.
QString description_reason();
QString unsupported_type_reason(const QString &type);
QString grade_not_a_number_reason(const QString &grade);
QString true_false_without_truth_reason();

// Why a platform's question (GIFT or Moodle XML) does not fit the paper.
// `letters` name the options: "A", "C".
QString no_full_credit_option_reason();
QString several_full_credit_options_reason(const QStringList &letters);
QString no_right_option_reason();
QString no_options_reason();
QString no_accepted_answer_reason();
QString grade_out_of_range_reason(double grade);

// What was changed in a platform's question that was taken. `option` counts
// from 0; `percent` is the platform's fraction of the mark, in percent.
QString option_credit_lost_change(int option, double percent);
QString right_options_sum_change(double percent);
QString empty_option_change(int option);
QString mark_left_change(const QString &mark);
QString embedded_file_change(const QString &name);

// A platform's question as the paper words it: the two options of a
// true-false question, and an accepted answer worth less than the whole mark
// ("Nazereth（75%）").
QStringList truth_option_words();
QString answer_with_credit(const QString &answer, double percent);
