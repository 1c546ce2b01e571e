#pragma once
// Papers drawn at random for the property tests of the formats: texts a
// teacher types that hold nothing the text format reads as structure, choice
// questions with their options laid out "A. …", scores of up to two decimals.

#include "exchange/option_layout.h"
#include "paper/paper_files.h"

#include <QRandomGenerator>
#include <QStringList>

// Texts a teacher types that hold nothing the text format reads as structure.
inline QString random_text(QRandomGenerator &random, int lines)
{
    static const QStringList words = {
        QStringLiteral("甲"),        QStringLiteral("下列说法正确的是"), QStringLiteral("1.5 千克"),
        QStringLiteral("x^2+1=0"),   QStringLiteral("（\u3000）"),       QStringLiteral("____"),
        QStringLiteral("Vitamin C"), QStringLiteral("“引号”"),           QStringLiteral("a、b"),
        QStringLiteral("0.25")};
    QStringList text;
    for (int line = 0; line < lines; ++line) {
        QStringList parts;
        for (int i = random.bounded(1, 4); i > 0; --i)
            parts.append(words[random.bounded(words.size())]);
        text.append(parts.join(QLatin1Char(' ')));
    }
    return text.join(QLatin1Char('\n'));
}

inline double random_score(QRandomGenerator &random)
{
    return random.bounded(0, 10001) / 100.0;
}

inline ChoiceQuestion random_choice(QRandomGenerator &random, bool multiple)
{
    ChoiceQuestion question;
    QStringList options;
    for (int i = random.bounded(2, kOptionCount + 1); i > 0; --i)
        options.append(random_text(random, 1));
    question.problem = lay_out_options(random_text(random, random.bounded(1, 3)), options);
    question.answer = 1 << random.bounded(options.size());
    if (multiple)
        question.answer |= random.bounded(1 << options.size());
    question.score = random_score(random);
    if (multiple)
        question.partial_score = random.bounded(0, int(question.score * 100) + 1) / 100.0;
    return question;
}

inline PaperData random_paper(QRandomGenerator &random)
{
    PaperData paper;
    for (int i = random.bounded(0, 6); i > 0; --i)
        paper.onech.push_back(random_choice(random, false));
    for (int i = random.bounded(0, 6); i > 0; --i)
        paper.somech.push_back(random_choice(random, true));
    for (int i = random.bounded(0, 6); i > 0; --i)
        paper.unch.push_back(
            {random_score(random), random_text(random, random.bounded(1, 4)),
             random.bounded(2) ? random_text(random, random.bounded(1, 3)) : QString()});
    return paper;
}
