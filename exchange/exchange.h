#pragma once
// Exchanging a paper with learning platforms (GIFT and Moodle XML, both ways)
// and reading the question files teachers keep.

#include "exchange/exchange_error.h"

#include "paper/paper_files.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// A question of the file that did not become a question of the paper.
struct ImportSkip {
    QString
        position; // where it stands in the file, for the teacher: "第 12 行", "第 3 个 <question>"
    QString reason; // why it was left out, in Chinese
};

// The score each kind gets where the file gives none.
struct ImportScores {
    double single_choice = 1.0;
    double multiple_choice = 1.0;
    double free_answer = 1.0;
};

// A question of the file taken into the paper with something of it lost or
// changed on the way: partial credit, a picture, a "$".
struct ImportChange {
    QString position; // as for ImportSkip
    QString what;     // in Chinese
};

// Of the questions left out and the changes, the first kKeptNotes of each are
// kept, in file order, and the rest counted: a bank of a million questions
// must not fill the memory with them.
constexpr size_t kKeptNotes = 100;

// Where a question of the paper came from, for a preview.
struct TakenQuestion {
    QuestionKind kind;
    int number;       // in the paper, from 1
    QString position; // as for ImportSkip
};

struct ImportResult {
    PaperData paper;                   // the questions taken, in file order within each kind
    std::vector<TakenQuestion> taken;  // in file order; empty where the format does not tell
    std::vector<ImportSkip> skipped;   // in file order
    std::vector<ImportChange> changed; // in file order
    size_t skipped_count = 0;          // kept or not
    size_t changed_count = 0;
    QString encoding; // not empty: the file was not UTF-8; which encoding was used instead, and why
    ExchangeError failure; // failed(): the file as a whole could not be read
    QStringList notes;     // what was changed throughout the file, said once

    void skip(const QString &position, const QString &reason);
    void change(const QString &position, const QStringList &changes);
    // The question last added to `paper` came from `position`; `before` is
    // how many questions of each kind the paper held until then.
    void took(const std::array<size_t, 3> &before, const QString &position);
    std::array<size_t, 3> counts() const;
};

QByteArray export_gift(const PaperData &paper);
QByteArray export_moodle_xml(const PaperData &paper);

// Takes the file's bytes by value: move them in to free them early.
ImportResult import_gift(QByteArray file, const ImportScores &scores);
ImportResult import_moodle_xml(const QByteArray &file, const ImportScores &scores);
