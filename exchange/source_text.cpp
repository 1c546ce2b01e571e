#include "exchange/source_text.h"

#include "exchange/exchange_common.h"
#include "exchange/exchange_messages.h"
#include "paper/paper_encoding.h"

#include <QTextCodec>

namespace
{

QString byte_text(const QByteArray &bytes, qsizetype offset)
{
    return QStringLiteral("0x") + QStringLiteral("%1")
                                      .arg(uchar(bytes.at(int(offset))), 2, 16, QLatin1Char('0'))
                                      .toUpper();
}

// Where a file that is not valid UTF-8 breaks it, and how much valid
// multi-byte UTF-8 it holds besides.
struct Utf8Breaks {
    qsizetype first = -1;
    qsizetype count = 0;
    qsizetype sequences = 0;
};

Utf8Breaks find_utf8_breaks(const QByteArray &bytes)
{
    Utf8Breaks breaks;
    bool non_ascii = false;
    for (qsizetype i = 0; i < bytes.size();) {
        if (uchar(bytes.at(int(i))) < 0x80) {
            ++i;
            continue;
        }
        qsizetype length = 2;
        while (length <= 4 && !(i + length <= bytes.size() &&
                                is_valid_utf8(bytes.constData() + i, length, non_ascii)))
            ++length;
        if (length <= 4) {
            ++breaks.sequences;
            i += length;
            continue;
        }
        if (breaks.first < 0)
            breaks.first = i;
        ++breaks.count;
        ++i;
    }
    return breaks;
}

ExchangeError text_error(ExchangeError::What what, int line, const QString &found = QString())
{
    ExchangeError error;
    error.what = what;
    error.line = line;
    error.found = found;
    return error;
}

// A UTF-16 file's text, or a NUL in it: readers that stop at a NUL would drop
// the rest unseen.
SourceText decode_utf16(const QByteArray &bytes, bool little_endian)
{
    SourceText decoded;
    QTextCodec *const codec = QTextCodec::codecForName(little_endian ? "UTF-16LE" : "UTF-16BE");
    QTextCodec::ConverterState state;
    decoded.text = codec->toUnicode(bytes.constData() + 2, int(bytes.size()) - 2, &state);
    const int nul = decoded.text.indexOf(QChar(0));
    if (nul >= 0) {
        decoded.error = text_error(ExchangeError::What::NulByte,
                                   int(decoded.text.leftRef(nul).count(QLatin1Char('\n'))) + 1);
        decoded.text.clear();
    } else if (state.invalidChars > 0 || state.remainingChars > 0 || !decoded.text.isValidUtf16()) {
        // A half of a surrogate pair alone is no character: no file could hold it.
        decoded.error = text_error(ExchangeError::What::BrokenUtf16, 0);
        decoded.text.clear();
    }
    return decoded;
}

} // namespace

SourceText decode_source_text(QByteArray bytes)
{
    if (bytes.startsWith("\xFF\xFE") && !bytes.startsWith(QByteArray("\xFF\xFE\0\0", 4)))
        return decode_utf16(bytes, true);
    if (bytes.startsWith("\xFE\xFF"))
        return decode_utf16(bytes, false);
    SourceText decoded;
    const bool utf8_bom = bytes.startsWith("\xEF\xBB\xBF");
    if (utf8_bom)
        bytes.remove(0, kUtf8BomSize);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        decoded.error = text_error(ExchangeError::What::NulByte, line_of(bytes, nul));
        return decoded;
    }
    bool non_ascii = false;
    if (is_valid_utf8(bytes.constData(), bytes.size(), non_ascii)) {
        decoded.text = QString::fromUtf8(bytes);
        return decoded;
    }
    // A file that is mostly UTF-8 with a broken byte is refused rather than
    // read as GB18030, which would garble every character.
    const Utf8Breaks breaks = find_utf8_breaks(bytes);
    const int line = line_of(bytes, breaks.first);
    const QString byte = byte_text(bytes, breaks.first);
    if (utf8_bom || breaks.sequences >= breaks.count) {
        decoded.error = text_error(ExchangeError::What::BrokenUtf8, line, byte);
        return decoded;
    }
    QTextCodec *const gb18030 = QTextCodec::codecForName("GB18030");
    QTextCodec::ConverterState state;
    decoded.text = gb18030->toUnicode(bytes.constData(), int(bytes.size()), &state);
    // The codec puts U+FFFD for bytes it cannot read without counting them as
    // invalid: only bytes that come back from the text are GB18030.
    if (state.invalidChars > 0 || state.remainingChars > 0 ||
        gb18030->fromUnicode(decoded.text) != bytes) {
        decoded.text.clear();
        decoded.error = text_error(ExchangeError::What::Undecodable, line, byte);
        return decoded;
    }
    decoded.encoding = read_as_gb18030_note(line, byte);
    return decoded;
}
