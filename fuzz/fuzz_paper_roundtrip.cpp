// Builds a small paper from the fuzz input as the pages could have stored it,
// writes it, reads it back and aborts unless it is the same paper. Texts are
// made without a NUL; a "$" is let in only on some inputs, and then the check
// for texts the format cannot carry must name the first one.

#include "fuzz/fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace
{

// The spin boxes' domain: 0 to 10000 in hundredths.
double make_score(FuzzedDataProvider &input)
{
    const double score = input.ConsumeIntegralInRange<int>(0, 1000000) / 100.0;
    // Two decimals up to 10000 are at most six significant digits.
    fuzz::check(fuzz::as_written(score) == score, "a two-decimal score does not survive");
    return score;
}

QString make_text(FuzzedDataProvider &input, bool allow_dollar)
{
    const std::string raw = input.ConsumeRandomLengthString(80);
    QByteArray bytes;
    for (const char c : raw) {
        if (c != '\0' && (allow_dollar || c != '$'))
            bytes.append(c);
    }
    return QString::fromUtf8(bytes);
}

struct Place {
    QuestionKind kind;
    int number;
    bool in_answer;
};

// The first text holding a "$", in the order the check promises.
std::optional<Place> first_dollar()
{
    const QChar dollar('$');
    for (int k = 1; k <= onech_count; ++k) {
        if (onech_table[k].problem.contains(dollar))
            return Place{QuestionKind::SingleChoice, k, false};
    }
    for (int k = 1; k <= somech_count; ++k) {
        if (somech_table[k].problem.contains(dollar))
            return Place{QuestionKind::MultipleChoice, k, false};
    }
    for (int k = 1; k <= unch_count; ++k) {
        if (unch_table[k].problem.contains(dollar))
            return Place{QuestionKind::FreeAnswer, k, false};
        if (unch_table[k].answer.contains(dollar))
            return Place{QuestionKind::FreeAnswer, k, true};
    }
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::use_utf8_as_local_encoding();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool allow_dollar = input.ConsumeBool();
    onech_count = input.ConsumeIntegralInRange(0, 4);
    somech_count = input.ConsumeIntegralInRange(0, 4);
    unch_count = input.ConsumeIntegralInRange(0, 4);
    // One record above each count too: it must stay out of the files.
    for (int k = 1; k <= onech_count + 1; ++k) {
        onech_table[k].score = make_score(input);
        onech_table[k].answer = input.ConsumeIntegral<OptionMask>();
        onech_table[k].problem = make_text(input, allow_dollar);
    }
    for (int k = 1; k <= somech_count + 1; ++k) {
        somech_table[k].score = make_score(input);
        somech_table[k].partial_score = make_score(input);
        somech_table[k].answer = input.ConsumeIntegral<OptionMask>();
        somech_table[k].problem = make_text(input, allow_dollar);
    }
    for (int k = 1; k <= unch_count + 1; ++k) {
        unch_table[k].score = make_score(input);
        unch_table[k].problem = make_text(input, allow_dollar);
        unch_table[k].answer = make_text(input, allow_dollar);
    }

    const std::optional<Place> dollar = first_dollar();
    const std::optional<UnwritableText> unwritable = find_unwritable_text();
    if (dollar) {
        fuzz::check(unwritable.has_value(), "a \"$\" went unnoticed");
        fuzz::check(unwritable->kind == dollar->kind && unwritable->number == dollar->number &&
                        unwritable->in_answer == dollar->in_answer &&
                        unwritable->reason == UnwritableText::Reason::DollarSign,
                    "the wrong text was named for its \"$\"");
        // The files cannot carry it; reading them must still be safe.
        QByteArray problem, answer;
        write_problem_file(problem);
        write_answer_file(answer);
        PaperData ignored;
        if (read_problem_file(problem, ignored, nullptr))
            read_answer_file(answer, ignored, nullptr);
        return 0;
    }
    fuzz::check(!unwritable.has_value(), "a short text without \"$\" was called unwritable");

    fuzz::check_equals_model(fuzz::write_and_read_back());

    // Adopting what was read and writing again gives the same bytes.
    QByteArray problem, answer;
    write_problem_file(problem);
    write_answer_file(answer);
    QString error;
    fuzz::check(read_paper(problem, answer, &error), "the written paper is refused");
    QByteArray problem_again, answer_again;
    write_problem_file(problem_again);
    write_answer_file(answer_again);
    fuzz::check(problem_again == problem && answer_again == answer,
                "writing the adopted paper gives other bytes");
    return 0;
}
