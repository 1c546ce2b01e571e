#pragma once
// The text encodings of paper files. A paper written on a Chinese Windows
// machine is in GBK (code page 936); one written on a Linux desktop is in
// UTF-8. Neither file says which: the encoding is told from the bytes when a
// paper is opened, and the paper is written back in it.

#include <QByteArray>
#include <QString>
#include <QTextCodec>
#include <memory>
#include <vector>

// UTF-8 when every non-ASCII sequence in both files is valid UTF-8; the legacy
// Chinese encoding when some is not; the local encoding for a pure-ASCII pair.
QTextCodec *detect_paper_codec(const QByteArray &problem, const QByteArray &answer);

// The local encoding where that is not UTF-8, GB18030 (a superset of GBK)
// where it is.
QTextCodec *legacy_paper_codec();

// The encoding the open paper is written in: the one it was opened in, or the
// local one while no paper is open.
QTextCodec *paper_file_codec();

QTextCodec *utf8_codec();
bool is_utf8_codec(const QTextCodec *codec);

// Strict UTF-8: no overlong form, surrogate or code point above U+10FFFF.
// Sets `non_ascii` when it meets a byte above 0x7F.
bool is_valid_utf8(const char *bytes, qsizetype size, bool &non_ascii);

QByteArray encode_paper_text(const QString &text, const QTextCodec *codec);

// The bytes a text takes in the file before its line breaks are widened: the
// paper's encoding, cut at the first NUL, since other readers of paper files
// hold texts as C strings.
int written_length(const QByteArray &local);

// Decodes a text of a UTF-8 paper in one pass straight to its final size,
// where the codec would allocate one unit per byte and need another copy to
// shrink. False on anything that is not strict UTF-8. Sets `non_ascii` when
// the text holds a byte above 0x7F.
bool decode_utf8_text(const char *first, const char *last, std::vector<char16_t> &scratch,
                      QString &text, bool &non_ascii);

// Decodes many texts of one paper in a legacy encoding, keeping the codec's
// converter from one text to the next: setting one up costs about as much as
// converting a short text.
class LegacyTextDecoder
{
  public:
    explicit LegacyTextDecoder(const QTextCodec *codec);

    // False when the bytes are not a text in the encoding: decoding them and
    // encoding the result would not give the same bytes back.
    bool decode_exactly(const char *bytes, int size, QString &text);

  private:
    void start_afresh();

    const QTextCodec *codec_;
    std::unique_ptr<QTextCodec::ConverterState> decoding_;
    std::unique_ptr<QTextCodec::ConverterState> encoding_;
};

// The first character of `text` that a paper file in `codec` cannot carry, as
// its index in `text`, or -1. `encoded` is encode_paper_text(text, codec). A
// file in a legacy encoding must stay readable to the programs on Chinese
// Windows, so it carries only what GBK can, in GBK's own bytes; a codec is
// never allowed to put a substitute in a character's place.
int first_unwritable_character(const QString &text, const QByteArray &encoded,
                               const QTextCodec *codec);

// The name the teacher is told for what limits the texts of a paper in `codec`.
QString paper_encoding_name(const QTextCodec *codec);

// What one paper file's bytes say of its encoding, before it is read.
enum class FileEncoding {
    Ascii,
    Utf8,      // valid UTF-8 with enough characters of three or four bytes (Chinese) that it
               // is no legacy text by chance
    MaybeUtf8, // valid UTF-8, but so little of it, or so little beyond two-byte sequences,
               // that a GBK text could look the same
    Legacy,    // not UTF-8: GBK, or the local encoding
    Utf16,     // by its byte-order mark or its zero bytes
    Utf32,
};
struct FileEncodingGuess {
    FileEncoding encoding = FileEncoding::Ascii;
    bool utf8_bom = false; // starts with EF BB BF, which a reader skips
};
FileEncodingGuess guess_file_encoding(const QByteArray &bytes);

// Its two halves. The marks (a byte-order mark, the zero bytes of a 16- or
// 32-bit encoding) are in the first few kilobytes; telling UTF-8 from a legacy
// text takes a pass over the whole file, which a pair that reads as UTF-8
// does not need. The second leaves a wide guess as it is.
FileEncodingGuess guess_file_marks(const QByteArray &bytes);
void guess_text_encoding(const QByteArray &bytes, FileEncodingGuess &guess);

// The UTF-8 byte-order mark that editors such as Notepad put at the start.
constexpr int kUtf8BomSize = 3;
