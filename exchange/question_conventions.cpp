#include "exchange/question_conventions.h"

#include <QRegularExpression>
#include <cmath>

namespace
{

// Full-width letters and digits as their ASCII twins: Chinese input methods
// type either.
QChar narrow(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E)
        return QChar(char16_t(u - 0xFF01 + 0x21));
    return c;
}

QString narrowed(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        c = narrow(c);
    return out;
}

bool is_space(QChar c)
{
    return is_blank_space(c);
}

QString trimmed(const QString &text)
{
    return trimmed_blank(text);
}

std::optional<double> number_in(const QRegularExpressionMatch &match, int group)
{
    if (!match.hasMatch() || match.captured(group).isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = narrowed(match.captured(group)).toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

const QString kNumber = QStringLiteral("([0-9０-９]+(?:[.．][0-9０-９]+)?)");

} // namespace

bool is_blank_space(QChar c)
{
    return c.isSpace() || c == QChar(0x3000);
}

QString trimmed_blank(const QString &text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && is_blank_space(text[begin]))
        ++begin;
    while (end > begin && is_blank_space(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<SourceKind> kind_named(const QString &text)
{
    struct Name {
        const char16_t *word;
        SourceKind kind;
    };
    // Longer names first: "不定项选择" before "选择", "单项选择" before "单选".
    static const Name names[] = {
        {u"不定项选择", SourceKind::Multiple}, {u"多项选择", SourceKind::Multiple},
        {u"多选", SourceKind::Multiple},       {u"不定项", SourceKind::Multiple},
        {u"单项选择", SourceKind::Single},     {u"单选", SourceKind::Single},
        {u"非选择", SourceKind::FreeAnswer},   {u"选择", SourceKind::Unknown},
        {u"判断", SourceKind::Judgement},      {u"是非", SourceKind::Judgement},
        {u"正误", SourceKind::Judgement},      {u"填空", SourceKind::FreeAnswer},
        {u"简答", SourceKind::FreeAnswer},     {u"问答", SourceKind::FreeAnswer},
        {u"论述", SourceKind::FreeAnswer},     {u"计算", SourceKind::FreeAnswer},
        {u"解答", SourceKind::FreeAnswer},     {u"名词解释", SourceKind::FreeAnswer},
        {u"材料分析", SourceKind::FreeAnswer}, {u"分析", SourceKind::FreeAnswer},
        {u"综合", SourceKind::FreeAnswer},     {u"阅读", SourceKind::FreeAnswer},
        {u"作文", SourceKind::FreeAnswer},     {u"写作", SourceKind::FreeAnswer},
        {u"证明", SourceKind::FreeAnswer},     {u"实验", SourceKind::FreeAnswer},
        {u"应用", SourceKind::FreeAnswer},     {u"案例", SourceKind::FreeAnswer},
        {u"辨析", SourceKind::FreeAnswer},     {u"主观", SourceKind::FreeAnswer},
        {u"客观", SourceKind::Unknown},
    };
    const QString start = trimmed(text);
    for (const Name &name : names) {
        if (start.startsWith(QString::fromUtf16(name.word)))
            return name.kind;
    }
    static const QRegularExpression english(
        QStringLiteral("^(?:(single)|(multiple)|(true\\s*/?\\s*false|judg)|"
                       "(short|essay|fill|free|open))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = english.match(start);
    if (!match.hasMatch())
        return std::nullopt;
    if (!match.captured(1).isEmpty())
        return SourceKind::Single;
    if (!match.captured(2).isEmpty())
        return SourceKind::Multiple;
    if (!match.captured(3).isEmpty())
        return SourceKind::Judgement;
    return SourceKind::FreeAnswer;
}

std::optional<double> partial_score_note(const QString &text)
{
    static const QRegularExpression partial(
        QStringLiteral("(?:选对但不全|选对不全|少选|漏选|部分选对)[^0-9０-９，,。；;）)]{0,6}") +
        kNumber + QStringLiteral("\\s*分"));
    return number_in(partial.match(text), 1);
}

HeadingScores heading_scores(const QString &heading)
{
    static const QRegularExpression each(QStringLiteral("每(?:小|道)?题[^0-9０-９，,。；;]{0,3}") +
                                         kNumber + QStringLiteral("\\s*分"));
    static const QRegularExpression all_right(QStringLiteral("全部选对[^0-9０-９，,。；;]{0,3}") +
                                              kNumber + QStringLiteral("\\s*分"));
    static const QRegularExpression per_blank(QStringLiteral("每空[^0-9０-９，,。；;]{0,3}") +
                                              kNumber + QStringLiteral("\\s*分"));
    static const QRegularExpression count(QStringLiteral("共\\s*") + kNumber +
                                          QStringLiteral("\\s*(?:小|道)?题"));
    static const QRegularExpression total(QStringLiteral("共\\s*") + kNumber +
                                          QStringLiteral("\\s*分"));
    HeadingScores scores;
    scores.each = number_in(each.match(heading), 1);
    if (!scores.each)
        scores.each = number_in(all_right.match(heading), 1);
    scores.per_blank = number_in(per_blank.match(heading), 1);
    scores.partial = partial_score_note(heading);
    // "本大题共10小题，共20分": the questions share the total evenly.
    if (!scores.each && !scores.per_blank) {
        const auto questions = number_in(count.match(heading), 1);
        const auto sum = number_in(total.match(heading), 1);
        if (questions && sum && *questions >= 1)
            scores.each = *sum / *questions;
    }
    return scores;
}

std::optional<int> key_letters(const QString &text)
{
    const QString key = narrowed(trimmed(text));
    if (key.isEmpty())
        return std::nullopt;
    int mask = 0;
    bool after_letter = false;
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'F') {
            // "AB" and "A、B" are keys; "AB" inside a word is not reached
            // here, as callers pass the key alone.
            mask |= 1 << (u - u'A');
            after_letter = true;
        } else if (is_space(c) || u == u',' || u == 0x3001 /* 、 */ || u == u';' ||
                   u == 0xFF0C /* ， */ || u == 0xFF1B /* ； */) {
            if (!after_letter)
                return std::nullopt;
            after_letter = false;
        } else {
            return std::nullopt;
        }
    }
    return after_letter ? std::optional<int>(mask) : std::nullopt;
}

std::optional<bool> truth_key(const QString &text)
{
    const QString key = narrowed(trimmed(text)).toLower();
    static const QStringList yes = {
        QStringLiteral("√"),    QStringLiteral("✓"),  QStringLiteral("✔"), QStringLiteral("对"),
        QStringLiteral("正确"), QStringLiteral("是"), QStringLiteral("t"), QStringLiteral("true"),
        QStringLiteral("y"),    QStringLiteral("yes")};
    static const QStringList no = {
        QStringLiteral("×"),     QStringLiteral("✗"),    QStringLiteral("✘"),  QStringLiteral("x"),
        QStringLiteral("错"),    QStringLiteral("错误"), QStringLiteral("否"), QStringLiteral("f"),
        QStringLiteral("false"), QStringLiteral("n"),    QStringLiteral("no")};
    if (yes.contains(key))
        return true;
    if (no.contains(key))
        return false;
    return std::nullopt;
}

QStringList truth_options(const QString &key)
{
    const QString word = narrowed(trimmed(key)).toLower();
    if (word == QStringLiteral("对") || word == QStringLiteral("错"))
        return {QStringLiteral("对"), QStringLiteral("错")};
    if (word == QStringLiteral("是") || word == QStringLiteral("否"))
        return {QStringLiteral("是"), QStringLiteral("否")};
    if (word == QLatin1String("t") || word == QLatin1String("f"))
        return {QStringLiteral("T"), QStringLiteral("F")};
    if (word == QLatin1String("true") || word == QLatin1String("false"))
        return {QStringLiteral("True"), QStringLiteral("False")};
    if (word == QLatin1String("y") || word == QLatin1String("n") || word == QLatin1String("yes") ||
        word == QLatin1String("no"))
        return {QStringLiteral("Yes"), QStringLiteral("No")};
    return {QStringLiteral("正确"), QStringLiteral("错误")};
}

std::optional<OwnScore> take_own_score(QString &text)
{
    static const QRegularExpression own(QStringLiteral("[（(]\\s*(?:本题|本小题|共|满分)?\\s*") +
                                        kNumber +
                                        QStringLiteral("\\s*分\\s*(?:[，,；;]([^（）()]*))?[)）]"));
    const QRegularExpressionMatch match = own.match(text);
    const auto score = number_in(match, 1);
    if (!score)
        return std::nullopt;
    OwnScore found{*score, partial_score_note(match.captured(2))};
    text.remove(match.capturedStart(), match.capturedLength());
    return found;
}

std::optional<QString> take_bracket_key(QString &stem)
{
    static const QRegularExpression bracket(QStringLiteral(
        "[（(][\\s\\x{3000}]*([A-FＡ-Ｆ](?:[\\s\\x{3000}、,，]*[A-FＡ-Ｆ])*|√|✓|✔|×|✗|✘|"
        "对|错|正确|错误|T|F)[\\s\\x{3000}]*[)）]"));
    // The last such bracket: a stem names options earlier ("（A）和（B）")
    // far more rarely than it ends with the blank to fill.
    QRegularExpressionMatch last;
    QRegularExpressionMatchIterator it = bracket.globalMatch(stem);
    while (it.hasNext())
        last = it.next();
    if (!last.hasMatch())
        return std::nullopt;
    const QString key = last.captured(1);
    stem.replace(last.capturedStart(), last.capturedLength(), QStringLiteral("（\u3000）"));
    return key;
}

int blank_count(const QString &stem)
{
    static const QRegularExpression blank(QStringLiteral("_{2,}|＿{2,}|[（(][\\s\\x{3000}]*[)）]"));
    int count = 0;
    QRegularExpressionMatchIterator it = blank.globalMatch(stem);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return std::max(count, 1);
}

namespace
{

bool is_latin_letter(QChar c)
{
    return c.isLetter() && c.script() == QChar::Script_Latin;
}

int trimmed_end(const QString &text)
{
    int end = text.size();
    while (end > 0 && is_space(text[end - 1]))
        --end;
    return end;
}

// "B." and "B)" may end a Latin word; "B．", "B、" and "（B）" do not.
bool has_ascii_stop(const QString &line, const OptionMarker &marker)
{
    const QChar stop = line[marker.text - 1];
    return stop == QLatin1Char('.') || stop == QLatin1Char(')');
}

} // namespace

std::optional<OptionMarker> option_marker_at(const QString &text, int at)
{
    auto letter_at = [&](int i) -> int {
        if (i >= text.size())
            return -1;
        const char16_t u = narrow(text[i]).unicode();
        return u >= u'A' && u < u'A' + kOptionLettersKnown ? int(u - u'A') : -1;
    };
    auto skip_spaces = [&](int i) {
        while (i < text.size() && text[i] == QLatin1Char(' '))
            ++i;
        return i;
    };
    if (at >= text.size())
        return std::nullopt;
    const QChar open = text[at];
    if (open == QLatin1Char('(') || open == QChar(0xFF08)) {
        const int i = skip_spaces(at + 1);
        const int letter = letter_at(i);
        const int close = skip_spaces(i + 1);
        if (letter >= 0 && close < text.size() &&
            (text[close] == QLatin1Char(')') || text[close] == QChar(0xFF09)))
            return OptionMarker{letter, at, close + 1};
        return std::nullopt;
    }
    const int letter = letter_at(at);
    if (letter < 0 || at + 1 >= text.size())
        return std::nullopt;
    const QChar stop = text[at + 1];
    // "A." opens an option only when no digit follows ("A.1" is a section).
    if (stop == QLatin1Char('.') && at + 2 < text.size() && text[at + 2].isDigit())
        return std::nullopt;
    if (stop == QLatin1Char('.') || stop == QChar(0xFF0E) || stop == QChar(0x3001) ||
        stop == QLatin1Char(')') || stop == QChar(0xFF09))
        return OptionMarker{letter, at, at + 2};
    return std::nullopt;
}

std::vector<LineOption> split_option_line(const QString &line, int first_letter)
{
    std::vector<LineOption> options;
    int at = 0;
    while (at < line.size() && is_space(line[at]))
        ++at;
    std::optional<OptionMarker> marker = option_marker_at(line, at);
    if (!marker || marker->letter != first_letter)
        return options;
    while (marker) {
        // The next letter's marker: after white space if there is one, else
        // run together with this option's text ("A．甲B．乙").
        std::optional<OptionMarker> next;
        std::optional<OptionMarker> run_together;
        for (int i = marker->text + 1; i < line.size() && !next; ++i) {
            const std::optional<OptionMarker> found = option_marker_at(line, i);
            if (!found || found->letter != marker->letter + 1)
                continue;
            // A marker with nothing after it ends a sentence ("… vitamin B.").
            if (found->text >= trimmed_end(line))
                continue;
            const QChar before = line[i - 1];
            if (is_space(before))
                next = found;
            else if (!run_together && (!is_latin_letter(before) || !has_ascii_stop(line, *found)))
                run_together = found; // "Vitamin B." is a word, "甲B．" and "aB．" new options
        }
        if (!next)
            next = run_together;
        const int end = next ? next->begin : line.size();
        int text_end = end;
        while (text_end > marker->text && is_space(line[text_end - 1]))
            --text_end;
        int text_begin = marker->text;
        while (text_begin < text_end && is_space(line[text_begin]))
            ++text_begin;
        options.push_back({line.mid(text_begin, text_end - text_begin), text_begin, text_end});
        marker = next;
    }
    return options;
}

double paper_score(double score)
{
    if (!std::isfinite(score) || score < 0)
        return 0;
    if (score > 10000)
        return 10000;
    return std::round(score * 100) / 100;
}
