#pragma once
// What the GIFT and Moodle XML readers and writers share: a choice question
// as a platform receives it, and a platform's question on its way into the paper.

#include "paper/paper_model.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct PaperData;
struct ImportScores;

// A choice question as a platform receives it: the question text and one
// answer text per option, in option order.
struct ExportedChoice {
    QString text;
    QStringList options;
};
ExportedChoice export_choice(const ChoiceQuestion &question);

// Scores as printf's "%g" writes them ("2.5", "10").
QString exchange_score_text(double score);

// The fraction, in percent, of each right option of a multiple-choice question
// with `right_count` right options, as the platform lists it ("33.33333").
QString right_fraction_text(int right_count);

// A question as a platform file states it, before it becomes one of the paper.
struct ForeignAnswer {
    QString text;
    double fraction = 0; // percent of the grade
};

struct ForeignQuestion {
    enum class Type { Choice, TrueFalse, ShortAnswer, Essay };
    Type type = Type::Choice;
    QString text;
    std::vector<ForeignAnswer> answers; // Choice and ShortAnswer
    bool truth = false;                 // TrueFalse
    QString reference;                  // Essay: the text for the graders
    std::optional<double> grade;        // none: the kind's default
};

// Appends the question to `paper`; when it cannot become one of the paper,
// leaves the paper alone and returns why, in Chinese.
QString add_foreign_question(const ForeignQuestion &question, const ImportScores &scores,
                             PaperData &paper);

// The text a reader sees of an HTML fragment. Needs a QGuiApplication.
QString html_to_plain_text(const QString &html);
