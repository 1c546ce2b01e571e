// GIFT, Moodle's plain-text question format.
//
// How marks travel. GIFT has no field for a question's mark: the comment line
// before each question ("// 多选题 3，4 分，部分选对 2 分") is skipped by a
// platform, which gives every question its default mark, and read back by our
// own import. Single choice: the right option "=", the others "~"; the whole
// mark or nothing. Multiple choice: each of the n right options weighs "%100/n%" (100,
// 50, 33.33333, 25, 20, 16.66667, the weights Moodle accepts), each wrong one
// "%-100%". A platform adds up the weights of the options picked and keeps the
// sum between 0 and 100%: all right options earn the whole mark, any wrong pick
// earns nothing, as on the paper; k of the n right options and no wrong one
// earn k/n of the mark, where the paper gives its fixed partial score. Free
// answer: an essay, marked by hand. Its reference answer goes in a comment line
// ("// 参考答案：…"): general feedback would show it to the students.
//
// Coming in, a question of our own export gets its mark back from its comment,
// every other one the default mark of its kind (ImportScores). As on the
// platform, an answer set with an "=" is single choice, one of weighted "~"
// options multiple choice.

#include "exchange/exchange.h"
#include "paper/work_progress.h"

#include "exchange/exchange_common.h"
#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "exchange/source_text.h"
#include "paper/paper_encoding.h"

#include <QRegularExpression>
#include <QTextCodec>

#include <algorithm>
#include <vector>

namespace
{

// Our own export's note of a free answer's reference answer, written and read
// back: part of the file, matched on the way in.
const QString kReferenceNote = QStringLiteral("参考答案：");

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

// An answer text that opens with "[html]" would be read as a format: such a
// text gets an explicit one in front, of which a reader takes only the first.
QString answer_body(const QString &text)
{
    static const QRegularExpression format_tag(QStringLiteral("^\\s*\\[\\w+\\]"));
    const QString body = escaped(text);
    return format_tag.match(body).hasMatch() ? QStringLiteral("[plain]") + body : body;
}

// Likewise a text that opens with "%50%" would be read as a weight. The right
// option keeps its "=", which makes the question single choice.
void append_choice_answer(QString &out, bool right, const QString &text)
{
    const QString body = answer_body(text);
    out += right ? QLatin1Char('=') : QLatin1Char('~');
    if (body.startsWith(QLatin1Char('%')))
        out += right ? QStringLiteral("%100%") : QStringLiteral("%0%");
    out += body + QLatin1Char('\n');
}

void append_single(QString &out, const ChoiceQuestion &question, int number)
{
    const QString name =
        kind_name(QuestionKind::SingleChoice) + QLatin1Char(' ') + QString::number(number);
    out += QStringLiteral("// ") + export_note(QuestionKind::SingleChoice, number, question) +
           QLatin1Char('\n');
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
    out += QStringLiteral("// ") + export_note(QuestionKind::MultipleChoice, number, question) +
           QLatin1Char('\n');
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
        out += answer_body(exported.options[i]) + QLatin1Char('\n');
    }
    out += QStringLiteral("}\n");
}

void append_free_answer(QString &out, const UnchQuestion &question, int number)
{
    const QString name =
        kind_name(QuestionKind::FreeAnswer) + QLatin1Char(' ') + QString::number(number);
    out += QStringLiteral("// ") + export_note(number, question) + QLatin1Char('\n');
    if (!question.answer.isEmpty())
        out +=
            QStringLiteral("// ") + kReferenceNote + escaped(question.answer) + QLatin1Char('\n');
    append_question_head(out, name, question.problem);
    out += QStringLiteral("{}\n");
}

// ---------------------------------------------------------------------------
// Reading

// The characters of a question with their escapes decoded; an escaped
// character is never one of the format's marks.
struct Units {
    QString chars;
    std::vector<bool> escaped;

    size_t size() const { return escaped.size(); }
    QChar at(size_t i) const { return chars[int(i)]; }

    void append(QChar c, bool is_escaped)
    {
        chars.append(c);
        escaped.push_back(is_escaped);
    }

    void append_decoded(const QStringRef &raw)
    {
        static const QString escapable = QStringLiteral("~=#{}:\\");
        for (int i = 0; i < raw.size(); ++i) {
            if (raw[i] == QLatin1Char('\\') && i + 1 < raw.size()) {
                const QChar next = raw[i + 1];
                if (escapable.contains(next) || next == QLatin1Char('n')) {
                    append(next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next, true);
                    ++i;
                    continue;
                }
            }
            append(raw[i], false);
        }
    }
};

bool is_mark(const Units &units, size_t at, char16_t mark)
{
    return at < units.size() && !units.escaped[at] && units.at(at) == QChar(mark);
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
    return units.chars.mid(int(from), int(to - from));
}

// Takes a leading "[html]", "[moodle]", "[plain]" or "[markdown]" off the text.
// Markdown is read as it is written.
QString take_format(QString text, TextFormat fallback, TextFormat &format)
{
    static const QRegularExpression tag(QStringLiteral("^\\s*\\[(html|moodle|plain|markdown)\\]"),
                                        QRegularExpression::CaseInsensitiveOption);
    format = fallback;
    if (!text.contains(QLatin1Char('[')))
        return text;
    const QRegularExpressionMatch match = tag.match(text);
    if (match.hasMatch()) {
        const QString name = match.captured(1).toLower();
        format = name == QLatin1String("html")     ? TextFormat::Html
                 : name == QLatin1String("moodle") ? TextFormat::Auto
                                                   : TextFormat::Plain;
        text.remove(0, match.capturedLength());
    }
    return text;
}

struct GiftAnswer {
    bool equals; // "=" rather than "~"
    std::optional<double> weight;
    QString text;
};

// The answers of a choice or short-answer set, "=" or "~" each; sets
// `arrows` when one of them pairs two texts ("a -> 1").
std::vector<GiftAnswer> read_answers(const Units &units, size_t body, size_t body_end,
                                     TextFormat format, ForeignQuestion &question, bool &arrows)
{
    static const QRegularExpression weight(QStringLiteral("^%(-?\\d+(?:\\.\\d+)?)%"));
    std::vector<GiftAnswer> answers;
    for (size_t at = body; at < body_end;) {
        size_t next = at + 1;
        while (next < body_end && !is_mark(units, next, u'=') && !is_mark(units, next, u'~'))
            ++next;
        GiftAnswer answer;
        answer.equals = units.at(at) == QLatin1Char('=');
        QString text = text_of(units, at + 1, find_mark(units, at + 1, next, u'#')).trimmed();
        arrows = arrows || find_marks(units, at + 1, next, QStringLiteral("->")) != next;
        if (text.startsWith(QLatin1Char('%'))) {
            const QRegularExpressionMatch match = weight.match(text);
            if (match.hasMatch()) {
                answer.weight = match.captured(1).toDouble();
                text.remove(0, match.capturedLength());
            }
        }
        TextFormat answer_format;
        text = take_format(text, format, answer_format);
        answer.text = shown_text(text, answer_format, question);
        answers.push_back(answer);
        at = next;
    }
    return answers;
}

// Reads the question that `units` holds into `question`; returns why it is not
// one of the paper's kinds, or nothing.
QString read_question(const Units &units, ForeignQuestion &question)
{
    const size_t end = units.size();
    size_t start = 0;
    while (start < end && units.at(start).isSpace())
        ++start;
    if (is_mark(units, start, u':') && is_mark(units, start + 1, u':')) {
        const size_t close = find_marks(units, start + 2, end, QStringLiteral("::"));
        if (close == end)
            return gift_name_unclosed_reason();
        start = close + 2;
    }
    const size_t open = find_mark(units, start, end, u'{');
    if (open == end)
        return gift_no_answer_part_reason();
    const size_t close = find_mark(units, open + 1, end, u'}');
    if (close == end)
        return gift_answer_part_unclosed_reason();

    // Without a mark, the platform takes a text as its own auto format.
    TextFormat format;
    {
        QString before = take_format(text_of(units, start, open), TextFormat::Auto, format);
        const QString after = text_of(units, close + 1, end);
        // A text that goes on after the answers is a missing-word question.
        if (!after.trimmed().isEmpty())
            before += QStringLiteral("____") + after;
        question.text = shown_text(before, format, question);
    }

    const size_t body_end = find_marks(units, open + 1, close, QStringLiteral("####"));
    size_t body = open + 1;
    while (body < body_end && units.at(body).isSpace())
        ++body;
    if (body == body_end) {
        question.type = ForeignQuestion::Type::Essay;
        return QString();
    }
    if (is_mark(units, body, u'#'))
        return numerical_question_reason();

    const QString truth =
        text_of(units, body, find_mark(units, body, body_end, u'#')).trimmed().toUpper();
    if (truth == QLatin1String("T") || truth == QLatin1String("TRUE") ||
        truth == QLatin1String("F") || truth == QLatin1String("FALSE")) {
        question.type = ForeignQuestion::Type::TrueFalse;
        question.truth = truth.startsWith(QLatin1Char('T'));
        return QString();
    }
    if (!is_mark(units, body, u'=') && !is_mark(units, body, u'~'))
        return gift_answer_part_unreadable_reason();

    bool arrows = false;
    const std::vector<GiftAnswer> answers =
        read_answers(units, body, body_end, format, question, arrows);
    const bool any_equals = std::any_of(answers.begin(), answers.end(),
                                        [](const GiftAnswer &answer) { return answer.equals; });
    const bool all_equals = std::all_of(answers.begin(), answers.end(),
                                        [](const GiftAnswer &answer) { return answer.equals; });
    if (all_equals && arrows)
        return matching_question_reason();

    // As the platform reads it: "=" answers alone are accepted short answers;
    // among "~" options, an "=" makes one answer to pick, and weights alone
    // make options to tick.
    question.type = all_equals ? ForeignQuestion::Type::ShortAnswer : ForeignQuestion::Type::Choice;
    question.single = any_equals;
    for (const GiftAnswer &answer : answers)
        question.answers.push_back(
            {answer.text, answer.weight.value_or(answer.equals ? 100.0 : 0.0)});
    return QString();
}

struct Line {
    QStringRef text;
    int number; // from 1
};

// Our own export's comment lines before a question: its mark and its
// reference answer.
void read_comments(const QStringList &comments, ForeignQuestion &question)
{
    for (const QString &comment : comments) {
        const QString note = comment.trimmed().mid(2).trimmed();
        if (note.startsWith(kReferenceNote)) {
            Units units;
            units.append_decoded(note.midRef(kReferenceNote.size()));
            question.reference = units.chars;
        } else {
            read_export_note(note, question);
        }
    }
}

} // namespace

QByteArray export_gift(const PaperData &paper)
{
    QString out;
    const auto separate = [&out] {
        if (!out.isEmpty())
            out += QLatin1Char('\n');
    };
    for (size_t i = 0; i < paper.onech.size(); ++i) {
        work_step();
        separate();
        append_single(out, paper.onech[i], int(i) + 1);
    }
    for (size_t i = 0; i < paper.somech.size(); ++i) {
        work_step();
        separate();
        append_multiple(out, paper.somech[i], int(i) + 1);
    }
    for (size_t i = 0; i < paper.unch.size(); ++i) {
        work_step();
        separate();
        append_free_answer(out, paper.unch[i], int(i) + 1);
    }
    return out.toUtf8();
}

ImportResult import_gift(QByteArray file, const ImportScores &scores)
{
    ImportResult result;
    // The bytes go as soon as they are text: a large file is held once less.
    SourceText decoded = decode_source_text(std::move(file));
    if (decoded.error.failed()) {
        result.failure = decoded.error;
        return result;
    }
    result.encoding = decoded.encoding;
    QString &text = decoded.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QVector<QStringRef> lines = text.splitRef(QLatin1Char('\n'));

    // A question runs until a blank line; comment lines inside it neither end
    // it nor belong to its text, nor do category lines.
    std::vector<Line> block;
    QStringList comments;
    const auto take_block = [&] {
        if (block.empty()) {
            comments.clear();
            return;
        }
        ForeignQuestion question;
        QString reason;
        {
            Units units;
            int size = 0;
            for (const Line &line : block)
                size += line.text.size() + 1;
            units.chars.reserve(size);
            units.escaped.reserve(size_t(size));
            for (const Line &line : block) {
                if (units.size() > 0)
                    units.append(QLatin1Char('\n'), false);
                units.append_decoded(line.text);
            }
            reason = read_question(units, question);
        }
        const QString position = line_place(block.front().number);
        if (reason.isEmpty()) {
            read_comments(comments, question);
            const std::array<size_t, 3> before = result.counts();
            reason = add_foreign_question(question, scores, result.paper);
            if (reason.isEmpty())
                result.took(before, position);
        }
        if (!reason.isEmpty())
            result.skip(position, reason);
        else if (!question.changes.isEmpty())
            result.change(position, question.changes);
        block.clear();
        comments.clear();
    };
    work_total(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        work_step();
        const QStringRef trimmed = lines[i].trimmed();
        if (trimmed.isEmpty()) {
            take_block();
            continue;
        }
        if (trimmed.startsWith(QLatin1String("//"))) {
            comments.append(trimmed.toString());
            continue;
        }
        if (trimmed.startsWith(QLatin1String("$CATEGORY:")))
            continue;
        block.push_back({lines[i], i + 1});
    }
    take_block();
    return result;
}
