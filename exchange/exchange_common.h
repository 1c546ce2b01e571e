#pragma once
// What the GIFT and Moodle XML readers and writers share: a choice question
// as a platform receives it, and a platform's question on its way into the paper.

#include "exchange/exchange_error.h"

#include "paper/paper_messages.h"
#include "paper/paper_model.h"

#include <QByteArray>
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

// The file formats may bring any character; the paper keeps, of the control
// characters, only line breaks and tabs, as its editors show nothing else.
QString without_control_characters(const QString &text);

// The paper's files end each text at a "$", which no text can therefore hold:
// each becomes its full-width sister "＄", which reads the same, and `changes`
// says so once.
void replace_dollars(QString &text, QStringList &changes);

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
    bool single = true; // Choice: one answer is picked, rather than several ticked
    QString text;
    std::vector<ForeignAnswer> answers; // Choice and ShortAnswer
    bool truth = false;                 // TrueFalse
    QString reference;                  // Essay: the text for the graders
    std::optional<double> grade;        // none: the kind's default
    std::optional<double> partial;      // multiple choice, from our own export's note
    QStringList changes;                // what the reading lost or changed, in Chinese
    QString refusal;                    // not empty: a text of it could not be read
};

// Appends the question to `paper`; when it cannot become one of the paper,
// leaves the paper alone and returns why, in Chinese. What it had to change
// on the way is added to `question.changes`.
QString add_foreign_question(ForeignQuestion &question, const ImportScores &scores,
                             PaperData &paper);

enum class TextFormat {
    Plain,
    Html,
    Auto, // the platform's default: HTML in which a line break is a line break
};

// The text a reader of the platform's page sees of `source`; what plain text
// cannot hold becomes a visible mark, named in `question.changes`, and HTML
// that cannot be read sets `question.refusal`.
QString shown_text(const QString &source, TextFormat format, ForeignQuestion &question);

// The line, from 1, that holds the byte at `offset`.
int line_of(const QByteArray &bytes, qsizetype offset);

// A file that holds a NUL byte is refused, naming its line; no failure when
// it holds none. Readers that stop at a NUL would drop the rest unseen.
ExchangeError find_nul_byte(const QByteArray &bytes);

// Our own exports note before each question what the platform cannot carry:
// "多选题 3，4 分，部分选对 2 分" and "参考答案：…". Reads such a note into
// `question`; false when `note` is not one.
bool read_export_note(const QString &note, ForeignQuestion &question);
QString export_note(QuestionKind kind, int number, const ChoiceQuestion &question);
QString export_note(int number, const UnchQuestion &question);
