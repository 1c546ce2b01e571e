#pragma once
// For the tests of the formats: a paper's questions as one line that a
// failing comparison shows whole.

#include "exchange/exchange.h"
#include "paper/paper_model.h"

#include <QString>
#include <QStringList>

// "ACD" for the options A, C and D.
inline QString letters(OptionMask mask)
{
    QString text;
    for (int bit = 0; bit < kOptionCount; ++bit) {
        if (mask & (1 << bit))
            text.append(QChar(u'A' + bit));
    }
    return text;
}

// A score as few digits as it takes.
inline QString number(double value)
{
    return QString::number(value, 'g', 12);
}

// Every question of an import's paper with every field, then what was left
// out, changed and said of the whole file, each where it stands.
inline QString import_summary(const ImportResult &result)
{
    QStringList items;
    for (const ChoiceQuestion &q : result.paper.onech)
        items << QStringLiteral("S%1:%2:%3").arg(number(q.score), letters(q.answer), q.problem);
    for (const ChoiceQuestion &q : result.paper.somech)
        items << QStringLiteral("M%1/%2:%3:%4")
                     .arg(number(q.score), number(q.partial_score), letters(q.answer), q.problem);
    for (const UnchQuestion &q : result.paper.unch)
        items << QStringLiteral("U%1:%2=>%3").arg(number(q.score), q.problem, q.answer);
    for (const ImportSkip &skip : result.skipped)
        items << QStringLiteral("skip %1: %2").arg(skip.position, skip.reason);
    for (const ImportChange &change : result.changed)
        items << QStringLiteral("change %1: %2").arg(change.position, change.what);
    for (const QString &note : result.notes)
        items << QStringLiteral("note: ") + note;
    return items.join(QStringLiteral(" | "));
}

// The paper alone, as import_summary writes it.
inline QString paper_summary(const PaperData &paper)
{
    ImportResult result;
    result.paper = paper;
    return import_summary(result);
}
