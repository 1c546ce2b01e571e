#include "exchange/xlsx_export.h"
#include "paper/work_progress.h"

#include "exchange/exchange_messages.h"
#include "exchange/export_sections.h"
#include "exchange/option_layout.h"
#include "exchange/question_file.h"
#include "exchange/zip_writer.h"

#include <QHash>
#include <QLocale>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace
{

const QString kSheetName = QStringLiteral("试题");

const QString kSpreadsheetNamespace =
    QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
const QString kRelationshipsNamespace =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString kPackageRelationshipsNamespace =
    QStringLiteral("http://schemas.openxmlformats.org/package/2006/relationships");

// The kinds as the type column names them: names exam systems use, read back
// by kind_named.
const QString kSingleName = QStringLiteral("单选题");
const QString kMultipleName = QStringLiteral("多选题");
const QString kFreeAnswerName = QStringLiteral("简答题");

// The columns, in order, with their widths in characters (a Chinese character
// takes two): the stem wide, an option as wide as a short phrase, the key as
// wide as a free answer's reference answer needs.
struct ColumnSpec {
    const char16_t *name;
    int width;
};
const ColumnSpec kColumns[] = {
    {u"题型", 10},  {u"题干", 50},  {u"选项A", 18},    {u"选项B", 18},
    {u"选项C", 18}, {u"选项D", 18}, {u"选项E", 18},    {u"选项F", 18},
    {u"答案", 30},  {u"分值", 8},   {u"部分得分", 10}, {u"解析", 30},
};
constexpr int kColumnCount = int(sizeof kColumns / sizeof kColumns[0]);
constexpr int kStemColumn = 1;
constexpr int kFirstOptionColumn = 2;
constexpr int kKeyColumn = 8;
constexpr int kScoreColumn = 9;
constexpr int kPartialColumn = 10;

// The cell formats of styles.xml, by index.
constexpr int kHeaderStyle = 1; // bold on grey, wrapped
constexpr int kBodyStyle = 2;   // wrapped, at the top of the row

// A line of the default font, and the tallest row Excel allows, in points.
constexpr double kLineHeight = 15;
constexpr double kMaxRowHeight = 409;

// One question as its row holds it.
struct Row {
    QString kind;
    QString stem;
    QStringList options; // option A first
    QString key;
    double score = 0;
    std::optional<double> partial;
};

// The options laid out in the text go in their columns, as the import lays
// them out again ("A. …" a line). A text that does not lay them out (a table,
// a figure), or whose key names an option it does not show, goes whole in
// the stem with each option column holding its own letter: the import keeps
// such a text as it is.
Row choice_row(const ChoiceQuestion &question, const QString &kind)
{
    Row row{kind, question.problem, {}, option_letters(question.answer), question.score, {}};
    const std::optional<LaidOutOptions> laid_out = find_laid_out_options(question.problem);
    if (laid_out && highest_option(question.answer) < laid_out->options.size()) {
        row.stem = laid_out->stem;
        row.options = laid_out->options;
        return row;
    }
    for (const QChar letter : option_letters_used(question.problem, question.answer)) {
        if (row.options.size() < kOptionCount)
            row.options.append(letter);
    }
    return row;
}

std::vector<Row> rows_of(const PaperData &paper)
{
    std::vector<Row> rows;
    for (const ChoiceQuestion &question : paper.onech) {
        work_step();
        rows.push_back(choice_row(question, kSingleName));
    }
    for (const ChoiceQuestion &question : paper.somech) {
        work_step();
        rows.push_back(choice_row(question, kMultipleName));
        rows.back().partial = question.partial_score;
    }
    for (const UnchQuestion &question : paper.unch) {
        work_step();
        rows.push_back(
            {kFreeAnswerName, question.problem, {}, question.answer, question.score, {}});
    }
    return rows;
}

// Whether `text` holds at `at` what Excel reads as an escape "_xHHHH_": the
// reader's own test (xlsx_text.cpp).
bool looks_escaped(const QString &text, int at)
{
    if (at + 7 > text.size() || text[at] != u'_' || text[at + 1] != u'x' || text[at + 6] != u'_')
        return false;
    bool ok = false;
    const int code = text.midRef(at + 2, 4).toInt(&ok, 16);
    return ok && code >= 0;
}

// "_x001B_" for ESC.
QString escape_of(char16_t c)
{
    return QStringLiteral("_x%1_").arg(QString::number(c, 16).toUpper().rightJustified(4, u'0'));
}

// `text` as a cell holds it: characters XML cannot carry (control
// characters but tab and line feed, a lone surrogate, U+FFFE and U+FFFF)
// written as Excel's escapes "_xHHHH_", and an underscore that would start
// such an escape escaped itself ("_x005F_"), so that every text reads back
// as it is.
QString cell_text(const QString &text)
{
    QString cell;
    cell.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        const bool pair =
            c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (pair) {
            cell.append(c);
            cell.append(text[++i]);
        } else if ((u < 0x20 && u != u'\t' && u != u'\n') || c.isSurrogate() || u == 0xFFFE ||
                   u == 0xFFFF) {
            cell.append(escape_of(u));
        } else if (looks_escaped(text, i)) {
            cell.append(escape_of(u'_'));
        } else {
            cell.append(c);
        }
    }
    return cell;
}

QString column_letter(int column)
{
    return QString(QChar(u'A' + column));
}

QString cell_reference(int column, int row)
{
    return column_letter(column) + QString::number(row);
}

// The shortest digits that read back as the same number.
QString number_text(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The lines `text` takes in a wrapped cell `width` characters wide, a
// Chinese character taking two: enough of an estimate for a row's height.
int lines_in(const QString &text, int width)
{
    int lines = 0;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        int units = 0;
        for (const QChar c : line)
            units += c.unicode() >= 0x2E80 && !c.isSurrogate() ? 2 : 1;
        lines += std::max(1, (units + width - 1) / width);
    }
    return lines;
}

// The height of a row holding `row`, in points: Excel's and LibreOffice's
// default for one line; neither fits a row to its wrapped text as it opens
// the file. The height is not marked custom, so that Excel fits the row
// again as the teacher edits it.
std::optional<double> row_height(const Row &row)
{
    int lines = std::max(lines_in(row.stem, kColumns[kStemColumn].width),
                         lines_in(row.key, kColumns[kKeyColumn].width));
    for (int i = 0; i < row.options.size(); ++i)
        lines = std::max(lines, lines_in(row.options[i], kColumns[kFirstOptionColumn + i].width));
    if (lines <= 1)
        return std::nullopt;
    return std::min(kLineHeight * lines, kMaxRowHeight);
}

class SheetWriter
{
  public:
    explicit SheetWriter(QByteArray &bytes) : xml_(&bytes) {}

    QXmlStreamWriter &xml() { return xml_; }

    void start_row(int row, std::optional<double> height = std::nullopt)
    {
        row_ = row;
        xml_.writeStartElement(QStringLiteral("row"));
        xml_.writeAttribute(QStringLiteral("r"), QString::number(row));
        if (height)
            xml_.writeAttribute(QStringLiteral("ht"), number_text(*height));
    }

    void text(int column, const QString &text, int style)
    {
        if (text.isEmpty())
            return;
        start_cell(column, style);
        xml_.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
        xml_.writeStartElement(QStringLiteral("is"));
        xml_.writeStartElement(QStringLiteral("t"));
        xml_.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
        xml_.writeCharacters(cell_text(text));
        xml_.writeEndElement();
        xml_.writeEndElement();
        xml_.writeEndElement();
    }

    // A number a formula can add up; a score no number can hold (not
    // finite) as text, for the reader to find no score in.
    void number(int column, double value)
    {
        if (!std::isfinite(value)) {
            text(column, number_text(value), kBodyStyle);
            return;
        }
        start_cell(column, kBodyStyle);
        xml_.writeTextElement(QStringLiteral("v"), number_text(value));
        xml_.writeEndElement();
    }

  private:
    void start_cell(int column, int style)
    {
        xml_.writeStartElement(QStringLiteral("c"));
        xml_.writeAttribute(QStringLiteral("r"), cell_reference(column, row_));
        xml_.writeAttribute(QStringLiteral("s"), QString::number(style));
    }

    QXmlStreamWriter xml_;
    int row_ = 0;
};

void start_part(QXmlStreamWriter &xml, const QString &root, const QString &ns)
{
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(root);
    xml.writeAttribute(QStringLiteral("xmlns"), ns);
}

QByteArray sheet_part(const std::vector<Row> &rows)
{
    QByteArray bytes;
    SheetWriter sheet(bytes);
    QXmlStreamWriter &xml = sheet.xml();
    start_part(xml, QStringLiteral("worksheet"), kSpreadsheetNamespace);
    xml.writeAttribute(QStringLiteral("xmlns:r"), kRelationshipsNamespace);
    xml.writeEmptyElement(QStringLiteral("dimension"));
    xml.writeAttribute(QStringLiteral("ref"), QStringLiteral("A1:%1").arg(cell_reference(
                                                  kColumnCount - 1, int(rows.size()) + 1)));
    // The header stays in sight as the teacher scrolls.
    xml.writeStartElement(QStringLiteral("sheetViews"));
    xml.writeStartElement(QStringLiteral("sheetView"));
    xml.writeAttribute(QStringLiteral("tabSelected"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("workbookViewId"), QStringLiteral("0"));
    xml.writeEmptyElement(QStringLiteral("pane"));
    xml.writeAttribute(QStringLiteral("ySplit"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("topLeftCell"), QStringLiteral("A2"));
    xml.writeAttribute(QStringLiteral("activePane"), QStringLiteral("bottomLeft"));
    xml.writeAttribute(QStringLiteral("state"), QStringLiteral("frozen"));
    xml.writeEmptyElement(QStringLiteral("selection"));
    xml.writeAttribute(QStringLiteral("pane"), QStringLiteral("bottomLeft"));
    xml.writeAttribute(QStringLiteral("activeCell"), QStringLiteral("A2"));
    xml.writeAttribute(QStringLiteral("sqref"), QStringLiteral("A2"));
    xml.writeEndElement(); // sheetView
    xml.writeEndElement(); // sheetViews
    xml.writeEmptyElement(QStringLiteral("sheetFormatPr"));
    xml.writeAttribute(QStringLiteral("defaultRowHeight"), number_text(kLineHeight));
    // Whole columns wrap their text, the rows a teacher adds too.
    xml.writeStartElement(QStringLiteral("cols"));
    for (int column = 0; column < kColumnCount; ++column) {
        xml.writeEmptyElement(QStringLiteral("col"));
        xml.writeAttribute(QStringLiteral("min"), QString::number(column + 1));
        xml.writeAttribute(QStringLiteral("max"), QString::number(column + 1));
        xml.writeAttribute(QStringLiteral("width"), QString::number(kColumns[column].width));
        xml.writeAttribute(QStringLiteral("style"), QString::number(kBodyStyle));
        xml.writeAttribute(QStringLiteral("customWidth"), QStringLiteral("1"));
    }
    xml.writeEndElement(); // cols
    xml.writeStartElement(QStringLiteral("sheetData"));
    sheet.start_row(1);
    for (int column = 0; column < kColumnCount; ++column)
        sheet.text(column, QString::fromUtf16(kColumns[column].name), kHeaderStyle);
    xml.writeEndElement(); // row
    for (size_t r = 0; r < rows.size(); ++r) {
        const Row &row = rows[r];
        sheet.start_row(int(r) + 2, row_height(row));
        sheet.text(0, row.kind, kBodyStyle);
        sheet.text(kStemColumn, row.stem, kBodyStyle);
        for (int i = 0; i < row.options.size(); ++i)
            sheet.text(kFirstOptionColumn + i, row.options[i], kBodyStyle);
        sheet.text(kKeyColumn, row.key, kBodyStyle);
        sheet.number(kScoreColumn, row.score);
        if (row.partial)
            sheet.number(kPartialColumn, *row.partial);
        xml.writeEndElement(); // row
    }
    xml.writeEndElement(); // sheetData
    xml.writeEndElement(); // worksheet
    xml.writeEndDocument();
    return bytes;
}

// A font of Chinese Office: 等线, Excel's own since 2016, with the GB2312
// character set so that a viewer without it picks a Chinese font.
void write_font(QXmlStreamWriter &xml, bool bold)
{
    xml.writeStartElement(QStringLiteral("font"));
    if (bold)
        xml.writeEmptyElement(QStringLiteral("b"));
    const auto value = [&xml](const QString &element, const QString &value) {
        xml.writeEmptyElement(element);
        xml.writeAttribute(QStringLiteral("val"), value);
    };
    value(QStringLiteral("sz"), QStringLiteral("11"));
    value(QStringLiteral("name"), QStringLiteral("等线"));
    value(QStringLiteral("family"), QStringLiteral("2"));
    value(QStringLiteral("charset"), QStringLiteral("134"));
    xml.writeEndElement();
}

void write_fill(QXmlStreamWriter &xml, const QString &pattern, const QString &colour = QString())
{
    xml.writeStartElement(QStringLiteral("fill"));
    xml.writeStartElement(QStringLiteral("patternFill"));
    xml.writeAttribute(QStringLiteral("patternType"), pattern);
    if (!colour.isEmpty()) {
        xml.writeEmptyElement(QStringLiteral("fgColor"));
        xml.writeAttribute(QStringLiteral("rgb"), colour);
        xml.writeEmptyElement(QStringLiteral("bgColor"));
        xml.writeAttribute(QStringLiteral("indexed"), QStringLiteral("64"));
    }
    xml.writeEndElement();
    xml.writeEndElement();
}

void write_cell_format(QXmlStreamWriter &xml, int font, int fill, const QString &vertical)
{
    xml.writeStartElement(QStringLiteral("xf"));
    xml.writeAttribute(QStringLiteral("numFmtId"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("fontId"), QString::number(font));
    xml.writeAttribute(QStringLiteral("fillId"), QString::number(fill));
    xml.writeAttribute(QStringLiteral("borderId"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("xfId"), QStringLiteral("0"));
    if (font != 0)
        xml.writeAttribute(QStringLiteral("applyFont"), QStringLiteral("1"));
    if (fill != 0)
        xml.writeAttribute(QStringLiteral("applyFill"), QStringLiteral("1"));
    if (!vertical.isEmpty()) {
        xml.writeAttribute(QStringLiteral("applyAlignment"), QStringLiteral("1"));
        xml.writeEmptyElement(QStringLiteral("alignment"));
        xml.writeAttribute(QStringLiteral("vertical"), vertical);
        xml.writeAttribute(QStringLiteral("wrapText"), QStringLiteral("1"));
    }
    xml.writeEndElement();
}

// Formats 0 (as Excel's default), kHeaderStyle and kBodyStyle.
QByteArray styles_part()
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    start_part(xml, QStringLiteral("styleSheet"), kSpreadsheetNamespace);
    xml.writeStartElement(QStringLiteral("fonts"));
    xml.writeAttribute(QStringLiteral("count"), QStringLiteral("2"));
    write_font(xml, false);
    write_font(xml, true);
    xml.writeEndElement();
    // The first two fills are the ones Excel reserves.
    xml.writeStartElement(QStringLiteral("fills"));
    xml.writeAttribute(QStringLiteral("count"), QStringLiteral("3"));
    write_fill(xml, QStringLiteral("none"));
    write_fill(xml, QStringLiteral("gray125"));
    write_fill(xml, QStringLiteral("solid"), QStringLiteral("FFD9D9D9"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("borders"));
    xml.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
    xml.writeStartElement(QStringLiteral("border"));
    for (const char *side : {"left", "right", "top", "bottom", "diagonal"})
        xml.writeEmptyElement(QLatin1String(side));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("cellStyleXfs"));
    xml.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
    xml.writeEmptyElement(QStringLiteral("xf"));
    xml.writeAttribute(QStringLiteral("numFmtId"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("fontId"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("fillId"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("borderId"), QStringLiteral("0"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("cellXfs"));
    xml.writeAttribute(QStringLiteral("count"), QStringLiteral("3"));
    write_cell_format(xml, 0, 0, QString());
    write_cell_format(xml, 1, 2, QStringLiteral("center"));
    write_cell_format(xml, 0, 0, QStringLiteral("top"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("cellStyles"));
    xml.writeAttribute(QStringLiteral("count"), QStringLiteral("1"));
    xml.writeEmptyElement(QStringLiteral("cellStyle"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Normal"));
    xml.writeAttribute(QStringLiteral("xfId"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("builtinId"), QStringLiteral("0"));
    xml.writeEndElement();
    xml.writeEndElement(); // styleSheet
    xml.writeEndDocument();
    return bytes;
}

QByteArray workbook_part()
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    start_part(xml, QStringLiteral("workbook"), kSpreadsheetNamespace);
    xml.writeAttribute(QStringLiteral("xmlns:r"), kRelationshipsNamespace);
    xml.writeStartElement(QStringLiteral("bookViews"));
    xml.writeEmptyElement(QStringLiteral("workbookView"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("sheets"));
    xml.writeEmptyElement(QStringLiteral("sheet"));
    xml.writeAttribute(QStringLiteral("name"), kSheetName);
    xml.writeAttribute(QStringLiteral("sheetId"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("r:id"), QStringLiteral("rId1"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

struct Relationship {
    QString type; // after ".../relationships/"
    QString target;
};

QByteArray relationships_part(const std::vector<Relationship> &relationships)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    start_part(xml, QStringLiteral("Relationships"), kPackageRelationshipsNamespace);
    for (size_t i = 0; i < relationships.size(); ++i) {
        xml.writeEmptyElement(QStringLiteral("Relationship"));
        xml.writeAttribute(QStringLiteral("Id"), QStringLiteral("rId%1").arg(i + 1));
        xml.writeAttribute(QStringLiteral("Type"),
                           kRelationshipsNamespace + QLatin1Char('/') + relationships[i].type);
        xml.writeAttribute(QStringLiteral("Target"), relationships[i].target);
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray content_types_part()
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    start_part(xml, QStringLiteral("Types"),
               QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types"));
    const auto by_extension = [&xml](const QString &extension, const QString &type) {
        xml.writeEmptyElement(QStringLiteral("Default"));
        xml.writeAttribute(QStringLiteral("Extension"), extension);
        xml.writeAttribute(QStringLiteral("ContentType"), type);
    };
    by_extension(QStringLiteral("rels"),
                 QStringLiteral("application/vnd.openxmlformats-package.relationships+xml"));
    by_extension(QStringLiteral("xml"), QStringLiteral("application/xml"));
    const auto by_part = [&xml](const QString &part, const QString &kind) {
        xml.writeEmptyElement(QStringLiteral("Override"));
        xml.writeAttribute(QStringLiteral("PartName"), part);
        xml.writeAttribute(
            QStringLiteral("ContentType"),
            QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.%1+xml")
                .arg(kind));
    };
    by_part(QStringLiteral("/xl/workbook.xml"), QStringLiteral("sheet.main"));
    by_part(QStringLiteral("/xl/worksheets/sheet1.xml"), QStringLiteral("worksheet"));
    by_part(QStringLiteral("/xl/styles.xml"), QStringLiteral("styles"));
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

// Whether Excel can hold every text of `row`: it cuts a cell's text at
// 32767 characters as it opens the file.
bool fits_excel(const Row &row)
{
    constexpr int kMaxCellText = 32767;
    if (row.stem.size() > kMaxCellText || row.key.size() > kMaxCellText)
        return false;
    for (const QString &option : row.options) {
        if (option.size() > kMaxCellText)
            return false;
    }
    return true;
}

// Whether the question the import took from `row` of the sheet is `number`
// of `kind` (from 1) as `paper` holds it.
bool read_back_as_it_is(const PaperData &paper, const ImportResult &read,
                        const QHash<QString, TakenQuestion> &taken_from, int row, QuestionKind kind,
                        int number)
{
    const auto taken = taken_from.find(sheet_row_place(kSheetName, row));
    if (taken == taken_from.end() || taken->kind != kind)
        return false;
    const size_t at = size_t(taken->number - 1);
    const size_t wanted = size_t(number - 1);
    switch (kind) {
    case QuestionKind::SingleChoice:
        return at < read.paper.onech.size() &&
               same_choice(paper.onech[wanted], read.paper.onech[at], false);
    case QuestionKind::MultipleChoice:
        return at < read.paper.somech.size() &&
               same_choice(paper.somech[wanted], read.paper.somech[at], true);
    case QuestionKind::FreeAnswer:
        return at < read.paper.unch.size() &&
               same_free_answer(paper.unch[wanted], read.paper.unch[at]);
    }
    return false;
}

} // namespace

QByteArray export_xlsx(const PaperData &paper)
{
    const std::optional<QByteArray> zip = zip_parts({
        {QStringLiteral("[Content_Types].xml"), content_types_part()},
        {QStringLiteral("_rels/.rels"), relationships_part({{QStringLiteral("officeDocument"),
                                                             QStringLiteral("xl/workbook.xml")}})},
        {QStringLiteral("xl/workbook.xml"), workbook_part()},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         relationships_part({{QStringLiteral("worksheet"), QStringLiteral("worksheets/sheet1.xml")},
                             {QStringLiteral("styles"), QStringLiteral("styles.xml")}})},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheet_part(rows_of(paper))},
        {QStringLiteral("xl/styles.xml"), styles_part()},
    });
    return zip.value_or(QByteArray());
}

QStringList xlsx_export_differences(const PaperData &paper, const QByteArray &exported)
{
    const ImportResult read = import_question_file(exported, ImportFormat::Xlsx, ImportScores{});
    // Each row stands alone: one the import leaves out or changes moves no
    // other, so every such question is named, by the row it came from.
    QHash<QString, TakenQuestion> taken_from;
    for (const TakenQuestion &taken : read.taken)
        taken_from.insert(taken.position, taken);
    const std::vector<Row> rows = rows_of(paper);
    QStringList differences;
    int row = 1;
    const auto check = [&](QuestionKind kind, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const int number = int(i) + 1;
            ++row;
            if (!fits_excel(rows[size_t(row - 2)]) ||
                !read_back_as_it_is(paper, read, taken_from, row, kind, number))
                differences.append(xlsx_export_difference(kind, number));
        }
    };
    check(QuestionKind::SingleChoice, paper.onech.size());
    check(QuestionKind::MultipleChoice, paper.somech.size());
    check(QuestionKind::FreeAnswer, paper.unch.size());
    return differences;
}
