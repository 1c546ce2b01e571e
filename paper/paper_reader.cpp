// The reader of the two paper files: it tells their encoding, refuses what it
// cannot read without loss, and fills a paper or the model.

#include "paper/paper_reader.h"

#include "paper/paper_encoding.h"
#include "paper/paper_files.h"

#include <QTextCodec>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <system_error>
#include <type_traits>
#include <vector>

namespace
{

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What the reader was looking for when it failed; turned into words only by
// whoever is told, so that a paper of 30000 questions builds no message.
using Item = QuestionPlace;
using Field = QuestionField;

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
               PaperError *error, Utf8Probe *probe = nullptr)
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
            return fail(PaperError::What::CountOutOfRange, item, QString::number(value));
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
            return fail(PaperError::What::TextWithoutStart, item);
        const char *const begin = at + 1;
        const auto *dollar =
            static_cast<const char *>(std::memchr(begin, '$', size_t(end_ - begin)));
        if (!dollar)
            return fail(PaperError::What::TextWithoutEnd, item);
        probe_skipped(pos_, at);
        if (!decode_text(at, dollar, text))
            return fail(PaperError::What::TextUndecodable, item, QString(),
                        paper_encoding_name(legacy_paper_codec()));
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
            return fail(PaperError::What::NumberMissing, item);
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
        QString found = codec_->toUnicode(quoted).mid(1);
        if (stop != end_ && !is_space(*stop))
            found += QChar(0x2026); // "…": there is more
        return fail(PaperError::What::NotANumber, item, found);
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

    bool fail(PaperError::What what, const Item &item, const QString &found = QString(),
              const QString &encoding = QString())
    {
        if (error_) {
            *error_ = PaperError();
            error_->what = what;
            error_->path = QString::fromLatin1(file_name_);
            error_->place = item;
            error_->found = found;
            error_->encoding = encoding;
        }
        return false;
    }

    const char *pos_;
    const char *const end_;
    const char *const file_name_;
    PaperError *const error_;
    const QTextCodec *const codec_;
    const bool utf8_;
    Utf8Probe *const probe_;
    bool non_ascii_ = false;
    bool invalid_utf8_ = false;
    LegacyTextDecoder legacy_;
    std::vector<char16_t> scratch_;
};

} // namespace

const QTextCodec *paper_data_codec(const PaperData &paper)
{
    return paper.codec ? paper.codec : QTextCodec::codecForLocale();
}

namespace
{

bool parse_problem_file(const QByteArray &input, PaperData &paper, PaperError *error,
                        Utf8Probe *probe, qsizetype *end)
{
    FileReader reader(input, kProblemFileName, paper_data_codec(paper), error, probe);
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

bool parse_answer_file(const QByteArray &input, PaperData &paper, PaperError *error,
                       Utf8Probe *probe, qsizetype *end)
{
    FileReader reader(input, kAnswerFileName, paper_data_codec(paper), error, probe);
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
                PaperError *error, Utf8Probe *probe, PaperExtent *extent)
{
    return parse_problem_file(problem, paper, error, probe,
                              extent ? &extent->problem_end : nullptr) &&
           parse_answer_file(answer, paper, error, probe, extent ? &extent->answer_end : nullptr);
}

} // namespace

bool read_problem_file(const QByteArray &input, PaperData &paper, PaperError *error)
{
    return parse_problem_file(input, paper, error, nullptr, nullptr);
}

bool read_answer_file(const QByteArray &input, PaperData &paper, PaperError *error)
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
std::optional<PaperError> wide_file_refusal(const FileEncodingGuess &problem,
                                            const FileEncodingGuess &answer)
{
    const std::pair<const char *, FileEncoding> files[] = {{kProblemFileName, problem.encoding},
                                                           {kAnswerFileName, answer.encoding}};
    for (const auto &[name, encoding] : files) {
        if (!is_wide(encoding))
            continue;
        PaperError error;
        error.what = PaperError::What::WideEncoding;
        error.path = QLatin1String(name);
        error.encoding = encoding_label(encoding);
        return error;
    }
    return std::nullopt;
}

// A pair whose files were not saved together: one is UTF-8, the other not.
std::optional<PaperError> mixed_pair_refusal(const FileEncodingGuess &problem,
                                             const FileEncodingGuess &answer)
{
    const bool mixed =
        (problem.encoding == FileEncoding::Utf8 && answer.encoding == FileEncoding::Legacy) ||
        (problem.encoding == FileEncoding::Legacy && answer.encoding == FileEncoding::Utf8);
    if (!mixed)
        return std::nullopt;
    PaperError error;
    error.what = PaperError::What::MixedEncodings;
    error.encoding = encoding_label(problem.encoding);
    error.other_encoding = encoding_label(answer.encoding);
    return error;
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
                           PaperData &paper, PaperError *error, PaperExtent *extent)
{
    const bool marked_utf8 = problem_guess.utf8_bom || answer_guess.utf8_bom;
    const QByteArray problem = without_bom(problem_file, problem_guess);
    const QByteArray answer = without_bom(answer_file, answer_guess);
    // Most papers are UTF-8 or ASCII: read as UTF-8 first, which checks every
    // byte on the way, so that telling the encoding costs no pass of its own.
    PaperData first;
    first.codec = utf8_codec();
    Utf8Probe probe;
    PaperError probe_error;
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
                     PaperError *error, PaperExtent *extent)
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
