#include "paper/paper_score.h"

#include "paper/paper_model.h"

#include <QByteArray>
#include <charconv>

namespace
{

template <typename Question> void add_scores(double &total, const Question *first, size_t count)
{
    for (size_t k = 0; k < count; ++k)
        total += first[k].score;
}

// to_chars rounds the exact binary value and ignores every locale, unlike
// QString::number (0.125 becomes "0.13") or snprintf under a decimal-comma
// LC_NUMERIC.
QByteArray two_decimals(double value)
{
    char digits[400]; // enough for any double in fixed notation
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
    return QByteArray(digits, int(result.ptr - digits));
}

} // namespace

double paper_total(const PaperData &paper)
{
    double total = 0.0;
    add_scores(total, paper.onech.data(), paper.onech.size());
    add_scores(total, paper.somech.data(), paper.somech.size());
    add_scores(total, paper.unch.data(), paper.unch.size());
    return total;
}

double open_paper_total()
{
    double total = 0.0;
    add_scores(total, onech_table + 1, size_t(onech_count));
    add_scores(total, somech_table + 1, size_t(somech_count));
    add_scores(total, unch_table + 1, size_t(unch_count));
    return total;
}

QString two_decimals_text(double value)
{
    return QString::fromLatin1(two_decimals(value));
}

QString score_text(double score)
{
    QString text = two_decimals_text(score);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}
