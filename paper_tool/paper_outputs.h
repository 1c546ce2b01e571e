#pragma once
// What the tools make of a paper: the learning platforms' formats, text, Word
// and Excel, and the printable document.

#include "exchange/docx_export.h"
#include "paper/paper_files.h"
#include "paper_tool/paper_print.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

enum class ExportFormat { Gift, MoodleXml, Text, Docx, Xlsx };

// "gift", "moodle-xml", "text", "docx", "xlsx"; none for another name.
std::optional<ExportFormat> export_format_named(const QString &name);

struct ExportRequest {
    ExportFormat format = ExportFormat::Gift;
    QString title;                               // Word only
    DocxContents contents = DocxContents::Paper; // Word only
};

struct PaperOutput {
    QByteArray bytes;
    // The questions the file would not give back as they are, where the
    // format is read back; worded for the teacher.
    QStringList differences;
    QString error; // not empty: nothing was made
};

PaperOutput export_paper(const PaperData &paper, const ExportRequest &request);

enum class PrintFormat { Html, Pdf };

// Needs a QGuiApplication for a PDF.
PaperOutput print_paper(const PaperData &paper, const PrintOptions &options, PrintFormat format);
