// Feeds a pair of paper files to the reader. The input is split at its first
// "\0\0": problem.prb before it, answer.ans after it (empty when there is
// none). The reader must decide as a plain reference reader does and give the
// same paper in the same encoding, each text encoding back to its bytes; a refused pair must leave
// the model as it was and say why; an accepted one must come back equal after being written and
// read again.

#include "fuzz/fuzz_support.h"
#include "paper/paper_writer.h"
#include "tests/paper_testing.h"

#include "paper/paper_encoding.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

// The part of the model that a refused read could spoil: the counters and the
// first records of each table.
struct Fingerprint {
    static constexpr int kRecords = 5;
    int counts[3];
    double scores[3][kRecords];
    double partial[2][kRecords];
    int answers[2][kRecords];
    QString texts[4][kRecords];

    static Fingerprint take()
    {
        Fingerprint f{{onech_count, somech_count, unch_count}, {}, {}, {}, {}};
        for (int k = 0; k < kRecords; ++k) {
            f.scores[0][k] = onech_table[k + 1].score;
            f.scores[1][k] = somech_table[k + 1].score;
            f.scores[2][k] = unch_table[k + 1].score;
            f.partial[0][k] = onech_table[k + 1].partial_score;
            f.partial[1][k] = somech_table[k + 1].partial_score;
            f.answers[0][k] = onech_table[k + 1].answer;
            f.answers[1][k] = somech_table[k + 1].answer;
            f.texts[0][k] = onech_table[k + 1].problem;
            f.texts[1][k] = somech_table[k + 1].problem;
            f.texts[2][k] = unch_table[k + 1].problem;
            f.texts[3][k] = unch_table[k + 1].answer;
        }
        return f;
    }

    bool operator==(const Fingerprint &o) const
    {
        // Scores compare by their bits: a NaN must not hide a change.
        return std::memcmp(counts, o.counts, sizeof counts) == 0 &&
               std::memcmp(scores, o.scores, sizeof scores) == 0 &&
               std::memcmp(partial, o.partial, sizeof partial) == 0 &&
               std::memcmp(answers, o.answers, sizeof answers) == 0 &&
               std::equal(&texts[0][0], &texts[0][0] + 4 * kRecords, &o.texts[0][0]);
    }
};

// Every text read encodes in the paper's encoding to exactly the bytes it came
// from: nothing was replaced on reading, so nothing is lost on saving.
void check_texts_encode_to_their_bytes(const std::vector<QByteArray> &raw_texts)
{
    std::vector<const QString *> texts;
    for (int k = 1; k <= onech_count; ++k)
        texts.push_back(&onech_table[k].problem);
    for (int k = 1; k <= somech_count; ++k)
        texts.push_back(&somech_table[k].problem);
    for (int k = 1; k <= unch_count; ++k)
        texts.push_back(&unch_table[k].problem);
    for (int k = 1; k <= unch_count; ++k)
        texts.push_back(&unch_table[k].answer);
    fuzz::check(texts.size() == raw_texts.size(), "the reference read another number of texts");
    for (size_t i = 0; i < texts.size(); ++i) {
        fuzz::check(encode_paper_text(*texts[i], paper_codec) == raw_texts[i],
                    "a text read does not encode back to its bytes");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::use_utf8_as_local_encoding();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    std::size_t split = size;
    for (std::size_t i = 0; i + 1 < size; ++i) {
        if (bytes[i] == '\0' && bytes[i + 1] == '\0') {
            split = i;
            break;
        }
    }
    const QByteArray problem(bytes, int(split));
    const QByteArray answer =
        split + 2 <= size ? QByteArray(bytes + split + 2, int(size - split - 2)) : QByteArray();

    PaperData reference;
    std::vector<QByteArray> raw_texts;
    const bool reference_accepts = fuzz::reference_read(problem, answer, reference, raw_texts);

    const Fingerprint before = Fingerprint::take();
    PaperError failure;
    const bool accepted = read_paper(problem, answer, &failure);
    const QString error = paper_message(failure);
    fuzz::check(accepted == reference_accepts, "the reference reader decides otherwise");
    if (!accepted) {
        fuzz::check(Fingerprint::take() == before, "a refused paper changed the model");
        fuzz::check(error.contains(QLatin1String("problem.prb")) ||
                        error.contains(QLatin1String("answer.ans")),
                    "the reason names no file");
        return 0;
    }
    fuzz::check(error.isEmpty(), "an accepted paper came with a reason");
    fuzz::check(onech_count <= kMaxQuestions && somech_count <= kMaxQuestions &&
                    unch_count <= kMaxQuestions,
                "a count above the tables was accepted");
    fuzz::check_model_is(reference);
    check_texts_encode_to_their_bytes(raw_texts);
    // A GB18030 paper may hold a character that code page 936 lacks: it
    // opens, and saving names it instead of writing what Windows cannot read.
    if (find_unwritable_text())
        return 0;
    fuzz::check_equals_model(fuzz::write_and_read_back());
    return 0;
}
