#pragma once
// For the tests of the exports a teacher edits and imports again: papers made
// at random of every kind, texts of one or more lines, scores with two
// decimals, partial scores up to the whole, and free answers with or without
// a reference answer.

#include "exchange/option_layout.h"
#include "paper/paper_files.h"

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// Texts a teacher types that hold nothing the import formats read as
// structure (a number, an option, a key, a score), awkward as they are for
// a file: markup and escapes of XML and Excel, quotes, tabs, characters
// beyond the Basic Multilingual Plane, what a spreadsheet takes for a
// formula or a number.
inline const QStringList &random_paper_words()
{
    static const QStringList words = {
        QStringLiteral("甲"),
        QStringLiteral("下列说法正确的是"),
        QStringLiteral("1.5 千克"),
        QStringLiteral("x^2+1=0"),
        QStringLiteral("（\u3000）"),
        QStringLiteral("____"),
        QStringLiteral("Vitamin C"),
        QStringLiteral("“引号”"),
        QStringLiteral("a、b"),
        QStringLiteral("0.25"),
        QStringLiteral("a < b && c > d"),
        QStringLiteral("\"双引号\" 'single'"),
        QStringLiteral("_x000D_ _x005F_"),
        QStringLiteral("列\t对齐"),
        QStringLiteral("两  个空格"),
        QStringLiteral("\U0001D465\u00B2 \U00020BB7"),
        QStringLiteral("=SUM(A1:A2)"),
        QStringLiteral("007"),
    };
    return words;
}

inline QString random_text(QRandomGenerator &random, int lines)
{
    const QStringList &words = random_paper_words();
    QStringList text;
    for (int line = 0; line < lines; ++line) {
        QStringList parts;
        for (int i = random.bounded(1, 4); i > 0; --i)
            parts.append(words[random.bounded(words.size())]);
        text.append(parts.join(QLatin1Char(' ')));
    }
    return text.join(QLatin1Char('\n'));
}

// 0 to 100 in hundredths.
inline double random_score(QRandomGenerator &random)
{
    return random.bounded(0, 10001) / 100.0;
}

// A choice question whose options are laid out as the imports lay them out.
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

// Up to five questions of each kind.
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
