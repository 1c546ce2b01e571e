#include "exchange/option_layout.h"

#include "paper/paper_model.h"

#include <algorithm>
#include <vector>

namespace
{

bool is_marker_stop(QChar c)
{
    return c == QLatin1Char('.') || c == QChar(0xFF0E) /* ． */ || c == QChar(0x3001) /* 、 */ ||
           c == QLatin1Char(')') || c == QChar(0xFF09) /* ） */;
}

struct Marker {
    int letter; // 0 for A
    int begin;  // index of the letter
    int end;    // index after the stop
};

// Only a letter that opens the text, or follows white space, can be a marker:
// the "A." of "Dr.A. Smith" or "U.S.A." opens nothing.
std::vector<Marker> find_markers(const QString &text)
{
    std::vector<Marker> markers;
    for (int i = 0; i + 1 < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'A' || c > u'A' + kOptionCount - 1 || !is_marker_stop(text[i + 1]))
            continue;
        if (i == 0 || text[i - 1].isSpace())
            markers.push_back({int(c - u'A'), i, i + 2});
    }
    return markers;
}

// An option letter standing alone: no Latin letter on either side. Chinese
// characters around it do not make it part of a word ("选B").
bool is_latin_letter(QChar c)
{
    return c.isLetter() && c.script() == QChar::Script_Latin;
}

} // namespace

std::optional<LaidOutOptions> find_laid_out_options(const QString &problem)
{
    const std::vector<Marker> markers = find_markers(problem);
    // The options are a run of markers A, B, C... that takes every marker up
    // to the end; an "A." earlier in the stem ("Vitamin A. Which...") only
    // starts a run that breaks.
    for (size_t start = 0; start < markers.size(); ++start) {
        if (markers[start].letter != 0)
            continue;
        size_t next = start + 1;
        while (next < markers.size() && markers[next].letter == markers[next - 1].letter + 1)
            ++next;
        if (next != markers.size() || next - start < 2)
            continue;
        LaidOutOptions laid_out;
        const Marker &first = markers[start];
        laid_out.stem = problem.left(first.begin);
        int stem_end = laid_out.stem.size();
        while (stem_end > 0 && laid_out.stem[stem_end - 1].isSpace())
            --stem_end;
        laid_out.stem.truncate(stem_end);
        for (size_t k = start; k < markers.size(); ++k) {
            const int end = k + 1 < markers.size() ? markers[k + 1].begin : problem.size();
            laid_out.options.append(problem.mid(markers[k].end, end - markers[k].end).trimmed());
        }
        return laid_out;
    }
    return std::nullopt;
}

// The rule, for texts that name their options without laying them out (a
// table, a figure, "A 甲 B 乙"): the options run from A to the highest letter
// that either stands alone in the text or is part of the answer. A letter
// stands alone when it is an upper-case A to F with no Latin letter directly
// before or after it, so "Vitamin C" counts C but "Cat" or "ABC" do not. There
// are always at least two options, A and B.
QString option_letters_used(const QString &problem, int answer_mask)
{
    int highest = std::max(1, highest_option(answer_mask));
    for (int i = 0; i < problem.size(); ++i) {
        const char16_t c = problem[i].unicode();
        if (c < u'A' || c > u'A' + kOptionCount - 1 || int(c - u'A') <= highest)
            continue;
        if ((i > 0 && is_latin_letter(problem[i - 1])) ||
            (i + 1 < problem.size() && is_latin_letter(problem[i + 1])))
            continue;
        highest = int(c - u'A');
    }
    QString letters;
    for (int letter = 0; letter <= highest; ++letter)
        letters.append(QChar(u'A' + letter));
    return letters;
}

QString option_letters(int mask)
{
    QString letters;
    for (int i = 0; i < kOptionCount; ++i) {
        if (mask & (1 << i))
            letters.append(QChar(u'A' + i));
    }
    return letters;
}

QString lay_out_options(const QString &stem, const QStringList &options)
{
    QString text = stem;
    for (int i = 0; i < options.size(); ++i) {
        if (!text.isEmpty())
            text.append(QLatin1Char('\n'));
        text.append(QChar(u'A' + i) + QStringLiteral(". ") + options[i]);
    }
    return text;
}
