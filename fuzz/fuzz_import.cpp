// Feeds the fuzz input to the GIFT or the Moodle XML reader (the first byte
// chooses) and aborts unless every question taken is one the paper can hold:
// scores the spin boxes keep, answers the pages can show, no text the files
// cannot carry, and a pair written from it that reads back as the same paper.

#include "exchange/exchange.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/imported_paper.h"
#include "paper/paper_encoding.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

namespace
{

QCoreApplication *application = nullptr; // the codecs want one; it lives as long as the process

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
    if (result.failure.failed())
        return 0;
    fuzz::check(!holds_nul(file), "a file with a NUL byte was imported");
    check_fits_the_paper(result.paper);

    check_saves_and_reads_back(result.paper);
    return 0;
}
