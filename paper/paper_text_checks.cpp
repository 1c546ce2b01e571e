// Which texts the paper files cannot carry, and how the teacher is told.

#include "paper/paper_files.h"

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

namespace
{

// A lone surrogate cannot be shown, nor a control character seen.
QString shown_character(const QString &character)
{
    if (character.size() == 1 &&
        (character[0].isSurrogate() || character[0].category() == QChar::Other_Control))
        return QStringLiteral("�");
    return character;
}

} // namespace

QString describe_unwritable_text(const UnwritableText &text)
{
    const QString where =
        QStringLiteral("第 %1 道%2的%3")
            .arg(QString::number(text.number), kind_name(text.kind),
                 text.in_answer ? QStringLiteral("答案") : QStringLiteral("题面"));
    switch (text.reason) {
    case UnwritableText::Reason::DollarSign:
        return where + QStringLiteral("中含有“$”，试卷文件无法保存这个字符。请删去它后再保存。");
    case UnwritableText::Reason::TooLong:
        return where + QStringLiteral("太长：试卷文件中的一段文字须少于 %1 "
                                      "字节（按试卷的文字编码 %2 计算）。请缩短它后再保存。")
                           .arg(QString::number(kMaxTextBytes), text.encoding);
    case UnwritableText::Reason::NotInEncoding:
        return where + QStringLiteral("中含有字符“%1”（%2），试卷的文字编码 %3 "
                                      "无法保存这个字符。请删去或换掉它后再保存。")
                           .arg(shown_character(text.character), code_point_label(text.character),
                                text.encoding);
    }
    return where;
}

// "U+20A9", or "U+1F600" for a surrogate pair.
QString code_point_label(const QString &character)
{
    uint code = character.isEmpty() ? 0u : character[0].unicode();
    if (character.size() == 2 && character[0].isHighSurrogate())
        code = QChar::surrogateToUcs4(character[0], character[1]);
    return QStringLiteral("U+") +
           QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}
