// Feeds the fuzz input to the GIFT or the Moodle XML reader (the first byte
// chooses) and aborts unless every question taken is one the paper can hold:
// scores the spin boxes keep, answers the pages can show, no text the files
// cannot carry, and a pair written from it that reads back as the same paper.

#include "fuzz/fuzz_support.h"
#include "paper/paper_encoding.h"
#include "exchange/exchange.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

namespace
{

QCoreApplication *application = nullptr; // the codecs want one; it lives as long as the process

void check_score(double score)
{
    fuzz::check(score >= 0 && score <= 10000, "an imported score is outside 0 to 10000");
    fuzz::check(QString::number(score, 'f', 2).toDouble() == score,
                "an imported score has more than two decimals");
}

void check_text(const QString &text)
{
    fuzz::check(!text.contains(QLatin1Char('$')), "an imported text holds a \"$\"");
    for (const QChar c : text)
        fuzz::check(c.category() != QChar::Other_Control || c == QLatin1Char('\n') ||
                        c == QLatin1Char('\t'),
                    "an imported text holds a control character");
}

void check_fits_the_paper(const PaperData &paper)
{
    fuzz::check(paper.onech.size() <= size_t(kMaxQuestions) &&
                    paper.somech.size() <= size_t(kMaxQuestions) &&
                    paper.unch.size() <= size_t(kMaxQuestions),
                "more questions of a kind than a paper holds");
    for (const ChoiceQuestion &question : paper.onech) {
        check_score(question.score);
        check_text(question.problem);
        fuzz::check(question.answer > 0 && (question.answer & ~kAllOptions) == 0 &&
                        (question.answer & (question.answer - 1)) == 0,
                    "a single-choice answer is not exactly one of A to F");
    }
    for (const ChoiceQuestion &question : paper.somech) {
        check_score(question.score);
        check_score(question.partial_score);
        check_text(question.problem);
        fuzz::check(question.partial_score <= question.score, "a partial score above the score");
        fuzz::check(question.answer > 0 && (question.answer & ~kAllOptions) == 0,
                    "a multiple-choice answer outside A to F");
    }
    for (const UnchQuestion &question : paper.unch) {
        check_score(question.score);
        check_text(question.problem);
        check_text(question.answer);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_import";
    static char *argv[] = {name, nullptr};
    application = new QCoreApplication(argc, argv);
    fuzz::use_utf8_as_local_encoding();
    return 0;
}

// Bits 1 and 2 of the first byte reach what the input's length limit keeps
// out of reach: the input put inside thousands of nested elements (the
// readers must refuse, not recurse), and a NUL byte in its middle (it must be
// refused, not cut the file short).
QByteArray file_of(const uint8_t *data, size_t size)
{
    QByteArray file(reinterpret_cast<const char *>(data + 1), int(size - 1));
    if (data[0] & 2) {
        const int depth = 1000 * (1 + data[0] / 8);
        const QByteArray element = data[0] & 1 ? "<div>" : "<a>";
        file = (data[0] & 1 ? "[html]" : "<quiz>") + element.repeated(depth) + file;
    }
    if ((data[0] & 4) && !file.isEmpty())
        file.insert(file.size() / 2, '\0');
    return file;
}

// A zero byte of a UTF-16 or UTF-32 file is no NUL.
bool holds_nul(const QByteArray &file)
{
    const FileEncoding marks = guess_file_marks(file).encoding;
    return file.contains('\0') && marks != FileEncoding::Utf16 && marks != FileEncoding::Utf32;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray file = file_of(data, size);
    const ImportScores scores{2, 4, 10};
    ImportResult result = data[0] & 1 ? import_gift(file, scores) : import_moodle_xml(file, scores);
    if (!result.error.isEmpty())
        return 0;
    fuzz::check(!holds_nul(file), "a file with a NUL byte was imported");
    check_fits_the_paper(result.paper);

    QByteArray problem, answer;
    if (!write_paper_data(result.paper, problem, answer)) {
        // Only length can stop it: a text may be longer than the files hold.
        const std::vector<UnwritableText> unwritable = find_unwritable_texts(result.paper);
        fuzz::check(!unwritable.empty() &&
                        unwritable.front().reason == UnwritableText::Reason::TooLong,
                    "an imported paper cannot be saved");
        return 0;
    }
    PaperData read;
    PaperError error;
    fuzz::check(read_problem_file(problem, read, &error) && read_answer_file(answer, read, &error),
                "an imported paper's files do not read back");
    fuzz::check_same_paper(read, result.paper);
    return 0;
}
