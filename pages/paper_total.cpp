#include "pages/paper_total.h"

#include "paper/paper_model.h"

#include <QByteArray>
#include <QObject>
#include <charconv>

double paper_total()
{
    double total = 0.0;
    for (int k = 1; k <= onech_count; ++k)
        total += onech_table[k].score;
    for (int k = 1; k <= somech_count; ++k)
        total += somech_table[k].score;
    for (int k = 1; k <= unch_count; ++k)
        total += unch_table[k].score;
    return total;
}

// to_chars rounds the exact binary value and ignores every locale, unlike
// QString::number (0.125 becomes "0.13") or snprintf under a decimal-comma
// LC_NUMERIC.
static QByteArray two_decimals(double value)
{
    char digits[400]; // enough for any double in fixed notation
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
    return QByteArray(digits, int(result.ptr - digits));
}

QString total_line(double total)
{
    const QByteArray line = "试卷总分确认：" + two_decimals(total) + " 分";
    return QObject::tr(line.constData());
}

QString no_paper_line()
{
    return QObject::tr("试卷总分确认：未打开试卷");
}
