// The Excel template qv_paper writes of a paper: what its sheet holds, row by
// row, read from the file itself; that the import reads every question back
// as it was; and that each question it would not is named.

#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "exchange/question_conventions.h"
#include "exchange/question_file.h"
#include "exchange/xlsx.h"
#include "exchange/xlsx_export.h"
#include "exchange/zip_archive.h"

#include "tests/question_summary.h"
#include "tests/random_paper.h"

#include <QMap>
#include <QXmlStreamReader>
#include <QtTest>

namespace
{

const QString kHeader =
    QStringLiteral("题型|题干|选项A|选项B|选项C|选项D|选项E|选项F|答案|分值|部分得分|解析");

// The rows of the workbook's sheets, each its cells joined by "|" (trailing
// empty cells left out, as the reader leaves them), after the sheet's name.
QStringList sheet_rows(const QByteArray &file)
{
    ExchangeError error;
    const SourceWorkbook book = read_xlsx(file, error);
    if (error.failed())
        return {QStringLiteral("unreadable: ") + exchange_message(error)};
    QStringList rows;
    for (const SourceSheet &sheet : book.sheets) {
        rows.append(QStringLiteral("sheet ") + sheet.name);
        for (const SourceSheet::Row &row : sheet.rows) {
            QStringList cells;
            for (const QString &cell : row.cells)
                cells.append(cell);
            rows.append(QStringLiteral("%1: %2").arg(row.number).arg(cells.join(u'|')));
        }
    }
    return rows;
}

// The type of each cell of the sheet, by its reference: "n" for a number,
// "inlineStr" for a text.
QMap<QString, QString> cell_types(const QByteArray &file)
{
    ExchangeError error;
    const std::unique_ptr<ZipArchive> zip = ZipArchive::open(file, error);
    if (!zip)
        return {};
    const std::optional<QByteArray> sheet =
        zip->read(QStringLiteral("xl/worksheets/sheet1.xml"), error);
    if (!sheet)
        return {};
    QMap<QString, QString> types;
    QXmlStreamReader xml(*sheet);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("c")) {
            const QString type = xml.attributes().value(QLatin1String("t")).toString();
            types.insert(xml.attributes().value(QLatin1String("r")).toString(),
                         type.isEmpty() ? QStringLiteral("n") : type);
        }
    }
    return xml.hasError() ? QMap<QString, QString>() : types;
}

// A paper of one question of `kind`: for a choice question `answer` is its
// letters, for a free answer its reference answer.
PaperData one_question(QuestionKind kind, const QString &problem, const QString &answer,
                       double score, double partial)
{
    PaperData paper;
    if (kind == QuestionKind::FreeAnswer) {
        paper.unch.push_back({score, problem, answer});
        return paper;
    }
    ChoiceQuestion choice;
    choice.problem = problem;
    choice.score = score;
    choice.answer = answer.isEmpty() ? 0 : *key_letters(answer);
    if (kind == QuestionKind::SingleChoice) {
        paper.onech.push_back(choice);
    } else {
        choice.partial_score = partial;
        paper.somech.push_back(choice);
    }
    return paper;
}

} // namespace

class TestXlsxExport : public QObject
{
    Q_OBJECT

  private slots:
    void a_paper_without_questions_is_the_header_alone();
    void each_question_is_a_row_data();
    void each_question_is_a_row();
    void scores_are_numbers_and_texts_inline_strings();
    void papers_written_as_xlsx_read_back_the_same();
    void questions_that_would_not_read_back_are_named_data();
    void questions_that_would_not_read_back_are_named();
    void each_question_is_named_by_its_own_number();
};

void TestXlsxExport::a_paper_without_questions_is_the_header_alone()
{
    const QByteArray file = export_xlsx(PaperData());
    QCOMPARE(sheet_rows(file), QStringList({"sheet 试题", "1: " + kHeader}));
    const ImportResult read = import_question_file(file, ImportFormat::Auto, ImportScores{});
    QVERIFY(!read.failure.failed());
    QCOMPARE(import_summary(read), QString());
}

void TestXlsxExport::each_question_is_a_row_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("score");
    QTest::addColumn<double>("partial");
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("reads_back");

    const int single = int(QuestionKind::SingleChoice);
    const int multiple = int(QuestionKind::MultipleChoice);
    const int free = int(QuestionKind::FreeAnswer);
    QTest::newRow("a single choice") << single << "1+1=?\nA. 1\nB. 2"
                                     << "B" << 2.0 << 0.0 << "单选题|1+1=?|1|2|||||B|2" << true;
    QTest::newRow("a multiple choice, partial score and two decimals")
        << multiple << "哪些是偶数？\nA. 2\nB. 3\nC. 4\nD. 5\nE. 6\nF. 7"
        << "ACE" << 4.75 << 2.25 << "多选题|哪些是偶数？|2|3|4|5|6|7|ACE|4.75|2.25" << true;
    QTest::newRow("a free answer, its reference answer as the key")
        << free << "证明之。\n写出步骤。"
        << "见讲义。\n第 2 页" << 10.0 << 0.0
        << "简答题|证明之。\n写出步骤。|||||||见讲义。\n第 2 页|10" << true;
    QTest::newRow("a free answer without a reference answer")
        << free << "作文"
        << "" << 40.0 << 0.0 << "简答题|作文||||||||40" << true;
    QTest::newRow("a choice text that does not lay out its options")
        << single << "如图，A、B、C 三点中哪一点在圆内？"
        << "B" << 2.0 << 0.0 << "单选题|如图，A、B、C 三点中哪一点在圆内？|A|B|C||||B|2" << true;
    QTest::newRow("a key past the options laid out: the text whole")
        << multiple << "下表中哪些正确？\nA. 甲\nB. 乙"
        << "AD" << 3.0 << 1.0 << "多选题|下表中哪些正确？\nA. 甲\nB. 乙|A|B|C|D|||AD|3|1" << true;
    QTest::newRow("characters XML cannot hold and what looks like Excel's escape")
        << free << "a < b & \"c\"\t_x000D_\u0001"
        << "𝑥²" << 1.0 << 0.0 << "简答题|a < b & \"c\"\t_x000D_\u0001|||||||𝑥²|1" << false;
    QTest::newRow("Excel's escapes typed as text, NUL's and the underscore's among them")
        << free << "_x0000_ _x005F_ _xFFFF_"
        << "_x0041_" << 1.0 << 0.0 << "简答题|_x0000_ _x005F_ _xFFFF_|||||||_x0041_|1" << true;
    QTest::newRow("options written otherwise, laid out again on the way back")
        << single << "丙 A．a B．b"
        << "A" << 2.0 << 0.0 << "单选题|丙|a|b|||||A|2" << false;
}

// The sheet holds the question as the data row has it, and the import reads
// it back as it was exactly when the export names no difference.
void TestXlsxExport::each_question_is_a_row()
{
    QFETCH(int, kind);
    QFETCH(QString, problem);
    QFETCH(QString, answer);
    QFETCH(double, score);
    QFETCH(double, partial);
    QFETCH(QString, row);
    QFETCH(bool, reads_back);
    const PaperData paper = one_question(QuestionKind(kind), problem, answer, score, partial);
    const QByteArray file = export_xlsx(paper);
    QCOMPARE(sheet_rows(file), QStringList({"sheet 试题", "1: " + kHeader, "2: " + row}));
    const ImportResult read = import_question_file(file, ImportFormat::Xlsx, ImportScores{});
    QCOMPARE(paper_summary(read.paper) == paper_summary(paper), reads_back);
    QCOMPARE(xlsx_export_differences(paper, file).isEmpty(), reads_back);
}

void TestXlsxExport::scores_are_numbers_and_texts_inline_strings()
{
    PaperData paper = one_question(QuestionKind::MultipleChoice, QStringLiteral("甲\nA. 1\nB. 2"),
                                   QStringLiteral("AB"), 2.5, 1);
    paper.unch.push_back({12, QStringLiteral("乙"), QStringLiteral("007")});
    const QMap<QString, QString> types = cell_types(export_xlsx(paper));
    QCOMPARE(types.value("J2"), QString("n"));
    QCOMPARE(types.value("K2"), QString("n"));
    QCOMPARE(types.value("J3"), QString("n"));
    QVERIFY(!types.contains("K3")); // no partial score for a free answer
    for (const char *text : {"A1", "L1", "A2", "B2", "C2", "D2", "I2", "I3"})
        QCOMPARE(types.value(text), QString("inlineStr"));
}

void TestXlsxExport::papers_written_as_xlsx_read_back_the_same()
{
    QRandomGenerator random(20261209);
    for (int round = 0; round < 300; ++round) {
        const PaperData paper = random_paper(random);
        const QByteArray file = export_xlsx(paper);
        QCOMPARE(export_xlsx(paper), file); // the same paper, the same bytes
        const ImportResult read = import_question_file(file, ImportFormat::Auto, ImportScores{});
        QVERIFY2(!read.failure.failed(), qPrintable(exchange_message(read.failure)));
        QCOMPARE(paper_summary(read.paper), paper_summary(paper));
        QVERIFY2(read.skipped.empty() && read.changed.empty() && read.notes.isEmpty(),
                 qPrintable(import_summary(read)));
        QCOMPARE(xlsx_export_differences(paper, file), QStringList());
    }
}

void TestXlsxExport::questions_that_would_not_read_back_are_named_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("named");

    const int single = int(QuestionKind::SingleChoice);
    const int multiple = int(QuestionKind::MultipleChoice);
    const int free = int(QuestionKind::FreeAnswer);
    const QString single_named = QStringLiteral("单选题 1 写成 Excel 表格后读回会不同");
    const QString free_named = QStringLiteral("非选择题 1 写成 Excel 表格后读回会不同");
    QTest::newRow("options on one line") << single << "甲 A．a  B．b"
                                         << "A" << single_named;
    QTest::newRow("a choice without its key") << single << "甲\nA. a\nB. b"
                                              << "" << single_named;
    QTest::newRow("a single choice of two keys") << single << "甲\nA. a\nB. b"
                                                 << "AB" << single_named;
    QTest::newRow("a score in the stem") << free << "甲（5分）"
                                         << "乙" << free_named;
    QTest::newRow("blank at the ends") << free << "甲\n"
                                       << "乙" << free_named;
    QTest::newRow("an empty free answer") << free << ""
                                          << "乙" << free_named;
    QTest::newRow("a reference answer Excel's TRUE") << free << "甲"
                                                     << "TRUE" << free_named;
    QTest::newRow("more than Excel holds in a cell")
        << free << QString(32768, u'甲') << "乙" << free_named;
    QTest::newRow("as much as Excel holds in a cell") << free << QString(32767, u'甲') << "乙"
                                                      << "";
    QTest::newRow("a safe choice") << multiple << "甲（\u3000）\nA. a\nB. b"
                                   << "AB"
                                   << "";
    QTest::newRow("a safe free answer") << free << "甲（1）乙\n____"
                                        << "丙"
                                        << "";
}

void TestXlsxExport::questions_that_would_not_read_back_are_named()
{
    QFETCH(int, kind);
    QFETCH(QString, problem);
    QFETCH(QString, answer);
    QFETCH(QString, named);
    const PaperData paper = one_question(QuestionKind(kind), problem, answer, 5, 2);
    const QStringList differences = xlsx_export_differences(paper, export_xlsx(paper));
    QCOMPARE(differences.size(), named.isEmpty() ? 0 : 1);
    if (!named.isEmpty())
        QVERIFY2(differences.front().startsWith(named), qPrintable(differences.front()));
}

// A row the import leaves out moves no other: the questions after it are
// compared with their own rows, and each that differs is named.
void TestXlsxExport::each_question_is_named_by_its_own_number()
{
    PaperData paper;
    ChoiceQuestion keyless;
    keyless.problem = QStringLiteral("甲\nA. a\nB. b");
    keyless.score = 2;
    ChoiceQuestion sound = keyless;
    sound.answer = 2;
    paper.onech = {keyless, sound, keyless, sound};
    paper.unch = {{5, QStringLiteral("乙"), QString()},
                  {5, QStringLiteral("（5分）丙"), QString()}};
    QCOMPARE(xlsx_export_differences(paper, export_xlsx(paper)),
             QStringList({xlsx_export_difference(QuestionKind::SingleChoice, 1),
                          xlsx_export_difference(QuestionKind::SingleChoice, 3),
                          xlsx_export_difference(QuestionKind::FreeAnswer, 2)}));
}

QTEST_GUILESS_MAIN(TestXlsxExport)
#include "test_xlsx_export.moc"
