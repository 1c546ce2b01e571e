// Papers that travel between machines: a GBK paper from Chinese Windows and a
// UTF-8 paper from a Linux desktop open with every character right, go back
// byte for byte, and a character the paper's encoding cannot carry is refused
// instead of being replaced. Driven through the real window; every fixture is
// written out as bytes.

#include "tests/test_support.h"
#include "tests/window_fixture.h"

#include "platform/dialogs.h"

#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextEdit>
#include <QtTest>

namespace
{

// One question of each kind, with CR LF inside a text and "丂" (0x81 0x40 in
// GBK: its second byte is an "@").
const QString kSingleProblem = QStringLiteral("下列哪个数是质数？丂");
const QString kMultipleProblem = QStringLiteral("下列哪些是偶数？\n（多选）");
const QString kFreeProblem = QStringLiteral("证明：三角形内角和为 180°。");
const QString kFreeAnswer = QStringLiteral("作平行线，利用内错角相等。");

const QByteArray kGbkProblem = "1 1 1\r\n2\r\n"
                               "@\xcf\xc2\xc1\xd0\xc4\xc4\xb8\xf6\xca\xfd\xca\xc7\xd6\xca\xca\xfd"
                               "\xa3\xbf\x81\x40$\r\n"
                               "4 1.5\r\n"
                               "@\xcf\xc2\xc1\xd0\xc4\xc4\xd0\xa9\xca\xc7\xc5\xbc\xca\xfd\xa3\xbf"
                               "\r\n\xa3\xa8\xb6\xe0\xd1\xa1\xa3\xa9$\r\n"
                               "10\r\n"
                               "@\xd6\xa4\xc3\xf7\xa3\xba\xc8\xfd\xbd\xc7\xd0\xce\xc4\xda\xbd\xc7"
                               "\xba\xcd\xce\xaa 180\xa1\xe3\xa1\xa3$\r\n";
const QByteArray kGbkAnswer = "4\r\n5\r\n"
                              "@\xd7\xf7\xc6\xbd\xd0\xd0\xcf\xdf\xa3\xac\xc0\xfb\xd3\xc3\xc4\xda"
                              "\xb4\xed\xbd\xc7\xcf\xe0\xb5\xc8\xa1\xa3$\r\n";

// The source is UTF-8: these literals are the UTF-8 bytes.
const QByteArray kUtf8Problem = "1 1 1\r\n2\r\n@下列哪个数是质数？丂$\r\n4 1.5\r\n"
                                "@下列哪些是偶数？\r\n（多选）$\r\n10\r\n"
                                "@证明：三角形内角和为 180°。$\r\n";
const QByteArray kUtf8Answer = "4\r\n5\r\n@作平行线，利用内错角相等。$\r\n";

const QByteArray kAsciiProblem = "1 0 0\r\n2\r\n@1+1=?$\r\n";
const QByteArray kAsciiAnswer = "2\r\n";

// "新的题目：中文", typed over the single-choice problem.
const QString kTyped = QStringLiteral("新的题目：中文");
const QByteArray kTypedGbk = "\xd0\xc2\xb5\xc4\xcc\xe2\xc4\xbf\xa3\xba\xd6\xd0\xce\xc4";
const QByteArray kTypedUtf8 = "新的题目：中文";

// The bytes of a paper whose single-choice problem, the first text of
// problem.prb, is `text`.
QByteArray with_single_problem(const QByteArray &paper, const QByteArray &text)
{
    const int at = paper.indexOf('@');
    const int dollar = paper.indexOf('$', at);
    return paper.left(at + 1) + text + paper.mid(dollar);
}

} // namespace

class TestEncodings : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { install_strict_message_handler(); }
    void init();
    void cleanup();

    void open_showsEveryCharacter_andSaveWritesTheSameBytes_data();
    void open_showsEveryCharacter_andSaveWritesTheSameBytes();
    void save_writesAnEditInThePapersOwnEncoding_data();
    void save_writesAnEditInThePapersOwnEncoding();
    void save_refusesACharacterTheEncodingCannotCarry_data();
    void save_refusesACharacterTheEncodingCannotCarry();
    void open_refusesBytesInNoEncoding_data();
    void open_refusesBytesInNoEncoding();

  private:
    template <class T> T *on(const char *name) { return fixture.find<T>(name); }
    QString path(const char *file) const { return folder->filePath(QLatin1String(file)); }
    static void use_local_codec(const QByteArray &name);
    void open(const QByteArray &problem, const QByteArray &answer);
    void retype_single_problem(const QString &text);

    WindowFixture fixture;
    std::unique_ptr<QTemporaryDir> folder;
};

void TestEncodings::init()
{
    fixture.set_up();
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void TestEncodings::cleanup()
{
    fixture.tear_down();
    use_local_codec("UTF-8");
}

void TestEncodings::use_local_codec(const QByteArray &name)
{
    QTextCodec *codec = QTextCodec::codecForName(name);
    QVERIFY2(codec, name.constData());
    QTextCodec::setCodecForLocale(codec);
}

void TestEncodings::open(const QByteArray &problem, const QByteArray &answer)
{
    write_paper_files(folder->path(), problem, answer);
    fixture.open_paper(folder->path());
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
}

void TestEncodings::retype_single_problem(const QString &text)
{
    fixture.show_tab(1);
    on<QTextEdit>("onech_pro_in")->setPlainText(text);
    fixture.click("onech_save");
}

void TestEncodings::open_showsEveryCharacter_andSaveWritesTheSameBytes_data()
{
    QTest::addColumn<QByteArray>("local");
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("GBK paper on a UTF-8 desktop")
        << QByteArray("UTF-8") << kGbkProblem << kGbkAnswer;
    QTest::newRow("GBK paper under GB18030") << QByteArray("GB18030") << kGbkProblem << kGbkAnswer;
    QTest::newRow("UTF-8 paper under GB18030")
        << QByteArray("GB18030") << kUtf8Problem << kUtf8Answer;
    QTest::newRow("UTF-8 paper on a UTF-8 desktop")
        << QByteArray("UTF-8") << kUtf8Problem << kUtf8Answer;
#ifdef Q_OS_WIN
    // Chinese Windows: the local encoding is the system's code page 936.
    QTest::newRow("GBK paper under code page 936")
        << QByteArray("System") << kGbkProblem << kGbkAnswer;
    QTest::newRow("UTF-8 paper under code page 936")
        << QByteArray("System") << kUtf8Problem << kUtf8Answer;
#endif
}

void TestEncodings::open_showsEveryCharacter_andSaveWritesTheSameBytes()
{
    QFETCH(QByteArray, local);
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    use_local_codec(local);
    open(problem, answer);

    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), kSingleProblem);
    QCOMPARE(on<QTextEdit>("somech_pro_in")->toPlainText(), kMultipleProblem);
    QCOMPARE(on<QTextEdit>("unch_pro_in")->toPlainText(), kFreeProblem);
    QCOMPARE(on<QTextEdit>("unch_ans_in")->toPlainText(), kFreeAnswer);

    // Storing the shown questions unchanged and saving gives back the same bytes.
    const char *const stores[] = {"onech_save", "somech_save", "unch_save"};
    for (int tab = 1; tab <= 3; ++tab) {
        fixture.show_tab(tab);
        fixture.click(stores[tab - 1]);
    }
    fixture.click("save_paper");
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
    QCOMPARE(read_file(path("problem.prb")), problem);
    QCOMPARE(read_file(path("answer.ans")), answer);
}

void TestEncodings::save_writesAnEditInThePapersOwnEncoding_data()
{
    QTest::addColumn<QByteArray>("local");
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("typed_bytes");
    QTest::newRow("GBK paper on a UTF-8 desktop")
        << QByteArray("UTF-8") << kGbkProblem << kGbkAnswer << kTypedGbk;
    QTest::newRow("UTF-8 paper under GB18030")
        << QByteArray("GB18030") << kUtf8Problem << kUtf8Answer << kTypedUtf8;
    // A pure-ASCII paper says nothing of its encoding: it takes the local one.
    QTest::newRow("ASCII paper under GB18030")
        << QByteArray("GB18030") << kAsciiProblem << kAsciiAnswer << kTypedGbk;
    QTest::newRow("ASCII paper on a UTF-8 desktop")
        << QByteArray("UTF-8") << kAsciiProblem << kAsciiAnswer << kTypedUtf8;
#ifdef Q_OS_WIN
    QTest::newRow("ASCII paper under code page 936")
        << QByteArray("System") << kAsciiProblem << kAsciiAnswer << kTypedGbk;
#endif
}

void TestEncodings::save_writesAnEditInThePapersOwnEncoding()
{
    QFETCH(QByteArray, local);
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, typed_bytes);
    use_local_codec(local);
    open(problem, answer);
    retype_single_problem(kTyped);
    fixture.click("save_paper");
    QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
    QCOMPARE(read_file(path("problem.prb")), with_single_problem(problem, typed_bytes));
    QCOMPARE(read_file(path("answer.ans")), answer);
}

void TestEncodings::save_refusesACharacterTheEncodingCannotCarry_data()
{
    QTest::addColumn<QByteArray>("local");
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named"); // empty: the save goes through
    const QString emoji = QStringLiteral("笑脸 😀");
    const QString won = QStringLiteral("价格 ₩100");
    QTest::newRow("emoji in a GBK paper") << QByteArray("UTF-8") << kGbkProblem << kGbkAnswer
                                          << emoji << QStringLiteral("“😀”（U+1F600）");
    QTest::newRow("won sign in a GBK paper") << QByteArray("UTF-8") << kGbkProblem << kGbkAnswer
                                             << won << QStringLiteral("“₩”（U+20A9）");
    // GB18030 writes the euro sign as A2 E3, which Windows reads as another character.
    QTest::newRow("euro sign in a GBK paper")
        << QByteArray("UTF-8") << kGbkProblem << kGbkAnswer << QStringLiteral("€5")
        << QStringLiteral("“€”（U+20AC）");
    QTest::newRow("won sign in an ASCII paper under GB18030")
        << QByteArray("GB18030") << kAsciiProblem << kAsciiAnswer << won
        << QStringLiteral("U+20A9");
    QTest::newRow("lone surrogate in a UTF-8 paper")
        << QByteArray("UTF-8") << kUtf8Problem << kUtf8Answer << QString(QChar(0xD83D))
        << QStringLiteral("U+D83D");
    // The character named is the lone half itself, not the letter before it
    // taken for its other half.
    QTest::newRow("lone low surrogate after a letter")
        << QByteArray("UTF-8") << kUtf8Problem << kUtf8Answer
        << QStringLiteral("a") + QChar(0xDE00) + QStringLiteral("b") << QStringLiteral("U+DE00");
    QTest::newRow("emoji in a UTF-8 paper")
        << QByteArray("UTF-8") << kUtf8Problem << kUtf8Answer << emoji << QString();
    QTest::newRow("emoji in a UTF-8 paper under GB18030")
        << QByteArray("GB18030") << kUtf8Problem << kUtf8Answer << emoji << QString();
#ifdef Q_OS_WIN
    // Code page 936 writes the euro sign as the one byte 0x80, which GB18030,
    // and so a Linux desktop, cannot read.
    QTest::newRow("euro sign in a GBK paper under code page 936")
        << QByteArray("System") << kGbkProblem << kGbkAnswer << QStringLiteral("€5")
        << QStringLiteral("“€”（U+20AC）");
    QTest::newRow("won sign in a GBK paper under code page 936")
        << QByteArray("System") << kGbkProblem << kGbkAnswer << won << QStringLiteral("U+20A9");
#endif
}

void TestEncodings::save_refusesACharacterTheEncodingCannotCarry()
{
    QFETCH(QByteArray, local);
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    QFETCH(QString, typed);
    QFETCH(QString, named);
    use_local_codec(local);
    open(problem, answer);
    retype_single_problem(typed);
    fixture.click("save_paper");

    if (named.isEmpty()) {
        QVERIFY2(shown_messages().isEmpty(), qPrintable(shown_messages().join(QLatin1Char('\n'))));
        QCOMPARE(read_file(path("problem.prb")), with_single_problem(problem, typed.toUtf8()));
        return;
    }
    QCOMPARE(shown_messages().size(), 1);
    const QString message = shown_messages()[0];
    QVERIFY2(message.startsWith(QStringLiteral("第 1 道单选题的题面中含有")) &&
                 message.contains(named),
             qPrintable(message));
    QCOMPARE(read_file(path("problem.prb")), problem);
    QCOMPARE(read_file(path("answer.ans")), answer);
    QCOMPARE(QDir(folder->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestEncodings::open_refusesBytesInNoEncoding_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("named");
    QTest::newRow("lone 0xFF in a GBK problem")
        << with_single_problem(kGbkProblem, "\xd6\xd0\xff") << kGbkAnswer
        << QStringLiteral("problem.prb 有误：第 1 道单选题的题面文字");
    QTest::newRow("lone 0xFF after UTF-8 in an answer")
        << QByteArray("0 0 1\r\n10\r\n@abc$\r\n") << QByteArray("@\xe4\xb8\xad\xff$\r\n")
        << QStringLiteral("answer.ans 有误：第 1 道非选择题的答案文字");
    QTest::newRow("lead byte cut by the closing $")
        << kGbkProblem << QByteArray("4\r\n5\r\n@\xd6\xd0\xd6$\r\n")
        << QStringLiteral("answer.ans 有误：第 1 道非选择题的答案文字");
}

void TestEncodings::open_refusesBytesInNoEncoding()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    QFETCH(QString, named);
    open(kAsciiProblem, kAsciiAnswer);
    QTemporaryDir other;
    write_paper_files(other.path(), problem, answer);
    fixture.open_paper(other.path());

    QCOMPARE(shown_messages().size(), 1);
    QVERIFY2(shown_messages()[0].contains(named) &&
                 shown_messages()[0].contains(
                     QStringLiteral("文字编码无法识别（既不是 UTF-8，也不是 GBK）")),
             qPrintable(shown_messages()[0]));
    // The open paper stays, with its own folder.
    QCOMPARE(on<QTextEdit>("onech_pro_in")->toPlainText(), QStringLiteral("1+1=?"));
    retype_single_problem(QStringLiteral("2+2=?"));
    fixture.click("save_paper");
    QCOMPARE(read_file(path("problem.prb")), with_single_problem(kAsciiProblem, "2+2=?"));
    QCOMPARE(read_file(other.filePath("problem.prb")), problem);
}

QTEST_MAIN(TestEncodings)
#include "test_encodings.moc"
