#pragma once
// The one in-memory exam paper of the process: three fixed tables of question
// records numbered from 1, their counters and the paths of the open paper's files.
// Only the GUI thread touches it.

#include <QString>
#include <cstdint>

class QTextCodec;

// Bits 0 to 5 stand for the options A to F.
using OptionMask = std::int32_t;

struct ChoiceQuestion {
    double score = 0.0;
    double partial_score = 0.0; // multiple-choice only; single-choice records keep 0
    OptionMask answer = 0;
    QString problem;
};

struct UnchQuestion {
    double score = 0.0;
    QString problem;
    QString answer;
};

constexpr int kTableCapacity = 10003; // records 1 to 10000 in use, 0 and the top two spare
constexpr int kMaxQuestions = 10000;
constexpr int kPathCapacity = 10003;
constexpr int kOptionCount = 6;
constexpr OptionMask kAllOptions = (1 << kOptionCount) - 1;

// The highest of the options A to F set in `mask` (0 for A), or -1.
int highest_option(OptionMask mask);

extern ChoiceQuestion onech_table[kTableCapacity];
extern ChoiceQuestion somech_table[kTableCapacity];
extern UnchQuestion unch_table[kTableCapacity];

extern int onech_count;
extern int somech_count;
extern int unch_count;
extern int onech_current;
extern int somech_current;
extern int unch_current;

// NUL-terminated paths in the local 8-bit encoding; empty while no paper is open.
extern char problem_path[kPathCapacity];
extern char answer_path[kPathCapacity];

// Set when a store or a count change gives the paper something its files do
// not hold; cleared when the paper is opened or saved.
extern bool paper_changed;

// The encoding of the open paper's files, told from their bytes when it was
// opened; they are written back in it. Null while no paper is open.
extern QTextCodec *paper_codec;

enum class QuestionKind { SingleChoice, MultipleChoice, FreeAnswer };

// Whether the paths of a paper in `folder` fit the path arrays.
bool paper_paths_fit(const QString &folder);

// Forms "<folder>/problem.prb" and "<folder>/answer.ans". The "/" is appended
// even when the folder already ends with one ("C:/" gives "C://problem.prb").
// Returns false, leaving both arrays untouched, when the paths would not fit.
bool set_paper_paths(const QString &folder);

// Empties both paths (all bytes zero), as closing a paper does.
void clear_paper_paths();
