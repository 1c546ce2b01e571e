#pragma once
// What every import must give, whatever the file held: questions the paper
// can hold (scores the spin boxes keep, answers the pages can show, no text
// the files cannot carry), and a pair written from them that reads back as
// the same paper.

#include "fuzz/fuzz_support.h"
#include "paper/paper_reader.h"
#include "paper/paper_writer.h"

inline void check_score(double score)
{
    fuzz::check(score >= 0 && score <= 10000, "an imported score is outside 0 to 10000");
    fuzz::check(QString::number(score, 'f', 2).toDouble() == score,
                "an imported score has more than two decimals");
}

inline void check_text(const QString &text)
{
    fuzz::check(!text.contains(QLatin1Char('$')), "an imported text holds a \"$\"");
    for (const QChar c : text)
        fuzz::check(c.category() != QChar::Other_Control || c == QLatin1Char('\n') ||
                        c == QLatin1Char('\t'),
                    "an imported text holds a control character");
}

inline void check_fits_the_paper(const PaperData &paper)
{
    fuzz::check(paper.onech.size() <= size_t(kMaxQuestions) &&
                    paper.somech.size() <= size_t(kMaxQuestions) &&
                    paper.unch.size() <= size_t(kMaxQuestions),
                "more questions of a kind than a paper holds");
    for (const ChoiceQuestion &question : paper.onech) {
        check_score(question.score);
        check_text(question.problem);
        fuzz::check(question.answer > 0 && (question.answer & ~kAllOptions) == 0 &&
                        (question.answer & (question.answer - 1)) == 0,
                    "a single-choice answer is not exactly one of A to F");
    }
    for (const ChoiceQuestion &question : paper.somech) {
        check_score(question.score);
        check_score(question.partial_score);
        check_text(question.problem);
        fuzz::check(question.partial_score <= question.score, "a partial score above the score");
        fuzz::check(question.answer > 0 && (question.answer & ~kAllOptions) == 0,
                    "a multiple-choice answer outside A to F");
    }
    for (const UnchQuestion &question : paper.unch) {
        check_score(question.score);
        check_text(question.problem);
        check_text(question.answer);
    }
}

inline void check_saves_and_reads_back(const PaperData &paper)
{
    QByteArray problem, answer;
    if (!write_paper_data(paper, problem, answer)) {
        // Only length can stop it: a text may be longer than the files hold.
        const std::vector<UnwritableText> unwritable = find_unwritable_texts(paper);
        fuzz::check(!unwritable.empty() &&
                        unwritable.front().reason == UnwritableText::Reason::TooLong,
                    "an imported paper cannot be saved");
        return;
    }
    PaperData read;
    PaperError error;
    fuzz::check(read_problem_file(problem, read, &error) && read_answer_file(answer, read, &error),
                "an imported paper's files do not read back");
    fuzz::check_same_paper(read, paper);
}
