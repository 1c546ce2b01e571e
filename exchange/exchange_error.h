#pragma once
// Why a question file as a whole could not be read, as a value. The readers
// never word a failure; exchange_messages.h does, once.

#include <QString>

// What a file looked like, when it is not the file the import reads.
enum class FileKind {
    Pdf,
    Png,
    Jpeg,
    Gif,
    Bmp,
    Rtf,
    Rar,
    SevenZip,
    Program,
    OpenDocument,
    OtherZip, // a zip holding neither a Word document nor an Excel workbook
    WebPage,
    OtherXml,
    WordDocument,
    ExcelWorkbook,
    MoodleXml,
    Text,
};

struct ExchangeError {
    enum class What {
        None,
        // What the file is, when it is no file the import reads.
        OldWordFile,     // a Word 97–2003 document (.doc)
        OldExcelFile,    // an Excel 97–2003 workbook (.xls)
        OldOfficeFile,   // another Office 97–2003 file, or one that cannot be told
        EncryptedOffice, // a password-protected Word or Excel file
        UnknownFormat,   // `kind`: what it looked like
        NotOfFormat,     // `found`: the format asked for with --from, `kind`: what it is
        // The zip container of a Word or Excel file.
        BrokenZip,         // `detail`: the zip library's words, when it has any
        ZipTooManyEntries, // `limit`: the most entries read
        ZipTooLarge,       // `part`: the entry whose inflating passed `limit` bytes in all
        PartMissing,       // `part`: an entry every such file holds
        // The XML of a part.
        XmlBroken,            // `part`, `line`, `detail`: the reader's words
        XmlHasDtd,            // `part`, `line`
        XmlTooDeep,           // `part`, `line`, `limit`
        XmlTooManyAttributes, // `part` (empty: the file itself), `line`, `limit`
        XmlStartTagTooLong,   // the same; `limit` in bytes
        // A sheet.
        SheetTooLarge,     // `part`: the sheet; `limit`: the most rows or columns read
        SheetTooManyCells, // `part`: the sheet that took the cells of all sheets past `limit`
        // A text.
        NulByte,     // `line`
        BrokenUtf8,  // `line`, `found`: the first byte that breaks a text that is UTF-8
        Undecodable, // `line`, `found`: the first of bytes that are neither UTF-8 nor GB18030
        BrokenUtf16, // a text marked as UTF-16 that does not decode as such
        // A Moodle XML file, read whole before its questions.
        QuizXmlBroken,        // `line`, `detail`: the reader's words
        QuizDeclaresEntities, // `line`
        QuizTooDeep,          // `line`, `limit`
        NoQuiz,               // not one element
        NotAQuiz,             // `line`, `found`: the name of the outermost element
    };
    What what = What::None;
    QString part;
    QString found;
    QString detail;
    FileKind kind = FileKind::Text;
    int line = 0;
    qint64 limit = 0;

    bool failed() const { return what != What::None; }
};
