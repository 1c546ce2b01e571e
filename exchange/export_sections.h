#pragma once
// The sections a paper is written in when it goes out as a document a
// teacher edits (plain text, Word): their headings with the count and the
// scores, each question's own scores where they differ, and the questions
// that would not read back as they were written.

#include "paper/paper_files.h"
#include "paper/paper_model.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// One question as its section writes it: its scores, its text, its answer.
struct ExportItem {
    double score = 0;
    std::optional<double> partial; // multiple choice
    QString text;
    QString answer; // the key's letters, or a free answer's reference answer
};

struct ExportSection {
    QuestionKind kind = QuestionKind::SingleChoice;
    QString name; // "单项选择题"
    std::vector<ExportItem> items;
    bool alike = true; // every question has the same scores
};

// The paper's sections that hold questions, in the paper's order.
std::vector<ExportSection> export_sections(const PaperData &paper);

// "一" for the first section.
QString section_numeral(int index);

// "一、单项选择题（本大题共 3 小题，每小题 2 分，共 6 分）"; where the questions'
// scores differ each question states its own.
QString section_heading(int index, const ExportSection &section);

// "（4 分，选对但不全的得 2 分）" in front of a question whose section's scores
// differ; empty where the heading gives them.
QString own_scores(const ExportSection &section, const ExportItem &item);

// Whether two questions read the same, field by field.
bool same_choice(const ChoiceQuestion &a, const ChoiceQuestion &b, bool multiple);
bool same_free_answer(const UnchQuestion &a, const UnchQuestion &b);

// The first question of each kind that `read` does not give as `written`
// has it, described by `describe`: the questions after it have moved, so one
// note says it.
QStringList questions_read_differently(const PaperData &written, const PaperData &read,
                                       QString (*describe)(QuestionKind kind, int number));
