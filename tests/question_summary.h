#pragma once
// For the tests of the formats: a paper's questions as one line that a
// failing comparison shows whole.

#include "paper/paper_model.h"

#include <QString>

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
