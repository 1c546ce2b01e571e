#include "exchange/export_sections.h"

#include "exchange/option_layout.h"

#include <functional>

namespace
{

QString score_words(double score)
{
    return QString::number(score, 'g', 10);
}

bool all_alike(const std::vector<ExportItem> &items)
{
    for (const ExportItem &item : items) {
        if (item.score != items.front().score || item.partial != items.front().partial)
            return false;
    }
    return true;
}

QString partial_words(double partial)
{
    return QStringLiteral("选对但不全的得 %1 分").arg(score_words(partial));
}

ExportSection choice_section(QuestionKind kind, const std::vector<ChoiceQuestion> &questions)
{
    const bool multiple = kind == QuestionKind::MultipleChoice;
    ExportSection section{
        kind, multiple ? QStringLiteral("多项选择题") : QStringLiteral("单项选择题"), {}, true};
    for (const ChoiceQuestion &question : questions)
        section.items.push_back(
            {question.score,
             multiple ? std::optional<double>(question.partial_score) : std::nullopt,
             question.problem, option_letters(question.answer)});
    return section;
}

ExportSection free_answer_section(const std::vector<UnchQuestion> &questions)
{
    ExportSection section{QuestionKind::FreeAnswer, QStringLiteral("非选择题"), {}, true};
    for (const UnchQuestion &question : questions)
        section.items.push_back({question.score, std::nullopt, question.problem, question.answer});
    return section;
}

template <typename Question>
void list_differences(QuestionKind kind, const std::vector<Question> &written,
                      const std::vector<Question> &read,
                      const std::function<bool(const Question &, const Question &)> &same,
                      QString (*describe)(QuestionKind, int), QStringList &differences)
{
    for (size_t i = 0; i < written.size(); ++i) {
        if (i >= read.size() || !same(written[i], read[i])) {
            differences.append(describe(kind, int(i) + 1));
            return;
        }
    }
}

} // namespace

std::vector<ExportSection> export_sections(const PaperData &paper)
{
    std::vector<ExportSection> sections{choice_section(QuestionKind::SingleChoice, paper.onech),
                                        choice_section(QuestionKind::MultipleChoice, paper.somech),
                                        free_answer_section(paper.unch)};
    std::vector<ExportSection> held;
    for (ExportSection &section : sections) {
        if (section.items.empty())
            continue;
        section.alike = all_alike(section.items);
        held.push_back(std::move(section));
    }
    return held;
}

QString section_numeral(int index)
{
    return QStringLiteral("一二三四五六七八九十").mid(index, 1);
}

QString section_heading(int index, const ExportSection &section)
{
    double total = 0;
    for (const ExportItem &item : section.items)
        total += item.score;
    const ExportItem &first = section.items.front();
    QStringList parts{QStringLiteral("本大题共 %1 小题").arg(section.items.size())};
    if (section.alike) {
        parts.append(QStringLiteral("每小题 %1 分").arg(score_words(first.score)));
        if (first.partial)
            parts.append(partial_words(*first.partial));
    }
    parts.append(QStringLiteral("共 %1 分").arg(score_words(total)));
    return QStringLiteral("%1、%2（%3）")
        .arg(section_numeral(index), section.name, parts.join(QChar(0xFF0C)));
}

QString own_scores(const ExportSection &section, const ExportItem &item)
{
    if (section.alike)
        return QString();
    QString own = QStringLiteral("（%1 分").arg(score_words(item.score));
    if (item.partial)
        own += QChar(0xFF0C) + partial_words(*item.partial);
    return own + QChar(0xFF09);
}

QStringList questions_read_differently(const PaperData &written, const PaperData &read,
                                       QString (*describe)(QuestionKind kind, int number))
{
    QStringList differences;
    list_differences<ChoiceQuestion>(
        QuestionKind::SingleChoice, written.onech, read.onech,
        [](const ChoiceQuestion &a, const ChoiceQuestion &b) { return same_choice(a, b, false); },
        describe, differences);
    list_differences<ChoiceQuestion>(
        QuestionKind::MultipleChoice, written.somech, read.somech,
        [](const ChoiceQuestion &a, const ChoiceQuestion &b) { return same_choice(a, b, true); },
        describe, differences);
    list_differences<UnchQuestion>(QuestionKind::FreeAnswer, written.unch, read.unch,
                                   same_free_answer, describe, differences);
    return differences;
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
