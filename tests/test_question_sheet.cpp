// The questions of a workbook's or a CSV file's rows: the header row found by
// its column names, the kinds by a type column or by the sheet's name, and
// keys, scores and analyses from their columns.

#include "exchange/question_sheet.h"
#include "tests/question_summary.h"

#include <QtTest>

namespace
{

// A sheet from rows of cells separated by "|", numbered from 1.
SourceSheet sheet(const QString &name, const QStringList &rows)
{
    SourceSheet made;
    made.name = name;
    for (int i = 0; i < rows.size(); ++i) {
        SourceSheet::Row row;
        row.number = i + 1;
        for (const QString &cell : rows[i].split(QLatin1Char('|')))
            row.cells.push_back(cell);
        made.rows.push_back(row);
    }
    return made;
}

} // namespace

class TestQuestionSheet : public QObject
{
    Q_OBJECT

  private slots:
    void rows_become_questions_data();
    void rows_become_questions();
};

using Sheets = QVector<QPair<QString, QStringList>>;
Q_DECLARE_METATYPE(Sheets)

void TestQuestionSheet::rows_become_questions_data()
{
    QTest::addColumn<Sheets>("sheets");
    QTest::addColumn<QString>("paper");

    QTest::newRow("the template of exam systems, under a title row")
        << Sheets{{"Sheet1",
                   {"试题导入模板||||", "题型|题干|选项A|选项B|选项C|正确答案|分值|解析",
                    "单选题|甲|a|b|c|B|2|因为", "多选题|乙|a|b|c|A、C|4|", "判断题|丙||||正确|1|",
                    "简答题|丁||||戊|10|己"}}}
        << "S2:B:甲\nA. a\nB. b\nC. c | S1:A:丙\nA. 正确\nB. 错误 | M4/2:AC:乙\nA. a\nB. b\nC. c | "
           "U10:丁=>戊\n解析：\n己 | change 工作表“Sheet1”第 5 行: 判断题改成了单选题：A. 正确　B. "
           "错误，答案 A | note: 1 道选择题的解析没有导入：试卷的选择题没有放解析的地方";
    QTest::newRow("English names and letters as option columns")
        << Sheets{{"",
                   {"Type|Question|A|B|C|D|Answer|Score", "single|x|a|b|c|d|D|",
                    "multiple choice|y|a|b|||A,B|3"}}}
        << "S2:D:x\nA. a\nB. b\nC. c\nD. d | M3/1.5:AB:y\nA. a\nB. b";
    QTest::newRow("one sheet per kind, named after it")
        << Sheets{{"单选题", {"题干|A|B|答案", "甲|a|b|A"}},
                  {"多选题", {"题干|A|B|答案", "乙|a|b|B"}},
                  {"判断题", {"题干|答案", "丙|FALSE"}}}
        << "S2:A:甲\nA. a\nB. b | S2:B:丙\nA. 正确\nB. 错误 | M3/1.5:B:乙\nA. a\nB. b | "
           "change 工作表“判断题”第 2 行: 判断题改成了单选题：A. 正确　B. 错误，答案 B";
    QTest::newRow("without a type the row tells its kind")
        << Sheets{{"", {"题目|选项A|选项B|答案", "甲|a|b|AB", "乙|||参考答案文字", "丙|a|b|B"}}}
        << "S2:B:丙\nA. a\nB. b | M3/1.5:AB:甲\nA. a\nB. b | U5:乙=>参考答案文字";
    QTest::newRow("option columns holding their own letters: the stem shows the options")
        << Sheets{{"",
                   {"题型|题干|选项A|选项B|选项C|答案", "单选题|如图，选出正确的一项。|A|B|C|C",
                    "多选题|见下表。\n甲 乙|A|B||AB", "单选题|甲|A|b||A", "单选题||A|B||A"}}}
        << "S2:C:如图，选出正确的一项。 | S2:A:甲\nA. A\nB. b | M3/1.5:AB:见下表。\n甲 乙 | "
           "skip 第 5 行: 题目是空的";
    QTest::newRow("one options column, one option a line")
        << Sheets{{"", {"题干|选项|答案", "甲|A．a\nB．b\nC．c|C", "乙|x\ny|A"}}}
        << "S2:C:甲\nA. a\nB. b\nC. c | S2:A:乙\nA. x\nB. y";
    QTest::newRow("scores: the stem's own first, then the column, then the default")
        << Sheets{{"",
                   {"题干|答案|分值|部分得分", "（12分）甲|丁|5|", "乙|丁|2.333|", "丙|丁||",
                    "多|AB|4|1"}}}
        << "U12:甲=>丁 | U2.33:乙=>丁 | U5:丙=>丁 | skip 第 5 行: 选择题至少要有 A、B 两个选项 | "
           "change 第 3 行: 分值 2.333 改成了 2.33：试卷的分数在 0 到 10000 之间，最多两位小数";
    QTest::newRow("the key in the stem's bracket, partial score column")
        << Sheets{{"", {"题型|题干|A|B|部分得分|分值", "多选|甲（ A B ）|a|b|1|4"}}}
        << "M4/1:AB:甲（\u3000）\nA. a\nB. b";
    QTest::newRow("columns not read are named once, empty rows pass")
        << Sheets{{"", {"题干|答案|难度|知识点", "甲|乙|易|一", "||", "丙|丁|难|二"}}}
        << "U5:甲=>乙 | U5:丙=>丁 | note: 这些列没有导入：难度、知识点";
    QTest::newRow("a sheet without a header")
        << Sheets{{"说明", {"请在下一页填写"}}, {"题目", {"题干|答案", "甲|乙"}}}
        << "U5:甲=>乙 | note: 工作表“说明”的前 10 "
           "行中没有表头（至少要有“题干”一列和“答案”等另一列），没有读取";
}

void TestQuestionSheet::rows_become_questions()
{
    QFETCH(Sheets, sheets);
    QFETCH(QString, paper);
    SourceWorkbook workbook;
    for (const auto &[name, rows] : sheets)
        workbook.sheets.push_back(sheet(name, rows));
    ImportResult result;
    read_question_sheets(workbook, ImportScores{2, 3, 5}, result);
    QCOMPARE(import_summary(result), paper);
}

QTEST_GUILESS_MAIN(TestQuestionSheet)
#include "test_question_sheet.moc"
