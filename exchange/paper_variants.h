#pragma once
// A and B papers ("AB卷"), against copying in the exam room: the same
// questions in another order within each kind, the options of each choice
// question shuffled, each paper with its own key. Pure: the same seed gives
// the same papers on every system.

#include "paper/paper_files.h"

#include <QtGlobal>
#include <utility>
#include <vector>

// SplitMix64: a small generator whose numbers are the same on every system.
// std::shuffle and the standard distributions are not: their results differ
// between standard libraries, and the Windows build uses another.
class VariantRandom
{
  public:
    explicit VariantRandom(quint64 seed) : state_(seed) {}

    quint64 next();
    // Uniform in [0, bound) for bound > 0, without the bias of a plain modulo.
    quint64 below(quint64 bound);

  private:
    quint64 state_;
};

// Fisher–Yates from the back: element i swaps with one drawn from [0, i].
template <typename T> void shuffle_in_place(std::vector<T> &items, VariantRandom &random)
{
    for (size_t i = items.size(); i > 1; --i)
        std::swap(items[i - 1], items[size_t(random.below(i))]);
}

// Whether an option speaks of the others ("以上都对", "None of the above"):
// it keeps its place, which is the last, while the others move. Case and the
// white space around it do not count, nor a full stop after it.
bool option_stays_in_place(const QString &option);

// Why a choice question's options keep their order in a variant.
enum class OptionsKept {
    NotLaidOut,          // the text does not lay them out from "A." on
    KeyOutsideOptions,   // the key names an option the text does not lay out
    TextAfterLastOption, // the text goes on after its last option, on a line of its own
    WouldNotReadBack,    // an option starts like a marker ("B. …"): laid out anew it would split
};

// A choice question whose options keep their order, and where it stands.
struct KeptOptions {
    QuestionKind kind;
    int number;   // in the variant, from 1
    int original; // in the original paper, from 1
    OptionsKept why;
};

// One variant of `paper`, with the next draws of `random`: the questions of
// each kind in a new order, each choice question's options in a new order
// where its text lays them out (written back one a line, "A. …"), its key
// naming the same option texts. A question keeps its score, partial score
// and, for a free answer, its reference answer. The questions whose options
// keep their order are appended to `kept` when given. The draws: the order
// of the single-choice questions, then the multiple-choice ones, then the
// free answers; then the options of each choice question in the variant's
// order, single choice first.
PaperData make_variant(const PaperData &paper, VariantRandom &random,
                       std::vector<KeptOptions> *kept = nullptr);

// A variant that is the same as the original or as an earlier variant: the
// paper has too few questions and options to give as many different ones.
struct SameVariant {
    int variant; // from 0: A
    int same_as; // an earlier variant, or -1: the original paper
};

struct PaperVariants {
    std::vector<PaperData> papers;              // A, B, …
    std::vector<std::vector<KeptOptions>> kept; // per variant, as make_variant gives them
    std::vector<SameVariant> same;              // in the variants' order
};

// At most this many draws for one variant before it is taken as it comes.
constexpr int kVariantDraws = 100;

// `count` variants of `paper` drawn one after another from VariantRandom(seed).
// A draw that gives the original's order or an earlier variant's (the texts a
// student sees, not the indices: two identical questions or options swapped
// change nothing) is drawn again, up to kVariantDraws times; when none
// differs the last draw is taken and named in `same`. A paper in which
// nothing can move is not drawn again.
PaperVariants make_variants(const PaperData &paper, int count, quint64 seed);
