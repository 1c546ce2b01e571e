#include "paper_tool/paper_check.h"

#include "exchange/option_layout.h"

#include "paper/paper_files.h"
#include "paper/paper_messages.h"
#include "paper/paper_score.h"
#include "paper/paper_writer.h"

#include <QHash>
#include <QObject>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <tuple>

namespace
{

using Field = QuestionField;

// Within a question the findings follow the page: problem, scores, answer.
int page_order(Field field)
{
    switch (field) {
    case Field::Count:
    case Field::Problem:
        return 0;
    case Field::Score:
        return 1;
    case Field::FullScore:
        return 2;
    case Field::PartialScore:
        return 3;
    case Field::Answer:
    case Field::AnswerText:
        break;
    }
    return 4;
}

struct Finding {
    int kind;   // 0 to 2 as QuestionKind; 3 for the files themselves
    int number; // question number; for the files 0 or 1
    Field field;
    PaperFinding said;
};

class Findings
{
  public:
    void add(QuestionKind kind, int number, Field field, const QString &what)
    {
        list_.push_back({int(kind),
                         number,
                         field,
                         {QStringLiteral("%1 第 %2 题 %3")
                              .arg(kind_name(kind), QString::number(number), field_name(field)),
                          what}});
    }
    void add_file(int order, const QString &file, const QString &what)
    {
        list_.push_back({3, order, Field::Problem, {file, what}});
    }
    std::vector<PaperFinding> sorted()
    {
        std::stable_sort(list_.begin(), list_.end(), [](const Finding &a, const Finding &b) {
            return std::make_tuple(a.kind, a.number, page_order(a.field)) <
                   std::make_tuple(b.kind, b.number, page_order(b.field));
        });
        std::vector<PaperFinding> said;
        for (const Finding &finding : list_)
            said.push_back(finding.said);
        return said;
    }

  private:
    std::vector<Finding> list_;
};

// The shortest text that reads back as the same double: the file's own value.
QString exact_text(double value)
{
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return QString::fromLatin1(digits, int(result.ptr - digits));
}

// What the score spin boxes (0 to 10000, two decimals) would make of a score
// the moment the question is shown; the next store writes that back.
std::optional<QString> score_problem(double score, bool zero_allowed)
{
    if (score < 0)
        return QStringLiteral("为负数（%1），题目页会把它显示为 0").arg(exact_text(score));
    if (score == 0 && !zero_allowed)
        return QStringLiteral("为 0");
    if (score > 10000)
        return QStringLiteral("%1 超过 10000，题目页会把它改为 10000").arg(exact_text(score));
    const double shown = QString::number(score, 'f', 2).toDouble(); // as QDoubleSpinBox rounds
    if (shown != score)
        return QStringLiteral("%1 多于两位小数，题目页会把它改为 %2")
            .arg(exact_text(score), score_text(shown));
    return std::nullopt;
}

void check_score(Findings &findings, QuestionKind kind, int number, Field field, double score)
{
    if (const auto problem = score_problem(score, field == Field::PartialScore))
        findings.add(kind, number, field, *problem);
}

bool is_blank(const QString &text)
{
    return text.trimmed().isEmpty();
}

void check_single_answer(Findings &findings, int number, OptionMask answer)
{
    const auto add = [&](const QString &what) {
        findings.add(QuestionKind::SingleChoice, number, Field::Answer, what);
    };
    if (answer < 0 || (answer & ~kAllOptions) != 0)
        add(QStringLiteral("答案值 %1 不是 A 到 F 中的选项").arg(answer));
    else if (answer == 0)
        add(QStringLiteral("没有选定答案"));
    else if ((answer & (answer - 1)) != 0)
        add(QStringLiteral("选定了多个答案（%1），单选题只能有一个").arg(option_letters(answer)));
}

void check_multiple_answer(Findings &findings, int number, OptionMask answer)
{
    const auto add = [&](const QString &what) {
        findings.add(QuestionKind::MultipleChoice, number, Field::Answer, what);
    };
    if (answer < 0 || (answer & ~kAllOptions) != 0)
        add(QStringLiteral("答案值 %1 含有 A 到 F 以外的选项").arg(answer));
    else if (answer == 0)
        add(QStringLiteral("没有选定任何正确选项"));
}

class DuplicateProblems
{
  public:
    void check(Findings &findings, QuestionKind kind, int number, const QString &problem)
    {
        if (is_blank(problem))
            return;
        const QString key = problem.trimmed();
        const auto first = first_.constFind(key);
        if (first == first_.constEnd()) {
            first_.insert(key, {kind, number});
            return;
        }
        findings.add(kind, number, Field::Problem,
                     QStringLiteral("与%1第 %2 题的题面相同")
                         .arg(kind_name(first->kind), QString::number(first->number)));
    }

  private:
    struct Place {
        QuestionKind kind;
        int number;
    };
    QHash<QString, Place> first_;
};

// Records after the last one the counts ask for: problem.prb's each end with a
// text field; answer.ans's are numbers or text fields.
int records_after(const QByteArray &file, qsizetype from, bool numbers_count)
{
    const char *pos = file.constData() + from;
    const char *const end = file.constData() + file.size();
    int records = 0;
    while (pos < end) {
        if (*pos == '@') {
            const auto *dollar =
                static_cast<const char *>(std::memchr(pos + 1, '$', size_t(end - pos - 1)));
            if (!dollar)
                break;
            ++records;
            pos = dollar + 1;
        } else if (std::strchr(" \t\r\n\v\f", *pos) || *pos == '\0') {
            ++pos;
        } else {
            if (numbers_count)
                ++records;
            while (pos < end && *pos != '@' && !std::strchr(" \t\r\n\v\f", *pos))
                ++pos;
        }
    }
    return records;
}

void check_beyond_counts(Findings &findings, const PaperOnDisk &disk)
{
    const int problems = records_after(disk.problem, disk.extent.problem_end, false);
    if (problems > 0)
        findings.add_file(0, QLatin1String(kProblemFileName),
                          QStringLiteral("题目数量之外还有 %1 道题的记录：打开试卷时不会读入，"
                                         "qv_make 保存时会丢掉它们")
                              .arg(problems));
    const int answers = records_after(disk.answer, disk.extent.answer_end, true);
    if (answers > 0)
        findings.add_file(1, QLatin1String(kAnswerFileName),
                          QStringLiteral("题目数量之外还有 %1 个答案记录：打开试卷时不会读入，"
                                         "qv_make 保存时会丢掉它们")
                              .arg(answers));
}

} // namespace

QString PaperFinding::line() const
{
    return place + QStringLiteral("：") + what;
}

std::vector<PaperFinding> paper_findings(const PaperOnDisk &disk)
{
    const PaperData &paper = disk.paper;
    Findings findings;
    DuplicateProblems duplicates;
    const auto check_problem = [&](QuestionKind kind, int number, const QString &problem) {
        if (is_blank(problem))
            findings.add(kind, number, Field::Problem, QStringLiteral("为空"));
        duplicates.check(findings, kind, number, problem);
    };
    int number = 0;
    for (const ChoiceQuestion &question : paper.onech) {
        const QuestionKind kind = QuestionKind::SingleChoice;
        check_problem(kind, ++number, question.problem);
        check_score(findings, kind, number, Field::Score, question.score);
        check_single_answer(findings, number, question.answer);
    }
    number = 0;
    for (const ChoiceQuestion &question : paper.somech) {
        const QuestionKind kind = QuestionKind::MultipleChoice;
        check_problem(kind, ++number, question.problem);
        check_score(findings, kind, number, Field::FullScore, question.score);
        check_score(findings, kind, number, Field::PartialScore, question.partial_score);
        if (question.partial_score >= question.score && question.partial_score > 0)
            findings.add(kind, number, Field::PartialScore,
                         QStringLiteral("%1 不低于全对分数 %2")
                             .arg(score_text(question.partial_score), score_text(question.score)));
        check_multiple_answer(findings, number, question.answer);
    }
    number = 0;
    for (const UnchQuestion &question : paper.unch) {
        const QuestionKind kind = QuestionKind::FreeAnswer;
        check_problem(kind, ++number, question.problem);
        check_score(findings, kind, number, Field::Score, question.score);
        if (is_blank(question.answer))
            findings.add(kind, number, Field::Answer, QStringLiteral("参考答案为空"));
    }
    for (const UnwritableText &text : find_unwritable_texts(paper))
        findings.add(text.kind, text.number, text.in_answer ? Field::Answer : Field::Problem,
                     unwritable_reason(unwritable_error(text)));
    check_beyond_counts(findings, disk);
    return findings.sorted();
}

std::vector<QString> check_paper(const PaperOnDisk &disk)
{
    std::vector<QString> lines;
    for (const PaperFinding &finding : paper_findings(disk))
        lines.push_back(finding.line());
    return lines;
}

QString paper_counts_line(const PaperData &paper)
{
    return QStringLiteral("单选题数量：%1  多选题数量：%2  非选择题数量：%3")
        .arg(paper.onech.size())
        .arg(paper.somech.size())
        .arg(paper.unch.size());
}

QString paper_total_line(const PaperData &paper)
{
    return total_line(paper_total(paper));
}
