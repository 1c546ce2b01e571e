#pragma once
// Every Chinese text the paper layer gives the teacher, worded here once for
// the window and qv_paper alike: failures, the questions asked before work is
// replaced, and the names of kinds and fields.

#include "paper/paper_error.h"
#include "paper/paper_storage.h"
#include "paper/paper_writer.h"

#include <QString>

// The kind's name as the teacher sees it on the tabs ("单选题", ...).
QString kind_name(QuestionKind kind);

// The field's short name ("题面", "分数", "答案", ...).
QString field_name(QuestionField field);

// What the teacher is told when `error` failed. Empty for no failure.
QString paper_message(const PaperError &error);

// Why the text at `error.place` cannot be saved, without where it is:
// "含有“$”，试卷文件无法保存这个字符".
QString unwritable_reason(const PaperError &error);

// The failure that find_unwritable_text and find_unwritable_texts report.
PaperError unwritable_error(const UnwritableText &text);

// "上次保存被中断：" and what the folder holds; empty when none was.
QString describe_interrupted_save(const InterruptedSave &save);

// Asked before a save cut short is finished and the paper opened.
QString finish_interrupted_save_question(const InterruptedSave &save);

// Asked before the open paper is closed.
QString close_paper_question();

// Asked before unsaved changes are dropped.
QString discard_changes_question();
// The same when a page holds typing not yet stored into the paper, which
// takes that page's 保存当前试题 before the paper is saved.
QString discard_typing_question();

// Asked before a new paper replaces the files already in the chosen folder.
QString replace_paper_question();

// "试卷总分确认：<total> 分", the total with exactly two decimals.
QString total_line(double total);

// What the total label says while no paper is open.
QString no_paper_line();

// "U+20A9" for one character (one or two UTF-16 units).
QString code_point_label(const QString &character);
