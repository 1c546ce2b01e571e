#include "exchange/question_file.h"

#include "exchange/csv.h"
#include "exchange/docx.h"
#include "exchange/question_sheet.h"
#include "exchange/question_text.h"
#include "exchange/source_text.h"
#include "exchange/xlsx.h"
#include "exchange/zip_archive.h"

#include <QRegularExpression>

namespace
{

const QByteArray kOle2Signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

QByteArray utf16_name(const char *name)
{
    QByteArray bytes;
    for (const char *c = name; *c; ++c) {
        bytes.append(*c);
        bytes.append('\0');
    }
    return bytes;
}

ExchangeError refusal_of(ExchangeError::What what, FileKind kind = FileKind::Text)
{
    ExchangeError error;
    error.what = what;
    error.kind = kind;
    return error;
}

// An Office 97–2003 file is a compound file whose directory names its
// streams in UTF-16: "WordDocument", "Workbook"; a password-protected Word or
// Excel file of today is one too, holding "EncryptedPackage".
ExchangeError old_office_refusal(const QByteArray &file)
{
    if (file.contains(utf16_name("EncryptedPackage")))
        return refusal_of(ExchangeError::What::EncryptedOffice);
    if (file.contains(utf16_name("WordDocument")))
        return refusal_of(ExchangeError::What::OldWordFile);
    if (file.contains(utf16_name("Workbook")) || file.contains(utf16_name("Book")))
        return refusal_of(ExchangeError::What::OldExcelFile);
    return refusal_of(ExchangeError::What::OldOfficeFile);
}

FoundFormat zip_format(const QByteArray &file)
{
    FoundFormat found;
    ExchangeError error;
    const std::unique_ptr<ZipArchive> zip = ZipArchive::open(file, error);
    if (!zip) {
        found.refusal = error;
        return found;
    }
    if (zip->contains(QStringLiteral("word/document.xml")))
        found.format = ImportFormat::Docx;
    else if (zip->contains(QStringLiteral("xl/workbook.xml")))
        found.format = ImportFormat::Xlsx;
    else if (zip->contains(QStringLiteral("mimetype")) &&
             zip->contains(QStringLiteral("content.xml")))
        found.refusal = refusal_of(ExchangeError::What::UnknownFormat, FileKind::OpenDocument);
    else
        found.refusal = refusal_of(ExchangeError::What::UnknownFormat, FileKind::OtherZip);
    return found;
}

// What a file that is no question file looked like, by its first bytes.
std::optional<FileKind> foreign_kind(const QByteArray &file)
{
    struct Signature {
        const char *bytes;
        int size;
        FileKind kind;
    };
    static const Signature signatures[] = {
        {"%PDF", 4, FileKind::Pdf},
        {"\x89PNG", 4, FileKind::Png},
        {"\xFF\xD8\xFF", 3, FileKind::Jpeg},
        {"GIF8", 4, FileKind::Gif},
        {"BM", 2, FileKind::Bmp},
        {"{\\rtf", 5, FileKind::Rtf},
        {"Rar!", 4, FileKind::Rar},
        {"7z\xBC\xAF", 4, FileKind::SevenZip},
        {"MZ", 2, FileKind::Program},
    };
    for (const Signature &signature : signatures) {
        if (file.startsWith(QByteArray(signature.bytes, signature.size)))
            return signature.kind;
    }
    return std::nullopt;
}

// The start of a text file, past a byte-order mark and white space.
QByteArray text_start(const QByteArray &file)
{
    int at = file.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < file.size() && QChar(file[at]).isSpace())
        ++at;
    return file.mid(at, 512);
}

bool looks_like_gift(const QByteArray &file)
{
    // "::标题::", or an answer block that opens with "=", "~", "#" or T/F.
    static const QRegularExpression gift(
        QStringLiteral("(?:^|\\n)\\s*::[^\\n]*::|\\{\\s*(?:=|~|#|T\\s*\\}|F\\s*\\}|TRUE|FALSE)"));
    return gift.match(QString::fromUtf8(file.left(1 << 20))).hasMatch();
}

// The first line of a text file, decoded as the whole file would be: a CSV
// file saved by Excel on Chinese Windows is GBK, or UTF-16 ("Unicode 文本").
QString first_line(const QByteArray &file)
{
    QByteArray start = file.left(4096);
    const int end = start.lastIndexOf('\n');
    if (end > 0)
        start.truncate(end + (file.startsWith("\xFF\xFE") ? 2 : 1));
    const QString text = decode_source_text(start).text;
    const int line_end = text.indexOf(QLatin1Char('\n'));
    return line_end < 0 ? text : text.left(line_end);
}

// A header row that names the columns of a question template.
bool looks_like_csv(const QByteArray &file)
{
    static const QRegularExpression header(
        QStringLiteral("^\\W*(?:题型|试题类型|题目类型|题干|题目|试题|question|type)\\W*[,\\t;]"),
        QRegularExpression::CaseInsensitiveOption);
    return header.match(first_line(file)).hasMatch();
}

ImportResult failed(const ExchangeError &error)
{
    ImportResult result;
    result.failure = error;
    return result;
}

ImportResult import_text(QByteArray file, const ImportScores &scores)
{
    SourceText decoded = decode_source_text(std::move(file));
    if (decoded.error.failed())
        return failed(decoded.error);
    ImportResult result;
    result.encoding = decoded.encoding;
    const SourceDocument document = text_lines(decoded.text);
    decoded.text.clear();
    read_question_lines(document, scores, result);
    return result;
}

ImportResult import_csv(QByteArray file, const ImportScores &scores)
{
    SourceText decoded = decode_source_text(std::move(file));
    if (decoded.error.failed())
        return failed(decoded.error);
    ImportResult result;
    result.encoding = decoded.encoding;
    SourceWorkbook workbook;
    workbook.sheets.push_back(read_csv(decoded.text));
    decoded.text.clear();
    read_question_sheets(workbook, scores, result);
    return result;
}

ImportResult import_xlsx(const QByteArray &file, const ImportScores &scores)
{
    ExchangeError error;
    const SourceWorkbook workbook = read_xlsx(file, error);
    if (error.failed())
        return failed(error);
    ImportResult result;
    read_question_sheets(workbook, scores, result);
    return result;
}

ImportResult import_docx(const QByteArray &file, const ImportScores &scores)
{
    ExchangeError error;
    const SourceDocument document = read_docx(file, error);
    if (error.failed())
        return failed(error);
    ImportResult result;
    read_question_lines(document, scores, result);
    return result;
}

QString format_name(ImportFormat format)
{
    switch (format) {
    case ImportFormat::Docx:
        return QStringLiteral("docx");
    case ImportFormat::Xlsx:
        return QStringLiteral("xlsx");
    default:
        return QString();
    }
}

// What a readable file is, as a kind the teacher is told.
FileKind kind_of_format(ImportFormat format)
{
    switch (format) {
    case ImportFormat::Docx:
        return FileKind::WordDocument;
    case ImportFormat::Xlsx:
        return FileKind::ExcelWorkbook;
    case ImportFormat::MoodleXml:
        return FileKind::MoodleXml;
    case ImportFormat::Gift:
    case ImportFormat::Csv:
    case ImportFormat::Text:
    case ImportFormat::Auto:
        break;
    }
    return FileKind::Text;
}

// A Word or Excel file named with --from must be one: a zip whose main part
// is the one asked for.
ExchangeError wrong_container(const QByteArray &file, ImportFormat format)
{
    if (format != ImportFormat::Docx && format != ImportFormat::Xlsx)
        return ExchangeError();
    const FoundFormat found = find_import_format(file);
    if (!found.refusal.failed() && found.format == format)
        return ExchangeError();
    if (found.refusal.failed())
        return found.refusal; // an old Word file, a PDF, a broken zip: said as such
    ExchangeError error;
    error.what = ExchangeError::What::NotOfFormat;
    error.found = format_name(format);
    error.kind = kind_of_format(found.format);
    return error;
}

} // namespace

std::optional<ImportFormat> import_format_named(const QString &name)
{
    static const std::pair<const char *, ImportFormat> names[] = {
        {"docx", ImportFormat::Docx}, {"xlsx", ImportFormat::Xlsx},
        {"csv", ImportFormat::Csv},   {"text", ImportFormat::Text},
        {"gift", ImportFormat::Gift}, {"moodle-xml", ImportFormat::MoodleXml},
    };
    for (const auto &[text, format] : names) {
        if (name == QLatin1String(text))
            return format;
    }
    return std::nullopt;
}

FoundFormat find_import_format(const QByteArray &file)
{
    FoundFormat found;
    if (file.startsWith(kOle2Signature)) {
        found.refusal = old_office_refusal(file);
        return found;
    }
    if (looks_like_zip(file))
        return zip_format(file);
    if (const std::optional<FileKind> kind = foreign_kind(file)) {
        found.refusal = refusal_of(ExchangeError::What::UnknownFormat, *kind);
        return found;
    }
    const QByteArray start = text_start(file);
    if (start.startsWith("<")) {
        if (start.contains("<quiz") || file.left(1 << 16).contains("<quiz")) {
            found.format = ImportFormat::MoodleXml;
            return found;
        }
        const QByteArray lower = start.toLower();
        found.refusal = refusal_of(ExchangeError::What::UnknownFormat,
                                   lower.contains("<html") || lower.contains("<!doctype html")
                                       ? FileKind::WebPage
                                       : FileKind::OtherXml);
        return found;
    }
    if (looks_like_gift(file))
        found.format = ImportFormat::Gift;
    else if (looks_like_csv(file))
        found.format = ImportFormat::Csv;
    else
        found.format = ImportFormat::Text;
    return found;
}

ImportResult import_question_file(QByteArray file, ImportFormat format, const ImportScores &scores)
{
    if (format == ImportFormat::Auto) {
        const FoundFormat found = find_import_format(file);
        if (found.refusal.failed())
            return failed(found.refusal);
        format = found.format;
    }
    const ExchangeError mismatch = wrong_container(file, format);
    if (mismatch.failed())
        return failed(mismatch);
    switch (format) {
    case ImportFormat::Gift:
        return import_gift(std::move(file), scores);
    case ImportFormat::MoodleXml:
        return import_moodle_xml(file, scores);
    case ImportFormat::Xlsx:
        return import_xlsx(file, scores);
    case ImportFormat::Csv:
        return import_csv(std::move(file), scores);
    case ImportFormat::Docx:
        return import_docx(file, scores);
    case ImportFormat::Text:
    case ImportFormat::Auto:
        break;
    }
    return import_text(std::move(file), scores);
}
