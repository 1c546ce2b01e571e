#pragma once
// A question file read into a paper, and what the teacher is shown of it
// before the paper is written.

#include "exchange/exchange.h"
#include "exchange/question_file.h"

#include <QString>
#include <optional>
#include <vector>

// "2" for every kind, or "2,4,10": single, multiple, free answer. Each from
// 0 to 10000 with at most two decimals.
std::optional<ImportScores> parse_scores(const QString &text);

struct FileImport {
    ImportResult result;
    QString error; // not empty: the file could not be read at all
    // kDone: every question as it was; kAttention: some left out or changed;
    // kFailed: nothing to import.
    int status() const;
};
FileImport import_question_path(const QString &path, ImportFormat format,
                                const ImportScores &scores);

// What was said of the file as a whole: its encoding, what was changed
// throughout it, and how many more questions were left out or changed than
// are named one by one.
QStringList file_notes(const ImportResult &result);

// One row of the preview: a question as it would go into the paper, or one
// left out.
struct PreviewRow {
    bool skipped = false;
    QString kind; // the kind's name, or "略过"
    QString number;
    QString key; // the letters, "—" for a free answer
    QString score;
    QString partial_score; // "—" but for a multiple choice
    QString words;         // the first words of the problem
    QString position;      // where it stands in the file
    QString notes;         // what was changed on the way, or why it was left out
};

// The questions in file order, then those left out.
std::vector<PreviewRow> preview_rows(const ImportResult &result);
