// Which texts the paper files cannot carry.

#include "paper/paper_writer.h"

#include "paper/paper_encoding.h"

#include <QTextCodec>

#include <cstring>

namespace
{

struct Unwritable {
    UnwritableText::Reason reason;
    QString character; // for Reason::NotInEncoding
};

std::optional<Unwritable> unwritable_reason(const QString &text, const QTextCodec *codec)
{
    const QByteArray local = encode_paper_text(text, codec);
    const int length = written_length(local);
    if (std::memchr(local.constData(), '$', size_t(length)))
        return Unwritable{UnwritableText::Reason::DollarSign, {}};
    const int bad = first_unwritable_character(text, local, codec);
    if (bad >= 0) {
        const bool pair =
            text[bad].isHighSurrogate() && bad + 1 < text.size() && text[bad + 1].isLowSurrogate();
        return Unwritable{UnwritableText::Reason::NotInEncoding, text.mid(bad, pair ? 2 : 1)};
    }
    if (length >= kMaxTextBytes)
        return Unwritable{UnwritableText::Reason::TooLong, {}};
    return std::nullopt;
}

} // namespace

std::optional<UnwritableText> find_unwritable_text()
{
    const QTextCodec *const codec = paper_file_codec();
    const auto found = [codec](QuestionKind kind, int number, bool in_answer,
                               const Unwritable &why) {
        return UnwritableText{kind,       number,        in_answer,
                              why.reason, why.character, paper_encoding_name(codec)};
    };
    for (int k = 1; k <= onech_count; ++k) {
        if (const auto why = unwritable_reason(onech_table[k].problem, codec))
            return found(QuestionKind::SingleChoice, k, false, *why);
    }
    for (int k = 1; k <= somech_count; ++k) {
        if (const auto why = unwritable_reason(somech_table[k].problem, codec))
            return found(QuestionKind::MultipleChoice, k, false, *why);
    }
    for (int k = 1; k <= unch_count; ++k) {
        if (const auto why = unwritable_reason(unch_table[k].problem, codec))
            return found(QuestionKind::FreeAnswer, k, false, *why);
        if (const auto why = unwritable_reason(unch_table[k].answer, codec))
            return found(QuestionKind::FreeAnswer, k, true, *why);
    }
    return std::nullopt;
}

std::vector<UnwritableText> find_unwritable_texts(const PaperData &paper)
{
    const QTextCodec *const codec = paper_data_codec(paper);
    std::vector<UnwritableText> found;
    const auto check = [&](QuestionKind kind, size_t index, bool in_answer, const QString &text) {
        if (const auto why = unwritable_reason(text, codec))
            found.push_back(UnwritableText{kind, int(index + 1), in_answer, why->reason,
                                           why->character, paper_encoding_name(codec)});
    };
    for (size_t i = 0; i < paper.onech.size(); ++i)
        check(QuestionKind::SingleChoice, i, false, paper.onech[i].problem);
    for (size_t i = 0; i < paper.somech.size(); ++i)
        check(QuestionKind::MultipleChoice, i, false, paper.somech[i].problem);
    for (size_t i = 0; i < paper.unch.size(); ++i) {
        check(QuestionKind::FreeAnswer, i, false, paper.unch[i].problem);
        check(QuestionKind::FreeAnswer, i, true, paper.unch[i].answer);
    }
    return found;
}
