#include "paper_tool/exchange_common.h"

#include "paper_tool/exchange.h"
#include "paper_tool/option_layout.h"

#include <QTextDocumentFragment>
#include <QtAlgorithms>
#include <cmath>

namespace
{

const int kLetterMask = (1 << kOptionCount) - 1;

int highest_bit(int mask)
{
    return 31 - qCountLeadingZeroBits(quint32(mask));
}

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

int bit_count(int mask)
{
    int count = 0;
    for (int bit = 0; bit < kOptionCount; ++bit)
        count += (mask >> bit) & 1;
    return count;
}

} // namespace

ExportedChoice export_choice(const ChoiceQuestion &question)
{
    // Options laid out in the text go out as the answers' texts, unless the
    // answer names an option the text does not show: then the letters, so
    // that the answer still has an option to point at.
    const std::optional<LaidOutOptions> laid_out = find_laid_out_options(question.problem);
    if (laid_out && highest_bit(question.answer & kLetterMask) < laid_out->options.size())
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

QString add_foreign_question(const ForeignQuestion &question, const ImportScores &scores,
                             PaperData &paper)
{
    using Type = ForeignQuestion::Type;
    const QString text = without_control_characters(question.text);

    ChoiceQuestion choice;
    UnchQuestion unch;
    QuestionKind kind = QuestionKind::SingleChoice;
    switch (question.type) {
    case Type::Choice: {
        const int count = int(question.answers.size());
        if (count > kOptionCount)
            return QStringLiteral("有 %1 个选项，试卷的选择题最多六个（A 到 F）").arg(count);
        if (count == 0)
            return QStringLiteral("没有选项");
        QStringList options;
        for (int i = 0; i < count; ++i) {
            options.append(without_control_characters(question.answers[size_t(i)].text).trimmed());
            if (question.answers[size_t(i)].fraction > 0)
                choice.answer |= 1 << i;
        }
        if (choice.answer == 0)
            return QStringLiteral("没有正确选项");
        choice.problem =
            answers_are_letters(question.answers) ? text : lay_out_options(text.trimmed(), options);
        kind = bit_count(choice.answer) == 1 ? QuestionKind::SingleChoice
                                             : QuestionKind::MultipleChoice;
        break;
    }
    case Type::TrueFalse:
        choice.problem =
            lay_out_options(text.trimmed(), {QStringLiteral("正确"), QStringLiteral("错误")});
        choice.answer = question.truth ? 1 : 2;
        break;
    case Type::ShortAnswer: {
        QStringList accepted;
        for (const ForeignAnswer &answer : question.answers) {
            const QString accepted_text = without_control_characters(answer.text);
            if (answer.fraction > 0 && !accepted_text.trimmed().isEmpty())
                accepted.append(accepted_text);
        }
        if (accepted.isEmpty())
            return QStringLiteral("没有可接受的答案");
        unch.problem = text;
        unch.answer = accepted.join(QLatin1Char('\n'));
        kind = QuestionKind::FreeAnswer;
        break;
    }
    case Type::Essay:
        unch.problem = text;
        unch.answer = without_control_characters(question.reference);
        kind = QuestionKind::FreeAnswer;
        break;
    }

    const double grade =
        question.grade.value_or(kind == QuestionKind::SingleChoice     ? scores.single_choice
                                : kind == QuestionKind::MultipleChoice ? scores.multiple_choice
                                                                       : scores.free_answer);
    if (!std::isfinite(grade) || grade < 0 || grade > 10000)
        return QStringLiteral("分值 %1 不在 0 到 10000 之间").arg(grade);
    const double score = round_to_hundredths(grade);
    const QChar dollar = QLatin1Char('$');
    if (choice.problem.contains(dollar) || unch.problem.contains(dollar) ||
        unch.answer.contains(dollar))
        return QStringLiteral("含有“$”，试卷文件无法保存这个字符");

    const size_t size = kind == QuestionKind::SingleChoice     ? paper.onech.size()
                        : kind == QuestionKind::MultipleChoice ? paper.somech.size()
                                                               : paper.unch.size();
    if (size >= size_t(kMaxQuestions))
        return QStringLiteral("试卷的%1已有 %2 道，放不下了")
            .arg(kind_name(kind))
            .arg(kMaxQuestions);

    switch (kind) {
    case QuestionKind::SingleChoice:
        choice.score = score;
        paper.onech.push_back(choice);
        break;
    case QuestionKind::MultipleChoice:
        // A correct but incomplete choice earns half, rounded down to hundredths.
        choice.score = score;
        choice.partial_score = double(std::llround(score * 100) / 2) / 100;
        paper.somech.push_back(choice);
        break;
    case QuestionKind::FreeAnswer:
        unch.score = score;
        paper.unch.push_back(unch);
        break;
    }
    return QString();
}

QString html_to_plain_text(const QString &html)
{
    QString plain = QTextDocumentFragment::fromHtml(html).toPlainText();
    // An image leaves its placeholder behind, which says nothing on paper.
    plain.remove(QChar::ObjectReplacementCharacter);
    return plain.trimmed();
}
