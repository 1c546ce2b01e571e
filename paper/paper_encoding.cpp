#include "paper/paper_encoding.h"

#include "paper/paper_model.h"

#include <QStringView>
#include <QTextCodec>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#ifdef Q_OS_WIN
#include "paper/windows_api.h"
#endif

namespace
{

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

const int kUtf8Mib = 106;
const int kGbkMib = 113;
const int kGb18030Mib = 114;
const int kGb2312Mib = 2025;

// Code page 936, what the programs on Chinese Windows read paper files with.
QTextCodec *gbk_codec()
{
    return QTextCodec::codecForMib(kGbkMib);
}

// On Chinese Windows the local encoding is the system's own code page 936,
// which the toolkit names "System" and gives no number.
bool is_chinese_windows_code_page(const QTextCodec *codec)
{
#ifdef Q_OS_WIN
    const UINT code_page = GetACP();
    return codec->mibEnum() == 0 && codec == QTextCodec::codecForLocale() &&
           (code_page == 936 || code_page == 54936);
#else
    Q_UNUSED(codec);
    return false;
#endif
}

// Encodings whose bytes for a character GBK has are GBK's own bytes, but for
// a few where they differ: the euro sign is 0x80 in code page 936 and A2E3 in
// GB18030, and neither reads the other's.
bool is_gb_family(const QTextCodec *codec)
{
    const int mib = codec->mibEnum();
    return mib == kGbkMib || mib == kGb18030Mib || mib == kGb2312Mib ||
           is_chinese_windows_code_page(codec);
}

bool is_ascii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Decodes with a leading "@", so that no codec takes a byte-order mark at the
// start for a header and drops it.
QString decode_whole(const QTextCodec *codec, const QByteArray &bytes)
{
    return codec->toUnicode(QByteArray("@") + bytes).mid(1);
}

// What the programs on Chinese Windows read `bytes` as. On Windows that is
// the system's own converter for code page 936: the toolkit's GBK table,
// built without ICU there, differs from it (it reads A2E3 as the euro sign).
QString read_as_code_page_936(const QByteArray &bytes, const QTextCodec *gbk)
{
#ifdef Q_OS_WIN
    Q_UNUSED(gbk);
    if (bytes.isEmpty())
        return QString();
    const int length = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.constData(),
                                           int(bytes.size()), nullptr, 0);
    if (length <= 0)
        return QStringLiteral("\uFFFD"); // no text in code page 936
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.constData(), int(bytes.size()),
                        reinterpret_cast<wchar_t *>(text.data()), length);
    return text;
#else
    return gbk->toUnicode(bytes);
#endif
}

bool is_writable(const QString &text, const QByteArray &encoded, const QTextCodec *codec)
{
    // UTF-8 carries every character; a lone surrogate is no character, and
    // the toolkit would write a "?" for it.
    if (is_utf8_codec(codec))
        return QStringView(text).isValidUtf16();
    if (is_ascii(text))
        return true;
    QTextCodec *gbk = gbk_codec();
    if (!gbk)
        return decode_whole(codec, encoded) == text;
    // GBK reads these very bytes back as the text: GBK has every character,
    // and the bytes are GBK's. Bytes of code page 936 must also read back
    // under GB18030, or the paper would not open on a Linux desktop.
    if (is_gb_family(codec)) {
        if (read_as_code_page_936(encoded, gbk) != text)
            return false;
        QTextCodec *gb18030 = QTextCodec::codecForMib(kGb18030Mib);
        return codec->mibEnum() == kGb18030Mib || !gb18030 || gb18030->toUnicode(encoded) == text;
    }
    return decode_whole(codec, encoded) == text && gbk->toUnicode(gbk->fromUnicode(text)) == text;
}

} // namespace

QTextCodec *utf8_codec()
{
    return QTextCodec::codecForMib(kUtf8Mib);
}

bool is_utf8_codec(const QTextCodec *codec)
{
    return codec && codec->mibEnum() == kUtf8Mib;
}

QTextCodec *legacy_paper_codec()
{
    QTextCodec *local = QTextCodec::codecForLocale();
    if (!is_utf8_codec(local))
        return local;
    QTextCodec *gb18030 = QTextCodec::codecForMib(kGb18030Mib);
    return gb18030 ? gb18030 : local;
}

QTextCodec *paper_file_codec()
{
    return paper_codec ? paper_codec : QTextCodec::codecForLocale();
}

bool is_valid_utf8(const char *bytes, qsizetype size, bool &non_ascii)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes);
    const auto *const end = p + size;
    while (p != end) {
        // Runs of ASCII, the bulk of any paper, eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        non_ascii = true;
        // The second byte's range rules out overlong forms, surrogates and
        // code points above U+10FFFF.
        int length = 0;
        unsigned low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - p < length || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
        }
        p += length;
    }
    return true;
}

QTextCodec *detect_paper_codec(const QByteArray &problem, const QByteArray &answer)
{
    bool non_ascii = false;
    if (!is_valid_utf8(problem.constData(), problem.size(), non_ascii) ||
        !is_valid_utf8(answer.constData(), answer.size(), non_ascii))
        return legacy_paper_codec();
    if (!non_ascii)
        return QTextCodec::codecForLocale();
    QTextCodec *utf8 = utf8_codec();
    return utf8 ? utf8 : QTextCodec::codecForLocale();
}

QByteArray encode_paper_text(const QString &text, const QTextCodec *codec)
{
    return is_utf8_codec(codec) ? text.toUtf8() : codec->fromUnicode(text);
}

LegacyTextDecoder::LegacyTextDecoder(const QTextCodec *codec) : codec_(codec)
{
    start_afresh();
}

void LegacyTextDecoder::start_afresh()
{
    decoding_ = std::make_unique<QTextCodec::ConverterState>(QTextCodec::IgnoreHeader);
    encoding_ = std::make_unique<QTextCodec::ConverterState>(QTextCodec::IgnoreHeader);
}

bool LegacyTextDecoder::decode_exactly(const char *bytes, int size, QString &text)
{
    text = codec_->toUnicode(bytes, size, decoding_.get());
    const QByteArray back = codec_->fromUnicode(text.constData(), text.size(), encoding_.get());
    if (back.size() == size && std::memcmp(back.constData(), bytes, size_t(size)) == 0)
        return true;
    // A converter may hold the start of a character cut off at the end;
    // it must not leak into the next text.
    start_afresh();
    return false;
}

int first_unwritable_character(const QString &text, const QByteArray &encoded,
                               const QTextCodec *codec)
{
    if (is_writable(text, encoded, codec))
        return -1;
    for (int i = 0; i < text.size();) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        if (!is_writable(character, encode_paper_text(character, codec), codec))
            return i;
        i += character.size();
    }
    // No character fails alone, but the text as a whole does not come back.
    return 0;
}

QString paper_encoding_name(const QTextCodec *codec)
{
    if (is_utf8_codec(codec))
        return QStringLiteral("UTF-8");
    if (is_gb_family(codec))
        return QStringLiteral("GBK");
    return QString::fromLatin1(codec->name());
}

namespace
{

bool starts_with(const QByteArray &bytes, const char *prefix, int size)
{
    return bytes.size() >= size && std::memcmp(bytes.constData(), prefix, size_t(size)) == 0;
}

// UTF-16 and UTF-32 without a byte-order mark: the zero bytes of their ASCII
// characters (digits, line ends, "@" and "$", of which every paper has many)
// fall on one side of each unit. A paper in an 8-bit encoding has none.
FileEncoding by_zero_bytes(const QByteArray &bytes)
{
    const int size = int(std::min<qsizetype>(bytes.size(), 4096)) & ~3;
    if (size < 4)
        return FileEncoding::Ascii;
    int zeros[4] = {0, 0, 0, 0};
    for (int i = 0; i < size; ++i)
        zeros[i % 4] += bytes[i] == '\0';
    const int units = size / 4;
    const auto most = [units](int count) { return count * 10 >= units * 9; };
    const auto few = [units](int count) { return count * 10 <= units; };
    if ((most(zeros[1]) && most(zeros[2]) && most(zeros[3]) && few(zeros[0])) ||
        (most(zeros[0]) && most(zeros[1]) && most(zeros[2]) && few(zeros[3])))
        return FileEncoding::Utf32;
    // Even positions against odd ones; a fifth of the characters is ASCII.
    // The shortest paper, "0 0 0", has five.
    const int even = zeros[0] + zeros[2];
    const int odd = zeros[1] + zeros[3];
    const int half = size / 2;
    const auto wide_side = [half](int zeros_here, int zeros_there) {
        return zeros_here >= 4 && zeros_here * 5 >= half && zeros_there * 50 <= half;
    };
    if (wide_side(odd, even) || wide_side(even, odd))
        return FileEncoding::Utf16;
    return FileEncoding::Ascii;
}

} // namespace

FileEncodingGuess guess_file_marks(const QByteArray &bytes)
{
    FileEncodingGuess guess;
    if (starts_with(bytes, "\xFF\xFE\0\0", 4) || starts_with(bytes, "\0\0\xFE\xFF", 4))
        guess.encoding = FileEncoding::Utf32;
    else if (starts_with(bytes, "\xFF\xFE", 2) || starts_with(bytes, "\xFE\xFF", 2))
        guess.encoding = FileEncoding::Utf16;
    else
        guess.encoding = by_zero_bytes(bytes);
    if (guess.encoding == FileEncoding::Ascii)
        guess.utf8_bom = starts_with(bytes, "\xEF\xBB\xBF", kUtf8BomSize);
    return guess;
}

void guess_text_encoding(const QByteArray &bytes, FileEncodingGuess &guess)
{
    if (guess.encoding != FileEncoding::Ascii)
        return;
    const int start = guess.utf8_bom ? kUtf8BomSize : 0;
    bool non_ascii = false;
    if (!is_valid_utf8(bytes.constData() + start, bytes.size() - start, non_ascii)) {
        guess.encoding = FileEncoding::Legacy;
        return;
    }
    if (!non_ascii) {
        guess.encoding = guess.utf8_bom ? FileEncoding::Utf8 : FileEncoding::Ascii;
        return;
    }
    // Chinese in UTF-8 takes three bytes a character. Half the GBK characters
    // of some rows are two-byte UTF-8 sequences as they stand, so a GBK text
    // of a few characters, or of one character again and again, may be valid
    // UTF-8 of two-byte sequences throughout; sixteen bytes of three- and
    // four-byte sequences are a GBK text by chance about once in ten million.
    int wide_sequence_bytes = 0;
    for (int i = start; i < bytes.size() && wide_sequence_bytes < 16; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0xE0) {
            const int length = byte >= 0xF0 ? 4 : 3;
            wide_sequence_bytes += length;
            i += length - 1;
        }
    }
    guess.encoding =
        guess.utf8_bom || wide_sequence_bytes >= 16 ? FileEncoding::Utf8 : FileEncoding::MaybeUtf8;
}

FileEncodingGuess guess_file_encoding(const QByteArray &bytes)
{
    FileEncodingGuess guess = guess_file_marks(bytes);
    guess_text_encoding(bytes, guess);
    return guess;
}

// The bytes a text takes in the file before its line breaks are widened: the
// paper's encoding, cut at the first NUL, since other readers of paper files
// hold texts as C strings.
int written_length(const QByteArray &local)
{
    const void *nul = std::memchr(local.constData(), '\0', size_t(local.size()));
    return nul ? int(static_cast<const char *>(nul) - local.constData()) : local.size();
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
