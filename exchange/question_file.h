#pragma once
// Any question file qv_paper imports: told from its content (a zip holding a
// Word document or an Excel workbook, Moodle XML, GIFT, CSV or plain text)
// unless the teacher names the format, and read into a paper.

#include "exchange/exchange.h"
#include "exchange/exchange_error.h"

#include <QByteArray>
#include <QString>
#include <optional>

enum class ImportFormat { Auto, Docx, Xlsx, Csv, Text, Gift, MoodleXml };

// "docx", "xlsx", "csv", "text", "gift", "moodle-xml"; none for another name.
std::optional<ImportFormat> import_format_named(const QString &name);

// The format the content shows, or why it is no file the import reads.
struct FoundFormat {
    ImportFormat format = ImportFormat::Text;
    ExchangeError refusal;
};
FoundFormat find_import_format(const QByteArray &file);

// Takes the file's bytes by value: move them in to free them early.
ImportResult import_question_file(QByteArray file, ImportFormat format, const ImportScores &scores);
