#include "paper_tool/paper_outputs.h"

#include "exchange/exchange.h"
#include "exchange/text_export.h"
#include "exchange/xlsx_export.h"
#include "paper/work_progress.h"
#include "paper_tool/paper_folder.h"
#include "paper_tool/paper_tool_messages.h"

std::optional<ExportFormat> export_format_named(const QString &name)
{
    if (name == QLatin1String("gift"))
        return ExportFormat::Gift;
    if (name == QLatin1String("moodle-xml"))
        return ExportFormat::MoodleXml;
    if (name == QLatin1String("text"))
        return ExportFormat::Text;
    if (name == QLatin1String("docx"))
        return ExportFormat::Docx;
    if (name == QLatin1String("xlsx"))
        return ExportFormat::Xlsx;
    return std::nullopt;
}

PaperOutput export_paper(const PaperData &paper, const ExportRequest &request)
{
    PaperOutput output;
    work_total(question_count(paper));
    switch (request.format) {
    case ExportFormat::Gift:
        output.bytes = export_gift(paper);
        break;
    case ExportFormat::MoodleXml:
        output.bytes = export_moodle_xml(paper);
        break;
    case ExportFormat::Text:
        output.bytes = export_text(paper);
        output.differences = text_export_differences(paper, output.bytes);
        break;
    case ExportFormat::Docx:
        output.bytes = export_docx(paper, {request.title, request.contents});
        if (output.bytes.isEmpty())
            output.error = QStringLiteral("无法生成 Word 文档");
        // The key is what brings the answers back: only then is there a paper to compare.
        else if (request.contents == DocxContents::PaperAndKey)
            output.differences = docx_export_differences(paper, output.bytes);
        break;
    case ExportFormat::Xlsx:
        output.bytes = export_xlsx(paper);
        if (output.bytes.isEmpty())
            output.error = QStringLiteral("无法生成 Excel 文件");
        else
            output.differences = xlsx_export_differences(paper, output.bytes);
        break;
    }
    return output;
}

PaperOutput print_paper(const PaperData &paper, const PrintOptions &options, PrintFormat format)
{
    PaperOutput output;
    work_total(question_count(paper));
    if (format == PrintFormat::Html) {
        output.bytes = paper_html(paper, options);
        return output;
    }
    PrintError error;
    output.bytes = paper_pdf(paper, options, &error);
    output.error = print_message(error);
    return output;
}
