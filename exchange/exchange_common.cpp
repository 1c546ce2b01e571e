#include "exchange/exchange_common.h"

#include "exchange/exchange.h"
#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"

#include "exchange/html_text.h"

#include <QRegularExpression>
#include <QtAlgorithms>
#include <algorithm>
#include <cmath>

namespace
{

// A platform that keeps the options in the question text answers with bare
// letters; so does our own export of a text whose options are not laid out.
bool answers_are_letters(const std::vector<ForeignAnswer> &answers)
{
    if (answers.size() < 2)
        return false;
    for (size_t i = 0; i < answers.size(); ++i) {
        if (answers[i].text.trimmed() != QChar(u'A' + int(i)))
            return false;
    }
    return true;
}

double round_to_hundredths(double value)
{
    return std::round(value * 100) / 100;
}

} // namespace

// The file formats may bring any character; only line breaks and tabs are
// kept of the control characters, as the paper's editors show nothing else.
QString without_control_characters(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control || c == QLatin1Char('\n') ||
            c == QLatin1Char('\t'))
            kept.append(c);
    }
    return kept;
}

ExportedChoice export_choice(const ChoiceQuestion &question)
{
    // Options laid out in the text go out as the answers' texts, unless the
    // answer names an option the text does not show: then the letters, so
    // that the answer still has an option to point at.
    // A text that goes on after its last option (a note, a second line) would
    // be glued to that option: it goes out whole, with letters.
    const std::optional<LaidOutOptions> laid_out = find_laid_out_options(question.problem);
    if (laid_out && highest_option(question.answer) < laid_out->options.size() &&
        !laid_out->options.last().contains(QLatin1Char('\n')))
        return {laid_out->stem, laid_out->options};
    ExportedChoice exported{question.problem, {}};
    for (const QChar letter : option_letters_used(question.problem, question.answer))
        exported.options.append(letter);
    return exported;
}

QString exchange_score_text(double score)
{
    return QString::number(score, 'g', 6);
}

QString right_fraction_text(int right_count)
{
    QString text = QString::number(100.0 / right_count, 'f', 5);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

namespace
{

bool is_full_credit(double fraction)
{
    return fraction >= 100 - 1e-6;
}

// The platform picks one answer of a single-choice question and gives it its
// fraction; the paper has one right option, worth the whole score, and no
// other credit.
QString take_single_choice_key(ForeignQuestion &question, ChoiceQuestion &choice)
{
    QStringList full;
    for (size_t i = 0; i < question.answers.size(); ++i) {
        if (is_full_credit(question.answers[i].fraction)) {
            full.append(QChar(u'A' + int(i)));
            choice.answer = 1 << i;
        }
    }
    if (full.isEmpty())
        return no_full_credit_option_reason();
    if (full.size() > 1)
        return several_full_credit_options_reason(full);
    for (size_t i = 0; i < question.answers.size(); ++i) {
        const double fraction = question.answers[i].fraction;
        if (fraction > 0 && !is_full_credit(fraction))
            question.changes.append(option_credit_lost_change(int(i), fraction));
    }
    return QString();
}

// Ticking every option of positive fraction earns the whole mark on the
// platform only when they add up to 100 %; the paper always gives it.
QString take_multiple_choice_key(ForeignQuestion &question, ChoiceQuestion &choice)
{
    double sum = 0;
    for (size_t i = 0; i < question.answers.size(); ++i) {
        if (question.answers[i].fraction > 0) {
            choice.answer |= 1 << i;
            sum += question.answers[i].fraction;
        }
    }
    if (choice.answer == 0)
        return no_right_option_reason();
    if (std::abs(sum - 100) > 0.1)
        question.changes.append(right_options_sum_change(sum));
    return QString();
}

QString take_choice(ForeignQuestion &question, const QString &text, ChoiceQuestion &choice)
{
    const int count = int(question.answers.size());
    if (count > kOptionCount)
        return too_many_options_reason(count);
    if (count == 0)
        return no_options_reason();
    const QString why = question.single ? take_single_choice_key(question, choice)
                                        : take_multiple_choice_key(question, choice);
    if (!why.isEmpty())
        return why;
    QStringList options;
    for (int i = 0; i < count; ++i) {
        options.append(without_control_characters(question.answers[size_t(i)].text).trimmed());
        if (options.last().isEmpty())
            question.changes.append(empty_option_change(i));
    }
    choice.problem =
        answers_are_letters(question.answers) ? text : lay_out_options(text.trimmed(), options);
    return QString();
}

// The paper's reference answer keeps every accepted answer, one per line,
// with its credit where it is not the whole.
QString take_short_answer(const ForeignQuestion &question, UnchQuestion &unch)
{
    QStringList accepted;
    for (const ForeignAnswer &answer : question.answers) {
        const QString text = without_control_characters(answer.text).trimmed();
        if (answer.fraction <= 0 || text.isEmpty())
            continue;
        accepted.append(
            is_full_credit(answer.fraction) ? text : answer_with_credit(text, answer.fraction));
    }
    if (accepted.isEmpty())
        return no_accepted_answer_reason();
    unch.answer = accepted.join(QLatin1Char('\n'));
    return QString();
}

double default_score(QuestionKind kind, const ImportScores &scores)
{
    switch (kind) {
    case QuestionKind::SingleChoice:
        return scores.single_choice;
    case QuestionKind::MultipleChoice:
        return scores.multiple_choice;
    case QuestionKind::FreeAnswer:
        break;
    }
    return scores.free_answer;
}

size_t question_count(const PaperData &paper, QuestionKind kind)
{
    switch (kind) {
    case QuestionKind::SingleChoice:
        return paper.onech.size();
    case QuestionKind::MultipleChoice:
        return paper.somech.size();
    case QuestionKind::FreeAnswer:
        break;
    }
    return paper.unch.size();
}

bool is_paper_score(double score)
{
    return std::isfinite(score) && score >= 0 && score <= 10000 &&
           round_to_hundredths(score) == score;
}

// A correct but incomplete choice earns what our own export noted, or else
// half the score, rounded down to hundredths.
double partial_score_of(const ForeignQuestion &question, double score)
{
    if (question.partial && is_paper_score(*question.partial) && *question.partial <= score)
        return *question.partial;
    return double(std::llround(score * 100) / 2) / 100;
}

} // namespace

void replace_dollars(QString &text, QStringList &changes)
{
    if (!text.contains(QLatin1Char('$')))
        return;
    text.replace(QLatin1Char('$'), QChar(0xFF04));
    const QString change = dollar_change();
    if (!changes.contains(change))
        changes.append(change);
}

void ImportResult::skip(const QString &position, const QString &reason)
{
    if (skipped.size() < kKeptNotes)
        skipped.push_back({position, reason});
    ++skipped_count;
}

std::array<size_t, 3> ImportResult::counts() const
{
    return {paper.onech.size(), paper.somech.size(), paper.unch.size()};
}

void ImportResult::took(const std::array<size_t, 3> &before, const QString &position)
{
    const std::array<size_t, 3> now = counts();
    const QuestionKind kinds[] = {QuestionKind::SingleChoice, QuestionKind::MultipleChoice,
                                  QuestionKind::FreeAnswer};
    for (size_t i = 0; i < now.size(); ++i) {
        if (now[i] > before[i])
            taken.push_back({kinds[i], int(now[i]), position});
    }
}

void ImportResult::change(const QString &position, const QStringList &changes)
{
    for (const QString &what : changes) {
        if (changed.size() < kKeptNotes)
            changed.push_back({position, what});
        ++changed_count;
    }
}

QString add_foreign_question(ForeignQuestion &question, const ImportScores &scores,
                             PaperData &paper)
{
    using Type = ForeignQuestion::Type;
    if (!question.refusal.isEmpty())
        return question.refusal;
    const QuestionKind kind =
        question.type == Type::Choice
            ? (question.single ? QuestionKind::SingleChoice : QuestionKind::MultipleChoice)
        : question.type == Type::TrueFalse ? QuestionKind::SingleChoice
                                           : QuestionKind::FreeAnswer;
    if (question_count(paper, kind) >= size_t(kMaxQuestions))
        return kind_full_reason(kind);

    const QString text = without_control_characters(question.text);
    ChoiceQuestion choice;
    UnchQuestion unch;
    QString why;
    switch (question.type) {
    case Type::Choice:
        why = take_choice(question, text, choice);
        break;
    case Type::TrueFalse:
        choice.problem = lay_out_options(text.trimmed(), truth_option_words());
        choice.answer = question.truth ? 1 : 2;
        break;
    case Type::ShortAnswer:
        unch.problem = text;
        why = take_short_answer(question, unch);
        break;
    case Type::Essay:
        unch.problem = text;
        unch.answer = without_control_characters(question.reference);
        break;
    }
    if (!why.isEmpty())
        return why;

    const double grade = question.grade.value_or(default_score(kind, scores));
    if (!std::isfinite(grade) || grade < 0 || grade > 10000)
        return grade_out_of_range_reason(grade);
    const double score = round_to_hundredths(grade);

    replace_dollars(choice.problem, question.changes);
    replace_dollars(unch.problem, question.changes);
    replace_dollars(unch.answer, question.changes);
    switch (kind) {
    case QuestionKind::SingleChoice:
        choice.score = score;
        paper.onech.push_back(choice);
        break;
    case QuestionKind::MultipleChoice:
        choice.score = score;
        choice.partial_score = partial_score_of(question, score);
        paper.somech.push_back(choice);
        break;
    case QuestionKind::FreeAnswer:
        unch.score = score;
        paper.unch.push_back(unch);
        break;
    }
    return QString();
}

namespace
{

// Most texts of a bank are a line of words: nothing in them that HTML would
// show otherwise than as it stands.
bool reads_the_same_as_html(const QString &text, TextFormat format)
{
    QChar previous = QLatin1Char(' ');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'<' || u == u'&' || u == u'\t' || u == u'\r' || u == u'\f' || u == 0xA0 ||
            (u == u'\n' && format == TextFormat::Html))
            return false;
        if ((u == u' ' || u == u'\n') &&
            (previous == QLatin1Char(' ') || previous == QLatin1Char('\n')))
            return false;
        previous = c;
    }
    return previous != QLatin1Char(' ') && previous != QLatin1Char('\n');
}

} // namespace

QString shown_text(const QString &source, TextFormat format, ForeignQuestion &question)
{
    if (format == TextFormat::Plain)
        return source.trimmed();
    if (reads_the_same_as_html(source, format))
        return source;
    const HtmlText html = html_to_text(source, format == TextFormat::Auto ? HtmlFlavour::AutoFormat
                                                                          : HtmlFlavour::Html);
    if (!html.error.isEmpty() && question.refusal.isEmpty())
        question.refusal = html.error;
    for (const QString &placeholder : html.dropped)
        question.changes.append(mark_left_change(placeholder));
    return html.text;
}

int line_of(const QByteArray &bytes, qsizetype offset)
{
    return int(std::count(bytes.constBegin(), bytes.constBegin() + offset, '\n')) + 1;
}

ExchangeError find_nul_byte(const QByteArray &bytes)
{
    ExchangeError error;
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        error.what = ExchangeError::What::NulByte;
        error.line = line_of(bytes, nul);
    }
    return error;
}

// The notes are part of the files, not messages: written and matched side by
// side, so that what the export writes the import reads back.
namespace
{

QString note_head(QuestionKind kind, int number, double score)
{
    return QStringLiteral("%1 %2，%3 分")
        .arg(kind_name(kind))
        .arg(number)
        .arg(exchange_score_text(score));
}

} // namespace

QString export_note(QuestionKind kind, int number, const ChoiceQuestion &question)
{
    QString note = note_head(kind, number, question.score);
    if (kind == QuestionKind::MultipleChoice)
        note += QStringLiteral("，部分选对 %1 分").arg(exchange_score_text(question.partial_score));
    return note;
}

QString export_note(int number, const UnchQuestion &question)
{
    return note_head(QuestionKind::FreeAnswer, number, question.score);
}

bool read_export_note(const QString &note, ForeignQuestion &question)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(?:单选题|多选题|非选择题) \\d+，(\\d+(?:\\.\\d+)?) 分"
                       "(?:，部分选对 (\\d+(?:\\.\\d+)?) 分)?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(note);
    if (!match.hasMatch())
        return false;
    question.grade = match.captured(1).toDouble();
    if (match.lastCapturedIndex() >= 2 && !match.captured(2).isEmpty())
        question.partial = match.captured(2).toDouble();
    return true;
}
