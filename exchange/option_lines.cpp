#include "exchange/option_lines.h"

#include <QVector>

namespace
{

// The East Asian wide and full-width ranges that occur in papers.
bool is_wide(uint code)
{
    return (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
           (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
           (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
           (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
}

bool all_fit(const QStringList &options, int column_width)
{
    for (const QString &option : options) {
        if (option.contains(QLatin1Char('\n')) || display_width(option) + 2 > column_width)
            return false;
    }
    return true;
}

} // namespace

int display_width(const QString &text)
{
    int width = 0;
    for (const uint code : text.toUcs4())
        width += is_wide(code) ? 2 : 1;
    return width;
}

int options_per_line(const QStringList &options, int line_width)
{
    for (const int count : {4, 2}) {
        if (all_fit(options, line_width / count))
            return count;
    }
    return 1;
}
