// GIFT, Moodle's plain-text question format.
//
// How marks travel. GIFT has no field for a question's mark: the comment line
// before each question ("// 多选题 3，4 分，部分选对 2 分") is for the reader
// only, and a platform that imports the file gives every question its default
// mark. Single choice: the right option "=", the others "~"; the whole mark or
// nothing. Multiple choice: each of the n right options weighs "%100/n%" (100,
// 50, 33.33333, 25, 20, 16.66667, the weights Moodle accepts), each wrong one
// "%-100%". A platform adds up the weights of the options picked and keeps the
// sum between 0 and 100%: all right options earn the whole mark, any wrong pick
// earns nothing, as on the paper; k of the n right options and no wrong one
// earn k/n of the mark, where the paper gives its fixed partial score. Free
// answer: an essay, marked by hand, its reference answer shown as general
// feedback after the attempt.
//
// Coming in, every question gets the default mark of its kind (ImportScores);
// a multiple-choice question's partial score is half its score, rounded down
// to hundredths. Weights only tell right options (above 0) from wrong ones.

#include "paper_tool/exchange.h"

#include "paper/paper_encoding.h"
#include "paper_tool/exchange_common.h"
#include "paper_tool/option_layout.h"

#include <QRegularExpression>
#include <QTextCodec>

#include <vector>

namespace
{

// ---------------------------------------------------------------------------
// Writing

QString escaped(const QString &text)
{
    static const QString special = QStringLiteral("~=#{}:\\");
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            // Keeps a text with blank lines inside one question.
            out.append(QStringLiteral("\\n"));
        } else if (special.contains(c)) {
            out.append(QLatin1Char('\\'));
            out.append(c);
        } else if (c.category() != QChar::Other_Control || c == QLatin1Char('\t')) {
            // A raw CR would end the line, and with it the question.
            out.append(c);
        }
    }
    return out;
}

// "[plain]": the platform shows the text as it is, line breaks and spaces
// kept, where its default format would take "<b>" or "a<b" for markup.
void append_question_head(QString &out, const QString &name, const QString &text)
{
    out += QStringLiteral("::") + name + QStringLiteral("::[plain]") + escaped(text);
}

// An answer text that opens with "%50%" would be read as a weight: such a text
// gets an explicit one in front, of which a reader takes only the first.
void append_choice_answer(QString &out, bool right, const QString &text)
{
    const QString body = escaped(text);
    if (body.startsWith(QLatin1Char('%')))
        out += right ? QStringLiteral("~%100%") : QStringLiteral("~%0%");
    else
        out += right ? QLatin1Char('=') : QLatin1Char('~');
    out += body + QLatin1Char('\n');
}

void append_single(QString &out, const ChoiceQuestion &question, int number)
{
    const QString name =
        kind_name(QuestionKind::SingleChoice) + QLatin1Char(' ') + QString::number(number);
    out += QStringLiteral("// %1，%2 分\n").arg(name, exchange_score_text(question.score));
    const ExportedChoice exported = export_choice(question);
    append_question_head(out, name, exported.text);
    out += QStringLiteral("{\n");
    // A mask that is not exactly one option still goes out, its lowest option
    // taken as the right one, or none right when it is empty: the check
    // subcommand reports such answers.
    int right = -1;
    for (int i = 0; i < exported.options.size() && right < 0; ++i) {
        if (question.answer & (1 << i))
            right = i;
    }
    for (int i = 0; i < exported.options.size(); ++i)
        append_choice_answer(out, i == right, exported.options[i]);
    out += QStringLiteral("}\n");
}

void append_multiple(QString &out, const ChoiceQuestion &question, int number)
{
    const QString name =
        kind_name(QuestionKind::MultipleChoice) + QLatin1Char(' ') + QString::number(number);
    out += QStringLiteral("// %1，%2 分，部分选对 %3 分\n")
               .arg(name, exchange_score_text(question.score),
                    exchange_score_text(question.partial_score));
    const ExportedChoice exported = export_choice(question);
    append_question_head(out, name, exported.text);
    out += QStringLiteral("{\n");
    int right_count = 0;
    for (int i = 0; i < exported.options.size(); ++i)
        right_count += (question.answer >> i) & 1;
    const QString right_weight =
        right_count > 0 ? QStringLiteral("~%") + right_fraction_text(right_count) + QLatin1Char('%')
                        : QString();
    for (int i = 0; i < exported.options.size(); ++i) {
        out += (question.answer & (1 << i)) ? right_weight : QStringLiteral("~%-100%");
        out += escaped(exported.options[i]) + QLatin1Char('\n');
    }
    out += QStringLiteral("}\n");
}

void append_free_answer(QString &out, const UnchQuestion &question, int number)
{
    const QString name =
        kind_name(QuestionKind::FreeAnswer) + QLatin1Char(' ') + QString::number(number);
    out += QStringLiteral("// %1，%2 分\n").arg(name, exchange_score_text(question.score));
    append_question_head(out, name, question.problem);
    out += question.answer.isEmpty()
               ? QStringLiteral("{}\n")
               : QStringLiteral("{####") + escaped(question.answer) + QStringLiteral("}\n");
}

// ---------------------------------------------------------------------------
// Reading

// A character of a question with its escape decoded; an escaped character is
// never one of the format's marks.
struct Unit {
    QChar c;
    bool escaped;
};
using Units = std::vector<Unit>;

Units decode_escapes(const QString &raw)
{
    static const QString escapable = QStringLiteral("~=#{}:\\");
    Units units;
    units.reserve(size_t(raw.size()));
    for (int i = 0; i < raw.size(); ++i) {
        if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
            const QChar next = raw[i + 1];
            if (escapable.contains(next)) {
                units.push_back({next, true});
                ++i;
                continue;
            }
            if (next == QLatin1Char('n')) {
                units.push_back({QLatin1Char('\n'), true});
                ++i;
                continue;
            }
        }
        units.push_back({raw[i], false});
    }
    return units;
}

bool is_mark(const Units &units, size_t at, char16_t mark)
{
    return at < units.size() && !units[at].escaped && units[at].c == QChar(mark);
}

// The first unescaped `mark` in [from, to), or `to`.
size_t find_mark(const Units &units, size_t from, size_t to, char16_t mark)
{
    while (from < to && !is_mark(units, from, mark))
        ++from;
    return from;
}

// The first unescaped run `marks` in [from, to), or `to`.
size_t find_marks(const Units &units, size_t from, size_t to, const QString &marks)
{
    for (; from < to; ++from) {
        size_t k = 0;
        while (k < size_t(marks.size()) && from + k < to &&
               is_mark(units, from + k, marks[int(k)].unicode()))
            ++k;
        if (k == size_t(marks.size()))
            return from;
    }
    return to;
}

QString text_of(const Units &units, size_t from, size_t to)
{
    QString text;
    text.reserve(int(to - from));
    for (size_t i = from; i < to; ++i)
        text.append(units[i].c);
    return text;
}

enum class TextFormat { Plain, Html };

// Takes a leading "[html]", "[moodle]", "[plain]" or "[markdown]" off the text;
// only HTML needs turning into what a reader sees.
QString take_format(QString text, TextFormat fallback, TextFormat &format)
{
    static const QRegularExpression tag(QStringLiteral("^\\s*\\[(html|moodle|plain|markdown)\\]"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = tag.match(text);
    format = fallback;
    if (match.hasMatch()) {
        format = match.captured(1).compare(QLatin1String("html"), Qt::CaseInsensitive) == 0
                     ? TextFormat::Html
                     : TextFormat::Plain;
        text.remove(0, match.capturedLength());
    }
    return text;
}

QString shown(const QString &text, TextFormat format)
{
    return format == TextFormat::Html ? html_to_plain_text(text) : text.trimmed();
}

struct GiftAnswer {
    bool equals; // "=" rather than "~"
    std::optional<double> weight;
    QString text;
};

// Reads the question that `units` holds into `question`; returns why it is not
// one of the paper's kinds, or nothing.
QString read_question(const Units &units, ForeignQuestion &question)
{
    const size_t end = units.size();
    size_t start = 0;
    while (start < end && units[start].c.isSpace())
        ++start;
    if (is_mark(units, start, u':') && is_mark(units, start + 1, u':')) {
        const size_t close = find_marks(units, start + 2, end, QStringLiteral("::"));
        if (close == end)
            return QStringLiteral("题目名称缺少结尾的“::”");
        start = close + 2;
    }
    const size_t open = find_mark(units, start, end, u'{');
    if (open == end)
        return QStringLiteral("没有答案部分“{…}”，是说明文字而不是题目");
    const size_t close = find_mark(units, open + 1, end, u'}');
    if (close == end)
        return QStringLiteral("答案部分缺少结尾的“}”");

    TextFormat format;
    const QString before = take_format(text_of(units, start, open), TextFormat::Plain, format);
    const QString after = text_of(units, close + 1, end);
    // A text that goes on after the answers is a missing-word question.
    question.text =
        shown(after.trimmed().isEmpty() ? before : before + QStringLiteral("____") + after, format);

    const size_t body_end = find_marks(units, open + 1, close, QStringLiteral("####"));
    size_t body = open + 1;
    while (body < body_end && units[body].c.isSpace())
        ++body;
    if (body == body_end) {
        question.type = ForeignQuestion::Type::Essay;
        return QString();
    }
    if (is_mark(units, body, u'#'))
        return QStringLiteral("数值题无法导入：试卷里没有这种题型");

    const QString truth =
        text_of(units, body, find_mark(units, body, body_end, u'#')).trimmed().toUpper();
    if (truth == QLatin1String("T") || truth == QLatin1String("TRUE") ||
        truth == QLatin1String("F") || truth == QLatin1String("FALSE")) {
        question.type = ForeignQuestion::Type::TrueFalse;
        question.truth = truth.startsWith(QLatin1Char('T'));
        return QString();
    }
    if (!is_mark(units, body, u'=') && !is_mark(units, body, u'~'))
        return QStringLiteral("答案部分无法识别：应以“=”或“~”开始");

    std::vector<GiftAnswer> answers;
    bool all_equals = true;
    bool arrows = false;
    static const QRegularExpression weight(QStringLiteral("^%(-?\\d+(?:\\.\\d+)?)%"));
    for (size_t at = body; at < body_end;) {
        size_t next = at + 1;
        while (next < body_end && !is_mark(units, next, u'=') && !is_mark(units, next, u'~'))
            ++next;
        GiftAnswer answer;
        answer.equals = units[at].c == QLatin1Char('=');
        all_equals = all_equals && answer.equals;
        QString text = text_of(units, at + 1, find_mark(units, at + 1, next, u'#')).trimmed();
        arrows = arrows || find_marks(units, at + 1, next, QStringLiteral("->")) != next;
        const QRegularExpressionMatch match = weight.match(text);
        if (match.hasMatch()) {
            answer.weight = match.captured(1).toDouble();
            text.remove(0, match.capturedLength());
        }
        TextFormat answer_format;
        text = take_format(text, format, answer_format);
        answer.text = shown(text, answer_format);
        answers.push_back(answer);
        at = next;
    }
    if (all_equals && arrows)
        return QStringLiteral("配对题无法导入：试卷里没有这种题型");

    question.type = all_equals ? ForeignQuestion::Type::ShortAnswer : ForeignQuestion::Type::Choice;
    for (const GiftAnswer &answer : answers)
        question.answers.push_back(
            {answer.text, answer.weight.value_or(answer.equals ? 100.0 : 0.0)});
    return QString();
}

QString decode_file(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    bool non_ascii = false;
    if (is_valid_utf8(bytes.constData(), bytes.size(), non_ascii))
        return QString::fromUtf8(bytes);
    // Saved by Notepad on a Chinese Windows machine.
    return QTextCodec::codecForName("GB18030")->toUnicode(bytes);
}

struct Line {
    QString text;
    int number; // from 1
};

} // namespace

QByteArray export_gift(const PaperData &paper)
{
    QString out;
    const auto separate = [&out] {
        if (!out.isEmpty())
            out += QLatin1Char('\n');
    };
    for (size_t i = 0; i < paper.onech.size(); ++i) {
        separate();
        append_single(out, paper.onech[i], int(i) + 1);
    }
    for (size_t i = 0; i < paper.somech.size(); ++i) {
        separate();
        append_multiple(out, paper.somech[i], int(i) + 1);
    }
    for (size_t i = 0; i < paper.unch.size(); ++i) {
        separate();
        append_free_answer(out, paper.unch[i], int(i) + 1);
    }
    return out.toUtf8();
}

ImportResult import_gift(const QByteArray &file, const ImportScores &scores)
{
    QString text = decode_file(file);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));

    ImportResult result;
    // A question runs until a blank line; comment lines inside it neither end
    // it nor belong to it, nor do category lines.
    std::vector<Line> block;
    const auto take_block = [&] {
        if (block.empty())
            return;
        QStringList raw;
        for (const Line &line : block)
            raw.append(line.text);
        ForeignQuestion question;
        QString reason = read_question(decode_escapes(raw.join(QLatin1Char('\n'))), question);
        if (reason.isEmpty())
            reason = add_foreign_question(question, scores, result.paper);
        if (!reason.isEmpty())
            result.skipped.push_back(
                {QStringLiteral("第 %1 行").arg(block.front().number), reason});
        block.clear();
    };
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed();
        if (trimmed.isEmpty()) {
            take_block();
            continue;
        }
        if (trimmed.startsWith(QLatin1String("//")) ||
            trimmed.startsWith(QLatin1String("$CATEGORY:")))
            continue;
        block.push_back({lines[i], i + 1});
    }
    take_block();
    return result;
}
