// The writer of the two paper files, for the open paper and for a paper that
// is not open.

#include "paper/paper_writer.h"

#include "paper/paper_encoding.h"

#include <QTextCodec>
#include <QtAlgorithms>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

const char kLineEnd[] = "\r\n";

void append_line_end(QByteArray &output)
{
    output.append(kLineEnd, 2);
}

void append_int(QByteArray &output, int value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    output.append(buffer, int(result.ptr - buffer));
}

// The text of printf's "%g": six significant digits, no trailing zeros and "."
// whatever the C++ or C locale says; to_chars never consults a locale.
void append_score(QByteArray &output, double value)
{
    char buffer[32];
    // Every score the spin boxes give is whole hundredths from 0 to 10000:
    // at most six significant digits, which "%g" writes as they are, without
    // trailing zeros. Written from the integer, they cost a tenth as much.
    const double hundredths = std::round(value * 100);
    if (!std::signbit(value) && value <= 10000 && hundredths / 100 == value) {
        const int cents = int(hundredths);
        auto result = std::to_chars(buffer, buffer + sizeof buffer, cents / 100);
        if (cents % 100 != 0) {
            *result.ptr++ = '.';
            *result.ptr++ = char('0' + cents % 100 / 10);
            if (cents % 10 != 0)
                *result.ptr++ = char('0' + cents % 10);
        }
        output.append(buffer, int(result.ptr - buffer));
        return;
    }
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    output.append(buffer, int(result.ptr - buffer));
}

// Appends the bytes of a text with each LF widened to CR LF. Every other
// byte, a lone CR included, goes out unchanged, so that the reader, which
// drops only a CR standing before an LF, gives back exactly this text.
void append_widening_line_breaks(QByteArray &output, const char *begin, const char *end)
{
    while (begin < end) {
        const auto *lf = static_cast<const char *>(std::memchr(begin, '\n', size_t(end - begin)));
        if (!lf) {
            output.append(begin, int(end - begin));
            break;
        }
        output.append(begin, int(lf - begin));
        append_line_end(output);
        begin = lf + 1;
    }
}

// A lone surrogate, quickly: most texts hold no surrogate at all.
bool has_lone_surrogate(const QString &text)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.constData());
    const auto *const end = units + text.size();
#if defined(__SSE2__)
    for (; end - units >= 8; units += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units));
        const __m128i surrogate = _mm_cmpeq_epi16(
            _mm_and_si128(eight, _mm_set1_epi16(short(0xF800))), _mm_set1_epi16(short(0xD800)));
        if (_mm_movemask_epi8(surrogate))
            return !QStringView(text).isValidUtf16();
    }
#endif
    for (; units != end; ++units) {
        if ((*units & 0xF800) == 0xD800)
            return !QStringView(text).isValidUtf16();
    }
    return false;
}

// A text field in UTF-8: "@", the text cut at a NUL with each LF as CR LF,
// "$". False when the files cannot carry the text: it holds a "$" or a lone
// surrogate, or takes kMaxTextBytes bytes or more. The toolkit's encoder is
// the fastest there is, and writes a lone surrogate as "?": only a text whose
// bytes hold a "?" needs a look for one.
bool append_utf8_field(QByteArray &output, const QString &text)
{
    const QByteArray local = text.toUtf8();
    const int length = written_length(local);
    const char *const bytes = local.constData();
    const bool writable = !std::memchr(bytes, '$', size_t(length)) && length < kMaxTextBytes &&
                          (!std::memchr(bytes, '?', size_t(length)) || !has_lone_surrogate(text));
    output.append('@');
    append_widening_line_breaks(output, bytes, bytes + length);
    output.append('$');
    return writable;
}

// A text field in a legacy encoding, through its codec; checked only when
// `check` is set.
bool append_legacy_field(QByteArray &output, const QString &text, const QTextCodec *codec,
                         bool check)
{
    const QByteArray local = encode_paper_text(text, codec);
    const int length = written_length(local);
    const bool writable =
        !check || (!std::memchr(local.constData(), '$', size_t(length)) && length < kMaxTextBytes &&
                   first_unwritable_character(text, local, codec) < 0);
    output.append('@');
    append_widening_line_breaks(output, local.constData(), local.constData() + length);
    output.append('$');
    return writable;
}

// How the writers put a text field ("@…$") into the files: in the paper's
// encoding, each checked that the files can carry it.
struct PaperFieldWriter {
    explicit PaperFieldWriter(const QTextCodec *codec) : codec(codec), utf8(is_utf8_codec(codec)) {}

    bool append_field(QByteArray &output, const QString &text) const
    {
        return utf8 ? append_utf8_field(output, text)
                    : append_legacy_field(output, text, codec, true);
    }

    const QTextCodec *codec;
    bool utf8;
};

// An upper bound for the common case, so that one allocation usually holds the
// whole file; UTF-8 takes at most three bytes per UTF-16 unit.
int estimated_bytes(int records, qsizetype text_units)
{
    const qint64 estimate = qint64(records) * 48 + qint64(text_units) * 3 + 32;
    return int(std::min<qint64>(estimate, 256 * 1024 * 1024));
}

// The questions a writer writes: the open paper's records 1 to count, or the
// questions of a paper that is not open.
struct PaperView {
    const ChoiceQuestion *onech;
    int onech_count;
    const ChoiceQuestion *somech;
    int somech_count;
    const UnchQuestion *unch;
    int unch_count;
};

PaperView open_paper_view()
{
    return {onech_table + 1, onech_count,    somech_table + 1,
            somech_count,    unch_table + 1, unch_count};
}

PaperView view_of(const PaperData &paper)
{
    return {paper.onech.data(),       int(paper.onech.size()), paper.somech.data(),
            int(paper.somech.size()), paper.unch.data(),       int(paper.unch.size())};
}

int record_count(const PaperView &paper)
{
    return paper.onech_count + paper.somech_count + paper.unch_count;
}

// The writers stop at the first text the files cannot carry, when they check.
bool write_problem(QByteArray &output, const PaperView &paper, const PaperFieldWriter &writer)
{
    qsizetype units = 0;
    for (int k = 0; k < paper.onech_count; ++k)
        units += paper.onech[k].problem.size();
    for (int k = 0; k < paper.somech_count; ++k)
        units += paper.somech[k].problem.size();
    for (int k = 0; k < paper.unch_count; ++k)
        units += paper.unch[k].problem.size();
    output.reserve(output.size() + estimated_bytes(record_count(paper), units));

    append_int(output, paper.onech_count);
    output.append(' ');
    append_int(output, paper.somech_count);
    output.append(' ');
    append_int(output, paper.unch_count);
    append_line_end(output);
    for (int k = 0; k < paper.onech_count; ++k) {
        append_score(output, paper.onech[k].score);
        append_line_end(output);
        if (!writer.append_field(output, paper.onech[k].problem))
            return false;
        append_line_end(output);
    }
    for (int k = 0; k < paper.somech_count; ++k) {
        append_score(output, paper.somech[k].score);
        output.append(' ');
        append_score(output, paper.somech[k].partial_score);
        append_line_end(output);
        if (!writer.append_field(output, paper.somech[k].problem))
            return false;
        append_line_end(output);
    }
    for (int k = 0; k < paper.unch_count; ++k) {
        append_score(output, paper.unch[k].score);
        append_line_end(output);
        if (!writer.append_field(output, paper.unch[k].problem))
            return false;
        append_line_end(output);
    }
    return true;
}

bool write_answer(QByteArray &output, const PaperView &paper, const PaperFieldWriter &writer)
{
    qsizetype units = 0;
    for (int k = 0; k < paper.unch_count; ++k)
        units += paper.unch[k].answer.size();
    output.reserve(output.size() + estimated_bytes(record_count(paper), units));

    for (int k = 0; k < paper.onech_count; ++k) {
        append_int(output, paper.onech[k].answer);
        append_line_end(output);
    }
    for (int k = 0; k < paper.somech_count; ++k) {
        append_int(output, paper.somech[k].answer);
        append_line_end(output);
    }
    for (int k = 0; k < paper.unch_count; ++k) {
        if (!writer.append_field(output, paper.unch[k].answer))
            return false;
        append_line_end(output);
    }
    return true;
}

} // namespace

bool write_paper_checked(QByteArray &problem, QByteArray &answer)
{
    const PaperFieldWriter writer(paper_file_codec());
    return write_problem(problem, open_paper_view(), writer) &&
           write_answer(answer, open_paper_view(), writer);
}

bool write_paper_data(const PaperData &paper, QByteArray &problem, QByteArray &answer)
{
    const PaperFieldWriter writer(paper_data_codec(paper));
    return write_problem(problem, view_of(paper), writer) &&
           write_answer(answer, view_of(paper), writer);
}
