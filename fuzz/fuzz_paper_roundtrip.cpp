// Builds a small paper from the fuzz input as the pages could have stored it,
// in UTF-8 or, on some inputs, as a paper opened in the legacy encoding
// (GB18030), writes it, reads it back and aborts unless it is the same paper.
// Texts are made without a NUL; a "$" is let in only on some inputs. The check
// for texts the format cannot carry must name the first text with a "$" or,
// in a legacy paper, with a character that GBK does not write as GB18030 does.

#include "fuzz/fuzz_support.h"
#include "paper/paper_writer.h"
#include "tests/paper_testing.h"

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
    UnwritableText::Reason reason;
};

// Character by character: GBK has it, with the bytes GB18030 gives it.
bool legacy_paper_can_carry(const QString &text)
{
    static QTextCodec *const gbk = QTextCodec::codecForName("GBK");
    static QTextCodec *const gb18030 = QTextCodec::codecForName("GB18030");
    for (int i = 0; i < text.size(); ++i) {
        const int units = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, units);
        if (!gbk->canEncode(character) ||
            gbk->fromUnicode(character) != gb18030->fromUnicode(character))
            return false;
        i += units - 1;
    }
    return true;
}

std::optional<UnwritableText::Reason> problem_of(const QString &text)
{
    if (text.contains(QLatin1Char('$')))
        return UnwritableText::Reason::DollarSign;
    if (paper_codec && !legacy_paper_can_carry(text))
        return UnwritableText::Reason::NotInEncoding;
    return std::nullopt;
}

// The first text the files cannot carry, in the order the check promises.
std::optional<Place> first_unwritable()
{
    for (int k = 1; k <= onech_count; ++k) {
        if (const auto reason = problem_of(onech_table[k].problem))
            return Place{QuestionKind::SingleChoice, k, false, *reason};
    }
    for (int k = 1; k <= somech_count; ++k) {
        if (const auto reason = problem_of(somech_table[k].problem))
            return Place{QuestionKind::MultipleChoice, k, false, *reason};
    }
    for (int k = 1; k <= unch_count; ++k) {
        if (const auto reason = problem_of(unch_table[k].problem))
            return Place{QuestionKind::FreeAnswer, k, false, *reason};
        if (const auto reason = problem_of(unch_table[k].answer))
            return Place{QuestionKind::FreeAnswer, k, true, *reason};
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
    paper_codec = input.ConsumeBool() ? QTextCodec::codecForName("GB18030") : nullptr;
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

    const std::optional<Place> expected = first_unwritable();
    const std::optional<UnwritableText> unwritable = find_unwritable_text();
    {
        QByteArray problem, answer;
        fuzz::check(write_paper_checked(problem, answer) == !unwritable.has_value(),
                    "the checking writer and the check disagree");
    }
    if (expected) {
        fuzz::check(unwritable.has_value(), "an unwritable text went unnoticed");
        fuzz::check(unwritable->kind == expected->kind && unwritable->number == expected->number &&
                        unwritable->in_answer == expected->in_answer &&
                        unwritable->reason == expected->reason,
                    "the wrong text or reason was named");
        return 0;
    }
    fuzz::check(!unwritable.has_value(), "a text the files can carry was called unwritable");

    fuzz::check_equals_model(fuzz::write_and_read_back());

    // Adopting what was read and writing again gives the same bytes.
    QByteArray problem, answer;
    fuzz::check(write_paper_checked(problem, answer), "a paper without unwritable text is refused");
    PaperError error;
    fuzz::check(read_paper(problem, answer, &error), "the written paper is refused");
    QByteArray problem_again, answer_again;
    fuzz::check(write_paper_checked(problem_again, answer_again), "a paper read back is refused");
    fuzz::check(problem_again == problem && answer_again == answer,
                "writing the adopted paper gives other bytes");
    return 0;
}
