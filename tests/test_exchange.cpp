// GIFT and Moodle XML: options found in and written into problem texts, the
// two exports read back, and files written the way platforms and teachers
// write them.

#include "paper_tool/exchange.h"
#include "paper_tool/exchange_common.h"
#include "paper_tool/option_layout.h"

#include <QTextCodec>
#include <QXmlStreamReader>
#include <QtTest>

namespace
{

QString letters(OptionMask mask)
{
    QString text;
    for (int bit = 0; bit < kOptionCount; ++bit) {
        if (mask & (1 << bit))
            text.append(QChar(u'A' + bit));
    }
    return text;
}

QString number(double value)
{
    return QString::number(value, 'g', 12);
}

// Every field of every question, then where each skipped one stands.
QString summary(const PaperData &paper, const std::vector<ImportSkip> &skipped = {})
{
    QStringList items;
    for (const ChoiceQuestion &q : paper.onech)
        items << QStringLiteral("S%1:%2:%3").arg(number(q.score), letters(q.answer), q.problem);
    for (const ChoiceQuestion &q : paper.somech)
        items << QStringLiteral("M%1/%2:%3:%4")
                     .arg(number(q.score), number(q.partial_score), letters(q.answer), q.problem);
    for (const UnchQuestion &q : paper.unch)
        items << QStringLiteral("U%1:%2=>%3").arg(number(q.score), q.problem, q.answer);
    for (const ImportSkip &skip : skipped)
        items << QStringLiteral("skip ") + skip.position;
    return items.join(QStringLiteral(" | "));
}

QString summary(const ImportResult &result)
{
    for (const ImportSkip &skip : result.skipped) {
        if (skip.reason.isEmpty())
            return QStringLiteral("a skip without a reason");
    }
    return summary(result.paper, result.skipped);
}

const ImportScores kScores{2, 3, 5};

PaperData example_paper()
{
    PaperData paper;
    paper.onech = {{2.5, 0, 2, QStringLiteral("1+1=?\nA. 1\nB. 2\nC. 3")},
                   {3, 0, 4, QStringLiteral("看图选：A 甲 B 乙 C 丙 D 丁")},
                   {1, 0, 1, QStringLiteral("Which = {x}: #1 ~ \\?\nA. 100% sure\nB. %50% of #2")}};
    paper.somech = {{4, 2, 1 | 4, QStringLiteral("Even?\nA. 2\nB. 3\nC. 4")},
                    {5, 2.5, 1 | 2 | 8, QStringLiteral("Primes?\nA. 2\nB. 3\nC. 4\nD. 5")}};
    paper.unch = {{10, QStringLiteral("Prove it.\n\nShow the steps: a{b} = c."),
                   QStringLiteral("See the notes.\n#2 and ~3")}};
    return paper;
}

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

  private slots:
    void findOptions_data();
    void findOptions();
    void lettersUsed_data();
    void lettersUsed();
    void roundTrip_data();
    void roundTrip();
    void giftImport_data();
    void giftImport();
    void moodleXmlExport();
    void moodleXmlImport_data();
    void moodleXmlImport();
};

void TestExchange::findOptions_data()
{
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("stem"); // unused when nothing is found
    QTest::addColumn<QStringList>("options");

    const QStringList abc{"1", "2", "3"};
    QTest::newRow("lines with .") << "1+1=?\nA. 1\nB. 2\nC. 3"
                                  << "1+1=?" << abc;
    QTest::newRow("full-width stop") << "1+1=?\nA．1\nB．2\nC．3"
                                     << "1+1=?" << abc;
    QTest::newRow("indented 、") << "1+1=?\n  A、1\n  B、2\n  C、3"
                                 << "1+1=?" << abc;
    QTest::newRow("parens") << "1+1=?\nA) 1\nB）2\nC) 3"
                            << "1+1=?" << abc;
    QTest::newRow("run on one line") << "1+1=?  A. 1  B. 2  C. 3"
                                     << "1+1=?" << abc;
    QTest::newRow("two per line") << "Q\nA. a  B. b\nC. c  D. d"
                                  << "Q" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("no stem") << "A. yes\nB. no"
                             << "" << QStringList{"yes", "no"};
    QTest::newRow("A. in the stem") << "Vitamin A. Which?\nA. x\nB. y"
                                    << "Vitamin A. Which?" << QStringList{"x", "y"};
    QTest::newRow("G is text") << "Q A. 1 B. 2 C. 3 D. 4 E. 5 F. 6 G. 7"
                               << "Q" << QStringList{"1", "2", "3", "4", "5", "6 G. 7"};
    QTest::newRow("A then C") << "Q\nA. x\nC. y"
                              << "" << QStringList();
    QTest::newRow("U.S.A.") << "U.S.A. is B. big"
                            << "" << QStringList();
    QTest::newRow("Dr.A.") << "Dr.A. Smith and B. Jones"
                           << "" << QStringList();
    QTest::newRow("one option") << "Q\nA. x"
                                << "" << QStringList();
    QTest::newRow("B before A") << "Q\nB. x\nA. y"
                                << "" << QStringList();
}

void TestExchange::findOptions()
{
    QFETCH(QString, problem);
    QFETCH(QString, stem);
    QFETCH(QStringList, options);

    const std::optional<LaidOutOptions> found = find_laid_out_options(problem);
    QCOMPARE(bool(found), !options.isEmpty());
    if (!found)
        return;
    QCOMPARE(found->stem, stem);
    QCOMPARE(found->options, options);
    // What the import writes is found again as it was.
    const std::optional<LaidOutOptions> again =
        find_laid_out_options(lay_out_options(stem, options));
    QVERIFY(again);
    QCOMPARE(again->stem, stem);
    QCOMPARE(again->options, options);
}

void TestExchange::lettersUsed_data()
{
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("letters");

    QTest::newRow("at least two") << "选项见图" << 1 << "AB";
    QTest::newRow("letters in the text") << "见下表：A 甲 B 乙 C 丙 D 丁" << 1 << "ABCD";
    QTest::newRow("next to Chinese") << "选D还是选A" << 1 << "ABCD";
    QTest::newRow("inside words") << "Cats, Dogs or Eels?" << 2 << "AB";
    QTest::newRow("lower case") << "a b c d e f" << 1 << "AB";
    QTest::newRow("answer beyond the text") << "见图" << 16 << "ABCDE";
    QTest::newRow("G is no option") << "A B C G" << 1 << "ABC";
}

void TestExchange::lettersUsed()
{
    QFETCH(QString, problem);
    QFETCH(int, answer);
    QFETCH(QString, letters);
    QCOMPARE(option_letters_used(problem, answer), letters);
}

void TestExchange::roundTrip_data()
{
    QTest::addColumn<bool>("gift");
    QTest::newRow("GIFT") << true;
    QTest::newRow("Moodle XML") << false;
}

void TestExchange::roundTrip()
{
    QFETCH(bool, gift);
    const PaperData paper = example_paper();
    PaperData expected = paper;
    if (gift) {
        // GIFT carries no marks, and an essay's reference answer goes out as
        // general feedback, which the import leaves out.
        for (ChoiceQuestion &q : expected.onech)
            q.score = kScores.single_choice;
        for (ChoiceQuestion &q : expected.somech) {
            q.score = kScores.multiple_choice;
            q.partial_score = kScores.multiple_choice / 2;
        }
        for (UnchQuestion &q : expected.unch) {
            q.score = kScores.free_answer;
            q.answer.clear();
        }
    }
    const ImportResult back = gift ? import_gift(export_gift(paper), kScores)
                                   : import_moodle_xml(export_moodle_xml(paper), kScores);
    QCOMPARE(back.error, QString());
    QCOMPARE(summary(back), summary(expected));
}

void TestExchange::giftImport_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("paper");

    QTest::newRow("= and ~") << QByteArray("1+1\\=?{~3 =2}") << "S2:B:1+1=?\nA. 3\nB. 2";
    QTest::newRow("%100%") << QByteArray("Q{~no ~%100%yes}") << "S2:B:Q\nA. no\nB. yes";
    QTest::newRow("weights") << QByteArray("Q{~%50%a ~%-100%b ~%50%c}")
                             << "M3/1.5:AC:Q\nA. a\nB. b\nC. c";
    QTest::newRow("missing word") << QByteArray("Grant is {~buried =entombed} in Grant's tomb.")
                                  << "S2:B:Grant is ____ in Grant's tomb.\nA. buried\nB. entombed";
    QTest::newRow("T") << QByteArray("Sky is blue.{T}") << "S2:A:Sky is blue.\nA. 正确\nB. 错误";
    QTest::newRow("FALSE with feedback")
        << QByteArray("Sky is red.{FALSE#It is blue.}") << "S2:B:Sky is red.\nA. 正确\nB. 错误";
    QTest::newRow("short answer") << QByteArray("Who?{=no one =%50%nobody}")
                                  << "U5:Who?=>no one\nnobody";
    QTest::newRow("essay") << QByteArray("Write.{####Look at the notes.}") << "U5:Write.=>";
    QTest::newRow("letters as answers") << QByteArray("见图{~A =B ~C}") << "S2:B:见图";
    QTest::newRow("escapes") << QByteArray("a \\{b\\} \\= c\\: \\# \\~ \\\\ d\\ne{=x\\=y ~z}")
                             << "S2:A:a {b} = c: # ~ \\ d\ne\nA. x=y\nB. z";
    QTest::newRow("control byte, BOM")
        << QByteArray("\xEF\xBB\xBFQ\x01?{=a ~b}") << "S2:A:Q?\nA. a\nB. b";
    QTest::newRow("GBK") << QTextCodec::codecForName("GBK")->fromUnicode(
                                QStringLiteral("一加一{=二 ~三}"))
                         << "S2:A:一加一\nA. 二\nB. 三";
    QTest::newRow("comments, names, category, lines, feedback, html")
        << QByteArray("$CATEGORY: $course$/top\n\n"
                      "// the first\n"
                      "::Q1::First line\r\n"
                      "second line{\n"
                      "  =right#fine\n"
                      "  ~wrong#no\n"
                      "  ####general\n"
                      "}\n\n"
                      "::Q2:: [html]<p>Is <b>this</b> &amp; bold?</p>{TRUE}\n")
        << "S2:A:First line\nsecond line\nA. right\nB. wrong | "
           "S2:A:Is this & bold?\nA. 正确\nB. 错误";
    QTest::newRow("skipped, by line")
        << QByteArray("Q{=a ~b}\n\n// numerical\nWhen was\nhe born?{#1822:5}\n\n"
                      "Match{=a -> 1 =b -> 2}\n\n"
                      "Q{=1 ~2 ~3 ~4 ~5 ~6 ~7}\n\n"
                      "Q{~a ~b}\n\n"
                      "Cost $5?{=a ~b}\n\n"
                      "Just a description.\n")
        << "S2:A:Q\nA. a\nB. b | skip 第 4 行 | skip 第 7 行 | skip 第 9 行 | skip 第 11 行 | "
           "skip 第 13 行 | skip 第 15 行";
}

void TestExchange::giftImport()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, paper);
    const ImportResult result = import_gift(file, kScores);
    QCOMPARE(result.error, QString());
    QCOMPARE(summary(result), paper);
}

void TestExchange::moodleXmlExport()
{
    const QByteArray file = export_moodle_xml(example_paper());
    QXmlStreamReader xml(file);
    QStringList seen;
    QString path;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            path += QLatin1Char('/') + xml.name().toString();
            const QXmlStreamAttributes attributes = xml.attributes();
            for (const QXmlStreamAttribute &attribute : attributes)
                seen << path + QLatin1Char('@') + attribute.name() + QLatin1Char('=') +
                            attribute.value();
        } else if (xml.isEndElement()) {
            path.truncate(path.lastIndexOf(QLatin1Char('/')));
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            seen << path + QLatin1Char('=') + xml.text();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    const QString q = QStringLiteral("/quiz/question");
    const QStringList head = {"@type=multichoice",
                              "/name/text=单选题 1",
                              "/questiontext@format=plain_text",
                              "/questiontext/text=1+1=?",
                              "/defaultgrade=2.5",
                              "/penalty=0",
                              "/hidden=0",
                              "/single=true",
                              "/shuffleanswers=0",
                              "/answernumbering=ABCD"};
    QStringList expected;
    for (const QString &item : head)
        expected << q + item;
    for (const auto &answer : {std::pair<QString, QString>{"0", "1"}, {"100", "2"}, {"0", "3"}})
        expected << q + "/answer@fraction=" + answer.first << q + "/answer@format=plain_text"
                 << q + "/answer/text=" + answer.second;
    QCOMPARE(seen.mid(0, expected.size()), expected);
    // The multiple choice with three right options of four, and the essay.
    QVERIFY(seen.contains(q + "/name/text=多选题 2"));
    QCOMPARE(seen.filter(QRegularExpression("/answer@fraction=(33.33333|-100)$")).size(), 4 + 1);
    QCOMPARE(seen.filter("/single=false").size(), 2);
    QVERIFY(seen.contains(q + "/defaultgrade=10"));
    QVERIFY(seen.contains(q + "@type=essay"));
    QVERIFY(seen.contains(q + "/responseformat=editor"));
    QVERIFY(seen.contains(q + "/graderinfo@format=plain_text"));
    QVERIFY(seen.contains(q + "/graderinfo/text=See the notes.\n#2 and ~3"));
    QVERIFY(seen.contains(q + "/questiontext/text=Prove it.\n\nShow the steps: a{b} = c."));
}

void TestExchange::moodleXmlImport_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("paper");
    QTest::addColumn<QString>("error"); // a part of it

    QTest::newRow("every type")
        << QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<quiz>
  <question type="category"><category><text>$course$/top</text></category></question>
  <question type="multichoice">
    <name><text>ignored</text></name>
    <questiontext format="html"><text><![CDATA[<p>1 &lt; 2?</p><p>Yes <img src="x.png"/></p>]]></text></questiontext>
    <defaultgrade>2.5</defaultgrade><single>false</single>
    <answer fraction="100" format="html"><text>&lt;b&gt;yes&lt;/b&gt;</text><feedback><text>ok</text></feedback></answer>
    <answer fraction="0"><text> no </text></answer>
  </question>
  <question type="matching"><questiontext><text>Match</text></questiontext></question>
  <question type="multichoice"><questiontext format="plain_text"><text>Q</text></questiontext>
    <defaultgrade>2.25</defaultgrade><single>true</single>
    <answer fraction="50"><text>a</text></answer><answer fraction="50"><text>b</text></answer>
    <answer fraction="-100"><text>c</text></answer>
  </question>
  <question type="truefalse"><questiontext format="moodle_auto_format"><text>T?</text></questiontext>
    <answer fraction="0"><text>true</text></answer><answer fraction="100"><text>false</text></answer>
  </question>
  <question type="shortanswer"><questiontext format="plain_text"><text>Who?</text></questiontext>
    <answer fraction="100"><text>me</text></answer><answer fraction="0"><text>you</text></answer>
    <answer fraction="50"><text>I</text></answer>
  </question>
  <question type="essay"><questiontext format="markdown"><text>  *Write*  </text></questiontext>
    <defaultgrade>20000</defaultgrade>
  </question>
  <question type="essay"><questiontext format="plain_text"><text>Write</text></questiontext>
    <graderinfo format="html"><text>&lt;p&gt;Any&lt;/p&gt;</text></graderinfo>
  </question>
</quiz>
)")
        << "S2.5:A:1 < 2?\nYes\nA. yes\nB. no | S2:B:T?\nA. 正确\nB. 错误 | M2.25/1.12:AB:Q\nA. "
           "a\nB. b\nC. c | "
           "U5:Who?=>me\nI | U5:Write=>Any | skip 第 3 个 <question>（第 11 行） | "
           "skip 第 7 个 <question>（第 24 行）"
        << "";
    QTest::newRow("not well-formed")
        << QByteArray("<quiz>\n<question type=\"essay\">\n</quiz>") << ""
        << "第 3 行";
    QTest::newRow("no quiz") << QByteArray("<?xml version=\"1.0\"?>\n<html/>") << ""
                             << "<quiz>";
    QTest::newRow("empty") << QByteArray() << ""
                           << "第 1 行";
}

void TestExchange::moodleXmlImport()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, paper);
    QFETCH(QString, error);
    const ImportResult result = import_moodle_xml(file, kScores);
    QVERIFY2(error.isEmpty() ? result.error.isEmpty() : result.error.contains(error),
             qPrintable(result.error));
    QCOMPARE(summary(result), paper);
}

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
