// GIFT and Moodle XML: options found in and written into problem texts, the
// two exports read back, and files written the way platforms and teachers
// write them.

#include "exchange/exchange.h"
#include "exchange/exchange_common.h"
#include "exchange/exchange_messages.h"
#include "exchange/option_layout.h"
#include "exchange/xml_attributes.h"

#include "tests/question_summary.h"
#include <QTextCodec>
#include <QXmlStreamReader>

#include <QtTest>

namespace
{

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
        items << QStringLiteral("skip %1: %2").arg(skip.position, skip.reason);
    return items.join(QStringLiteral(" | "));
}

// Then what was changed, where.
QString summary(const ImportResult &result)
{
    for (const ImportSkip &skip : result.skipped) {
        if (skip.reason.isEmpty())
            return QStringLiteral("a skip without a reason");
    }
    QString text = summary(result.paper, result.skipped);
    for (const ImportChange &change : result.changed)
        text += QStringLiteral(" | change %1: %2").arg(change.position, change.what);
    return text;
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
    void crowded_tags_are_found_by_their_attributes_data();
    void crowded_tags_are_found_by_their_attributes();
    void long_start_tags_are_found_at_their_limit_data();
    void long_start_tags_are_found_at_their_limit();
    void findOptions_data();
    void findOptions();
    void lettersUsed_data();
    void lettersUsed();
    void roundTrip_data();
    void roundTrip();
    void giftImport_data();
    void giftImport();
    void platformExamples_data();
    void platformExamples();
    void moodleXmlExport();
    void singleChoiceWithSeveralOptionsSet_goesOutWithItsLowest_data();
    void singleChoiceWithSeveralOptionsSet_goesOutWithItsLowest();
    void moodleXmlImport_data();
    void moodleXmlImport();
    void quizlessFileWords();
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

// Texts as teachers write them, and as the formats find hard: their marks,
// a leading weight, line breaks, and characters outside the BMP.
QString random_text(QRandomGenerator &random)
{
    static const QStringList pieces = {"1+1=?",      "what {x} = 2: #1 ~ y",
                                       "%50% of it", "\\n",
                                       "a\\b",       "甲乙丙",
                                       "100%",       "->",
                                       "😀",          "[html]<b>",
                                       "::name::",   "// not a comment",
                                       "x\ty",       "＄"};
    QString text;
    const int count = 1 + random.bounded(4);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += random.bounded(4) == 0 ? QStringLiteral("\n") : QStringLiteral(" ");
        text += pieces[random.bounded(pieces.size())];
    }
    return text;
}

double random_score(QRandomGenerator &random)
{
    return random.bounded(1000001) / 100.0;
}

// A choice question whose options are laid out in its text, or named by
// letters only, or followed by a note.
ChoiceQuestion random_choice(QRandomGenerator &random, bool single)
{
    ChoiceQuestion question;
    QStringList options;
    const int count = 2 + random.bounded(kOptionCount - 1);
    for (int i = 0; i < count; ++i)
        options.append(random_text(random).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    switch (random.bounded(3)) {
    case 0:
        question.problem = lay_out_options(random_text(random), options);
        break;
    case 1:
        question.problem = lay_out_options(random_text(random), options) + "\n（注意单位）";
        break;
    default:
        question.problem = QStringLiteral("见下图：") + random_text(random);
        break;
    }
    const int letters = question.problem.startsWith(QStringLiteral("见下图：")) ? 2 : count;
    question.answer =
        single ? 1 << random.bounded(letters) : 1 + random.bounded((1 << letters) - 1);
    question.score = random_score(random);
    if (!single)
        question.partial_score = random.bounded(int(question.score * 100) + 1) / 100.0;
    return question;
}

PaperData random_paper(quint32 seed)
{
    QRandomGenerator random(seed);
    PaperData paper;
    for (int i = random.bounded(4); i > 0; --i)
        paper.onech.push_back(random_choice(random, true));
    for (int i = random.bounded(4); i > 0; --i)
        paper.somech.push_back(random_choice(random, false));
    for (int i = random.bounded(4); i > 0; --i)
        paper.unch.push_back({random_score(random), random_text(random),
                              random.bounded(3) == 0 ? QString() : random_text(random)});
    return paper;
}

void TestExchange::roundTrip_data()
{
    QTest::addColumn<bool>("gift");
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 40; ++seed) {
        QTest::addRow("GIFT %u", seed) << true << seed;
        QTest::addRow("Moodle XML %u", seed) << false << seed;
    }
}

// Every kind, key, score, partial score and text comes back as it went out,
// and nothing is reported as changed.
void TestExchange::roundTrip()
{
    QFETCH(bool, gift);
    QFETCH(quint32, seed);
    const PaperData paper = seed == 1 ? example_paper() : random_paper(seed);
    const QByteArray file = gift ? export_gift(paper) : export_moodle_xml(paper);
    const ImportResult back = gift ? import_gift(file, kScores) : import_moodle_xml(file, kScores);
    QCOMPARE(exchange_message(back.failure), QString());
    QCOMPARE(summary(back), summary(paper));
    // The reference answer is for the graders, never in what students see;
    // a note after the options stays out of the options.
    static const QRegularExpression xml_answer("<answer[^>]*>\\s*<text>[^<]*注意单位");
    for (const QString &line : QString::fromUtf8(file).split('\n')) {
        if (gift && !line.startsWith(QLatin1String("//")))
            QVERIFY2(!line.contains(QLatin1String("####")), qPrintable(line));
        if (gift && (line.startsWith('=') || line.startsWith('~')))
            QVERIFY2(!line.contains(QStringLiteral("注意单位")), qPrintable(line));
    }
    QVERIFY(!xml_answer.match(QString::fromUtf8(file)).hasMatch());
}

void TestExchange::giftImport_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("paper");
    QTest::addColumn<QString>("error"); // a part of it

    QTest::newRow("= and ~") << QByteArray("1+1\\=?{~3 =2}") << "S2:B:1+1=?\nA. 3\nB. 2"
                             << "";
    QTest::newRow("~%100% alone is ticked")
        << QByteArray("Q{~no ~%100%yes}") << "M3/1.5:B:Q\nA. no\nB. yes"
        << "";
    QTest::newRow("weights") << QByteArray("Q{~%50%a ~%-100%b ~%50%c}")
                             << "M3/1.5:AC:Q\nA. a\nB. b\nC. c"
                             << "";
    QTest::newRow("weights that are not the whole")
        << QByteArray("Q{~%100%a ~%100%b ~c}")
        << "M3/1.5:AB:Q\nA. a\nB. b\nC. c | change 第 1 行: 正确选项在平台上合计 200%，"
           "在试卷上选全它们得满分、选对一部分得部分分"
        << "";
    QTest::newRow("lost partial credit named")
        << QByteArray("Difficult{~wrong ~%50%half credit =full credit}")
        << "S2:C:Difficult\nA. wrong\nB. half credit\nC. full credit | change 第 1 行: "
           "选项 B 在平台上得 50% 的分，在试卷上不得分"
        << "";
    QTest::newRow("two right answers to pick")
        << QByteArray("Q{~4 =2 =3 ~9}\n\nQ{~a ~%50%b =%50%c}")
        << "skip 第 1 行: 单选题有 2 个得满分的选项（B、C），试卷的单选题只有一个答案 | "
           "skip 第 3 行: 单选题没有得满分（100%）的选项"
        << "";
    QTest::newRow("missing word") << QByteArray("Grant is {~buried =entombed} in Grant's tomb.")
                                  << "S2:B:Grant is ____ in Grant's tomb.\nA. buried\nB. entombed"
                                  << "";
    QTest::newRow("T") << QByteArray("Sky is blue.{T}") << "S2:A:Sky is blue.\nA. 正确\nB. 错误"
                       << "";
    QTest::newRow("FALSE with feedback")
        << QByteArray("Sky is red.{FALSE#It is blue.}") << "S2:B:Sky is red.\nA. 正确\nB. 错误"
        << "";
    QTest::newRow("short answer credit kept")
        << QByteArray("Who?{=no one =%50%nobody =%-50%everyone}")
        << "U5:Who?=>no one\nnobody（50%）"
        << "";
    QTest::newRow("essay, feedback left out")
        << QByteArray("Write.{####Look at the notes.}") << "U5:Write.=>"
        << "";
    QTest::newRow("letters as answers") << QByteArray("见图{~A =B ~C}") << "S2:B:见图"
                                        << "";
    QTest::newRow("escapes") << QByteArray("a \\{b\\} \\= c\\: \\# \\~ \\\\ d\\ne{=x\\=y ~z}")
                             << "S2:A:a {b} = c: # ~ \\ d\ne\nA. x=y\nB. z"
                             << "";
    QTest::newRow("control byte, BOM")
        << QByteArray("\xEF\xBB\xBFQ\x01?{=a ~b}") << "S2:A:Q?\nA. a\nB. b"
        << "";
    QTest::newRow("dollar made full-width")
        << QByteArray("Cost $5?{=a ~$b}")
        << "S2:A:Cost ＄5?\nA. a\nB. ＄b | change 第 1 行: “$”换成了全角的“＄”："
           "试卷文件用“$”结束每段文字"
        << "";
    QTest::newRow("dollar in a reference answer made full-width")
        << QByteArray("Price?{=$5}")
        << "U5:Price?=>＄5 | change 第 1 行: “$”换成了全角的“＄”：试卷文件用“$”结束每段文字"
        << "";
    QTest::newRow("empty option, picture, auto format")
        << QByteArray("看\n下图\n<img src=\"@@PLUGINFILE@@/map.png\">{=甲 ~}")
        << "S2:A:看\n下图 [图片：map.png]\nA. 甲\nB.  | change 第 1 行: [图片：map.png]无法导入，"
           "留下了这个文字标记 | change 第 1 行: 选项 B 是空的"
        << "";
    QTest::newRow("our own notes: score, partial score, reference")
        << QByteArray("// 多选题 1，4 分，部分选对 1.5 分\n::多选题 1::[plain]Q{~%50%a ~%50%b}\n\n"
                      "// 非选择题 1，10 分\n// 参考答案：第一行\\n\\{x\\}\n::n::[plain]写{}\n\n"
                      "// 多选题 2，4 分，部分选对 5 分\nQ{~%100%a ~b}\n\n"
                      "// 多选题 3，4 分，部分选对 4 分\nQ{~%100%a ~b}\n")
        << "M4/1.5:AB:Q\nA. a\nB. b | M4/2:A:Q\nA. a\nB. b | M4/4:A:Q\nA. a\nB. b | "
           "U10:写=>第一行\n{x}"
        << "";
    QTest::newRow("GBK") << QTextCodec::codecForName("GBK")->fromUnicode(
                                QStringLiteral("一加一{=二 ~三}"))
                         << "S2:A:一加一\nA. 二\nB. 三"
                         << "";
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
           "S2:A:Is this & bold?\nA. 正确\nB. 错误"
        << "";
    QTest::newRow("skipped, by line")
        << QByteArray("Q{=a ~b}\n\n// numerical\nWhen was\nhe born?{#1822:5}\n\n"
                      "Match{=a -> 1 =b -> 2}\n\n"
                      "Q{=1 ~2 ~3 ~4 ~5 ~6 ~7}\n\n"
                      "Q{~a ~b}\n\n"
                      "[html]" +
                      QByteArray("<div>").repeated(1000) +
                      "{=a ~b}\n\n"
                      "Just a description.\n")
        << "S2:A:Q\nA. a\nB. b | skip 第 4 行: 数值题无法导入：试卷里没有这种题型 | "
           "skip 第 7 行: 配对题无法导入：试卷里没有这种题型 | "
           "skip 第 9 行: 有 7 个选项，试卷的选择题最多六个（A 到 F） | skip 第 11 行: "
           "没有正确选项 | "
           "skip 第 13 行: HTML 元素嵌套超过 200 层 | "
           "skip 第 15 行: 没有答案部分“{…}”，是说明文字而不是题目"
        << "";
    QTest::newRow("name or answers not closed, no answer accepted")
        << QByteArray("::Q1 Q{=a ~b}\n\nQ{=a ~b\n\nQ{=%0%a}")
        << "skip 第 1 行: 题目名称缺少结尾的“::” | skip 第 3 行: 答案部分缺少结尾的“}” | "
           "skip 第 5 行: 没有可接受的答案"
        << "";
    QTest::newRow("answers of no kind")
        << QByteArray("Q{x}") << "skip 第 1 行: 答案部分无法识别：应以“=”或“~”开始"
        << "";
    QTest::newRow("NUL byte") << QByteArray("Q{=a ~b}\n\nR\0{=a ~b}\n\nS{=a ~b}", 29) << ""
                              << "第 3 行有一个空字节";
    QTest::newRow("one broken byte in UTF-8")
        << QByteArray("计算{=一 ~二}\n\n计\xFF算{=一 ~二}\n") << ""
        << "文件是 UTF-8 编码，但第 3 行的字节 0xFF 不合 UTF-8";
    QTest::newRow("broken bytes, the first of them the file's first")
        << QByteArray("\xFF计算{=一 ~二}\n\n计\xFE算{=一 ~二}\n") << ""
        << "文件是 UTF-8 编码，但第 1 行的字节 0xFF 不合 UTF-8";
    // 0xFF is no character in GB18030 either.
    QTest::newRow("neither UTF-8 nor GB18030")
        << QByteArray("Q{=a ~b\xFF}\n") << ""
        << "文件既不是 UTF-8 也不是 GB18030 编码（第 1 行的字节 0xFF 不合 UTF-8），无法读取";
    // Notepad's "Unicode" is UTF-16 with its mark, in either byte order.
    QTest::newRow("UTF-16LE") << QByteArray("\xFF\xFEQ\0{\0=\0a\0 \0~\0b\0}\0", 18)
                              << "S2:A:Q\nA. a\nB. b"
                              << "";
    QTest::newRow("UTF-16BE") << QByteArray("\xFE\xFF\0Q\0{\0=\0a\0 \0~\0b\0}", 18)
                              << "S2:A:Q\nA. a\nB. b"
                              << "";
    QTest::newRow("UTF-16 with half a surrogate pair")
        << QByteArray("\xFF\xFEQ\0\x00\xD8{\0}\0", 10) << ""
        << "文件标明是 UTF-16 编码，却有不合 UTF-16 的字节";
    QTest::newRow("UTF-16 with a NUL") << QByteArray("\xFF\xFEQ\0\n\0\0\0", 8) << ""
                                       << "第 2 行有一个空字节";
}

void TestExchange::giftImport()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, paper);
    QFETCH(QString, error);
    const ImportResult result = import_gift(file, kScores);
    const QString told = exchange_message(result.failure);
    QVERIFY2(error.isEmpty() ? told.isEmpty() : told.contains(error), qPrintable(told));
    QCOMPARE(summary(result), paper);
}

// The examples of the platform's GIFT documentation, each with the key the
// platform gives it.
void TestExchange::platformExamples_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key"); // kind and letters, or "skip", or the short answers

    QTest::newRow("single") << QByteArray(
                                   "Who's buried in Grant's tomb?{~Grant ~Jefferson =no one}")
                            << "S:C";
    QTest::newRow("missing word") << QByteArray(
                                         "Grant is {~buried =entombed ~living} in Grant's tomb.")
                                  << "S:B";
    QTest::newRow("feedback") << QByteArray(
                                     "What's between orange and green in the spectrum?\n"
                                     "{ =yellow # right; good! ~red # wrong, it's yellow ~blue # "
                                     "wrong, it's yellow }")
                              << "S:A";
    QTest::newRow("two of four") << QByteArray(
                                        "What two people are entombed in Grant's tomb? {\n"
                                        "   ~%-100%No one\n   ~%50%Grant\n   ~%50%Grant's wife\n"
                                        "   ~%-100%Grant's father\n}")
                                 << "M:BC";
    QTest::newRow("weighted single")
        << QByteArray("Which of these are in Grant's tomb?{~%-50%Jefferson "
                      "~%50%Grant's wife =Grant}")
        << "S:C";
    QTest::newRow("short answers")
        << QByteArray("Who's buried in Grant's tomb?{=Grant =Ulysses S. Grant "
                      "=Ulysses Grant}")
        << "U:Grant\nUlysses S. Grant\nUlysses Grant";
    QTest::newRow("short answer with credit")
        << QByteArray("Where was Jesus raised?{=Nazareth =%75%Nazereth =%25%Bethlehem}")
        << "U:Nazareth\nNazereth（75%）\nBethlehem（25%）";
    QTest::newRow("true") << QByteArray("Grant was buried in a tomb in New York City.{T}") << "S:A";
    QTest::newRow("false") << QByteArray("The sun rises in the West.{FALSE}") << "S:B";
    QTest::newRow("numerical") << QByteArray("When was Ulysses S. Grant born?{#1822:5}") << "skip";
    QTest::newRow("matching") << QByteArray("Match the following countries with their capitals. "
                                            "{=Canada -> Ottawa =Italy -> Rome =Japan -> Tokyo}")
                              << "skip";
    QTest::newRow("essay") << QByteArray("Write a short biography of Dag Hammarskjöld. {}") << "U:";
}

void TestExchange::platformExamples()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    const ImportResult result = import_gift(file, kScores);
    QCOMPARE(exchange_message(result.failure), QString());
    QString found = result.skipped.empty() ? QString() : QStringLiteral("skip");
    for (const ChoiceQuestion &q : result.paper.onech)
        found += QStringLiteral("S:") + letters(q.answer);
    for (const ChoiceQuestion &q : result.paper.somech)
        found += QStringLiteral("M:") + letters(q.answer);
    for (const UnchQuestion &q : result.paper.unch)
        found += QStringLiteral("U:") + q.answer;
    QCOMPARE(found, key);
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

void TestExchange::singleChoiceWithSeveralOptionsSet_goesOutWithItsLowest_data()
{
    QTest::addColumn<bool>("gift");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("key");
    const QString laid_out = QStringLiteral("1+1=?\nA. 1\nB. 2\nC. 3\nD. 4");
    const QString letters_only = QStringLiteral("看图选：A 甲 B 乙 C 丙 D 丁");
    for (const bool gift : {true, false}) {
        const char *format = gift ? "GIFT" : "Moodle XML";
        QTest::addRow("%s, options laid out, A and C set", format)
            << gift << laid_out << (1 | 4) << "A";
        QTest::addRow("%s, options laid out, B and D set", format)
            << gift << laid_out << (2 | 8) << "B";
        QTest::addRow("%s, letters only, C and D set", format)
            << gift << letters_only << (4 | 8) << "C";
    }
}

// A single-choice answer read from an old file may hold two options; the
// platform takes exactly one right option of a single choice, or drops it.
void TestExchange::singleChoiceWithSeveralOptionsSet_goesOutWithItsLowest()
{
    QFETCH(bool, gift);
    QFETCH(QString, problem);
    QFETCH(int, answer);
    QFETCH(QString, key);
    PaperData paper;
    paper.onech = {{2, 0, answer, problem}};
    const QByteArray file = gift ? export_gift(paper) : export_moodle_xml(paper);
    const QString text = QString::fromUtf8(file);
    const int right = gift ? text.count(QRegularExpression(QStringLiteral("(^|\n)=")))
                           : text.count(QStringLiteral("fraction=\"100\""));
    QVERIFY2(right == 1, file.constData());

    const ImportResult back = gift ? import_gift(file, kScores) : import_moodle_xml(file, kScores);
    QCOMPARE(exchange_message(back.failure), QString());
    QCOMPARE(summary(back), QStringLiteral("S2:%1:%2").arg(key, problem));
}

QByteArray quiz(const QByteArray &questions)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n" + questions + "\n</quiz>\n";
}

void TestExchange::moodleXmlImport_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("paper");
    QTest::addColumn<QString>("error"); // a part of it

    QTest::newRow("every type")
        << quiz(
               R"(  <!-- 多选题 1，9 分，部分选对 1 分 --><question type="category"><category><text>$course$/top</text></category></question>
  <question type="multichoice">
    <name><text>ignored</text></name>
    <questiontext format="html"><text><![CDATA[<p>1 &lt; 2?</p><p>Yes <img src="x.png"/></p>]]></text></questiontext>
    <defaultgrade>2.5</defaultgrade><single>false</single>
    <answer fraction="100" format="html"><text>&lt;b&gt;yes&lt;/b&gt;</text><feedback><text>ok</text></feedback></answer>
    <answer fraction="0"><text> &lt;p&gt;no&lt;/p&gt; </text></answer>
  </question>
  <question type="matching"><questiontext><text>Match</text></questiontext></question>
  <question type="truefalse"><questiontext format="moodle_auto_format"><text>T?
  Sure?</text></questiontext>
    <answer fraction="0"><text>true</text></answer><answer fraction="100"><text>false</text></answer>
  </question>
  <question type="shortanswer"><questiontext format="plain_text"><text>Who?</text></questiontext>
    <answer fraction="100"><text>me</text></answer><answer fraction="0"><text>you</text></answer>
    <answer fraction="50"><text>I</text></answer>
  </question>
  <question type="essay"><questiontext format="markdown"><text>  *Write*  </text></questiontext>
    <defaultgrade>20000</defaultgrade>
  </question>
  <question type="essay"><questiontext format="plain_text"><text>Write</text>
    <file name="a.png" encoding="base64">AAAA</file></questiontext>
    <graderinfo format="html"><text>&lt;p&gt;Any&lt;/p&gt;</text></graderinfo>
  </question>)")
        << "S2:B:T?\nSure?\nA. 正确\nB. 错误 | M2.5/1.25:A:1 < 2?\nYes [图片：x.png]\nA. yes\nB. no"
           " | U5:Who?=>me\nI（50%） | U5:Write=>Any | "
           "skip 第 3 个 <question>（第 11 行）: 配对题（matching）无法导入：试卷里没有这种题型 | "
           "skip 第 6 个 <question>（第 20 行）: 分值 20000 不在 0 到 10000 之间 | change 第 2 个 "
           "<question>（第 4 行）: "
           "[图片：x.png]无法导入，留下了这个文字标记 | change 第 7 个 <question>（第 23 行）: "
           "内嵌的文件“a.png”没有导入"
        << "";
    QTest::newRow("single by <single>, lost credit named")
        << quiz(
               R"(<question type="multichoice"><questiontext format="plain_text"><text>Q</text></questiontext>
<single>true</single><answer fraction="100"><text>a</text></answer>
<answer fraction="50"><text>b</text></answer><answer fraction="0"><text>c</text></answer></question>
<question type="multichoice"><questiontext format="plain_text"><text>R</text></questiontext>
<answer fraction="100"><text>a</text></answer><answer fraction="100"><text>b</text></answer></question>
<question type="multichoice"><questiontext format="plain_text"><text>S</text></questiontext>
<single>true</single><answer fraction="50"><text>a</text></answer><answer fraction="50"><text>b</text></answer></question>
<!-- 多选题 1，4 分，部分选对 3 分 -->
<question type="multichoice"><questiontext format="plain_text"><text>T</text></questiontext>
<defaultgrade>4</defaultgrade><single>false</single>
<answer fraction="100"><text>a</text></answer><answer fraction="-100"><text>b</text></answer></question>)")
        << "S2:A:Q\nA. a\nB. b\nC. c | M4/3:A:T\nA. a\nB. b | "
           "skip 第 2 个 <question>（第 6 行）: 单选题有 2 "
           "个得满分的选项（A、B），试卷的单选题只有一个答案 | "
           "skip 第 3 个 <question>（第 8 行）: 单选题没有得满分（100%）的选项 | change 第 1 个 "
           "<question>（第 3 行）: "
           "选项 B 在平台上得 50% 的分，在试卷上不得分"
        << "";
    QTest::newRow("grades a paper cannot hold")
        << quiz(
               R"(<question type="essay"><questiontext><text>x</text></questiontext><defaultgrade>nan</defaultgrade></question>
<question type="essay"><questiontext><text>y</text></questiontext><defaultgrade>-inf</defaultgrade></question>
<question type="essay"><questiontext><text>z</text></questiontext><defaultgrade>10000</defaultgrade></question>)")
        << "U10000:z=> | skip 第 1 个 <question>（第 3 行）: 分值 nan 不在 0 到 10000 之间 | "
           "skip 第 2 个 <question>（第 4 行）: 分值 -inf 不在 0 到 10000 之间"
        << "";
    QTest::newRow("types and answers of no use")
        << quiz(
               R"(<question type="description"><questiontext><text>Read.</text></questiontext></question>
<question type="cloze"><questiontext><text>x</text></questiontext></question>
<question type="numerical"><questiontext><text>x</text></questiontext></question>
<question type="ddwtos"><questiontext><text>x</text></questiontext></question>
<question type="essay"><questiontext><text>x</text></questiontext><defaultgrade>ten</defaultgrade></question>
<question type="truefalse"><questiontext><text>x</text></questiontext><answer fraction="0"><text>true</text></answer></question>
<question type="multichoice"><questiontext><text>x</text></questiontext></question>
<question type="shortanswer"><questiontext><text>x</text></questiontext><answer fraction="0"><text>y</text></answer></question>)")
        << "skip 第 1 个 <question>（第 3 行）: 说明文字（description）不是题目 | "
           "skip 第 2 个 <question>（第 4 行）: 完形填空题（cloze）无法导入：试卷里没有这种题型 | "
           "skip 第 3 个 <question>（第 5 行）: 数值题（numerical）无法导入：试卷里没有这种题型 | "
           "skip 第 4 个 <question>（第 6 行）: 题型（ddwtos）无法导入：试卷里没有这种题型 | "
           "skip 第 5 个 <question>（第 7 行）: 分值“ten”不是数 | "
           "skip 第 6 个 <question>（第 8 行）: 判断题没有标明正确的是“true”还是“false” | "
           "skip 第 7 个 <question>（第 9 行）: 没有选项 | "
           "skip 第 8 个 <question>（第 10 行）: 没有可接受的答案"
        << "";
    QTest::newRow("not well-formed")
        << QByteArray("<quiz>\n<question type=\"essay\">\n</quiz>") << ""
        << "第 3 行";
    QTest::newRow("no quiz") << QByteArray("<?xml version=\"1.0\"?>\n<html/>") << ""
                             << "<quiz>";
    QTest::newRow("empty") << QByteArray() << ""
                           << "第 1 行";
    QTest::newRow("nested too deep")
        << quiz("<question type=\"essay\"><questiontext><text>" +
                QByteArray("<b>").repeated(75000) + "x" + QByteArray("</b>").repeated(75000) +
                "</text></questiontext></question>")
        << ""
        << "XML 元素嵌套超过 100 层";
    QTest::newRow("entities")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE quiz [<!ENTITY a \"aaaaaaaaaa\">"
                      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>\n<quiz>&b;</quiz>")
        << ""
        << "实体";
    // The whole words of each refusal of the file.
    QTest::newRow("not well-formed, in words")
        << QByteArray("<quiz>\n<question type=\"essay\">\n</quiz>") << ""
        << "第 3 行：不是格式正确的 XML（Opening and ending tag mismatch.）";
    QTest::newRow("no quiz, in words")
        << QByteArray("<?xml version=\"1.0\"?>\n<html/>") << ""
        << "第 2 行：最外层是 <html> 而不是 <quiz>，不是 Moodle XML 题库";
    QTest::newRow("nested too deep, in words") << quiz(QByteArray("<b>").repeated(200)) << ""
                                               << "第 3 行：XML 元素嵌套超过 100 层，不是题库文件";
    QTest::newRow("entities, in words")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE quiz [<!ENTITY a \"a\">]>\n<quiz/>") << ""
        << "第 2 行：文件声明了实体（<!ENTITY>），题库用不到它，为安全起见不予导入";
    QTest::newRow("NUL byte, in words")
        << QByteArray("<quiz>\n\0</quiz>", 15) << ""
        << "第 2 行有一个空字节（0x00）：这不是文本文件，或者已经损坏";
    QTest::newRow("NUL byte") << quiz(QByteArray("<question ty\0pe=\"essay\"></question>", 35))
                              << ""
                              << "第 3 行";
}

void TestExchange::moodleXmlImport()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, paper);
    QFETCH(QString, error);
    const ImportResult result = import_moodle_xml(file, kScores);
    const QString told = exchange_message(result.failure);
    QVERIFY2(error.isEmpty() ? told.isEmpty() : told.contains(error), qPrintable(told));
    QCOMPARE(summary(result), paper);
}

// No file reaches this refusal: one without any element is already refused
// as XML that is not well-formed. Its words are checked here alone.
void TestExchange::quizlessFileWords()
{
    ExchangeError quizless;
    quizless.what = ExchangeError::What::NoQuiz;
    QCOMPARE(exchange_message(quizless), QStringLiteral("文件里没有 <quiz>，不是 Moodle XML 题库"));
}

// Only the "=" of a start tag's attributes count: not those in quoted values,
// text, comments, CDATA sections or processing instructions.
void TestExchange::crowded_tags_are_found_by_their_attributes_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("line"); // 0: none crowded

    const auto attributes = [](int count) {
        QByteArray tag;
        for (int i = 0; i < count; ++i)
            tag += " a" + QByteArray::number(i) + "=\"v\"";
        return tag;
    };
    const QByteArray equals = QByteArray("=").repeated(1000);
    QTest::newRow("as many as allowed") << "<q" + attributes(kMaxXmlAttributes) + "/>" << 0;
    QTest::newRow("one more") << "<q" + attributes(kMaxXmlAttributes + 1) + "/>" << 1;
    QTest::newRow("on its line") << "<quiz>\n<a/>\n<q\n" + attributes(300) + ">" << 3;
    QTest::newRow("each tag counts its own")
        << "<a" + attributes(200) + "/><b" + attributes(200) + "/>" << 0;
    QTest::newRow("in a quoted value") << "<q a=\"" + equals + "\" b='" + equals + "'/>" << 0;
    QTest::newRow("in text") << "<q>" + equals + "</q>" << 0;
    QTest::newRow("in a comment") << "<!-- <q " + equals + "> -->" << 0;
    QTest::newRow("in CDATA") << "<q><![CDATA[<q " + equals + ">]]></q>" << 0;
    QTest::newRow("in a processing instruction") << "<?q " + equals + "?><q/>" << 0;
    QTest::newRow("after a comment") << "<!-- x --><q" + attributes(300) + "/>" << 1;
}

void TestExchange::crowded_tags_are_found_by_their_attributes()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, line);
    QCOMPARE(line_of_crowded_tag(xml).value_or(0), line);
}

// A start tag counts its bytes from "<" to ">", quoted values included;
// what stands between tags does not.
void TestExchange::long_start_tags_are_found_at_their_limit_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("line"); // 0: none too long
    // "<q a=\"" and "\"/>" around the value: 9 bytes.
    const auto tag_of = [](int bytes) { return "<q a=\"" + QByteArray(bytes - 9, 'v') + "\"/>"; };
    QTest::newRow("as long as allowed") << tag_of(kMaxXmlStartTagBytes) << 0;
    QTest::newRow("one byte more") << "<r>\n" + tag_of(kMaxXmlStartTagBytes + 1) << 2;
    QTest::newRow("the same bytes as text")
        << "<q>" + QByteArray(kMaxXmlStartTagBytes + 1, 'v') + "</q>" << 0;
    QTest::newRow("a long name, unquoted")
        << "<q" + QByteArray(kMaxXmlStartTagBytes, 'n') + "=\"v\"/>" << 1;
}

void TestExchange::long_start_tags_are_found_at_their_limit()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, line);
    const std::optional<CrowdedTag> found = find_crowded_tag(xml);
    QCOMPARE(found ? found->line : 0, line);
    if (found)
        QVERIFY(found->too_long);
    // Refused with the words of its own limit.
    ExchangeError refused;
    refused.what = ExchangeError::What::XmlStartTagTooLong;
    refused.line = 2;
    refused.limit = kMaxXmlStartTagBytes;
    QCOMPARE(exchange_message(refused),
             QStringLiteral("第 2 行：一个 XML 元素的开始标记超过 1048576 字节，不是题目文件，"
                            "为安全起见不予导入"));
}

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
