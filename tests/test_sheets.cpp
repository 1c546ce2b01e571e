// The spreadsheet readers: Excel workbooks made here from their XML parts, and
// CSV texts, read into rows of cell texts; and files built to exhaust them.

#include "exchange/csv.h"
#include "exchange/exchange_messages.h"
#include "exchange/xlsx.h"
#include "exchange/zip_writer.h"

#include <QtTest>

namespace
{

using What = ExchangeError::What;
using Parts = QList<QPair<QString, QByteArray>>;

QByteArray zip_of(const Parts &parts)
{
    std::vector<ZipPart> zip;
    for (const auto &[name, bytes] : parts)
        zip.push_back({name, bytes});
    return zip_parts(zip).value();
}

QByteArray worksheet(const QByteArray &rows, const QByteArray &after = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet "
           "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
           rows + "</sheetData>" + after + "</worksheet>";
}

QByteArray shared_strings(const QByteArray &items)
{
    return "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + items +
           "</sst>";
}

struct Sheet {
    QByteArray name;   // in the workbook
    QByteArray target; // as the relations write it
    QString part;      // the zip entry
    QByteArray xml;
};

// A package as small as Excel opens, its sheets in the given order, all hidden.
Parts package(const std::vector<Sheet> &sheets, const QByteArray &strings = {})
{
    const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const QByteArray relations =
        "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const QByteArray package = "http://schemas.openxmlformats.org/package/2006/relationships";
    QByteArray list, links;
    Parts parts{{"[Content_Types].xml",
                 "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                 "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
                {"_rels/.rels", "<Relationships xmlns=\"" + package +
                                    "\"><Relationship Id=\"rId1\" Type=\"" + relations +
                                    "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                                    "</Relationships>"}};
    for (size_t i = 0; i < sheets.size(); ++i) {
        const QByteArray id = "rId" + QByteArray::number(int(i) + 1);
        list += "<sheet name=\"" + sheets[i].name + "\" sheetId=\"" +
                QByteArray::number(int(i) + 1) + "\" state=\"hidden\" r:id=\"" + id + "\"/>";
        links += "<Relationship Id=\"" + id + "\" Type=\"" + relations + "/worksheet\" Target=\"" +
                 sheets[i].target + "\"/>";
        parts.append({sheets[i].part, sheets[i].xml});
    }
    parts.append({"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + relations +
                                         "\"><sheets>" + list + "</sheets></workbook>"});
    parts.append({"xl/_rels/workbook.xml.rels",
                  "<Relationships xmlns=\"" + package + "\">" + links + "</Relationships>"});
    if (!strings.isEmpty())
        parts.append({"xl/sharedStrings.xml", shared_strings(strings)});
    return parts;
}

QByteArray one_sheet(const QByteArray &xml, const QByteArray &strings = {})
{
    return zip_of(
        package({{"Sheet1", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml", xml}}, strings));
}

// "3:a|b / 5:|c": each row's number and cells.
QString rows_of(const SourceSheet &sheet)
{
    QStringList rows;
    for (const SourceSheet::Row &row : sheet.rows) {
        QStringList cells;
        for (const QString &cell : row.cells)
            cells << cell;
        rows << QStringLiteral("%1:%2").arg(row.number).arg(cells.join(u'|'));
    }
    return rows.join(QStringLiteral(" / "));
}

} // namespace

class TestSheets : public QObject
{
    Q_OBJECT

  private slots:
    void cells_data();
    void cells();
    void sheetsInOrder_data();
    void sheetsInOrder();
    void refusedWorkbooks_data();
    void refusedWorkbooks();
    void sharedStrings_whereTheRelationsPutThem_data();
    void sharedStrings_whereTheRelationsPutThem();
    void workbookCells_sixHundredThousandAndNoMore_data();
    void workbookCells_sixHundredThousandAndNoMore();
    void csv_data();
    void csv();
};

void TestSheets::cells_data()
{
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<QByteArray>("after"); // after the sheet data: merges
    QTest::addColumn<QByteArray>("strings");
    QTest::addColumn<QString>("rows");

    QTest::newRow("shared strings")
        << QByteArray("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>0</v>"
                      "</c></row><row r=\"4\"><c r=\"B4\" t=\"s\"><v>2</v></c></row>")
        << QByteArray()
        << QByteArray("<si><t>单选题</t></si><si><t xml:space=\"preserve\"> 题干"
                      "（　）．\n第二行 </t></si><si><t>A_x000D_\nB</t></si>")
        << "1: 题干（　）．\n第二行 ||单选题 / 4:|A\nB";
    QTest::newRow("rich runs, phonetic guide skipped")
        << QByteArray("<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c></row>") << QByteArray()
        << QByteArray("<si><r><rPr><b/></rPr><t>下列</t></r><r><t>正确的是</t></r>"
                      "<rPh sb=\"0\" eb=\"2\"><t>カカ</t></rPh></si>")
        << "2:下列正确的是";
    QTest::newRow("inline strings")
        << QByteArray("<row r=\"1\"><c r=\"B1\" t=\"inlineStr\"><is><t>甲</t></is></c>"
                      "<c r=\"C1\" t=\"inlineStr\"><is><r><t>乙</t></r><r><t>丙</t></r></is></c>"
                      "</row>")
        << QByteArray() << QByteArray() << "1:|甲|乙丙";
    QTest::newRow("numbers")
        << QByteArray("<row r=\"1\"><c r=\"A1\"><v>2</v></c><c r=\"B1\" t=\"n\"><v>2.5</v></c>"
                      "<c r=\"C1\"><v>0.30000000000000004</v></c><c r=\"D1\"><v>0.29999999999999999"
                      "</v></c><c r=\"E1\"><v>1E-3</v></c><c r=\"F1\"><v>1e20</v></c>"
                      "<c r=\"G1\"><v>1000000</v></c><c r=\"H1\"><v>-1.5E-7</v></c>"
                      "<c r=\"I1\"><v>0.123456789012345</v></c></row>")
        << QByteArray() << QByteArray()
        << "1:2|2.5|0.3|0.3|0.001|1E+20|1000000|-1.5E-07|0.123456789012345";
    QTest::newRow("booleans, formula results, errors")
        << QByteArray(
               "<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>0</v>"
               "</c><c r=\"C1\" t=\"str\"><f>A2&amp;\"分\"</f><v>5分</v></c><c r=\"D1\" "
               "t=\"e\"><f>1/0</f><v>#DIV/0!</v></c><c r=\"E1\"><f>1+1</f><v>2</v></c></row>")
        << QByteArray() << QByteArray() << "1:TRUE|FALSE|5分|#DIV/0!|2";
    QTest::newRow("cells and rows without r follow the one before")
        << QByteArray("<row r=\"3\"><c r=\"B3\"><v>1</v></c><c><v>2</v></c></row>"
                      "<row><c><v>3</v></c><c r=\"D4\"><v>4</v></c><c><v>5</v></c></row>")
        << QByteArray() << QByteArray() << "3:|1|2 / 4:3|||4|5";
    QTest::newRow("rows without text left out, trailing empty cells dropped")
        << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"1\"/><c r=\"B1\" t=\"s\"><v>0</v></c></row>"
                      "<row r=\"2\"><c r=\"A2\"><v>1</v></c><c r=\"B2\" t=\"s\"><v>0</v></c></row>")
        << QByteArray() << QByteArray("<si><t></t></si>") << "2:1";
    QTest::newRow("columns past 256 not read")
        << QByteArray("<row r=\"1\"><c r=\"IV1\"><v>1</v></c><c r=\"IW1\"><v>2</v></c>"
                      "<c r=\"XFD1\"><v>3</v></c></row>")
        << QByteArray() << QByteArray() << "1:" + QString(255, u'|') + "1";
    QTest::newRow("merged cells fill what was read")
        << QByteArray("<row r=\"1\"><c r=\"A1\"><v>7</v></c><c r=\"C1\"><v>x</v></c></row>"
                      "<row r=\"2\"><c r=\"A2\" s=\"1\"/></row><row r=\"5\"><c r=\"B5\" t=\"str\">"
                      "<v>y</v></c></row>")
        << QByteArray("<mergeCells count=\"2\"><mergeCell ref=\"A1:B3\"/><mergeCell ref=\"B5:F9\"/>"
                      "</mergeCells>")
        << QByteArray() << "1:7|7|x / 2:7|7 / 5:|y|y";
    QTest::newRow("a merge of the whole sheet on one cell")
        << QByteArray("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")
        << QByteArray("<mergeCells><mergeCell ref=\"A1:XFD1048576\"/></mergeCells>") << QByteArray()
        << "1:1";
}

void TestSheets::cells()
{
    QFETCH(QByteArray, sheet);
    QFETCH(QByteArray, after);
    QFETCH(QByteArray, strings);
    QFETCH(QString, rows);
    ExchangeError error;
    const SourceWorkbook book = read_xlsx(one_sheet(worksheet(sheet, after), strings), error);
    QCOMPARE(int(error.what), int(What::None));
    QCOMPARE(int(book.sheets.size()), 1);
    QCOMPARE(rows_of(book.sheets[0]), rows);
}

void TestSheets::sheetsInOrder_data()
{
    QTest::addColumn<QByteArray>("first_target");
    QTest::addColumn<QString>("first_part");
    QTest::addColumn<QByteArray>("second_target");
    QTest::addColumn<QString>("second_part");

    QTest::newRow("relative") << QByteArray("worksheets/b.xml") << "xl/worksheets/b.xml"
                              << QByteArray("worksheets/a.xml") << "xl/worksheets/a.xml";
    QTest::newRow("absolute") << QByteArray("/xl/worksheets/b.xml") << "xl/worksheets/b.xml"
                              << QByteArray("/xl/worksheets/a.xml") << "xl/worksheets/a.xml";
    QTest::newRow("up a folder") << QByteArray("../xl/sheets/b.xml") << "xl/sheets/b.xml"
                                 << QByteArray("a.xml") << "xl/a.xml";
}

// The workbook's order, not the order of the parts' names or the zip's.
void TestSheets::sheetsInOrder()
{
    QFETCH(QByteArray, first_target);
    QFETCH(QString, first_part);
    QFETCH(QByteArray, second_target);
    QFETCH(QString, second_part);
    const Sheet first{"单选", first_target, first_part,
                      worksheet("<row r=\"1\"><c t=\"s\"><v>0</v></c></row>")};
    const Sheet second{"判断 &amp; 填空", second_target, second_part,
                       worksheet("<row r=\"2\"><c><v>5</v></c></row>")};
    ExchangeError error;
    const SourceWorkbook book =
        read_xlsx(zip_of(package({first, second}, "<si><t>题型</t></si>")), error);
    QCOMPARE(int(error.what), int(What::None));
    QStringList sheets;
    for (const SourceSheet &sheet : book.sheets)
        sheets << sheet.name + "=" + rows_of(sheet);
    QCOMPARE(sheets, QStringList({"单选=1:题型", "判断 & 填空=2:5"}));
}

void TestSheets::refusedWorkbooks_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("what");
    QTest::addColumn<QString>("part");

    const QByteArray fine = one_sheet(worksheet("<row r=\"1\"><c><v>1</v></c></row>"));
    const Parts parts =
        package({{"Sheet1", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml", worksheet("")}});
    const auto without = [&parts](const QString &name) {
        Parts fewer = parts;
        fewer.erase(std::remove_if(fewer.begin(), fewer.end(),
                                   [&name](const auto &part) { return part.first == name; }),
                    fewer.end());
        return zip_of(fewer);
    };
    const QByteArray with_doctype = worksheet("<row><c t=\"str\"><v>&a;</v></c></row>")
                                        .replace("<worksheet", "<!DOCTYPE worksheet [<!ENTITY a "
                                                               "\"aaaa\">]><worksheet");

    QTest::newRow("a row numbered past the cap")
        << one_sheet(worksheet("<row r=\"1000000\"><c r=\"A1000000\"><v>1</v></c></row>"))
        << int(What::SheetTooLarge) << "Sheet1";
    QTest::newRow("100001 rows, each numbered 1")
        << one_sheet(worksheet(QByteArray("<row r=\"1\"><c><v>1</v></c></row>").repeated(100001)))
        << int(What::SheetTooLarge) << "Sheet1";
    QTest::newRow("cells far right in many rows")
        << one_sheet(worksheet(QByteArray("<row><c r=\"IV1\"><v>1</v></c></row>").repeated(19600)))
        << int(What::SheetTooManyCells) << "Sheet1";
    QTest::newRow("overlapping merges of a wide sheet")
        << one_sheet(worksheet(
               QByteArray("<row><c><v>1</v></c><c r=\"IV1\"><v>1</v></c></row>").repeated(1000),
               "<mergeCells>" + QByteArray("<mergeCell ref=\"A1:IV100000\"/>").repeated(100000) +
                   "</mergeCells>"))
        << int(What::SheetTooManyCells) << "Sheet1";
    QTest::newRow("a document type in a part")
        << one_sheet(with_doctype) << int(What::XmlHasDtd) << "xl/worksheets/sheet1.xml";
    QTest::newRow("shared strings not well-formed")
        << one_sheet(worksheet(""), "<si><t>甲</si>") << int(What::XmlBroken)
        << "xl/sharedStrings.xml";
    QTest::newRow("a sheet nested too deep")
        << one_sheet(
               worksheet("<row><c><is>" + QByteArray("<r>").repeated(300) + "</is></c></row>"))
        << int(What::XmlTooDeep) << "xl/worksheets/sheet1.xml";
    QTest::newRow("a zip cut short") << fine.left(fine.size() / 2) << int(What::BrokenZip) << "";
    QTest::newRow("no workbook") << without("xl/workbook.xml") << int(What::PartMissing)
                                 << "xl/workbook.xml";
    QTest::newRow("no sheet") << without("xl/worksheets/sheet1.xml") << int(What::PartMissing)
                              << "xl/worksheets/sheet1.xml";
}

void TestSheets::refusedWorkbooks()
{
    QFETCH(QByteArray, file);
    QFETCH(int, what);
    QFETCH(QString, part);
    ExchangeError error;
    const SourceWorkbook book = read_xlsx(file, error);
    QCOMPARE(int(error.what), what);
    QCOMPARE(error.part, part);
    QVERIFY(book.sheets.empty());
    // The teacher is told which sheet or part it was.
    const QString told = exchange_message(error);
    QVERIFY2(told.contains(part), qPrintable(told));
}

// Some writers keep the shared strings elsewhere than Excel does, and say
// where in the workbook's relations.
void TestSheets::sharedStrings_whereTheRelationsPutThem_data()
{
    QTest::addColumn<QByteArray>("target"); // empty: no relation, Excel's own place
    QTest::addColumn<QString>("part");
    QTest::newRow("Excel's place, unnamed") << QByteArray() << "xl/sharedStrings.xml";
    QTest::newRow("elsewhere, relative") << QByteArray("text/strings.xml") << "xl/text/strings.xml";
    QTest::newRow("elsewhere, from the root")
        << QByteArray("/strings/all.xml") << "strings/all.xml";
}

void TestSheets::sharedStrings_whereTheRelationsPutThem()
{
    QFETCH(QByteArray, target);
    QFETCH(QString, part);
    Parts parts = package({{"Sheet1", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml",
                            worksheet("<row r=\"1\"><c t=\"s\"><v>1</v></c></row>")}});
    parts.append({part, shared_strings("<si><t>甲</t></si><si><t>乙</t></si>")});
    if (!target.isEmpty()) {
        for (auto &[name, bytes] : parts) {
            if (name == QLatin1String("xl/_rels/workbook.xml.rels"))
                bytes.replace("</Relationships>",
                              "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/"
                              "officeDocument/2006/relationships/sharedStrings\" Target=\"" +
                                  target + "\"/></Relationships>");
        }
    }
    ExchangeError error;
    const SourceWorkbook book = read_xlsx(zip_of(parts), error);
    QCOMPARE(int(error.what), int(What::None));
    QCOMPARE(int(book.sheets.size()), 1);
    QCOMPARE(rows_of(book.sheets[0]), QStringLiteral("1:乙"));
}

// `rows` rows of `width` cells each, only the last of them written: a cell
// to the right counts every cell to its left.
QByteArray wide_rows(int rows, int width)
{
    const QByteArray column =
        width > 26 ? QByteArray(1, char('A' + (width - 1) / 26 - 1)) + char('A' + (width - 1) % 26)
                   : QByteArray(1, char('A' + width - 1));
    return QByteArray("<row><c r=\"" + column + "1\"><v>1</v></c></row>").repeated(rows);
}

// The cells of all sheets together, at the cap and one past it, in one
// sheet and in two.
void TestSheets::workbookCells_sixHundredThousandAndNoMore_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("what");
    QTest::addColumn<QString>("part");
    const auto two_sheets = [](const QByteArray &first, const QByteArray &second) {
        return zip_of(
            package({{"一", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml", first},
                     {"二", "worksheets/sheet2.xml", "xl/worksheets/sheet2.xml", second}}));
    };
    QTest::newRow("600000 cells") << one_sheet(worksheet(wide_rows(5999, 100) + wide_rows(1, 100)))
                                  << int(What::None) << "";
    QTest::newRow("600001 cells") << one_sheet(worksheet(wide_rows(5999, 100) + wide_rows(1, 101)))
                                  << int(What::SheetTooManyCells) << "Sheet1";
    QTest::newRow("300000 and 300000 cells")
        << two_sheets(worksheet(wide_rows(3000, 100)), worksheet(wide_rows(3000, 100)))
        << int(What::None) << "";
    QTest::newRow("300000 and 300001 cells")
        << two_sheets(worksheet(wide_rows(3000, 100)),
                      worksheet(wide_rows(2999, 100) + wide_rows(1, 101)))
        << int(What::SheetTooManyCells) << "二";
}

void TestSheets::workbookCells_sixHundredThousandAndNoMore()
{
    QFETCH(QByteArray, file);
    QFETCH(int, what);
    QFETCH(QString, part);
    ExchangeError error;
    const SourceWorkbook book = read_xlsx(file, error);
    QCOMPARE(int(error.what), what);
    QCOMPARE(error.part, part);
    if (what != int(What::None))
        return;
    qint64 cells = 0;
    for (const SourceSheet &sheet : book.sheets)
        for (const SourceSheet::Row &row : sheet.rows)
            cells += qint64(row.cells.size());
    QCOMPARE(cells, qint64(600000));
}

void TestSheets::csv_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("rows");

    QTest::newRow("comma, CR LF") << "题型,题干,答案\r\n单选,1+1=?,B\r\n"
                                  << "1:题型|题干|答案 / 2:单选|1+1=?|B";
    QTest::newRow("tab, LF, commas in the text") << "题型\t题干\n单选\t甲,乙,丙\n判断\t对,错\n"
                                                 << "1:题型|题干 / 2:单选|甲,乙,丙 / 3:判断|对,错";
    QTest::newRow("semicolon, CR") << "a;b,c;d\rx;y;z,w"
                                   << "1:a|b,c|d / 2:x|y|z,w";
    QTest::newRow("quoted separators, quotes and line breaks")
        << "题干,答案\r\n\"下列，正确的是（　）\r\nA. 1,2\nB. \"\"3\"\"\",A\r\n末,\"\"\n"
        << "1:题干|答案 / 2:下列，正确的是（　）\nA. 1,2\nB. \"3\"|A / 5:末";
    QTest::newRow("byte order mark, empty fields and lines, trailing separator")
        << QString(QChar(0xFEFF)) + "a,,c,\n\n,,,\n,b,\n"
        << "1:a||c / 4:|b";
    QTest::newRow("a stray quote is text") << "a,b\"c,d\n\"e\"f,g\n"
                                           << "1:a|b\"c|d / 2:ef|g";
    QTest::newRow("a quote never closed is text") << "a,b\n\"c,d\ne,f\n"
                                                  << "1:a|b / 2:\"c|d / 3:e|f";
    QTest::newRow("the full-width comma is text") << "一，二，三\n四，五，六\n"
                                                  << "1:一，二，三 / 2:四，五，六";
    QTest::newRow("the separator most records share")
        << "标题;说明\n题型,题干,答案\n单选,甲;乙,A\n判断,对,B\n" // ';' splits two records, ','
                                                                  // three
        << "1:标题;说明 / 2:题型|题干|答案 / 3:单选|甲;乙|A / 4:判断|对|B";
    // Blank records say nothing of the separator: a sheet whose first rows are
    // empty still splits on what its questions use.
    QTest::newRow("blank records do not choose the separator")
        << QString("\n").repeated(12) + "题型\t题干\n单选\t甲,乙\n"
        << "13:题型|题干 / 14:单选|甲,乙";
}

void TestSheets::csv()
{
    QFETCH(QString, text);
    QFETCH(QString, rows);
    const SourceSheet sheet = read_csv(text);
    QVERIFY(sheet.name.isEmpty());
    QCOMPARE(rows_of(sheet), rows);
}

QTEST_MAIN(TestSheets)
#include "test_sheets.moc"
