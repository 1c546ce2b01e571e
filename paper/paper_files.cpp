#include "paper/paper_files.h"

#include "paper/paper_encoding.h"

#include <QTextCodec>
#include <QtAlgorithms>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

// ---------------------------------------------------------------------------
// Writing

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

// The bytes a text takes in the file before its line breaks are widened: the
// paper's encoding, cut at the first NUL, since other readers of paper files
// hold texts as C strings.
int written_length(const QByteArray &local)
{
    const void *nul = std::memchr(local.constData(), '\0', size_t(local.size()));
    return nul ? int(static_cast<const char *>(nul) - local.constData()) : local.size();
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

// How the writers put texts into the files: in which encoding, and whether
// they check that the files can carry each.
struct TextWriter {
    TextWriter(bool check, const QTextCodec *codec)
        : codec(codec), utf8(is_utf8_codec(codec)), check(check)
    {
    }

    bool append_field(QByteArray &output, const QString &text) const
    {
        return utf8 ? append_utf8_field(output, text) || !check
                    : append_legacy_field(output, text, codec, check);
    }

    const QTextCodec *codec;
    bool utf8;
    bool check;
};

// An upper bound for the common case, so that one allocation usually holds the
// whole file; UTF-8 takes at most three bytes per UTF-16 unit.
int estimated_bytes(int records, qsizetype text_units)
{
    const qint64 estimate = qint64(records) * 48 + qint64(text_units) * 3 + 32;
    return int(std::min<qint64>(estimate, 256 * 1024 * 1024));
}

// ---------------------------------------------------------------------------
// Reading

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What the reader was looking for when it failed; turned into words only then,
// so that a paper of 30000 questions builds no message at all.
enum class Field { Count, Score, FullScore, PartialScore, Problem, AnswerText, Answer };

struct Item {
    QuestionKind kind;
    int number; // from 1; unused for a count
    Field field;
};

QString describe_item(const Item &item)
{
    if (item.field == Field::Count)
        return kind_name(item.kind) + QStringLiteral("数量");
    QString field;
    switch (item.field) {
    case Field::Score:
        field = QStringLiteral("分数");
        break;
    case Field::FullScore:
        field = QStringLiteral("全对分数");
        break;
    case Field::PartialScore:
        field = QStringLiteral("少选分数");
        break;
    case Field::Problem:
        field = QStringLiteral("题面文字");
        break;
    case Field::AnswerText:
        field = QStringLiteral("答案文字");
        break;
    case Field::Answer:
    case Field::Count:
        field = QStringLiteral("答案");
        break;
    }
    return QStringLiteral("第 %1 道%2的%3")
        .arg(QString::number(item.number), kind_name(item.kind), field);
}

// Widens the eight bytes at `in` to `out` and tells how many of them, from the
// first, are ASCII other than CR and so are done.
int widen_plain_ascii(const unsigned char *in, char16_t *out)
{
    std::uint64_t word;
    std::memcpy(&word, in, 8);
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out),
                     _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
#else
    for (int i = 0; i < 8; ++i)
        out[i] = char16_t(in[i]);
#endif
    const std::uint64_t high = 0x8080808080808080ULL;
    const std::uint64_t not_cr = word ^ 0x0D0D0D0D0D0D0D0DULL;
    // The high bit of each byte that is not ASCII or is a CR. The borrow from
    // a CR may mark the next more significant byte too: the count below then
    // stops early at worst, and the caller takes that byte the slow way.
    const std::uint64_t stops = (word & high) | ((not_cr - 0x0101010101010101ULL) & ~not_cr & high);
    if (!stops)
        return 8;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    return int(qCountTrailingZeroBits(stops) / 8);
#else
    return int(qCountLeadingZeroBits(stops) / 8);
#endif
}

// Most papers are UTF-8. Such a text is decoded here in one pass straight to
// its final size, where the codec would allocate one unit per byte and need
// another copy to shrink. Gives up on anything that is not strict UTF-8 (an
// invalid, overlong or surrogate sequence), which no UTF-8 writer produces.
// Sets `non_ascii` when the text holds a byte above 0x7F.
bool decode_utf8_text(const char *first, const char *last, std::vector<char16_t> &scratch,
                      QString &text, bool &non_ascii)
{
    const auto *p = reinterpret_cast<const unsigned char *>(first);
    const auto *const end = reinterpret_cast<const unsigned char *>(last);
    // A text never has more UTF-16 units than bytes; the ASCII path may write
    // up to eight units past the last one it keeps.
    if (scratch.size() < size_t(end - p) + 8)
        scratch.resize(size_t(end - p) + 8);
    char16_t *out = scratch.data();
    while (p != end) {
        const unsigned lead = *p;
        if (lead < 0x80) {
            if (end - p >= 8) {
                const int plain = widen_plain_ascii(p, out);
                p += plain;
                out += plain;
                if (plain)
                    continue;
            }
            // CR LF becomes LF; a CR elsewhere belongs to the text.
            if (lead != '\r' || p + 1 == end || p[1] != '\n')
                *out++ = char16_t(lead);
            ++p;
            continue;
        }
        non_ascii = true;
        if ((lead & 0xF0) == 0xE0 && end - p >= 3) {
            const unsigned c1 = p[1], c2 = p[2];
            const unsigned code = ((lead & 0x0F) << 12) | ((c1 & 0x3F) << 6) | (c2 & 0x3F);
            // Not a continuation, overlong or a surrogate.
            if (((c1 & 0xC0) != 0x80) | ((c2 & 0xC0) != 0x80) | (code < 0x800) |
                ((code & 0xF800) == 0xD800))
                return false;
            *out++ = char16_t(code);
            p += 3;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF && end - p >= 2) {
            const unsigned c1 = p[1];
            if ((c1 & 0xC0) != 0x80)
                return false;
            *out++ = char16_t(((lead & 0x1F) << 6) | (c1 & 0x3F));
            p += 2;
            continue;
        }
        if (lead >= 0xF0 && lead <= 0xF4 && end - p >= 4) {
            const unsigned c1 = p[1], c2 = p[2], c3 = p[3];
            if (((c1 & 0xC0) != 0x80) | ((c2 & 0xC0) != 0x80) | ((c3 & 0xC0) != 0x80))
                return false;
            const char32_t code =
                ((lead & 0x07) << 18) | ((c1 & 0x3F) << 12) | ((c2 & 0x3F) << 6) | (c3 & 0x3F);
            // Overlong or beyond U+10FFFF.
            if (code < 0x10000 || code > 0x10FFFF)
                return false;
            *out++ = char16_t(0xD800 + ((code - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
            p += 4;
            continue;
        }
        return false;
    }
    text = QString(reinterpret_cast<const QChar *>(scratch.data()), int(out - scratch.data()));
    return true;
}

// What reading a pair as UTF-8 found out about its bytes.
struct Utf8Probe {
    bool non_ascii = false; // some byte is above 0x7F
    bool invalid = false;   // some byte sequence is not UTF-8
};

class FileReader
{
  public:
    // With a probe, a UTF-8 reader also checks the bytes it skips, so that
    // after a whole file the probe knows whether every byte was UTF-8.
    FileReader(const QByteArray &input, const char *file_name, const QTextCodec *codec,
               QString *error, Utf8Probe *probe = nullptr)
        : pos_(input.constData()), end_(input.constData() + input.size()), file_name_(file_name),
          error_(error), codec_(codec), utf8_(is_utf8_codec(codec)),
          probe_(utf8_ ? probe : nullptr), legacy_(codec)
    {
    }

    ~FileReader()
    {
        if (probe_) {
            probe_->non_ascii |= non_ascii_;
            probe_->invalid |= invalid_utf8_;
        }
    }

    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    // Numbers and white space are ASCII, so the bytes skipped before each
    // "@" and those after the last item are all a probe has not seen.
    void probe_rest() { probe_skipped(pos_, end_); }

    // How many bytes the items read so far took, up to the last one's end.
    qsizetype consumed(const QByteArray &input) const
    {
        return qsizetype(pos_ - input.constData());
    }

    bool read_count(QuestionKind kind, int &count)
    {
        const Item item{kind, 0, Field::Count};
        long long value = 0;
        if (!read_number(item, value))
            return false;
        if (value < 0 || value > kMaxQuestions)
            return fail(QStringLiteral("%1应在 0 到 %2 之间，实际为 %3")
                            .arg(describe_item(item), QString::number(kMaxQuestions),
                                 QString::number(value)));
        count = int(value);
        return true;
    }

    bool read_score(const Item &item, double &score)
    {
        const char *const start = pos_;
        double value = 0.0;
        if (!read_number(item, value))
            return false;
        if (!std::isfinite(value)) {
            pos_ = start;
            skip_space();
            return fail_bad_number(item);
        }
        score = value;
        return true;
    }

    bool read_answer(const Item &item, OptionMask &answer) { return read_number(item, answer); }

    // Everything before the first "@" is ignored, line breaks and stray words
    // included; the text runs to the next "$", so an "@" inside it is kept.
    bool read_text(const Item &item, QString &text)
    {
        const auto *at = static_cast<const char *>(std::memchr(pos_, '@', size_t(end_ - pos_)));
        if (!at)
            return fail(describe_item(item) + QStringLiteral("缺少开头的“@”（文件提前结束）"));
        const char *const begin = at + 1;
        const auto *dollar =
            static_cast<const char *>(std::memchr(begin, '$', size_t(end_ - begin)));
        if (!dollar)
            return fail(describe_item(item) + QStringLiteral("缺少结尾的“$”（文件提前结束）"));
        probe_skipped(pos_, at);
        if (!decode_text(at, dollar, text))
            return fail(describe_item(item) +
                        QStringLiteral("所用的文字编码无法识别（既不是 UTF-8，也不是 %1），"
                                       "本程序无法原样读出它")
                            .arg(QString::fromLatin1(legacy_paper_codec()->name())));
        pos_ = dollar + 1;
        return true;
    }

  private:
    void probe_skipped(const char *begin, const char *end)
    {
        if (probe_ && begin != end && !is_valid_utf8(begin, end - begin, non_ascii_))
            invalid_utf8_ = true;
    }

    void skip_space()
    {
        while (pos_ != end_ && is_space(*pos_))
            ++pos_;
    }

    // Like formatted stream extraction: leading white space skipped, an
    // optional sign, then as much of a number as fits; what follows stays for
    // the next item.
    template <typename T> bool read_number(const Item &item, T &value)
    {
        skip_space();
        if (pos_ == end_)
            return fail(describe_item(item) + QStringLiteral("处应为一个数字（文件提前结束）"));
        const char *digits = pos_;
        // from_chars takes a "-" but not a "+", which streams accept.
        if (*digits == '+') {
            ++digits;
            if (digits == end_ || *digits == '-')
                return fail_bad_number(item);
        }
        std::from_chars_result result;
        if constexpr (std::is_floating_point_v<T>)
            result = std::from_chars(digits, end_, value, std::chars_format::general);
        else
            result = std::from_chars(digits, end_, value);
        if (result.ec != std::errc())
            return fail_bad_number(item);
        pos_ = result.ptr;
        return true;
    }

    bool fail_bad_number(const Item &item)
    {
        // Quote what stands there, up to the next white space and not too much of it.
        const int kShown = 20;
        const char *stop = pos_;
        while (stop != end_ && !is_space(*stop) && stop - pos_ < kShown)
            ++stop;
        // From an "@", so that the codec keeps a byte-order mark to be named.
        const QByteArray quoted = "@" + QByteArray(pos_, int(stop - pos_));
        QString found = visible(codec_->toUnicode(quoted).mid(1));
        if (stop != end_ && !is_space(*stop))
            found += QStringLiteral("…");
        return fail(describe_item(item) + QStringLiteral("处应为一个数字，实际为“%1”").arg(found));
    }

    // What a message quotes from a file: characters that cannot be seen (a
    // byte-order mark, NUL, other control and format characters) are named.
    static QString visible(const QString &quoted)
    {
        QString shown;
        for (const QChar c : quoted) {
            const QChar::Category category = c.category();
            if (category == QChar::Other_Control || category == QChar::Other_Format ||
                category == QChar::Separator_Line || category == QChar::Separator_Paragraph)
                shown += QLatin1Char('[') + code_point_label(QString(c)) + QLatin1Char(']');
            else
                shown += c;
        }
        return shown;
    }

    // `at` is the field's "@", `end` its "$". False when the bytes are not a
    // text in the paper's encoding: decoding them and encoding the result
    // again would not give the same bytes, so the text could be neither shown
    // as written nor saved back unchanged.
    bool decode_text(const char *at, const char *end, QString &text)
    {
        if (utf8_) {
            if (decode_utf8_text(at + 1, end, scratch_, text, non_ascii_))
                return true;
            invalid_utf8_ = true;
            return false;
        }
        // A codec drops a byte-order mark at the start of its input, so a
        // text that begins with U+FEFF would lose it. Decoding from the "@",
        // a one-byte character in every ASCII-based encoding, keeps it.
        const int length = int(end - at);
        if (is_ascii(at, length))
            text = QString::fromLatin1(at, length);
        else if (!legacy_.decode_exactly(at, length, text))
            return false;
        text.remove(0, 1);
        // CR and LF bytes are never part of a longer character, so dropping
        // the CRs after decoding is the same as before, and cheaper.
        if (std::memchr(at, '\r', size_t(end - at)))
            drop_cr_before_lf(text);
        // The codec allocates one UTF-16 unit per byte; a Chinese text needs a
        // third of that, and a loaded paper would hold about twice its size.
        if (text.capacity() - text.size() > text.size() / 4 + 8)
            text.squeeze();
        return true;
    }

    static bool is_ascii(const char *bytes, int length)
    {
        bool non_ascii = false;
        return is_valid_utf8(bytes, length, non_ascii) && !non_ascii;
    }

    // CR LF becomes LF; a CR elsewhere belongs to the text.
    static void drop_cr_before_lf(QString &text)
    {
        QChar *const data = text.data();
        const int size = text.size();
        int kept = 0;
        for (int i = 0; i < size; ++i) {
            if (data[i] == QLatin1Char('\r') && i + 1 < size && data[i + 1] == QLatin1Char('\n'))
                continue;
            data[kept++] = data[i];
        }
        text.truncate(kept);
    }

    bool fail(const QString &detail)
    {
        if (error_)
            *error_ = QStringLiteral("试卷文件 %1 有误：%2。")
                          .arg(QString::fromLatin1(file_name_), detail);
        return false;
    }

    const char *pos_;
    const char *const end_;
    const char *const file_name_;
    QString *const error_;
    const QTextCodec *const codec_;
    const bool utf8_;
    Utf8Probe *const probe_;
    bool non_ascii_ = false;
    bool invalid_utf8_ = false;
    LegacyTextDecoder legacy_;
    std::vector<char16_t> scratch_;
};

struct Unwritable {
    UnwritableText::Reason reason;
    QString character; // for Reason::NotInEncoding
};

std::optional<Unwritable> unwritable_reason(const QString &text, const QTextCodec *codec)
{
    const QByteArray local = encode_paper_text(text, codec);
    const int length = written_length(local);
    if (std::memchr(local.constData(), '$', size_t(length)))
        return Unwritable{UnwritableText::Reason::DollarSign, {}};
    const int bad = first_unwritable_character(text, local, codec);
    if (bad >= 0) {
        const bool pair =
            text[bad].isHighSurrogate() && bad + 1 < text.size() && text[bad + 1].isLowSurrogate();
        return Unwritable{UnwritableText::Reason::NotInEncoding, text.mid(bad, pair ? 2 : 1)};
    }
    if (length >= kMaxTextBytes)
        return Unwritable{UnwritableText::Reason::TooLong, {}};
    return std::nullopt;
}

} // namespace

namespace
{

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
bool write_problem(QByteArray &output, const PaperView &paper, const TextWriter &writer)
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

bool write_answer(QByteArray &output, const PaperView &paper, const TextWriter &writer)
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

const QTextCodec *codec_of(const PaperData &paper)
{
    return paper.codec ? paper.codec : QTextCodec::codecForLocale();
}

} // namespace

void write_problem_file(QByteArray &output)
{
    write_problem(output, open_paper_view(), TextWriter(false, paper_file_codec()));
}

void write_answer_file(QByteArray &output)
{
    write_answer(output, open_paper_view(), TextWriter(false, paper_file_codec()));
}

bool write_paper_checked(QByteArray &problem, QByteArray &answer)
{
    const TextWriter writer(true, paper_file_codec());
    return write_problem(problem, open_paper_view(), writer) &&
           write_answer(answer, open_paper_view(), writer);
}

bool write_paper_data(const PaperData &paper, QByteArray &problem, QByteArray &answer)
{
    const TextWriter writer(true, codec_of(paper));
    return write_problem(problem, view_of(paper), writer) &&
           write_answer(answer, view_of(paper), writer);
}

namespace
{

bool parse_problem_file(const QByteArray &input, PaperData &paper, QString *error, Utf8Probe *probe,
                        qsizetype *end)
{
    FileReader reader(input, "problem.prb", codec_of(paper), error, probe);
    int onech = 0, somech = 0, unch = 0;
    if (!reader.read_count(QuestionKind::SingleChoice, onech) ||
        !reader.read_count(QuestionKind::MultipleChoice, somech) ||
        !reader.read_count(QuestionKind::FreeAnswer, unch))
        return false;
    paper.onech.assign(size_t(onech), ChoiceQuestion());
    paper.somech.assign(size_t(somech), ChoiceQuestion());
    paper.unch.assign(size_t(unch), UnchQuestion());

    for (int k = 1; k <= onech; ++k) {
        ChoiceQuestion &question = paper.onech[size_t(k - 1)];
        const QuestionKind kind = QuestionKind::SingleChoice;
        if (!reader.read_score({kind, k, Field::Score}, question.score) ||
            !reader.read_text({kind, k, Field::Problem}, question.problem))
            return false;
    }
    for (int k = 1; k <= somech; ++k) {
        ChoiceQuestion &question = paper.somech[size_t(k - 1)];
        const QuestionKind kind = QuestionKind::MultipleChoice;
        if (!reader.read_score({kind, k, Field::FullScore}, question.score) ||
            !reader.read_score({kind, k, Field::PartialScore}, question.partial_score) ||
            !reader.read_text({kind, k, Field::Problem}, question.problem))
            return false;
    }
    for (int k = 1; k <= unch; ++k) {
        UnchQuestion &question = paper.unch[size_t(k - 1)];
        const QuestionKind kind = QuestionKind::FreeAnswer;
        if (!reader.read_score({kind, k, Field::Score}, question.score) ||
            !reader.read_text({kind, k, Field::Problem}, question.problem))
            return false;
    }
    reader.probe_rest();
    if (end)
        *end = reader.consumed(input);
    return true;
}

bool parse_answer_file(const QByteArray &input, PaperData &paper, QString *error, Utf8Probe *probe,
                       qsizetype *end)
{
    FileReader reader(input, "answer.ans", codec_of(paper), error, probe);
    int k = 0;
    for (ChoiceQuestion &question : paper.onech) {
        if (!reader.read_answer({QuestionKind::SingleChoice, ++k, Field::Answer}, question.answer))
            return false;
    }
    k = 0;
    for (ChoiceQuestion &question : paper.somech) {
        if (!reader.read_answer({QuestionKind::MultipleChoice, ++k, Field::Answer},
                                question.answer))
            return false;
    }
    k = 0;
    for (UnchQuestion &question : paper.unch) {
        if (!reader.read_text({QuestionKind::FreeAnswer, ++k, Field::AnswerText}, question.answer))
            return false;
    }
    reader.probe_rest();
    if (end)
        *end = reader.consumed(input);
    return true;
}

bool parse_pair(const QByteArray &problem, const QByteArray &answer, PaperData &paper,
                QString *error, Utf8Probe *probe, PaperExtent *extent)
{
    return parse_problem_file(problem, paper, error, probe,
                              extent ? &extent->problem_end : nullptr) &&
           parse_answer_file(answer, paper, error, probe, extent ? &extent->answer_end : nullptr);
}

} // namespace

bool read_problem_file(const QByteArray &input, PaperData &paper, QString *error)
{
    return parse_problem_file(input, paper, error, nullptr, nullptr);
}

bool read_answer_file(const QByteArray &input, PaperData &paper, QString *error)
{
    return parse_answer_file(input, paper, error, nullptr, nullptr);
}

// Moves the staged paper into the model; the staging copy is dropped anyway.
void adopt_paper_data(PaperData &paper)
{
    paper_codec = paper.codec;
    onech_count = int(paper.onech.size());
    somech_count = int(paper.somech.size());
    unch_count = int(paper.unch.size());
    for (int k = 1; k <= onech_count; ++k) {
        ChoiceQuestion &from = paper.onech[size_t(k - 1)];
        ChoiceQuestion &to = onech_table[k];
        // A single-choice record's partial score is not in the files; it keeps its value.
        to.score = from.score;
        to.answer = from.answer;
        to.problem.swap(from.problem);
    }
    for (int k = 1; k <= somech_count; ++k) {
        ChoiceQuestion &from = paper.somech[size_t(k - 1)];
        ChoiceQuestion &to = somech_table[k];
        to.score = from.score;
        to.partial_score = from.partial_score;
        to.answer = from.answer;
        to.problem.swap(from.problem);
    }
    for (int k = 1; k <= unch_count; ++k) {
        UnchQuestion &from = paper.unch[size_t(k - 1)];
        UnchQuestion &to = unch_table[k];
        to.score = from.score;
        to.problem.swap(from.problem);
        to.answer.swap(from.answer);
    }
}

namespace
{

QString encoding_label(FileEncoding encoding)
{
    switch (encoding) {
    case FileEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case FileEncoding::Utf16:
        return QStringLiteral("UTF-16");
    case FileEncoding::Utf32:
        return QStringLiteral("UTF-32");
    default:
        return paper_encoding_name(legacy_paper_codec());
    }
}

bool is_wide(FileEncoding encoding)
{
    return encoding == FileEncoding::Utf16 || encoding == FileEncoding::Utf32;
}

// A file in a 16- or 32-bit encoding, which no part of the reader can read.
std::optional<QString> wide_file_refusal(const FileEncodingGuess &problem,
                                         const FileEncodingGuess &answer)
{
    const std::pair<const char *, FileEncoding> files[] = {{"problem.prb", problem.encoding},
                                                           {"answer.ans", answer.encoding}};
    for (const auto &[name, encoding] : files) {
        if (!is_wide(encoding))
            continue;
        const QString notepad = encoding == FileEncoding::Utf16
                                    ? QStringLiteral("（Windows 记事本所说的“Unicode”）")
                                    : QString();
        return QStringLiteral("试卷文件 %1 是 %2 编码的文本%3，qv_make 读不了这种编码。"
                              "请用记事本或其他文本编辑器打开它，另存为 ANSI（GBK）或 UTF-8 "
                              "编码，然后再打开这份试卷。")
            .arg(QLatin1String(name), encoding_label(encoding), notepad);
    }
    return std::nullopt;
}

// A pair whose files were not saved together: one is UTF-8, the other not.
std::optional<QString> mixed_pair_refusal(const FileEncodingGuess &problem,
                                          const FileEncodingGuess &answer)
{
    const bool mixed =
        (problem.encoding == FileEncoding::Utf8 && answer.encoding == FileEncoding::Legacy) ||
        (problem.encoding == FileEncoding::Legacy && answer.encoding == FileEncoding::Utf8);
    if (!mixed)
        return std::nullopt;
    return QStringLiteral("试卷的两个文件编码不同：problem.prb 是 %1，answer.ans 是 %2。"
                          "一份试卷的两个文件是一起保存的，编码相同；请确认它们属于同一份"
                          "试卷，并把其中一个另存为与另一个相同的编码。")
        .arg(encoding_label(problem.encoding), encoding_label(answer.encoding));
}

// The file without the UTF-8 byte-order mark an editor put before it; what
// this program writes has none, so the other programs of the system, which
// read the counts first, read it.
QByteArray without_bom(const QByteArray &bytes, const FileEncodingGuess &guess)
{
    if (!guess.utf8_bom)
        return bytes;
    return QByteArray::fromRawData(bytes.constData() + kUtf8BomSize, bytes.size() - kUtf8BomSize);
}

// The files as they are on disk, with what their first bytes said.
bool read_pair_by_encoding(const QByteArray &problem_file, const QByteArray &answer_file,
                           FileEncodingGuess problem_guess, FileEncodingGuess answer_guess,
                           PaperData &paper, QString *error, PaperExtent *extent)
{
    const bool marked_utf8 = problem_guess.utf8_bom || answer_guess.utf8_bom;
    const QByteArray problem = without_bom(problem_file, problem_guess);
    const QByteArray answer = without_bom(answer_file, answer_guess);
    // Most papers are UTF-8 or ASCII: read as UTF-8 first, which checks every
    // byte on the way, so that telling the encoding costs no pass of its own.
    PaperData first;
    first.codec = utf8_codec();
    Utf8Probe probe;
    QString probe_error;
    if (parse_pair(problem, answer, first, &probe_error, &probe, extent) && !probe.invalid) {
        if (!probe.non_ascii && !marked_utf8)
            first.codec = QTextCodec::codecForLocale();
        paper = std::move(first);
        return true;
    }
    // Some byte is not UTF-8: unless the other file is plainly UTF-8, the
    // pair is in the legacy encoding.
    if (probe.invalid) {
        guess_text_encoding(problem_file, problem_guess);
        guess_text_encoding(answer_file, answer_guess);
        if (const auto refusal = mixed_pair_refusal(problem_guess, answer_guess)) {
            if (error)
                *error = *refusal;
            return false;
        }
    }
    // Not UTF-8, or malformed: a malformed pair may hold bytes that are not
    // UTF-8 beyond the place it failed, and its message must quote it in its
    // own encoding.
    PaperData again;
    again.codec = probe.invalid ? legacy_paper_codec() : detect_paper_codec(problem, answer);
    if (!parse_pair(problem, answer, again, error, nullptr, extent))
        return false;
    paper = std::move(again);
    return true;
}

} // namespace

bool read_paper_data(const QByteArray &problem, const QByteArray &answer, PaperData &paper,
                     QString *error, PaperExtent *extent)
{
    FileEncodingGuess problem_guess = guess_file_marks(problem);
    FileEncodingGuess answer_guess = guess_file_marks(answer);
    if (const auto refusal = wide_file_refusal(problem_guess, answer_guess)) {
        if (error)
            *error = *refusal;
        return false;
    }
    if (!read_pair_by_encoding(problem, answer, problem_guess, answer_guess, paper, error, extent))
        return false;
    if (extent) {
        extent->problem_end += problem_guess.utf8_bom ? kUtf8BomSize : 0;
        extent->answer_end += answer_guess.utf8_bom ? kUtf8BomSize : 0;
    }
    return true;
}

bool read_paper(const QByteArray &problem, const QByteArray &answer, QString *error)
{
    PaperData paper;
    if (!read_paper_data(problem, answer, paper, error))
        return false;
    adopt_paper_data(paper);
    return true;
}

std::optional<UnwritableText> find_unwritable_text()
{
    const QTextCodec *const codec = paper_file_codec();
    const auto found = [codec](QuestionKind kind, int number, bool in_answer,
                               const Unwritable &why) {
        return UnwritableText{kind,       number,        in_answer,
                              why.reason, why.character, paper_encoding_name(codec)};
    };
    for (int k = 1; k <= onech_count; ++k) {
        if (const auto why = unwritable_reason(onech_table[k].problem, codec))
            return found(QuestionKind::SingleChoice, k, false, *why);
    }
    for (int k = 1; k <= somech_count; ++k) {
        if (const auto why = unwritable_reason(somech_table[k].problem, codec))
            return found(QuestionKind::MultipleChoice, k, false, *why);
    }
    for (int k = 1; k <= unch_count; ++k) {
        if (const auto why = unwritable_reason(unch_table[k].problem, codec))
            return found(QuestionKind::FreeAnswer, k, false, *why);
        if (const auto why = unwritable_reason(unch_table[k].answer, codec))
            return found(QuestionKind::FreeAnswer, k, true, *why);
    }
    return std::nullopt;
}

std::vector<UnwritableText> find_unwritable_texts(const PaperData &paper)
{
    const QTextCodec *const codec = codec_of(paper);
    std::vector<UnwritableText> found;
    const auto check = [&](QuestionKind kind, size_t index, bool in_answer, const QString &text) {
        if (const auto why = unwritable_reason(text, codec))
            found.push_back(UnwritableText{kind, int(index + 1), in_answer, why->reason,
                                           why->character, paper_encoding_name(codec)});
    };
    for (size_t i = 0; i < paper.onech.size(); ++i)
        check(QuestionKind::SingleChoice, i, false, paper.onech[i].problem);
    for (size_t i = 0; i < paper.somech.size(); ++i)
        check(QuestionKind::MultipleChoice, i, false, paper.somech[i].problem);
    for (size_t i = 0; i < paper.unch.size(); ++i) {
        check(QuestionKind::FreeAnswer, i, false, paper.unch[i].problem);
        check(QuestionKind::FreeAnswer, i, true, paper.unch[i].answer);
    }
    return found;
}

namespace
{

// A lone surrogate cannot be shown, nor a control character seen.
QString shown_character(const QString &character)
{
    if (character.size() == 1 &&
        (character[0].isSurrogate() || character[0].category() == QChar::Other_Control))
        return QStringLiteral("�");
    return character;
}

} // namespace

QString describe_unwritable_text(const UnwritableText &text)
{
    const QString where =
        QStringLiteral("第 %1 道%2的%3")
            .arg(QString::number(text.number), kind_name(text.kind),
                 text.in_answer ? QStringLiteral("答案") : QStringLiteral("题面"));
    switch (text.reason) {
    case UnwritableText::Reason::DollarSign:
        return where + QStringLiteral("中含有“$”，试卷文件无法保存这个字符。请删去它后再保存。");
    case UnwritableText::Reason::TooLong:
        return where + QStringLiteral("太长：试卷文件中的一段文字须少于 %1 "
                                      "字节（按试卷的文字编码 %2 计算）。请缩短它后再保存。")
                           .arg(QString::number(kMaxTextBytes), text.encoding);
    case UnwritableText::Reason::NotInEncoding:
        return where + QStringLiteral("中含有字符“%1”（%2），试卷的文字编码 %3 "
                                      "无法保存这个字符。请删去或换掉它后再保存。")
                           .arg(shown_character(text.character), code_point_label(text.character),
                                text.encoding);
    }
    return where;
}

// "U+20A9", or "U+1F600" for a surrogate pair.
QString code_point_label(const QString &character)
{
    uint code = character.isEmpty() ? 0u : character[0].unicode();
    if (character.size() == 2 && character[0].isHighSurrogate())
        code = QChar::surrogateToUcs4(character[0], character[1]);
    return QStringLiteral("U+") +
           QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}
