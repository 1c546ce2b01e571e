#pragma once
// The reader of the two paper files (their layout: paper_files.h): it tells
// their encoding, refuses what it cannot read without loss, and fills a
// PaperData or, through it, the model.

#include "paper/paper_error.h"
#include "paper/paper_files.h"

#include <QByteArray>

// Parse "problem.prb" into `paper` (counts, scores, partial scores, problems),
// then "answer.ans" (answers, using the counts just read). On failure they
// return false and, if `error` is given, say what a teacher can act on:
// which file, which question of which kind, what was expected.
bool read_problem_file(const QByteArray &input, PaperData &paper, PaperError *error);
bool read_answer_file(const QByteArray &input, PaperData &paper, PaperError *error);

// Where the reader stopped in each file: the end of the last item the counts
// ask for. Whatever follows is ignored by the reader and not written back.
struct PaperExtent {
    qsizetype problem_end = 0;
    qsizetype answer_end = 0;
};

// Tells the pair's encoding from its bytes and reads both files into
// `paper`, only if both parse and every text decodes without loss; on
// failure `paper` is untouched. Then adopt_paper_data moves it into the
// model with its encoding. Only the fields the files carry are written: a
// single-choice record's partial_score is kept.
bool read_paper_data(const QByteArray &problem, const QByteArray &answer, PaperData &paper,
                     PaperError *error, PaperExtent *extent = nullptr);
void adopt_paper_data(PaperData &paper);
