#pragma once
// How many options of a choice question share a line of a printed paper:
// four when each fits a quarter of the line, else two when each fits half,
// else one a line, as papers set them.

#include <QString>
#include <QStringList>

// The width of `text` in half-width characters: a Chinese, Japanese or Korean
// character, or a full-width form, takes two; any other one.
int display_width(const QString &text);

// 4, 2 or 1 for options written as `options` ("A．甲", with their letters) on
// a line `line_width` half-width characters wide. An option must leave a
// full-width character of its column free, so that the next one stands apart.
int options_per_line(const QStringList &options, int line_width);
