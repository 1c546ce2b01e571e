#pragma once
// The writer of the two paper files (their layout: paper_files.h), for the
// open paper and for a paper that is not open, and the checks of the texts
// it cannot carry.

#include "paper/paper_error.h"
#include "paper/paper_files.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// Appends the bytes of "problem.prb" and "answer.ans" for the counts and
// records 1 to count of the model, checking each text on the way. False,
// with the outputs of no use, when some text cannot be carried; then
// find_unwritable_text names the first one.
bool write_paper_checked(QByteArray &problem, QByteArray &answer);

// The same for a paper that is not open, in its encoding (null: the local
// one); find_unwritable_texts names what stopped it.
bool write_paper_data(const PaperData &paper, QByteArray &problem, QByteArray &answer);

// Texts must stay below this many bytes in the paper's encoding (with the NUL,
// the buffers of the programs that read paper files hold 100000 bytes).
constexpr int kMaxTextBytes = 100000;

// A text among records 1 to count that the format cannot carry.
struct UnwritableText {
    using Reason = PaperError::Unwritable;
    QuestionKind kind;
    int number;     // question number, from 1
    bool in_answer; // false: the problem text; true: the free-answer answer text
    Reason reason;
    QString character; // NotInEncoding: the character, one or two UTF-16 units
    QString encoding;  // the name the teacher is told for the paper's encoding
};

// The first such text, by kind (single, multiple, free answer), then question
// number, then problem before answer.
std::optional<UnwritableText> find_unwritable_text();

// Every such text of a paper not in the model, in the same order, one per text.
std::vector<UnwritableText> find_unwritable_texts(const PaperData &paper);
