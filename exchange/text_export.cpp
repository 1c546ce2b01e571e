#include "exchange/text_export.h"
#include "paper/work_progress.h"

#include "exchange/exchange_messages.h"
#include "exchange/export_sections.h"
#include "exchange/question_file.h"

namespace
{

void append_line(QString &out, const QString &line)
{
    QString text = line;
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    out += text + QStringLiteral("\r\n");
}

void append_section(QString &out, int index, const ExportSection &section)
{
    if (!out.isEmpty())
        out += QStringLiteral("\r\n");
    append_line(out, section_heading(index, section));
    for (size_t i = 0; i < section.items.size(); ++i) {
        work_step();
        const ExportItem &item = section.items[i];
        append_line(
            out, QStringLiteral("%1．%2%3").arg(i + 1).arg(own_scores(section, item), item.text));
        append_line(out, QStringLiteral("【答案】") + item.answer);
    }
}

} // namespace

QByteArray export_text(const PaperData &paper)
{
    QString out;
    const std::vector<ExportSection> sections = export_sections(paper);
    for (size_t i = 0; i < sections.size(); ++i)
        append_section(out, int(i), sections[i]);
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

QStringList text_export_differences(const PaperData &paper, const QByteArray &exported)
{
    const ImportResult read = import_question_file(exported, ImportFormat::Text, ImportScores{});
    return questions_read_differently(paper, read.paper, text_export_difference);
}
