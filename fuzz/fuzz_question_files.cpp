// Feeds the fuzz input to the readers of teachers' question files, through
// the zip library for Word and Excel, and aborts unless every question taken
// is one the paper can hold and saves. The first byte chooses:
//   bits 0-1  text, CSV, Excel or Word
//   bit 2     Excel and Word: the rest is the main XML part, packed by the
//             harness into a workbook or document (the fuzzer rarely makes a
//             zip whose checksums hold); text and CSV: a NUL in the middle

#include "exchange/question_file.h"
#include "exchange/zip_writer.h"
#include "fuzz/imported_paper.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

namespace
{

QCoreApplication *application = nullptr; // the codecs want one; it lives as long as the process

const ImportFormat kFormats[] = {ImportFormat::Text, ImportFormat::Csv, ImportFormat::Xlsx,
                                 ImportFormat::Docx};

QByteArray zip_of(const std::vector<std::pair<const char *, QByteArray>> &parts)
{
    std::vector<ZipPart> zip;
    for (const auto &[name, content] : parts)
        zip.push_back({QString::fromLatin1(name), content});
    return zip_parts(zip).value_or(QByteArray());
}

QByteArray workbook_around(const QByteArray &sheet)
{
    return zip_of({{"[Content_Types].xml", "<Types/>"},
                   {"xl/workbook.xml",
                    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships\"><sheets><sheet name=\"题目\" sheetId=\"1\" "
                    "r:id=\"rId1\"/></sheets></workbook>"},
                   {"xl/_rels/workbook.xml.rels",
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                    "relationships\"><Relationship Id=\"rId1\" Type=\"http://"
                    "schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
                    "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
                   {"xl/worksheets/sheet1.xml", sheet}});
}

QByteArray document_around(const QByteArray &body)
{
    return zip_of({{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", body}});
}

QByteArray file_of(const uint8_t *data, size_t size, ImportFormat format)
{
    QByteArray rest(reinterpret_cast<const char *>(data + 1), int(size - 1));
    if (!(data[0] & 4))
        return rest;
    switch (format) {
    case ImportFormat::Xlsx:
        return workbook_around(rest);
    case ImportFormat::Docx:
        return document_around(rest);
    default:
        if (!rest.isEmpty())
            rest.insert(rest.size() / 2, '\0');
        return rest;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_question_files";
    static char *argv[] = {name, nullptr};
    application = new QCoreApplication(argc, argv);
    fuzz::use_utf8_as_local_encoding();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const ImportFormat format = kFormats[data[0] & 3];
    const QByteArray file = file_of(data, size, format);
    const ImportResult result = import_question_file(file, format, ImportScores{2, 4, 10});
    if (result.failure.failed())
        return 0;
    if (format == ImportFormat::Text || format == ImportFormat::Csv)
        fuzz::check(!(data[0] & 4) || size < 2 || file.startsWith("\xFF\xFE") ||
                        file.startsWith("\xFE\xFF"),
                    "a text with a NUL byte was imported");
    check_fits_the_paper(result.paper);
    check_saves_and_reads_back(result.paper);
    return 0;
}
