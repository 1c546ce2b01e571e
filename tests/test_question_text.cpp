// The conventions of Chinese question files, read from plain text and from a
// document's lines: headings, numbers, options, keys wherever teachers put
// them, scores, analyses, and what is left out or changed.

#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "exchange/question_file.h"
#include "exchange/question_text.h"
#include "exchange/text_export.h"

#include "tests/question_summary.h"
#include "tests/random_paper.h"

#include <QtTest>

namespace
{

const ImportScores kScores{2, 3, 5};

ImportResult import_text(const QString &text)
{
    return import_question_file(text.toUtf8(), ImportFormat::Text, kScores);
}

} // namespace

class TestQuestionText : public QObject
{
    Q_OBJECT

  private slots:
    void headings_name_kinds_and_scores_data();
    void headings_name_kinds_and_scores();
    void numbers_and_options_as_teachers_write_them_data();
    void numbers_and_options_as_teachers_write_them();
    void keys_wherever_teachers_put_them_data();
    void keys_wherever_teachers_put_them();
    void scores_in_their_order_of_precedence_data();
    void scores_in_their_order_of_precedence();
    void analyses_kept_for_free_answers_and_counted_for_choices();
    void a_key_marked_by_formatting_alone_data();
    void a_key_marked_by_formatting_alone();
    void the_format_is_found_from_the_content_data();
    void the_format_is_found_from_the_content();
    void a_format_named_must_be_what_the_content_is_data();
    void a_format_named_must_be_what_the_content_is();
    void papers_written_as_text_read_back_the_same();
    void texts_that_would_not_read_back_are_named_data();
    void texts_that_would_not_read_back_are_named();
};

void TestQuestionText::headings_name_kinds_and_scores_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("paper");

    QTest::newRow("single, multiple, free answer by heading")
        << "一、单项选择题（本大题共1小题，每小题2分，共2分）\n"
           "1．甲（ B ）\nA．a\nB．b\n"
           "二、多项选择题（每小题4分，全部选对得4分，选对但不全的得2分，有选错的得0分）\n"
           "1．乙\nA．a\nB．b\nC．c\n答案：AC\n"
           "三、简答题（每小题10分）\n1．丙\n【答案】丁\n"
        << "S2:B:甲（\u3000）\nA. a\nB. b | M4/2:AC:乙\nA. a\nB. b\nC. c | U10:丙=>丁";
    QTest::newRow("a multiple-choice section keeps a single key")
        << "二、不定项选择题\n1．乙\nA．a\nB．b\n答案：B\n"
        << "M3/1.5:B:乙\nA. a\nB. b";
    QTest::newRow("a single-choice section refuses several keys")
        << "一、单选题\n1．甲\nA．a\nB．b\n答案：AB\n"
        << "skip 第 2 行（一、第 1 题）: 单选题有 2 个答案（AB），单选题只能有一个答案";
    QTest::newRow("judgements in the file's own words")
        << "三、判断题（每小题1分）\n1．甲（√）\n2．乙（ × ）\n3．丙\n答案：错\n4．丁\n答案：T\n"
        << "S1:A:甲（\u3000）\nA. 正确\nB. 错误 | S1:B:乙（\u3000）\nA. 正确\nB. 错误 | "
           "S1:B:丙\nA. 对\nB. 错 | S1:A:丁\nA. T\nB. F | "
           "change 第 2 行（三、第 1 题）: 判断题改成了单选题：A. 正确　B. 错误，答案 A | "
           "change 第 3 行（三、第 2 题）: 判断题改成了单选题：A. 正确　B. 错误，答案 B | "
           "change 第 4 行（三、第 3 题）: 判断题改成了单选题：A. 对　B. 错，答案 B | "
           "change 第 6 行（三、第 4 题）: 判断题改成了单选题：A. T　B. F，答案 A";
    QTest::newRow("judgements answered yes or no in Chinese, True or False, Yes or No")
        << QStringLiteral("三、判断题\n1．甲\n答案：是\n2．乙\n答案：否\n3．丙\n答案：FALSE\n"
                          "4．丁\n答案：true\n5．戊\n答案：Yes\n6．己\n答案：n\n")
        << QStringLiteral(
               "S2:A:甲\nA. 是\nB. 否 | S2:B:乙\nA. 是\nB. 否 | S2:B:丙\nA. True\nB. False | "
               "S2:A:丁\nA. True\nB. False | S2:A:戊\nA. Yes\nB. No | S2:B:己\nA. Yes\nB. No | "
               "change 第 2 行（三、第 1 题）: 判断题改成了单选题：A. 是　B. 否，答案 A | "
               "change 第 4 行（三、第 2 题）: 判断题改成了单选题：A. 是　B. 否，答案 B | "
               "change 第 6 行（三、第 3 题）: 判断题改成了单选题：A. True　B. False，答案 B | "
               "change 第 8 行（三、第 4 题）: 判断题改成了单选题：A. True　B. False，答案 A | "
               "change 第 10 行（三、第 5 题）: 判断题改成了单选题：A. Yes　B. No，答案 A | "
               "change 第 12 行（三、第 6 题）: 判断题改成了单选题：A. Yes　B. No，答案 B");
    QTest::newRow("headings in English")
        << QStringLiteral("一、True/False\n1．甲\n答案：F\n二、Short answer\n1．乙\n答案：A\n")
        << QStringLiteral("S2:B:甲\nA. T\nB. F | U5:乙=>A | "
                          "change 第 2 行（一、第 1 题）: 判断题改成了单选题：A. T　B. F，答案 B");
    QTest::newRow("headings without a numeral")
        << "判断题（每小题1分）\n1．甲\n答案：对\n多选题：\n1．乙\nA．a\nB．b\n答案：B\n"
        << "S1:A:甲\nA. 对\nB. 错 | M3/1.5:B:乙\nA. a\nB. b | "
           "change 第 2 行（第 1 题）: 判断题改成了单选题：A. 对　B. 错，答案 A";
    QTest::newRow("instructions under a heading, after a question's options")
        << "一、单选题\n1．甲\nA．a\nB．b\n二、多选题\n每小题4分，错选不得分。\n"
           "1．乙\nA．a\nB．b\n答案：AB\n"
        << "M3/1.5:AB:乙\nA. a\nB. b | skip 第 2 行（一、第 1 题）: 没有找到答案";
    QTest::newRow("a judgement written with options is a single choice")
        << "三、是非题\n1．甲\nA．正确 B．错误\n答案：A\n"
        << "S2:A:甲\nA. 正确\nB. 错误";
    QTest::newRow("fill-in blanks scored per blank")
        << "四、填空题（每空1.5分）\n1．____和____\n答案：甲；乙\n2．（　）\n"
        << "U3:____和____=>甲；乙 | U1.5:（　）=>";
    QTest::newRow("without headings the question tells its kind")
        << "1．甲\nA．a\nB．b\n答案：B\n2．乙\nA．a\nB．b\n答案：AB\n3．丙\n答案：对\n4．丁\n"
        << "S2:B:甲\nA. a\nB. b | S2:A:丙\nA. 对\nB. 错 | M3/1.5:AB:乙\nA. a\nB. b | U5:丁=>"
           " | change 第 9 行（第 3 题）: 判断题改成了单选题：A. 对　B. 错，答案 A";
    QTest::newRow("a title and instructions before the first question are no questions")
        << "2024 学年期中考试\n班级____ 姓名____\n注意：请用黑色笔作答。\n1．丁\n"
        << "U5:丁=>";
    QTest::newRow("the Aiken layout, without numbers")
        << "What is 2+2?\nA. 3\nB. 4\nANSWER: B\n\nName two colours?\nA) red\nB) green\nC) "
           "blue\nANSWER: A C\n"
        << "S2:B:What is 2+2?\nA. 3\nB. 4 | M3/1.5:AC:Name two colours?\nA. red\nB. green\nC. "
           "blue";
}

void TestQuestionText::headings_name_kinds_and_scores()
{
    QFETCH(QString, text);
    QFETCH(QString, paper);
    QCOMPARE(import_summary(import_text(text)), paper);
}

void TestQuestionText::numbers_and_options_as_teachers_write_them_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("paper");

    const QString laid_out = QStringLiteral("S2:C:甲\nA. a\nB. b\nC. c\nD. d");
    for (const char *number : {"1．", "1.", "1、", "（1）", "(1)", " 1 . "})
        QTest::newRow(number) << QString::fromUtf8(number) + "甲\nA．a\nB．b\nC．c\nD．d\n答案：C"
                              << laid_out;
    for (const char *marker : {"A．a", "A.a", "A、a", "(A)a", "（A）a", "A)a", "Ａ．a"}) {
        QString options = QString::fromUtf8(marker);
        QString line;
        for (int i = 0; i < 4; ++i) {
            QString option = options;
            option.replace(QLatin1Char('A'), QChar(u'A' + i))
                .replace(QChar(0xFF21), QChar(0xFF21 + i));
            option.replace(QLatin1Char('a'), QChar(u'a' + i));
            line += option + QLatin1Char('\n');
        }
        QTest::newRow(marker) << "1．甲\n" + line + "答案：C" << laid_out;
    }
    QTest::newRow("two on a line") << "1．甲\nA．a  B．b\nC．c\tD．d\n答案：C" << laid_out;
    QTest::newRow("four on a line, full-width spaces")
        << "1．甲\nA．a　　B．b　　C．c　　D．d\n答案：C" << laid_out;
    QTest::newRow("run together") << "1．甲\nA．aB．bC．cD．d\n答案：C" << laid_out;
    QTest::newRow("run together in Chinese") << "1．甲\nA．一B．二C．三D．四\n答案：C"
                                             << "S2:C:甲\nA. 一\nB. 二\nC. 三\nD. 四";
    QTest::newRow("after the stem on its line") << "1．甲（ C ）A．a B．b C．c D．d"
                                                << "S2:C:甲（\u3000）\nA. a\nB. b\nC. c\nD. d";
    QTest::newRow("after a bracket that begins the stem") << "1．）A．a B．b\n答案：B"
                                                          << "S2:B:）\nA. a\nB. b";
    QTest::newRow("after a space that begins the stem") << "1．　A．a　B．b\n答案：B"
                                                        << "S2:B:A. a\nB. b";
    QTest::newRow("an option that goes on over the next line")
        << QStringLiteral("1．甲\nA．一行\n两行\nB．b\n答案：A")
        << QStringLiteral("S2:A:甲\nA. 一行\n两行\nB. b");
    QTest::newRow("six options, as many as a paper holds")
        << "1．甲\nA．a\nB．b\nC．c\nD．d\nE．e\nF．f\n答案：F"
        << "S2:F:甲\nA. a\nB. b\nC. c\nD. d\nE. e\nF. f";
    QTest::newRow("a seventh option refuses the question")
        << "1．甲\nA．a\nB．b\nC．c\nD．d\nE．e\nF．f\nG．g\n答案：A"
        << "skip 第 1 行（第 1 题）: 有 7 个选项，试卷的选择题最多六个（A 到 F）";
    QTest::newRow("seven on a line")
        << "1．甲\nA．a B．b C．c D．d E．e F．f G．g\n答案：A"
        << "skip 第 1 行（第 1 题）: 有 7 个选项，试卷的选择题最多六个（A 到 F）";
    QTest::newRow("eight options")
        << "1．甲\nA．a\nB．b\nC．c\nD．d\nE．e\nF．f\nG．g\nH．h\n答案：A"
        << "skip 第 1 行（第 1 题）: 有 8 个选项，试卷的选择题最多六个（A 到 F）";
    QTest::newRow("a word before a letter is no marker") << "1．甲\nA．Vitamin B.\nB．b\n答案：A"
                                                         << "S2:A:甲\nA. Vitamin B.\nB. b";
    QTest::newRow("control characters are dropped, tabs kept")
        << "1．甲\x06\t乙\nA．a\x01\nB．b\n答案：A"
        << "S2:A:甲\t乙\nA. a\nB. b";
    QTest::newRow("a decimal is no question number") << "1．甲\n1.5 千克\n答案：乙\n"
                                                     << "U5:甲\n1.5 千克=>乙";
    QTest::newRow("a sub-question in another style stays in the text")
        << "五、简答题\n1．甲\n（1）乙\n（2）丙\n2．丁\n"
        << "U5:甲\n（1）乙\n（2）丙=> | U5:丁=>";
    QTest::newRow("a number out of sequence stays in the text") << "1．甲\n3．乙\n2．丙\n"
                                                                << "U5:甲\n3．乙=> | U5:丙=>";
    QTest::newRow("each section counts from 1")
        << "一、单选题\n1．甲\nA．a\nB．b\n答案：A\n二、简答题\n1．乙\n"
        << "S2:A:甲\nA. a\nB. b | U5:乙=>";
}

void TestQuestionText::numbers_and_options_as_teachers_write_them()
{
    QFETCH(QString, text);
    QFETCH(QString, paper);
    QCOMPARE(import_summary(import_text(text)), paper);
}

void TestQuestionText::keys_wherever_teachers_put_them_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("paper");

    const QString choice = QStringLiteral("1．甲\nA．a\nB．b\nC．c\nD．d\n");
    const QString multiple = QStringLiteral("M3/1.5:ACD:甲\nA. a\nB. b\nC. c\nD. d");
    for (const char *line : {"答案：ACD", "【答案】ACD", "正确答案：A、C、D", "答案:A,C,D",
                             "答案：A C D", "ANSWER: ACD", "Answer: A，C，D", "【答案】ＡＣＤ"})
        QTest::newRow(line) << choice + QString::fromUtf8(line) << multiple;
    QTest::newRow("the same key twice") << "1．甲（B）\nA．a\nB．b\n答案：B"
                                        << "S2:B:甲（\u3000）\nA. a\nB. b";
    QTest::newRow("two different keys") << "1．甲（B）\nA．a\nB．b\n答案：A"
                                        << "skip 第 1 行（第 1 题）: 有两个不同的答案：B 和 A";
    QTest::newRow("a choice's key that is no letter")
        << QStringLiteral("1．甲（B）\nA．a\nB．b\n答案：对")
        << QStringLiteral("skip 第 1 行（第 1 题）: 答案“对”不是选项字母（A 到 F）或对错");
    QTest::newRow("a judgement's key that is a letter")
        << QStringLiteral("三、判断题\n1．甲（√）\n答案：B")
        << QStringLiteral("skip 第 2 行（三、第 1 题）: 答案“B”不是选项字母（A 到 F）或对错");
    QTest::newRow("a judgement's two different keys")
        << QStringLiteral("三、判断题\n1．甲（√）\n答案：×")
        << QStringLiteral("skip 第 2 行（三、第 1 题）: 有两个不同的答案：√ 和 ×");
    QTest::newRow("a judgement without a key")
        << QStringLiteral("三、判断题\n1．甲\n")
        << QStringLiteral("skip 第 2 行（三、第 1 题）: 没有找到答案");
    QTest::newRow("a key outside the options")
        << "1．甲\nA．a\nB．b\n答案：C"
        << "skip 第 1 行（第 1 题）: 答案 C 不在选项 A 到 B 之中";
    QTest::newRow("no key") << "1．甲\nA．a\nB．b\n"
                            << "skip 第 1 行（第 1 题）: 没有找到答案";
    QTest::newRow("a key of letters without options")
        << "1．甲\n答案：A"
        << "skip 第 1 行（第 1 题）: 选择题至少要有 A、B 两个选项";
    QTest::newRow("one option") << "1．甲\nA．a\n答案：A"
                                << "skip 第 1 行（第 1 题）: 选择题至少要有 A、B 两个选项";
    QTest::newRow("a run in the answer section")
        << "一、单选题\n1．甲\nA．a\nB．b\n2．乙\nA．a\nB．b\n参考答案\n1～2 BA"
        << "S2:B:甲\nA. a\nB. b | S2:A:乙\nA. a\nB. b";
    QTest::newRow("words after a range are no run of keys")
        << "一、单选题\n1．甲\nA．a\nB．b\n2．乙\nA．a\nB．b\n参考答案\n1～2 见下\n1.B\n2.A\n"
        << "S2:B:甲\nA. a\nB. b | S2:A:乙\nA. a\nB. b";
    QTest::newRow("a run with a colon, and keys of several letters")
        << "1．甲\nA．a\nB．b\n2．乙\nA．a\nB．b\n答案与解析\n1-2：AB BA"
        << "M3/1.5:AB:甲\nA. a\nB. b | M3/1.5:AB:乙\nA. a\nB. b";
    QTest::newRow("items in the answer section, by section")
        << "一、单选题\n1．甲\nA．a\nB．b\n二、判断题\n1．乙\n三、简答题\n1．丙\n"
           "参考答案\n一、单选题\n1.B\n二、判断题\n1．×\n三、简答题\n1．答：丁\n戊\n"
        << "S2:B:甲\nA. a\nB. b | S2:B:乙\nA. 正确\nB. 错误 | U5:丙=>丁\n戊 | "
           "change 第 6 行（二、第 1 题）: 判断题改成了单选题：A. 正确　B. 错误，答案 B";
    QTest::newRow("an analysis under its key in the answer section")
        << "一、单选题\n1．甲\nA．a\nB．b\n二、简答题\n1．丙\n2．戊\n"
           "参考答案\n一、单选题\n1.B\n解析：选 B。\n二、简答题\n1．答：丁\n解析：因为\n所以\n"
           "2．己\n【解析】庚\n"
        << "S2:B:甲\nA. a\nB. b | U5:丙=>丁\n解析：\n因为\n所以 | U5:戊=>己\n解析：\n庚 | "
           "note: 1 道选择题的解析没有导入：试卷的选择题没有放解析的地方";
    QTest::newRow("numbers that restart in the answer section move to the next section")
        << "一、单选题\n1．甲\nA．a\nB．b\n二、单选题\n1．乙\nA．a\nB．b\n"
           "参考答案\n1.A\n1.B\n"
        << "S2:A:甲\nA. a\nB. b | S2:B:乙\nA. a\nB. b";
    QTest::newRow("numbers that go on across sections")
        << "一、单选题\n1．甲\nA．a\nB．b\n二、多选题\n2．乙\nA．a\nB．b\n参考答案\n1.A 2.AB\n"
        << "S2:A:甲\nA. a\nB. b | M3/1.5:AB:乙\nA. a\nB. b";
    QTest::newRow("answer headings without a numeral matched to sections of their kind")
        << QStringLiteral("单选题\n1．甲\nA．a\nB．b\n判断题\n1．乙\n单选题\n1．丙\nA．a\nB．b\n"
                          "参考答案\n单选题\n1.B\n多选题\n1.AB\n判断题\n1.×\n单选题\n1.A\n")
        << QStringLiteral(
               "S2:B:甲\nA. a\nB. b | S2:B:乙\nA. 正确\nB. 错误 | S2:A:丙\nA. a\nB. b | "
               "change 第 6 行（第 1 题）: 判断题改成了单选题：A. 正确　B. 错误，答案 B");
    QTest::newRow("labelled answers and analyses under numbers in the answer section")
        << QStringLiteral(
               "一、简答题\n1．丙\n二、单选题\n1．甲\nA．a\nB．b\n"
               "参考答案\n【解析】本卷共两题。\n一、简答题\n1．\n【答案】丁\n戊\n【解析】因为\n"
               "二、单选题\n1．\n【答案】B\n【解析】选 B。\n")
        << QStringLiteral("S2:B:甲\nA. a\nB. b | U5:丙=>丁\n戊\n解析：\n因为 | "
                          "note: 1 道选择题的解析没有导入：试卷的选择题没有放解析的地方");
    QTest::newRow("a section's numeral before a run")
        << "一、单选题\n1．甲\nA．a\nB．b\n二、单选题\n1．乙\nA．a\nB．b\n参考答案\n二、1～1 "
           "B\n一、1～1 A\n"
        << "S2:A:甲\nA. a\nB. b | S2:B:乙\nA. a\nB. b";
}

void TestQuestionText::keys_wherever_teachers_put_them()
{
    QFETCH(QString, text);
    QFETCH(QString, paper);
    QCOMPARE(import_summary(import_text(text)), paper);
}

void TestQuestionText::scores_in_their_order_of_precedence_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("paper");

    QTest::newRow("the question's own score before its heading's")
        << "五、简答题（每小题10分）\n1．（12分）甲\n2．乙（8分）\n3．丙\n"
        << "U12:甲=> | U8:乙=> | U10:丙=>";
    QTest::newRow("a total shared evenly") << "五、简答题（本大题共4小题，共30分）\n1．甲\n"
                                           << "U7.5:甲=>";
    QTest::newRow("the default where the file gives none") << "1．甲\n"
                                                           << "U5:甲=>";
    QTest::newRow("a score the paper cannot hold is rounded")
        << "1．（2.333分）甲\n2．（20000分）乙\n3．（0.25分）丙\n"
        << "U2.33:甲=> | U10000:乙=> | U0.25:丙=> | "
           "change 第 1 行（第 1 题）: 分值 2.333 改成了 2.33：试卷的分数在 0 到 10000 "
           "之间，最多两位小数 | "
           "change 第 2 行（第 2 题）: 分值 20000 改成了 10000：试卷的分数在 0 到 10000 "
           "之间，最多两位小数";
    QTest::newRow("a partial score in the question's own note")
        << "二、多选题（每小题4分，少选得2分）\n1．（5分，少选得3分）甲\nA．a\nB．b\n答案：AB\n"
           "2．乙\nA．a\nB．b\n答案：AB\n"
        << "M5/3:AB:甲\nA. a\nB. b | M4/2:AB:乙\nA. a\nB. b";
    QTest::newRow("half the score, rounded down to hundredths, without a partial score")
        << "二、多选题\n1．（5分）甲\nA．a\nB．b\n答案：AB\n2．（2.5分）乙\nA．a\nB．b\n答案：AB\n"
           "3．（0.25分）丙\nA．a\nB．b\n答案：AB\n"
        << "M5/2.5:AB:甲\nA. a\nB. b | M2.5/1.25:AB:乙\nA. a\nB. b | M0.25/0.12:AB:丙\nA. a\nB. b";
    QTest::newRow("a partial score the paper cannot hold is rounded")
        << QStringLiteral("二、多选题（每小题4分，少选得1.333分）\n1．甲\nA．a\nB．b\n答案：AB\n")
        << QStringLiteral("M4/1.33:AB:甲\nA. a\nB. b | change 第 2 行（二、第 1 题）: 分值 1.333 "
                          "改成了 1.33：试卷的分数在 0 到 10000 之间，最多两位小数");
    QTest::newRow("dollar signs in a free answer and its answer")
        << QStringLiteral("五、简答题\n1．售价 $5，找零 $2 是多少？\n答案：$3\n")
        << QStringLiteral("U5:售价 ＄5，找零 ＄2 是多少？=>＄3 | change 第 2 行（五、第 1 题）: "
                          "“$”换成了全角的“＄”：试卷文件用“$”结束每段文字");
    QTest::newRow("a partial score above the full score")
        << "二、多选题（每小题2分，部分选对得3分）\n1．甲\nA．a\nB．b\n答案：AB\n"
        << "M2/1:AB:甲\nA. a\nB. b | change 第 2 行（二、第 1 题）: 部分得分 3 高于满分 "
           "2，改为满分的一半";
}

void TestQuestionText::scores_in_their_order_of_precedence()
{
    QFETCH(QString, text);
    QFETCH(QString, paper);
    QCOMPARE(import_summary(import_text(text)), paper);
}

void TestQuestionText::analyses_kept_for_free_answers_and_counted_for_choices()
{
    const ImportResult result = import_text(QStringLiteral(
        "1．甲\nA．a\nB．b\n【答案】A\n【解析】因为。\n【点睛】记住。\n2．乙\nA．a\nB．b\n答案：B "
        "解析：所以。\n3．丙\n【答案】丁【详解】一行\n两行\n4．戊\n【解析】只有解析\n"));
    QCOMPARE(import_summary(result),
             QStringLiteral(
                 "S2:A:甲\nA. a\nB. b | S2:B:乙\nA. a\nB. b | U5:丙=>丁\n解析：\n一行\n两行 | "
                 "U5:戊=>解析：\n只有解析 | "
                 "note: 2 道选择题的解析没有导入：试卷的选择题没有放解析的地方"));
}

void TestQuestionText::a_key_marked_by_formatting_alone_data()
{
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QVector<int>>("marked"); // option letters marked, 0 for A; or -begin, end
    QTest::addColumn<QString>("paper");

    QTest::newRow("one option marked")
        << "一、单选题" << QVector<int>{1}
        << "S2:B:甲\nA. aa\nB. bb\nC. cc | change 第 2 段（一、第 1 题）: "
           "没有写出答案，答案 B 取自标了颜色或突出显示的选项";
    QTest::newRow("two marked in a multiple-choice section")
        << "二、多选题" << QVector<int>{0, 2}
        << "M3/1.5:AC:甲\nA. aa\nB. bb\nC. cc | change 第 2 段（二、第 1 题）: "
           "没有写出答案，答案 AC 取自标了颜色或突出显示的选项";
    QTest::newRow("two marked in a single-choice section")
        << "一、单选题" << QVector<int>{0, 2} << "skip 第 2 段（一、第 1 题）: 没有找到答案";
    QTest::newRow("every option marked")
        << "一、单选题" << QVector<int>{0, 1, 2} << "skip 第 2 段（一、第 1 题）: 没有找到答案";
    QTest::newRow("none marked") << "一、单选题" << QVector<int>{}
                                 << "skip 第 2 段（一、第 1 题）: 没有找到答案";
    // "A．aaB．bb" with B coloured from its letter: the colour starts where A's
    // text ends, and marks B alone.
    QTest::newRow("run together, the second marked from its letter")
        << "一、单选题" << QVector<int>{-4, 8}
        << "S2:B:甲\nA. aa\nB. bb | change 第 2 段（一、第 1 题）: "
           "没有写出答案，答案 B 取自标了颜色或突出显示的选项";
}

void TestQuestionText::a_key_marked_by_formatting_alone()
{
    QFETCH(QString, heading);
    QFETCH(QVector<int>, marked);
    QFETCH(QString, paper);
    // The options on one line, as a Word paragraph holds them: "A．aa B．bb C．cc".
    SourceDocument document;
    document.lines.push_back({heading, QStringLiteral("第 1 段"), {}, {}});
    document.lines.push_back({QStringLiteral("1．甲"), QStringLiteral("第 2 段"), {}, {}});
    SourceLine options{QStringLiteral("A．aa B．bb C．cc"), QStringLiteral("第 3 段"), {}, {}};
    if (!marked.isEmpty() && marked[0] < 0) { // a range of its own on "A．aaB．bb"
        options.text = QStringLiteral("A．aaB．bb");
        options.marked.push_back({-marked[0], marked[1]});
        marked.clear();
    }
    for (const int letter : marked)
        options.marked.push_back({letter * 5 + 2, letter * 5 + 4});
    document.lines.push_back(options);
    ImportResult result;
    read_question_lines(document, kScores, result);
    QCOMPARE(import_summary(result), paper);
}

void TestQuestionText::the_format_is_found_from_the_content_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("format"); // -1: refused
    QTest::addColumn<QString>("refusal");

    const QByteArray ole2("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    auto utf16 = [](const char *name) {
        QByteArray bytes;
        for (const char *c = name; *c; ++c)
            bytes.append(*c).append('\0');
        return bytes;
    };
    QTest::newRow("old Word") << ole2 + QByteArray(100, '\0') + utf16("WordDocument") << -1
                              << "请在 Word 中另存为 .docx 后再导入";
    QTest::newRow("old Excel") << ole2 + QByteArray(100, '\0') + utf16("Workbook") << -1
                               << "请在 Excel 中另存为 .xlsx 后再导入";
    QTest::newRow("password") << ole2 + utf16("EncryptionInfo") + utf16("EncryptedPackage") << -1
                              << "设有打开密码";
    QTest::newRow("PDF") << QByteArray("%PDF-1.7\n") << -1 << "看起来是PDF 文件";
    QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1A\n", 8) << -1 << "图片";
    QTest::newRow("web page") << QByteArray("<!DOCTYPE html><html>") << -1 << "网页";
    QTest::newRow("broken zip") << QByteArray("PK\x03\x04garbage", 11) << -1 << "已经损坏";
    QTest::newRow("Moodle XML") << QByteArray("<?xml version=\"1.0\"?>\n<quiz></quiz>")
                                << int(ImportFormat::MoodleXml) << "";
    QTest::newRow("GIFT") << QByteArray("::Q1:: 2+2 {=4 ~3}") << int(ImportFormat::Gift) << "";
    QTest::newRow("CSV") << QByteArray("\xEF\xBB\xBF题型,题干,答案\n") << int(ImportFormat::Csv)
                         << "";
    QTest::newRow("text") << QByteArray("一、单选题\n1．甲") << int(ImportFormat::Text) << "";
    // The header is read from the file's first 4 KB, which may end inside
    // a character.
    for (int shift = 0; shift < 3; ++shift) {
        QByteArray csv = "题型,题干,选项A,选项B,正确答案,分值\n" + QByteArray(shift, ' ');
        while (csv.size() < 5000)
            csv += "单选题,题面甲乙丙,甲,乙,A,2\n";
        QTest::addRow("CSV past 4 KB, shifted by %d", int(shift))
            << csv << int(ImportFormat::Csv) << "";
    }
}

void TestQuestionText::the_format_is_found_from_the_content()
{
    QFETCH(QByteArray, file);
    QFETCH(int, format);
    QFETCH(QString, refusal);
    const FoundFormat found = find_import_format(file);
    if (format < 0) {
        const ImportResult result = import_question_file(file, ImportFormat::Auto, kScores);
        const QString told = exchange_message(result.failure);
        QVERIFY2(told.contains(refusal), qPrintable(told));
        QVERIFY(result.paper.onech.empty() && result.paper.somech.empty() &&
                result.paper.unch.empty());
    } else {
        QVERIFY(!found.refusal.failed());
        QCOMPARE(int(found.format), format);
    }
}

void TestQuestionText::a_format_named_must_be_what_the_content_is_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("Word named, text given") << QByteArray("1．甲\n") << int(ImportFormat::Docx)
                                            << "按 --from docx 无法读取：这个文件看起来是文本文件";
    QFile word(QStringLiteral(QV_SOURCE_DIR "/tests/data/questions-libreoffice.docx"));
    QVERIFY(word.open(QIODevice::ReadOnly));
    QTest::newRow("Excel named, Word given")
        << word.readAll() << int(ImportFormat::Xlsx)
        << "按 --from xlsx 无法读取：这个文件看起来是Word 文档（.docx）";
    QTest::newRow("Word named, old Word given")
        << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << int(ImportFormat::Docx)
        << "这是旧版 Office 文件";
}

void TestQuestionText::a_format_named_must_be_what_the_content_is()
{
    QFETCH(QByteArray, file);
    QFETCH(int, format);
    QFETCH(QString, refusal);
    const ImportResult result = import_question_file(file, ImportFormat(format), kScores);
    const QString told = exchange_message(result.failure);
    QVERIFY2(told.startsWith(refusal), qPrintable(told));
}

namespace
{

} // namespace

void TestQuestionText::papers_written_as_text_read_back_the_same()
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 300; ++round) {
        const PaperData paper = random_paper(random);
        const QByteArray text = export_text(paper);
        const ImportResult read = import_question_file(text, ImportFormat::Auto, kScores);
        QVERIFY2(!read.failure.failed(), qPrintable(exchange_message(read.failure)));
        QCOMPARE(paper_summary(read.paper), paper_summary(paper));
        QVERIFY(read.skipped.empty() && read.changed.empty() && read.notes.isEmpty());
        QVERIFY(text_export_differences(paper, text).isEmpty());
    }
}

void TestQuestionText::texts_that_would_not_read_back_are_named_data()
{
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("named");

    QTest::newRow("a line that reads as the next number") << "甲\n2．乙"
                                                          << "非选择题 1 写成文本后读回会不同";
    QTest::newRow("a line that reads as an answer") << "甲\n【答案】乙"
                                                    << "非选择题 1 写成文本后读回会不同";
    QTest::newRow("a line that reads as a heading") << "甲\n二、单选题"
                                                    << "非选择题 1 写成文本后读回会不同";
    QTest::newRow("a safe text") << "甲\n（1）乙"
                                 << "";
}

void TestQuestionText::texts_that_would_not_read_back_are_named()
{
    QFETCH(QString, problem);
    QFETCH(QString, named);
    PaperData paper;
    paper.unch.push_back({5, problem, QStringLiteral("答")});
    paper.unch.push_back({5, QStringLiteral("丙"), QString()});
    const QStringList differences = text_export_differences(paper, export_text(paper));
    QCOMPARE(differences.size(), named.isEmpty() ? 0 : 1);
    if (!named.isEmpty())
        QVERIFY2(differences.front().startsWith(named), qPrintable(differences.front()));
}

QTEST_GUILESS_MAIN(TestQuestionText)
#include "test_question_text.moc"
