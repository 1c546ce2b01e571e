#include "exchange/text_export.h"

#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "exchange/question_file.h"
#include "paper/paper_messages.h"

#include <functional>
#include <vector>

namespace
{

const QString kNumerals = QStringLiteral("一二三四五六七八九十");

QString score_words(double score)
{
    return QString::number(score, 'g', 10);
}

// One question as the section writes it: its scores, its text, its answer.
struct Item {
    double score = 0;
    std::optional<double> partial; // multiple choice
    QString text;
    QString answer;
};

bool all_alike(const std::vector<Item> &items)
{
    for (const Item &item : items) {
        if (item.score != items.front().score || item.partial != items.front().partial)
            return false;
    }
    return true;
}

QString partial_words(double partial)
{
    return QStringLiteral("选对但不全的得 %1 分").arg(score_words(partial));
}

// "一、单项选择题（本大题共 3 小题，每小题 2 分，共 6 分）"; where the questions'
// scores differ each question states its own.
QString heading(int section, const QString &name, const std::vector<Item> &items, bool alike)
{
    double total = 0;
    for (const Item &item : items)
        total += item.score;
    QStringList parts{QStringLiteral("本大题共 %1 小题").arg(items.size())};
    if (alike) {
        parts.append(QStringLiteral("每小题 %1 分").arg(score_words(items.front().score)));
        if (items.front().partial)
            parts.append(partial_words(*items.front().partial));
    }
    parts.append(QStringLiteral("共 %1 分").arg(score_words(total)));
    return QStringLiteral("%1、%2（%3）").arg(kNumerals[section], name, parts.join(QChar(0xFF0C)));
}

void append_line(QString &out, const QString &line)
{
    QString text = line;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    out += text + QStringLiteral("\r\n");
}

void append_section(QString &out, int &section, const QString &name, const std::vector<Item> &items)
{
    if (items.empty())
        return;
    const bool alike = all_alike(items);
    if (!out.isEmpty())
        out += QStringLiteral("\r\n");
    append_line(out, heading(section++, name, items, alike));
    for (size_t i = 0; i < items.size(); ++i) {
        const Item &item = items[i];
        QString own;
        if (!alike) {
            own = QStringLiteral("（%1 分").arg(score_words(item.score));
            if (item.partial)
                own += QChar(0xFF0C) + partial_words(*item.partial);
            own += QChar(0xFF09);
        }
        append_line(out, QStringLiteral("%1．%2%3").arg(i + 1).arg(own, item.text));
        append_line(out, QStringLiteral("【答案】") + item.answer);
    }
}

std::vector<Item> choice_items(const std::vector<ChoiceQuestion> &questions, bool multiple)
{
    std::vector<Item> items;
    for (const ChoiceQuestion &question : questions)
        items.push_back({question.score,
                         multiple ? std::optional<double>(question.partial_score) : std::nullopt,
                         question.problem, option_letters(question.answer)});
    return items;
}

// Whether two questions read the same, field by field.
bool same_choice(const ChoiceQuestion &a, const ChoiceQuestion &b, bool multiple)
{
    return a.problem == b.problem && a.answer == b.answer && a.score == b.score &&
           (!multiple || a.partial_score == b.partial_score);
}

bool same_free_answer(const UnchQuestion &a, const UnchQuestion &b)
{
    return a.problem == b.problem && a.answer == b.answer && a.score == b.score;
}

template <typename Question>
void list_differences(QuestionKind kind, const std::vector<Question> &written,
                      const std::vector<Question> &read,
                      const std::function<bool(const Question &, const Question &)> &same,
                      QStringList &differences)
{
    for (size_t i = 0; i < written.size(); ++i) {
        if (i >= read.size() || !same(written[i], read[i])) {
            differences.append(text_export_difference(kind, int(i) + 1));
            return; // the questions after it have moved: one note says it
        }
    }
}

} // namespace

QByteArray export_text(const PaperData &paper)
{
    QString out;
    int section = 0;
    append_section(out, section, QStringLiteral("单项选择题"), choice_items(paper.onech, false));
    append_section(out, section, QStringLiteral("多项选择题"), choice_items(paper.somech, true));
    std::vector<Item> free_answers;
    for (const UnchQuestion &question : paper.unch)
        free_answers.push_back({question.score, std::nullopt, question.problem, question.answer});
    append_section(out, section, QStringLiteral("非选择题"), free_answers);
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QStringList text_export_differences(const PaperData &paper, const QByteArray &exported)
{
    const ImportResult read = import_question_file(exported, ImportFormat::Text, ImportScores{});
    QStringList differences;
    list_differences<ChoiceQuestion>(
        QuestionKind::SingleChoice, paper.onech, read.paper.onech,
        [](const ChoiceQuestion &a, const ChoiceQuestion &b) { return same_choice(a, b, false); },
        differences);
    list_differences<ChoiceQuestion>(
        QuestionKind::MultipleChoice, paper.somech, read.paper.somech,
        [](const ChoiceQuestion &a, const ChoiceQuestion &b) { return same_choice(a, b, true); },
        differences);
    list_differences<UnchQuestion>(QuestionKind::FreeAnswer, paper.unch, read.paper.unch,
                                   same_free_answer, differences);
    return differences;
}
