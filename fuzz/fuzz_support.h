#pragma once
// Shared by the fuzz targets: a deterministic local encoding and the checks
// that a paper read back equals the paper written.

#include "paper/paper_encoding.h"
#include "paper/paper_messages.h"
#include "paper/paper_reader.h"
#include "paper/paper_writer.h"

#include <QTextCodec>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace fuzz
{

[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "paper fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char *what)
{
    if (!condition)
        fail(what);
}

// The locale of the machine must not decide what a fuzz input means.
inline void use_utf8_as_local_encoding()
{
    QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
    check(utf8 != nullptr, "no UTF-8 codec");
    QTextCodec::setCodecForLocale(utf8);
}

// A score after a trip through the file: six significant digits.
inline double as_written(double score)
{
    char buffer[32];
    const auto printed =
        std::to_chars(buffer, buffer + sizeof buffer, score, std::chars_format::general, 6);
    double back = 0.0;
    const auto parsed = std::from_chars(buffer, printed.ptr, back, std::chars_format::general);
    check(parsed.ec == std::errc() && parsed.ptr == printed.ptr, "a written score does not parse");
    return back;
}

// A text after a trip through the file: the writer stops at a NUL.
inline QString as_written(const QString &text)
{
    const int nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

// `read` is what came back from writing `want`; compare record by record.
inline void check_same_paper(const PaperData &read, const PaperData &want)
{
    check(read.onech.size() == want.onech.size(), "single-choice count changed");
    check(read.somech.size() == want.somech.size(), "multiple-choice count changed");
    check(read.unch.size() == want.unch.size(), "free-answer count changed");
    for (size_t k = 0; k < want.onech.size(); ++k) {
        const ChoiceQuestion &got = read.onech[k];
        check(got.score == as_written(want.onech[k].score), "single-choice score changed");
        check(got.answer == want.onech[k].answer, "single-choice answer changed");
        check(got.problem == as_written(want.onech[k].problem), "single-choice problem changed");
    }
    for (size_t k = 0; k < want.somech.size(); ++k) {
        const ChoiceQuestion &got = read.somech[k];
        check(got.score == as_written(want.somech[k].score), "multiple-choice score changed");
        check(got.partial_score == as_written(want.somech[k].partial_score),
              "multiple-choice partial score changed");
        check(got.answer == want.somech[k].answer, "multiple-choice answer changed");
        check(got.problem == as_written(want.somech[k].problem), "multiple-choice problem changed");
    }
    for (size_t k = 0; k < want.unch.size(); ++k) {
        const UnchQuestion &got = read.unch[k];
        check(got.score == as_written(want.unch[k].score), "free-answer score changed");
        check(got.problem == as_written(want.unch[k].problem), "free-answer problem changed");
        check(got.answer == as_written(want.unch[k].answer), "free-answer answer changed");
    }
}

// The open paper's records 1 to count, as a paper of its own.
inline PaperData model_as_data()
{
    PaperData paper;
    paper.onech.assign(onech_table + 1, onech_table + 1 + onech_count);
    paper.somech.assign(somech_table + 1, somech_table + 1 + somech_count);
    paper.unch.assign(unch_table + 1, unch_table + 1 + unch_count);
    return paper;
}

inline void check_equals_model(const PaperData &read)
{
    check_same_paper(read, model_as_data());
}

// Writes the model and reads the files back into a staging copy.
inline PaperData write_and_read_back()
{
    QByteArray problem, answer;
    if (!write_paper_checked(problem, answer))
        fail("the writer refused a paper the check let through");
    PaperData read;
    read.codec = paper_codec;
    PaperError error;
    if (!read_problem_file(problem, read, &error) || !read_answer_file(answer, read, &error)) {
        std::fprintf(stderr, "%s\n", paper_message(error).toUtf8().constData());
        fail("the writer's files do not read back");
    }
    return read;
}

// The pair's encoding, told the plain way: UTF-8 when both files come back
// from the UTF-8 codec unchanged, the local encoding when they are ASCII (and
// no byte-order mark said UTF-8), and otherwise the legacy one (GB18030 on a
// UTF-8 desktop).
inline QTextCodec *reference_codec(const QByteArray &problem, const QByteArray &answer,
                                   bool marked_utf8)
{
    // Each file on its own: the end of one and the start of the other may
    // make a UTF-8 sequence that neither file holds.
    const auto is_utf8 = [](const QByteArray &file) {
        const QByteArray bytes = "@" + file; // "@": a leading BOM is kept
        return QString::fromUtf8(bytes.constData(), bytes.size()).toUtf8() == bytes;
    };
    bool ascii = true;
    for (const char c : problem + answer)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii && !marked_utf8)
        return QTextCodec::codecForLocale();
    if (is_utf8(problem) && is_utf8(answer))
        return QTextCodec::codecForName("UTF-8");
    QTextCodec *local = QTextCodec::codecForLocale();
    return local->mibEnum() == 106 ? QTextCodec::codecForName("GB18030") : local;
}

// A slow and plain reader of the same format, byte by byte, decoding each text
// with the pair's codec and refusing a text that does not encode back to its
// bytes: the reader under test must agree with it on every input, accepting
// the same pairs and giving the same paper. It keeps each text's bytes, CR LF
// read as LF, in the order of the files.
class ReferenceReader
{
  public:
    ReferenceReader(const QByteArray &bytes, QTextCodec *codec, std::vector<QByteArray> &raw_texts)
        : p_(bytes.constData()), end_(bytes.constData() + bytes.size()), codec_(codec),
          raw_texts_(raw_texts)
    {
    }

    template <typename T> bool number(T &value)
    {
        while (p_ != end_ && (*p_ == ' ' || (*p_ >= '\t' && *p_ <= '\r')))
            ++p_;
        if (p_ == end_)
            return false;
        const char *digits = p_;
        if (*digits == '+' && (++digits == end_ || *digits == '-'))
            return false;
        std::from_chars_result result;
        if constexpr (std::is_floating_point_v<T>)
            result = std::from_chars(digits, end_, value, std::chars_format::general);
        else
            result = std::from_chars(digits, end_, value);
        if (result.ec != std::errc())
            return false;
        p_ = result.ptr;
        return true;
    }

    bool score(double &value) { return number(value) && std::isfinite(value); }

    bool text(QString &value)
    {
        while (p_ != end_ && *p_ != '@')
            ++p_;
        if (p_ == end_)
            return false;
        QByteArray bytes("@"); // so that the codec keeps a leading byte-order mark
        for (++p_; p_ != end_ && *p_ != '$'; ++p_) {
            if (!(*p_ == '\r' && p_ + 1 != end_ && p_[1] == '\n'))
                bytes += *p_;
        }
        if (p_ == end_)
            return false;
        ++p_;
        const QString decoded = codec_->toUnicode(bytes);
        if (codec_->fromUnicode(decoded) != bytes)
            return false;
        value = decoded.mid(1);
        raw_texts_.push_back(bytes.mid(1));
        return true;
    }

  private:
    const char *p_;
    const char *end_;
    QTextCodec *codec_;
    std::vector<QByteArray> &raw_texts_;
};

// Before a pair is read: what each file's bytes say of its encoding is the
// library's own guess (tested on its own); a file in UTF-16 or UTF-32 and a
// pair of a UTF-8 file and a legacy one are refused, and a UTF-8 byte-order
// mark is skipped.
inline bool reference_pair(QByteArray &problem, QByteArray &answer, bool &marked_utf8)
{
    const FileEncodingGuess guesses[2] = {guess_file_encoding(problem),
                                          guess_file_encoding(answer)};
    for (const FileEncodingGuess &guess : guesses) {
        if (guess.encoding == FileEncoding::Utf16 || guess.encoding == FileEncoding::Utf32)
            return false;
    }
    const auto is = [&guesses](int file, FileEncoding encoding) {
        return guesses[file].encoding == encoding;
    };
    if ((is(0, FileEncoding::Utf8) && is(1, FileEncoding::Legacy)) ||
        (is(0, FileEncoding::Legacy) && is(1, FileEncoding::Utf8)))
        return false;
    if (guesses[0].utf8_bom)
        problem.remove(0, 3);
    if (guesses[1].utf8_bom)
        answer.remove(0, 3);
    marked_utf8 = guesses[0].utf8_bom || guesses[1].utf8_bom;
    return true;
}

inline bool reference_read(QByteArray problem_bytes, QByteArray answer_bytes, PaperData &paper,
                           std::vector<QByteArray> &raw_texts)
{
    bool marked_utf8 = false;
    if (!reference_pair(problem_bytes, answer_bytes, marked_utf8))
        return false;
    paper.codec = reference_codec(problem_bytes, answer_bytes, marked_utf8);
    ReferenceReader problem(problem_bytes, paper.codec, raw_texts);
    long long counts[3];
    for (long long &count : counts) {
        if (!problem.number(count) || count < 0 || count > kMaxQuestions)
            return false;
    }
    paper.onech.resize(size_t(counts[0]));
    paper.somech.resize(size_t(counts[1]));
    paper.unch.resize(size_t(counts[2]));
    for (ChoiceQuestion &q : paper.onech) {
        if (!problem.score(q.score) || !problem.text(q.problem))
            return false;
    }
    for (ChoiceQuestion &q : paper.somech) {
        if (!problem.score(q.score) || !problem.score(q.partial_score) || !problem.text(q.problem))
            return false;
    }
    for (UnchQuestion &q : paper.unch) {
        if (!problem.score(q.score) || !problem.text(q.problem))
            return false;
    }
    ReferenceReader answer(answer_bytes, paper.codec, raw_texts);
    for (ChoiceQuestion &q : paper.onech) {
        if (!answer.number(q.answer))
            return false;
    }
    for (ChoiceQuestion &q : paper.somech) {
        if (!answer.number(q.answer))
            return false;
    }
    for (UnchQuestion &q : paper.unch) {
        if (!answer.text(q.answer))
            return false;
    }
    return true;
}

// The model holds exactly `paper` (single-choice partial scores aside).
inline void check_model_is(const PaperData &paper)
{
    check(paper_codec == paper.codec, "the encoding differs from the reference reader");
    check(int(paper.onech.size()) == onech_count && int(paper.somech.size()) == somech_count &&
              int(paper.unch.size()) == unch_count,
          "counts differ from the reference reader");
    for (int k = 1; k <= onech_count; ++k) {
        const ChoiceQuestion &want = paper.onech[size_t(k - 1)];
        const ChoiceQuestion &got = onech_table[k];
        check(got.score == want.score && got.answer == want.answer && got.problem == want.problem,
              "a single-choice question differs from the reference reader");
    }
    for (int k = 1; k <= somech_count; ++k) {
        const ChoiceQuestion &want = paper.somech[size_t(k - 1)];
        const ChoiceQuestion &got = somech_table[k];
        check(got.score == want.score && got.partial_score == want.partial_score &&
                  got.answer == want.answer && got.problem == want.problem,
              "a multiple-choice question differs from the reference reader");
    }
    for (int k = 1; k <= unch_count; ++k) {
        const UnchQuestion &want = paper.unch[size_t(k - 1)];
        const UnchQuestion &got = unch_table[k];
        check(got.score == want.score && got.problem == want.problem && got.answer == want.answer,
              "a free-answer question differs from the reference reader");
    }
}

} // namespace fuzz
