#include "exchange/docx_export.h"
#include "paper/work_progress.h"

#include "exchange/docx_package.h"
#include "exchange/exchange_messages.h"
#include "exchange/export_sections.h"
#include "exchange/option_layout.h"
#include "exchange/option_lines.h"
#include "exchange/question_file.h"

#include <algorithm>

namespace
{

// How a paragraph stands: the title's, a heading's, a question's.
struct Look {
    bool centred = false;
    bool bold = false;
    int size = 0;            // half-points; 0: the body's
    int tab_columns = 0;     // left tab stops that part the line in so many columns
    bool page_break = false; // starts a new page
};

// The body's paragraphs, written through QXmlStreamWriter.
class Body
{
  public:
    explicit Body(QXmlStreamWriter &xml) : xml_(xml) {}

    // One paragraph per line of `text`; the runs of a line part at tabs.
    void paragraphs(const QString &text, const Look &look = {})
    {
        for (const QString &line : text.split(QLatin1Char('\n')))
            paragraph(line, look);
    }

    void paragraph(const QString &line, const Look &look = {})
    {
        start(kWordNamespace, QStringLiteral("p"));
        properties(look);
        if (look.page_break) {
            start(kWordNamespace, QStringLiteral("r"));
            xml_.writeEmptyElement(kWordNamespace, QStringLiteral("br"));
            xml_.writeAttribute(kWordNamespace, QStringLiteral("type"), QStringLiteral("page"));
            xml_.writeEndElement();
        }
        const QStringList cells = line.split(QLatin1Char('\t'));
        for (int i = 0; i < cells.size(); ++i) {
            if (i > 0 || !cells[i].isEmpty())
                run(cells[i], look, i > 0);
        }
        xml_.writeEndElement();
    }

  private:
    void start(const QString &ns, const QString &name) { xml_.writeStartElement(ns, name); }

    void value(const QString &element, const QString &value)
    {
        xml_.writeEmptyElement(kWordNamespace, element);
        xml_.writeAttribute(kWordNamespace, QStringLiteral("val"), value);
    }

    void properties(const Look &look)
    {
        start(kWordNamespace, QStringLiteral("pPr"));
        if (look.tab_columns > 1) {
            start(kWordNamespace, QStringLiteral("tabs"));
            for (int column = 1; column < look.tab_columns; ++column) {
                xml_.writeEmptyElement(kWordNamespace, QStringLiteral("tab"));
                xml_.writeAttribute(kWordNamespace, QStringLiteral("val"), QStringLiteral("left"));
                xml_.writeAttribute(kWordNamespace, QStringLiteral("pos"),
                                    QString::number(kDocxTextWidth * column / look.tab_columns));
            }
            xml_.writeEndElement();
        }
        if (look.centred)
            value(QStringLiteral("jc"), QStringLiteral("center"));
        xml_.writeEndElement();
    }

    void run(const QString &text, const Look &look, bool after_tab)
    {
        start(kWordNamespace, QStringLiteral("r"));
        if (look.bold || look.size > 0) {
            start(kWordNamespace, QStringLiteral("rPr"));
            if (look.bold)
                xml_.writeEmptyElement(kWordNamespace, QStringLiteral("b"));
            if (look.size > 0) {
                value(QStringLiteral("sz"), QString::number(look.size));
                value(QStringLiteral("szCs"), QString::number(look.size));
            }
            xml_.writeEndElement();
        }
        if (after_tab)
            xml_.writeEmptyElement(kWordNamespace, QStringLiteral("tab"));
        start(kWordNamespace, QStringLiteral("t"));
        xml_.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        xml_.writeCharacters(text);
        xml_.writeEndElement();
        xml_.writeEndElement();
    }

    QXmlStreamWriter &xml_;
};

const Look kTitle{true, true, 32, 0, false}; // 三号
const Look kHeading{false, true, 0, 0, false};

// Lines left for the pupil's answer: three, one more for every two points
// up to twelve, as a 10-point question gets about eight.
int answer_lines(double score)
{
    return std::clamp(3 + int(score / 2), 3, 12);
}

// The options laid out so many a line, parted by tabs.
void write_options(Body &body, const QStringList &options)
{
    QStringList cells;
    for (int i = 0; i < options.size(); ++i)
        cells.append(QChar(u'A' + i) + QStringLiteral("．") + options[i]);
    const int per_line = options_per_line(cells, kDocxLineCharacters);
    for (int first = 0; first < cells.size(); first += per_line)
        body.paragraphs(cells.mid(first, per_line).join(QLatin1Char('\t')),
                        {false, false, 0, per_line, false});
}

void write_question(Body &body, const ExportSection &section, int number)
{
    const ExportItem &item = section.items[size_t(number - 1)];
    const QString lead = QStringLiteral("%1．%2").arg(number).arg(own_scores(section, item));
    const std::optional<LaidOutOptions> laid_out =
        section.kind == QuestionKind::FreeAnswer ? std::nullopt : find_laid_out_options(item.text);
    body.paragraphs(lead + (laid_out ? laid_out->stem : item.text));
    if (laid_out)
        write_options(body, laid_out->options);
    if (section.kind == QuestionKind::FreeAnswer) {
        for (int i = answer_lines(item.score); i > 0; --i)
            body.paragraph(QString());
    }
}

void write_questions(Body &body, const std::vector<ExportSection> &sections)
{
    for (size_t i = 0; i < sections.size(); ++i) {
        body.paragraph(section_heading(int(i), sections[i]), kHeading);
        for (size_t number = 1; number <= sections[i].items.size(); ++number) {
            work_step();
            write_question(body, sections[i], int(number));
        }
    }
}

// "1～5 BCADB" for single choice; several letters a key set apart
// ("1～3 AC BD ABC") for multiple choice. A question without a key ends a
// run, and a run of one is written "3．B".
QStringList key_runs(const ExportSection &section)
{
    const QString separator =
        section.kind == QuestionKind::MultipleChoice ? QStringLiteral(" ") : QString();
    QStringList runs;
    const int count = int(section.items.size());
    for (int first = 0; first < count;) {
        int last = first;
        while (last < count && !section.items[size_t(last)].answer.isEmpty() &&
               (last == first || last % 5 != 0))
            ++last;
        if (last == first) {
            ++first; // no key
            continue;
        }
        QStringList keys;
        for (int i = first; i < last; ++i)
            keys.append(section.items[size_t(i)].answer);
        runs.append(
            last - first == 1
                ? QStringLiteral("%1．%2").arg(first + 1).arg(keys.front())
                : QStringLiteral("%1～%2 %3").arg(first + 1).arg(last).arg(keys.join(separator)));
        first = last;
    }
    return runs;
}

void write_reference_answers(Body &body, const ExportSection &section)
{
    for (size_t i = 0; i < section.items.size(); ++i) {
        if (!section.items[i].answer.isEmpty())
            body.paragraphs(QStringLiteral("%1．%2").arg(i + 1).arg(section.items[i].answer));
    }
}

void write_key(Body &body, const std::vector<ExportSection> &sections, bool new_page)
{
    body.paragraph(QStringLiteral("参考答案"), {true, true, 28, 0, new_page}); // 四号
    for (size_t i = 0; i < sections.size(); ++i) {
        body.paragraph(QStringLiteral("%1、%2").arg(section_numeral(int(i)), sections[i].name),
                       kHeading);
        if (sections[i].kind == QuestionKind::FreeAnswer)
            write_reference_answers(body, sections[i]);
        else
            for (const QString &run : key_runs(sections[i]))
                body.paragraph(run);
    }
}

void write_page(QXmlStreamWriter &xml)
{
    xml.writeStartElement(kWordNamespace, QStringLiteral("sectPr"));
    xml.writeEmptyElement(kWordNamespace, QStringLiteral("footerReference"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("type"), QStringLiteral("default"));
    xml.writeAttribute(kRelationshipsNamespace, QStringLiteral("id"), kFooterRelationship);
    xml.writeEmptyElement(kWordNamespace, QStringLiteral("pgSz"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("w"), QStringLiteral("11906"));
    xml.writeAttribute(kWordNamespace, QStringLiteral("h"), QStringLiteral("16838"));
    xml.writeEmptyElement(kWordNamespace, QStringLiteral("pgMar"));
    const std::pair<const char *, int> margins[] = {
        {"top", 1440},   {"right", 1803}, {"bottom", 1440}, {"left", 1803},
        {"header", 851}, {"footer", 992}, {"gutter", 0}};
    for (const auto &[side, twips] : margins)
        xml.writeAttribute(kWordNamespace, QLatin1String(side), QString::number(twips));
    xml.writeEndElement();
}

QByteArray document(const PaperData &paper, const DocxExportOptions &options)
{
    return xml_part([&](QXmlStreamWriter &xml) {
        xml.writeNamespace(kWordNamespace, QStringLiteral("w"));
        xml.writeNamespace(kRelationshipsNamespace, QStringLiteral("r"));
        xml.writeStartElement(kWordNamespace, QStringLiteral("document"));
        xml.writeStartElement(kWordNamespace, QStringLiteral("body"));
        Body body(xml);
        const std::vector<ExportSection> sections = export_sections(paper);
        body.paragraph(options.title, kTitle);
        if (options.contents == DocxContents::KeyOnly) {
            write_key(body, sections, false);
        } else {
            body.paragraph(QStringLiteral("班级：________  姓名：________  学号：________"),
                           {true, false, 0, 0, false});
            write_questions(body, sections);
            if (options.contents == DocxContents::PaperAndKey)
                write_key(body, sections, true);
        }
        write_page(xml);
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

} // namespace

QByteArray export_docx(const PaperData &paper, const DocxExportOptions &options)
{
    return zip_parts(docx_package(document(paper, options), options.title)).value_or(QByteArray());
}

QStringList docx_export_differences(const PaperData &paper, const QByteArray &exported)
{
    const ImportResult read = import_question_file(exported, ImportFormat::Docx, ImportScores{});
    return questions_read_differently(paper, read.paper, docx_export_difference);
}
