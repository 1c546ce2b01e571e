#pragma once
// A question as a teacher's file states it, gathered from wherever its parts
// stand (its stem, its options, an answer line, the answer section at the end,
// a row's cells), before it becomes one of the paper.

#include "exchange/exchange.h"
#include "exchange/question_conventions.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct RawQuestion {
    QString position;                      // "第 12 行（一、第 3 题）"
    SourceKind kind = SourceKind::Unknown; // from its heading or its type column
    QString stem;
    QStringList options;                 // option A first
    bool options_in_stem = false;        // the options are their letters alone: the stem shows them
    std::vector<bool> marked;            // per option: set apart by formatting alone
    QStringList keys;                    // every key found, as written
    QStringList key_places;              // where each key was found, for the teacher
    QString reference;                   // a free answer's reference answer
    QString analysis;                    // "【解析】" text
    std::optional<double> own_score;     // "（12分）", or a score column
    std::optional<double> section_score; // "每小题2分"
    std::optional<double> per_blank;     // "每空1分"
    std::optional<double> partial;       // "选对但不全的得2分"
    QStringList changes;                 // what the reading changed, in Chinese
};

// What is said once of a whole file rather than of each question.
struct FileNotes {
    int dropped_analyses = 0; // choice questions whose "解析" has no place in the paper
};

// Adds the question to `result`'s paper, or records why it was left out, and
// names what was changed on the way.
void take_raw_question(RawQuestion &question, const ImportScores &scores, ImportResult &result,
                       FileNotes &notes);

// The file-wide notes, added to `result` once every question is taken.
void finish_file_notes(const FileNotes &notes, ImportResult &result);
