#pragma once
// The two paper files, "problem.prb" and "answer.ans": their byte layout, the
// writers that produce it from the paper model and the readers that fill the
// model from it.
//
// Layout: CR LF after every line; numbers separated by one space; scores as
// printf's "%g" with "." whatever the locale; texts in the local 8-bit encoding
// between "@" and "$", their line breaks written as CR LF. The readers accept
// CR LF or bare LF, any white space between numbers, any bytes between a number
// and the next "@", an "@" inside a text and anything after the last item.

#include "paper/paper_error.h"
#include "paper/paper_model.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// A paper read from its files but not yet adopted into the model. Element i of
// a vector is question i + 1; the vector sizes are the counts.
struct PaperData {
    std::vector<ChoiceQuestion> onech;
    std::vector<ChoiceQuestion> somech;
    std::vector<UnchQuestion> unch;
    // The encoding the texts are decoded from; null: the local encoding.
    QTextCodec *codec = nullptr;
};

// The encoding a paper's texts are written and read in.
const QTextCodec *paper_data_codec(const PaperData &paper);

// Appends the bytes of "problem.prb" and "answer.ans" for the counts and
// records 1 to count of the model, checking each text on the way. False,
// with the outputs of no use, when some text cannot be carried; then
// find_unwritable_text names the first one.
bool write_paper_checked(QByteArray &problem, QByteArray &answer);

// The same for a paper that is not open, in its encoding (null: the local
// one); find_unwritable_texts names what stopped it.
bool write_paper_data(const PaperData &paper, QByteArray &problem, QByteArray &answer);

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
