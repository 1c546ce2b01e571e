// The paper files: the bytes the writers produce, what the readers accept and
// refuse, the check for texts the format cannot carry, and the paper paths.

#include "paper/paper_commands.h"
#include "paper/paper_encoding.h"
#include "paper/paper_messages.h"
#include "paper/paper_model.h"
#include "paper/paper_reader.h"
#include "paper/paper_writer.h"
#include "tests/paper_testing.h"
#include "tests/test_support.h"

#include <QLocale>
#include <QTemporaryDir>
#include <cerrno>
#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#include <QTextCodec>
#include <QtTest>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

namespace
{

const QByteArray kExampleProblem = "1 1 1\r\n"
                                   "2\r\n"
                                   "@1+1=?$\r\n"
                                   "4 1.5\r\n"
                                   "@Which are even?$\r\n"
                                   "10\r\n"
                                   "@Prove it.\r\nShow the steps.$\r\n";
const QByteArray kExampleAnswer = "2\r\n"
                                  "5\r\n"
                                  "@See the notes.$\r\n";

void reset_model()
{
    onech_count = somech_count = unch_count = 0;
    onech_current = somech_current = unch_current = 0;
    for (int k = 0; k < kTableCapacity; ++k) {
        onech_table[k] = ChoiceQuestion();
        somech_table[k] = ChoiceQuestion();
        unch_table[k] = UnchQuestion();
    }
    clear_paper_paths();
    paper_codec = nullptr;
}

void load_example_into_model()
{
    onech_count = somech_count = unch_count = 1;
    onech_table[1].score = 2;
    onech_table[1].problem = QStringLiteral("1+1=?");
    onech_table[1].answer = 2;
    somech_table[1].score = 4;
    somech_table[1].partial_score = 1.5;
    somech_table[1].problem = QStringLiteral("Which are even?");
    somech_table[1].answer = 1 | 4;
    unch_table[1].score = 10;
    unch_table[1].problem = QStringLiteral("Prove it.\nShow the steps.");
    unch_table[1].answer = QStringLiteral("See the notes.");
}

// A paper that is open before a read, with records above its counts, so that
// a read that touches anything it should not is seen.
void load_previous_paper()
{
    onech_count = somech_count = unch_count = 2;
    for (int k = 1; k <= 4; ++k) {
        onech_table[k].score = k;
        onech_table[k].partial_score = 0.5 * k;
        onech_table[k].answer = k;
        onech_table[k].problem = QStringLiteral("old single %1").arg(k);
        somech_table[k].score = 10 + k;
        somech_table[k].partial_score = 20 + k;
        somech_table[k].answer = 30 + k;
        somech_table[k].problem = QStringLiteral("old multiple %1").arg(k);
        unch_table[k].score = 40 + k;
        unch_table[k].problem = QStringLiteral("old free %1").arg(k);
        unch_table[k].answer = QStringLiteral("old free answer %1").arg(k);
    }
    set_paper_paths(QStringLiteral("old/folder"));
}

bool same(const ChoiceQuestion &a, const ChoiceQuestion &b)
{
    return a.score == b.score && a.partial_score == b.partial_score && a.answer == b.answer &&
           a.problem == b.problem;
}

bool same(const UnchQuestion &a, const UnchQuestion &b)
{
    return a.score == b.score && a.problem == b.problem && a.answer == b.answer;
}

// Everything a read could touch: counters, the first records and both paths.
struct ModelSnapshot {
    int counts[6];
    std::vector<ChoiceQuestion> onech, somech;
    std::vector<UnchQuestion> unch;
    QByteArray problem, answer;

    static ModelSnapshot take()
    {
        ModelSnapshot s{
            {onech_count, somech_count, unch_count, onech_current, somech_current, unch_current},
            {},
            {},
            {},
            QByteArray(problem_path, kPathCapacity),
            QByteArray(answer_path, kPathCapacity)};
        for (int k = 0; k <= 6; ++k) {
            s.onech.push_back(onech_table[k]);
            s.somech.push_back(somech_table[k]);
            s.unch.push_back(unch_table[k]);
        }
        return s;
    }

    bool operator==(const ModelSnapshot &o) const
    {
        if (!std::equal(std::begin(counts), std::end(counts), std::begin(o.counts)) ||
            problem != o.problem || answer != o.answer)
            return false;
        for (size_t k = 0; k < onech.size(); ++k) {
            if (!same(onech[k], o.onech[k]) || !same(somech[k], o.somech[k]) ||
                !same(unch[k], o.unch[k]))
                return false;
        }
        return true;
    }
};

void verify_example_in_model()
{
    QCOMPARE(onech_count, 1);
    QCOMPARE(somech_count, 1);
    QCOMPARE(unch_count, 1);
    QCOMPARE(onech_table[1].score, 2.0);
    QCOMPARE(onech_table[1].problem, QStringLiteral("1+1=?"));
    QCOMPARE(onech_table[1].answer, 2);
    QCOMPARE(somech_table[1].score, 4.0);
    QCOMPARE(somech_table[1].partial_score, 1.5);
    QCOMPARE(somech_table[1].problem, QStringLiteral("Which are even?"));
    QCOMPARE(somech_table[1].answer, 5);
    QCOMPARE(unch_table[1].score, 10.0);
    QCOMPARE(unch_table[1].problem, QStringLiteral("Prove it.\nShow the steps."));
    QCOMPARE(unch_table[1].answer, QStringLiteral("See the notes."));
}

QByteArray written_problem()
{
    QByteArray problem, answer;
    write_paper_checked(problem, answer);
    return problem;
}

QByteArray written_answer()
{
    QByteArray problem, answer;
    write_paper_checked(problem, answer);
    return answer;
}

// The readers, with what the teacher is told when they refuse.
bool read_paper_told(const QByteArray &problem, const QByteArray &answer, QString *told)
{
    PaperError error;
    const bool read = read_paper(problem, answer, &error);
    *told = paper_message(error);
    return read;
}

bool read_file_told(bool (*read)(const QByteArray &, PaperData &, PaperError *),
                    const QByteArray &input, PaperData &paper, QString *told)
{
    PaperError error;
    const bool done = read(input, paper, &error);
    *told = paper_message(error);
    return done;
}

// Restores the local 8-bit encoding however the test ends.
struct LocalCodecGuard {
    ~LocalCodecGuard() { QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8")); }
};

// A C++ locale that writes numbers with a decimal comma, whether or not the
// machine has such a locale installed.
struct CommaNumpunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
};

struct LocaleGuard {
    std::locale cpp = std::locale();
    QLocale qt;
    std::string c = std::setlocale(LC_ALL, nullptr);
    ~LocaleGuard()
    {
        std::locale::global(cpp);
        QLocale::setDefault(qt);
        std::setlocale(LC_ALL, c.c_str());
    }
};

} // namespace

// How the bytes of a text decode.
enum class Outcome { Utf8, Gb18030, Refused };

Q_DECLARE_METATYPE(QuestionKind)
Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(UnwritableText::Reason)

class TestPaperFiles : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        install_strict_message_handler();
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    }

    void init() { reset_model(); }

    // --- the layout, written and read ------------------------------------

    void examplePaperIsWrittenByteForByte()
    {
        load_example_into_model();
        QCOMPARE(written_problem(), kExampleProblem);
        QCOMPARE(written_answer(), kExampleAnswer);

        // The writers append to what the buffer already holds.
        QByteArray problem("kept"), answer("kept");
        QVERIFY(write_paper_checked(problem, answer));
        QCOMPARE(problem, "kept" + kExampleProblem);
        QCOMPARE(answer, "kept" + kExampleAnswer);
    }

    void examplePaperReadsBack()
    {
        load_previous_paper();
        QString error;
        QVERIFY(read_paper_told(kExampleProblem, kExampleAnswer, &error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        verify_example_in_model();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(written_problem(), kExampleProblem);
        QCOMPARE(written_answer(), kExampleAnswer);
    }

    void emptyPaperIsWrittenAsHeaderOnly()
    {
        onech_table[1].problem = QStringLiteral("above the count");
        QCOMPARE(written_problem(), QByteArray("0 0 0\r\n"));
        QCOMPARE(written_answer(), QByteArray());
    }

    void emptyPaperReads_data()
    {
        QTest::addColumn<QByteArray>("problem");
        QTest::newRow("new paper, no line break") << QByteArray("0 0 0");
        QTest::newRow("as written, CR LF") << QByteArray("0 0 0\r\n");
        QTest::newRow("bare LF") << QByteArray("0 0 0\n");
    }

    void emptyPaperReads()
    {
        QFETCH(QByteArray, problem);
        load_previous_paper();
        const ChoiceQuestion first = onech_table[1];
        QString error;
        QVERIFY(read_paper_told(problem, QByteArray(), &error));
        QCOMPARE(onech_count, 0);
        QCOMPARE(somech_count, 0);
        QCOMPARE(unch_count, 0);
        // Records above the new counts keep what they held.
        QVERIFY(same(onech_table[1], first));
        QCOMPARE(unch_table[2].answer, QStringLiteral("old free answer 2"));
    }

    // One text in each text position: the three problems and the free answer.
    void textsRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("one line") << QStringLiteral("1+1=?") << QByteArray("@1+1=?$");
        QTest::newRow("empty") << QString() << QByteArray("@$");
        QTest::newRow("three lines") << QStringLiteral("a\nb\nc") << QByteArray("@a\r\nb\r\nc$");
        QTest::newRow("breaks at both ends")
            << QStringLiteral("\nx\n") << QByteArray("@\r\nx\r\n$");
        QTest::newRow("blank lines")
            << QStringLiteral("a\n\n\nb") << QByteArray("@a\r\n\r\n\r\nb$");
        QTest::newRow("at sign inside")
            << QStringLiteral("mail@example.org") << QByteArray("@mail@example.org$");
        QTest::newRow("only at signs") << QStringLiteral("@@") << QByteArray("@@@$");
        QTest::newRow("lone CR kept") << QStringLiteral("a\rb") << QByteArray("@a\rb$");
        QTest::newRow("CR at the end") << QStringLiteral("a\r") << QByteArray("@a\r$");
        QTest::newRow("CR LF from elsewhere")
            << QStringLiteral("a\r\nb") << QByteArray("@a\r\r\nb$");
        QTest::newRow("starts with a byte-order mark")
            << QChar(0xFEFF) + QStringLiteral("x\n\uFEFF")
            << QByteArray("@\xEF\xBB\xBFx\r\n\xEF\xBB\xBF$");
        QTest::newRow("Chinese") << QStringLiteral("证明：1+1=2\n写出步骤")
                                 << QByteArray("@证明：1+1=2\r\n写出步骤$");
    }

    void textsRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, field);
        onech_count = somech_count = unch_count = 1;
        onech_table[1].problem = text;
        somech_table[1].problem = text;
        unch_table[1].problem = text;
        unch_table[1].answer = text;

        const QByteArray problem = written_problem();
        const QByteArray answer = written_answer();
        QCOMPARE(problem,
                 "1 1 1\r\n0\r\n" + field + "\r\n0 0\r\n" + field + "\r\n0\r\n" + field + "\r\n");
        QCOMPARE(answer, "0\r\n0\r\n" + field + "\r\n");

        reset_model();
        QString error;
        QVERIFY2(read_paper_told(problem, answer, &error), qPrintable(error));
        QCOMPARE(onech_table[1].problem, text);
        QCOMPARE(somech_table[1].problem, text);
        QCOMPARE(unch_table[1].problem, text);
        QCOMPARE(unch_table[1].answer, text);
    }

    // A pair that is strict UTF-8 decodes as UTF-8; any other pair is in the
    // legacy Chinese encoding (GB18030 on a UTF-8 desktop), and a text that
    // does not come back from it byte for byte refuses the whole pair. Each
    // CR LF reads as LF.
    void textBytesDecodeInThePairsEncoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Outcome>("outcome");
        const auto utf8 = Outcome::Utf8, gb = Outcome::Gb18030, refused = Outcome::Refused;
        QTest::newRow("ASCII past eight bytes")
            << QByteArray("The quick brown fox jumps over") << utf8;
        for (int i = 0; i <= 9; ++i) {
            QByteArray crlf("abcdefghijklmnop"), lone_cr = crlf;
            crlf.insert(i, "\r\n");
            lone_cr.insert(i, '\r');
            QTest::addRow("CR LF at byte %d", i) << crlf << utf8;
            QTest::addRow("lone CR at byte %d", i) << lone_cr << utf8;
        }
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb\r") << utf8;
        QTest::newRow("two-byte characters")
            << QByteArray("caf\xC3\xA9 na\xC3\xAFve \xC2\x80") << utf8;
        QTest::newRow("Chinese") << QByteArray("\xE8\xAF\x81\xE6\x98\x8E\xEF\xBC\x9A"
                                               "1+1=2\r\n"
                                               "\xE5\x86\x99\xE5\x87\xBA")
                                 << utf8;
        QTest::newRow("four-byte character")
            << QByteArray("\xF0\x9F\x98\x80 smile \xF4\x8F\xBF\xBD") << utf8;
        QTest::newRow("byte-order mark first") << QByteArray("\xEF\xBB\xBFx") << utf8;
        QTest::newRow("byte-order mark inside") << QByteArray("a\xEF\xBB\xBF b") << utf8;
        QTest::newRow("noncharacter U+FFFE") << QByteArray("x\xEF\xBF\xBEy") << utf8;
        QTest::newRow("noncharacter U+FDD0") << QByteArray("x\xEF\xB7\x90y") << utf8;
        QTest::newRow("noncharacter U+1FFFF") << QByteArray("x\xF0\x9F\xBF\xBFy") << utf8;
        QTest::newRow("NUL inside") << QByteArray("a\0b", 3) << utf8;
        // Not UTF-8, but every byte pair a GB18030 character.
        QTest::newRow("overlong two-byte") << QByteArray("\xC0\x80 \xC1\xBF") << gb;
        QTest::newRow("overlong three-byte, U+07FF") << QByteArray("a\xE0\x9F\xBF"
                                                                   "b")
                                                     << gb;
        QTest::newRow("cut at the end") << QByteArray("ab\xE4\xB8") << gb;
        QTest::newRow("cut before ASCII") << QByteArray("\xE4\xB8long ASCII text here") << gb;
        // Neither: a byte 0x80 or 0xFF where a character starts, or a lead
        // byte followed by a byte that cannot follow it.
        QTest::newRow("byte-order mark first, an invalid byte later")
            << QByteArray("\xEF\xBB\xBFx\xFF") << refused;
        QTest::newRow("overlong three-byte, zero") << QByteArray("a\xE0\x80\x80"
                                                                 "b")
                                                   << refused;
        QTest::newRow("overlong four-byte")
            << QByteArray("\xF0\x80\x80\x80\xF0\x8F\xBF\xBF") << refused;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80\xED\xBF\xBF") << refused;
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << refused;
        QTest::newRow("bytes never in UTF-8") << QByteArray("\xF5\x80\xFF\xFE") << refused;
        QTest::newRow("lone continuation byte") << QByteArray("a\x80"
                                                              "b")
                                                << refused;
        QTest::newRow("cut before CR LF") << QByteArray("\xF0\x9F\x98\r\nx") << refused;
        // A four-byte form beyond the last mapped one decodes to U+FFFD, which
        // encodes back to four other bytes: the same length, but not the text.
        QTest::newRow("four bytes that come back as four others")
            << QByteArray("ab\x84\x31\xA5\x30") << refused;
        QByteArray every_byte;
        for (int b = 1; b < 256; ++b) {
            if (b != '$')
                every_byte += char(b);
        }
        QTest::newRow("every byte but $") << every_byte << refused;
    }

    void textBytesDecodeInThePairsEncoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Outcome, outcome);
        const QByteArray problem = "0 0 1\r\n0\r\n@" + bytes + "$\r\n";
        const QByteArray answer = "@" + bytes + "$\r\n";
        load_previous_paper();
        const ModelSnapshot before = ModelSnapshot::take();
        QString error;
        const bool read = read_paper_told(problem, answer, &error);
        if (outcome == Outcome::Refused) {
            QVERIFY(!read);
            QVERIFY2(error.contains(QStringLiteral("problem.prb 有误：第 1 道非选择题的题面文字")),
                     qPrintable(error));
            QVERIFY(ModelSnapshot::take() == before);
            return;
        }
        QVERIFY2(read, qPrintable(error));
        QByteArray lf_only = bytes;
        lf_only.replace("\r\n", "\n");
        // The "@" in front keeps a byte-order mark that a codec drops at the start.
        QTextCodec *codec =
            QTextCodec::codecForName(outcome == Outcome::Utf8 ? "UTF-8" : "GB18030");
        const QString expected = codec->toUnicode(QByteArray("@") + lf_only).mid(1);
        QCOMPARE(unch_table[1].problem, expected);
        QCOMPARE(unch_table[1].answer, expected);
        // Back in the same encoding, cut at a NUL as every text is.
        const QByteArray written =
            bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0'));
        QCOMPARE(written_problem(), "0 0 1\r\n0\r\n@" + written + "$\r\n");
    }

    // Bytes the reader skips count too: C2 A8 is "¨" in UTF-8 and "篓" in GBK.
    void bytesOutsideTheTextsDecideTheEncodingToo_data()
    {
        QTest::addColumn<QByteArray>("problem");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("text");
        const QString utf8 = QStringLiteral("¨"), gbk = QStringLiteral("篓");
        QTest::newRow("no stray bytes")
            << QByteArray("1 0 0\r\n2\r\n@\xc2\xa8$\r\n") << QByteArray("1\r\n") << utf8;
        QTest::newRow("stray byte before the text")
            << QByteArray("1 0 0\r\n2 \xff\r\n@\xc2\xa8$\r\n") << QByteArray("1\r\n") << gbk;
        QTest::newRow("stray byte after the last text")
            << QByteArray("1 0 0\r\n2\r\n@\xc2\xa8$\r\n\xff") << QByteArray("1\r\n") << gbk;
        QTest::newRow("stray byte after the last answer")
            << QByteArray("1 0 0\r\n2\r\n@\xc2\xa8$\r\n") << QByteArray("1\r\n\xff") << gbk;
    }

    void bytesOutsideTheTextsDecideTheEncodingToo()
    {
        QFETCH(QByteArray, problem);
        QFETCH(QByteArray, answer);
        QFETCH(QString, text);
        QString error;
        QVERIFY2(read_paper_told(problem, answer, &error), qPrintable(error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(onech_table[1].problem, text);
    }

    // A GBK pair written by this program always reads back, even where one
    // file happens to be valid UTF-8; a pair with Chinese in UTF-8 beside a
    // GBK file was not saved together and is refused.
    void pairWithOneFileThatLooksLikeUtf8_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("read_as_gbk");
        // "渭" is CE BC in GBK, "μ" in UTF-8; "图" is CD BC.
        QTest::newRow("one GBK character again and again, two-byte UTF-8")
            << QByteArray("\xCE\xBC").repeated(12) << true;
        QTest::newRow("GBK characters that pair into two-byte UTF-8")
            << QByteArray("\xCE\xBC\xCD\xBC 9\xCE\xBC").repeated(4) << true;
        // "下列哪个数" and "下列哪个数是" in UTF-8: 15 and 18 bytes of Chinese.
        QTest::newRow("six Chinese characters in UTF-8")
            << QByteArray("\xE4\xB8\x8B\xE5\x88\x97\xE5\x93\xAA\xE4\xB8\xAA"
                          "\xE6\x95\xB0\xE6\x98\xAF")
            << false;
    }

    void pairWithOneFileThatLooksLikeUtf8()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, read_as_gbk);
        const QByteArray problem = "0 0 1\r\n2\r\n@" + text + "$\r\n";
        const QByteArray answer = "@\xD6\xD0$\r\n"; // "中" in GBK: not UTF-8
        QString error;
        const bool read = read_paper_told(problem, answer, &error);
        if (!read_as_gbk) {
            QVERIFY(!read);
            QVERIFY2(error.startsWith(QStringLiteral(
                         "试卷的两个文件编码不同：problem.prb 是 UTF-8，answer.ans 是 GBK")),
                     qPrintable(error));
            return;
        }
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(unch_table[1].problem, QTextCodec::codecForName("GB18030")->toUnicode(text));
        QCOMPARE(unch_table[1].answer, QStringLiteral("中"));
        QCOMPARE(written_problem(), problem);
    }

    // What tells a UTF-8 paper from a legacy one: strict UTF-8, and only the
    // bytes it is given.
    void utf8Validity_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("checked"); // how many of the bytes are looked at
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("non_ascii");
        const auto row = [](const char *name, const QByteArray &bytes, bool valid) {
            QTest::newRow(name) << bytes << int(bytes.size()) << valid << true;
        };
        QTest::newRow("ASCII, past eight bytes")
            << QByteArray("plain ASCII text") << 16 << true << false;
        // Seven of them given: the eighth, beyond, must not be read.
        QTest::newRow("seven bytes of a longer run")
            << QByteArray("12345678\xFF") << 7 << true << false;
        row("not UTF-8 eighth", "1234567\xFF", false);
        row("two-byte", "caf\xC3\xA9", true);
        row("three-byte", "\xE4\xB8\xAD\xE6\x96\x87", true);
        row("four-byte", "\xF0\x9F\x98\x80", true);
        row("highest code point", "\xF4\x8F\xBF\xBF", true);
        row("overlong two-byte", "\xC0\x80", false);
        row("overlong three-byte", "\xE0\x9F\xBF", false);
        row("overlong four-byte", "\xF0\x8F\xBF\xBF", false);
        row("surrogate", "\xED\xA0\x80", false);
        row("above U+10FFFF", "\xF4\x90\x80\x80", false);
        row("lone continuation", "a\x80", false);
        row("cut short", "\xE4\xB8", false);
        row("bad continuation", "\xE4\x41\xAD", false);
        row("GBK", "\xD6\xD0\xCE\xC4", false);
    }

    void utf8Validity()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, checked);
        QFETCH(bool, valid);
        QFETCH(bool, non_ascii);
        bool saw_non_ascii = false;
        QCOMPARE(is_valid_utf8(bytes.constData(), checked, saw_non_ascii), valid);
        if (valid)
            QCOMPARE(saw_non_ascii, non_ascii);
    }

    void textIsCutAtNul()
    {
        unch_count = 1;
        unch_table[1].problem = QStringLiteral("ab") + QChar(0) + QStringLiteral("cd");
        QCOMPARE(written_problem(), QByteArray("0 0 1\r\n0\r\n@ab$\r\n"));
    }

    void answerSets_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("nothing chosen") << 0 << QByteArray("0");
        QTest::newRow("A") << 1 << QByteArray("1");
        QTest::newRow("F") << 32 << QByteArray("32");
        QTest::newRow("A, B and F") << 35 << QByteArray("35");
        QTest::newRow("all six") << 63 << QByteArray("63");
        QTest::newRow("negative") << -7 << QByteArray("-7");
    }

    void answerSets()
    {
        QFETCH(int, answer);
        QFETCH(QByteArray, text);
        onech_count = somech_count = 1;
        onech_table[1].answer = answer;
        somech_table[1].answer = answer;
        const QByteArray problem = written_problem();
        const QByteArray answers = written_answer();
        QCOMPARE(answers, text + "\r\n" + text + "\r\n");

        reset_model();
        QString error;
        QVERIFY2(read_paper_told(problem, answers, &error), qPrintable(error));
        QCOMPARE(onech_table[1].answer, answer);
        QCOMPARE(somech_table[1].answer, answer);
    }

    // Each value stands in all four score positions at once.
    void scores_data()
    {
        QTest::addColumn<double>("score");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("read_back");
        QTest::newRow("0") << 0.0 << QByteArray("0") << 0.0;
        QTest::newRow("2.5") << 2.5 << QByteArray("2.5") << 2.5;
        QTest::newRow("3") << 3.0 << QByteArray("3") << 3.0;
        QTest::newRow("0.25") << 0.25 << QByteArray("0.25") << 0.25;
        QTest::newRow("7.75") << 7.75 << QByteArray("7.75") << 7.75;
        QTest::newRow("10000") << 10000.0 << QByteArray("10000") << 10000.0;
        QTest::newRow("9999.99") << 9999.99 << QByteArray("9999.99") << 9999.99;
        QTest::newRow("0.01") << 0.01 << QByteArray("0.01") << 0.01;
        QTest::newRow("six digits kept") << 2.1234567 << QByteArray("2.12346") << 2.12346;
        QTest::newRow("exponent form") << 1234567.0 << QByteArray("1.23457e+06") << 1234570.0;
        QTest::newRow("negative, above -1") << -0.5 << QByteArray("-0.5") << -0.5;
        QTest::newRow("negative zero") << -0.0 << QByteArray("-0") << 0.0;
        QTest::newRow("above the spin boxes") << 10000.25 << QByteArray("10000.2") << 10000.2;
    }

    // Every score the spin boxes give, written as printf's "%g" writes it.
    void everySpinBoxScoreIsWrittenAsPrintfWould()
    {
        for (int cents = 0; cents <= 1000000; ++cents) {
            const double score = cents / 100.0;
            char expected[32];
            std::snprintf(expected, sizeof expected, "%g", score);
            onech_count = 1;
            onech_table[1].score = score;
            const QByteArray written = written_problem();
            if (written != "1 0 0\r\n" + QByteArray(expected) + "\r\n@$\r\n")
                QFAIL(qPrintable(QStringLiteral("%1 written as %2").arg(expected, written)));
        }
    }

    void scores()
    {
        QFETCH(double, score);
        QFETCH(QByteArray, text);
        QFETCH(double, read_back);
        onech_count = somech_count = unch_count = 1;
        onech_table[1].score = score;
        somech_table[1].score = score;
        somech_table[1].partial_score = score;
        unch_table[1].score = score;
        const QByteArray problem = written_problem();
        const QByteArray answer = written_answer();
        QCOMPARE(problem, "1 1 1\r\n" + text + "\r\n@$\r\n" + text + ' ' + text + "\r\n@$\r\n" +
                              text + "\r\n@$\r\n");

        reset_model();
        QString error;
        QVERIFY2(read_paper_told(problem, answer, &error), qPrintable(error));
        QCOMPARE(onech_table[1].score, read_back);
        QCOMPARE(somech_table[1].score, read_back);
        QCOMPARE(somech_table[1].partial_score, read_back);
        QCOMPARE(unch_table[1].score, read_back);
    }

    void recordsAboveCountAreNotWritten()
    {
        load_previous_paper();
        onech_count = 2;
        somech_count = 1;
        unch_count = 0;
        QCOMPARE(written_problem(), QByteArray("2 1 0\r\n"
                                               "1\r\n@old single 1$\r\n"
                                               "2\r\n@old single 2$\r\n"
                                               "11 21\r\n@old multiple 1$\r\n"));
        QCOMPARE(written_answer(), QByteArray("1\r\n2\r\n31\r\n"));
    }

    void recordsAboveCountAreNotRead()
    {
        load_previous_paper();
        const ChoiceQuestion onech2 = onech_table[2];
        const ChoiceQuestion somech2 = somech_table[2];
        const UnchQuestion unch2 = unch_table[2];
        // The file carries more records than its counts; they are trailing bytes.
        QVERIFY(
            read_paper(kExampleProblem + "5\r\n@extra$\r\n", kExampleAnswer + "9\r\n", nullptr));
        verify_example_in_model();
        QVERIFY(same(onech_table[2], onech2));
        QVERIFY(same(somech_table[2], somech2));
        QVERIFY(same(unch_table[2], unch2));
    }

    void largestPaperRoundTrips()
    {
        onech_count = somech_count = unch_count = kMaxQuestions;
        for (int k = 1; k <= kMaxQuestions; ++k) {
            onech_table[k].score = k % 7;
            onech_table[k].answer = 1 << (k % 6);
            onech_table[k].problem = QString::number(k);
            somech_table[k].score = 0.5 * (k % 9);
            somech_table[k].partial_score = 0.25 * (k % 5);
            somech_table[k].answer = k % 64;
            somech_table[k].problem = QStringLiteral("m%1").arg(k);
            unch_table[k].score = k;
            unch_table[k].problem = QStringLiteral("f%1\nline").arg(k);
            unch_table[k].answer = QStringLiteral("a%1").arg(k);
        }
        const QByteArray problem = written_problem();
        const QByteArray answer = written_answer();
        reset_model();
        QString error;
        QVERIFY2(read_paper_told(problem, answer, &error), qPrintable(error));
        QCOMPARE(onech_count, kMaxQuestions);
        QCOMPARE(somech_count, kMaxQuestions);
        QCOMPARE(unch_count, kMaxQuestions);
        QCOMPARE(written_problem(), problem);
        QCOMPARE(written_answer(), answer);
        QCOMPARE(unch_table[kMaxQuestions].problem, QStringLiteral("f10000\nline"));
        QCOMPARE(somech_table[kMaxQuestions - 1].partial_score, 1.0);
    }

    // --- leniency ---------------------------------------------------------

    // Every row is the example paper, spelt differently.
    void lenientInput_data()
    {
        QTest::addColumn<QByteArray>("problem");
        QTest::addColumn<QByteArray>("answer");
        QByteArray bare_problem = kExampleProblem, bare_answer = kExampleAnswer;
        bare_problem.replace("\r\n", "\n");
        bare_answer.replace("\r\n", "\n");

        QTest::newRow("two spaces between numbers")
            << QByteArray("1  1  1\r\n2\r\n@1+1=?$\r\n4  1.5\r\n@Which are even?$\r\n10\r\n"
                          "@Prove it.\r\nShow the steps.$\r\n")
            << kExampleAnswer;
        QTest::newRow("blank lines and tabs between numbers")
            << QByteArray("\r\n1\r\n\r\n1\t1\r\n\r\n\r\n2\r\n@1+1=?$\r\n\r\n4\r\n\r\n1.5\r\n"
                          "@Which are even?$\r\n\f10\v\r\n@Prove it.\r\nShow the steps.$\r\n")
            << QByteArray("\r\n\r\n2\r\n\r\n 5\r\n\r\n@See the notes.$\r\n");
        QTest::newRow("bytes between a number and the @")
            << QByteArray("1 1 1\r\n2 points\r\nproblem: @1+1=?$\r\n"
                          "4 1.5 partial\r\n@Which are even?$\r\n10;\r\n###\r\n"
                          "@Prove it.\r\nShow the steps.$\r\n")
            << QByteArray("2\r\n5 -- free answer follows\r\n\r\n@See the notes.$\r\n");
        QTest::newRow("@ right after the number")
            << QByteArray("1 1 1\r\n2@1+1=?$4 1.5@Which are even?$10@Prove it.\r\n"
                          "Show the steps.$")
            << QByteArray("2 5@See the notes.$");
        QTest::newRow("bare LF") << bare_problem << bare_answer;
        QTest::newRow("trailing bytes")
            << kExampleProblem + "7 7 7\r\n@more$\r\nand anything \x01\xff"
            << kExampleAnswer + "@another$ 12";
        QTest::newRow("no final line break")
            << kExampleProblem.chopped(2) << kExampleAnswer.chopped(2);
        QTest::newRow("signs and other spellings of the numbers")
            << QByteArray("+1 +1 01\r\n+2.0\r\n@1+1=?$\r\n4e0 +.15e1\r\n@Which are even?$\r\n"
                          "10.000\r\n@Prove it.\r\nShow the steps.$\r\n")
            << QByteArray("+2\r\n005\r\n@See the notes.$\r\n");
    }

    void lenientInput()
    {
        QFETCH(QByteArray, problem);
        QFETCH(QByteArray, answer);
        QString error;
        QVERIFY2(read_paper_told(problem, answer, &error), qPrintable(error));
        verify_example_in_model();
    }

    // --- refusal ----------------------------------------------------------

    void malformedInputIsRefused_data()
    {
        QTest::addColumn<QByteArray>("problem");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("expected"); // parts of the message

        const QString prb = QStringLiteral("试卷文件 problem.prb 有误：");
        const QString ans = QStringLiteral("试卷文件 answer.ans 有误：");
        const QString ended = QStringLiteral("（文件提前结束）");
        const QString number = QStringLiteral("处应为一个数字");

        // The problem file.
        QTest::newRow("empty problem file")
            << QByteArray() << QByteArray() << QStringList{prb, "单选题数量" + number, ended};
        QTest::newRow("header ends after two counts")
            << QByteArray("1 1") << QByteArray()
            << QStringList{prb, "非选择题数量" + number, ended};
        QTest::newRow("count not a number") << QByteArray("one 0 0") << QByteArray()
                                            << QStringList{prb, "单选题数量" + number, "“one”"};
        // Invisible bytes are named, not pasted into the message.
        QTest::newRow("zero-width space before the counts")
            << QByteArray("\xE2\x80\x8B"
                          "1 0 0")
            << QByteArray() << QStringList{prb, "单选题数量" + number, "“[U+200B]1”"};
        QTest::newRow("line separator before the counts")
            << QByteArray("\xE2\x80\xA8"
                          "1 0 0")
            << QByteArray() << QStringList{prb, "单选题数量" + number, "“[U+2028]1”"};
        QTest::newRow("paragraph separator before the counts")
            << QByteArray("\xE2\x80\xA9"
                          "1 0 0")
            << QByteArray() << QStringList{prb, "单选题数量" + number, "“[U+2029]1”"};
        QTest::newRow("NUL in a score") << QByteArray("1 0 0\r\n\0"
                                                      "2\r\n@a$",
                                                      13)
                                        << QByteArray("1") << QStringList{"“[U+0000]2”"};
        QTest::newRow("count with a fraction") << QByteArray("1.5 0 0") << QByteArray()
                                               << QStringList{prb, "多选题数量" + number, "“.5”"};
        QTest::newRow("single-choice count -1")
            << QByteArray("-1 0 0") << QByteArray()
            << QStringList{prb, "单选题数量应在 0 到 10000 之间，实际为 -1。"};
        QTest::newRow("multiple-choice count 10001")
            << QByteArray("0 10001 0") << QByteArray()
            << QStringList{prb, "多选题数量应在 0 到 10000 之间，实际为 10001。"};
        QTest::newRow("free-answer count beyond int")
            << QByteArray("0 0 99999999999") << QByteArray()
            << QStringList{prb, "非选择题数量应在 0 到 10000 之间，实际为 99999999999。"};
        QTest::newRow("file ends before a single-choice score")
            << QByteArray("2 0 0\r\n1\r\n@a$\r\n") << QByteArray()
            << QStringList{prb, "第 2 道单选题的分数" + number, ended};
        QTest::newRow("file ends before a single-choice @")
            << QByteArray("1 0 0\r\n2\r\n") << QByteArray()
            << QStringList{prb, "第 1 道单选题的题面文字缺少开头的“@”", ended};
        QTest::newRow("single-choice text without $")
            << QByteArray("1 0 0\r\n2\r\n@1+1=?\r\n") << QByteArray()
            << QStringList{prb, "第 1 道单选题的题面文字缺少结尾的“$”", ended};
        QTest::newRow("file ends before a partial score")
            << QByteArray("0 1 0\r\n4") << QByteArray()
            << QStringList{prb, "第 1 道多选题的少选分数" + number, ended};
        QTest::newRow("partial score not a number")
            << QByteArray("0 3 0\r\n1 1\r\n@a$\r\n1 1\r\n@b$\r\n4 x\r\n@c$\r\n") << QByteArray()
            << QStringList{prb, "第 3 道多选题的少选分数" + number + "，实际为“x”"};
        QTest::newRow("full score not a number")
            << QByteArray("0 1 0\r\nfour 1\r\n@a$\r\n") << QByteArray()
            << QStringList{prb, "第 1 道多选题的全对分数" + number, "“four”"};
        QTest::newRow("file ends before a multiple-choice @")
            << QByteArray("0 1 0\r\n4 1\r\n") << QByteArray()
            << QStringList{prb, "第 1 道多选题的题面文字缺少开头的“@”", ended};
        QTest::newRow("free-answer score missing")
            << QByteArray("0 0 1\r\n@Prove it.$\r\n") << QByteArray()
            << QStringList{prb, "第 1 道非选择题的分数" + number, "“@Prove"};
        QTest::newRow("free-answer problem without $")
            << QByteArray("0 0 2\r\n1\r\n@a$\r\n2\r\n@Prove it.\r\n") << QByteArray()
            << QStringList{prb, "第 2 道非选择题的题面文字缺少结尾的“$”", ended};
        QTest::newRow("infinite score") << QByteArray("1 0 0\r\ninf\r\n@a$\r\n") << QByteArray("1")
                                        << QStringList{prb, "第 1 道单选题的分数", "“inf”"};
        QTest::newRow("NaN score") << QByteArray("0 0 1\r\n+nan\r\n@a$\r\n") << QByteArray("@b$")
                                   << QStringList{prb, "第 1 道非选择题的分数", "“+nan”"};
        QTest::newRow("score beyond double")
            << QByteArray("0 1 0\r\n1e999 1\r\n@a$\r\n") << QByteArray("1")
            << QStringList{prb, "第 1 道多选题的全对分数", "“1e999”"};
        QTest::newRow("sign without digits")
            << QByteArray("1 0 0\r\n+-2\r\n@a$\r\n") << QByteArray("1")
            << QStringList{prb, "第 1 道单选题的分数" + number, "“+-2”"};
        QTest::newRow("long junk is quoted short")
            << QByteArray("1 0 0\r\nabcdefghijklmnopqrstuvwxyz\r\n@a$\r\n") << QByteArray("1")
            << QStringList{prb, "“abcdefghijklmnopqrst…”"};
        QTest::newRow("$ inside a problem text")
            << QByteArray("1 1 0\r\n2\r\n@paid in $ only$\r\n4 1\r\n@b$\r\n")
            << QByteArray("1\r\n1\r\n")
            << QStringList{prb, "第 1 道多选题的全对分数" + number, "“only$”"};

        // The answer file, with a good problem file.
        QTest::newRow("empty answer file")
            << kExampleProblem << QByteArray()
            << QStringList{ans, "第 1 道单选题的答案" + number, ended};
        QTest::newRow("single-choice answer as a letter")
            << kExampleProblem << QByteArray("B\r\n5\r\n@See the notes.$\r\n")
            << QStringList{ans, "第 1 道单选题的答案" + number, "“B”"};
        QTest::newRow("file ends before the multiple-choice answer")
            << kExampleProblem << QByteArray("2\r\n")
            << QStringList{ans, "第 1 道多选题的答案" + number, ended};
        QTest::newRow("answer beyond int")
            << kExampleProblem << QByteArray("2\r\n4294967301\r\n@See the notes.$\r\n")
            << QStringList{ans, "第 1 道多选题的答案" + number, "“4294967301”"};
        QTest::newRow("free answer without @")
            << kExampleProblem << QByteArray("2\r\n5\r\nSee the notes.\r\n")
            << QStringList{ans, "第 1 道非选择题的答案文字缺少开头的“@”", ended};
        QTest::newRow("free answer without $")
            << kExampleProblem << QByteArray("2\r\n5\r\n@See the notes.\r\n")
            << QStringList{ans, "第 1 道非选择题的答案文字缺少结尾的“$”", ended};
    }

    void malformedInputIsRefused()
    {
        QFETCH(QByteArray, problem);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, expected);
        load_previous_paper();
        const ModelSnapshot before = ModelSnapshot::take();

        QString error;
        QVERIFY(!read_paper_told(problem, answer, &error));
        QVERIFY2(ModelSnapshot::take() == before, "a refused paper changed the model");
        for (const QString &part : expected)
            QVERIFY2(error.contains(part), qPrintable(error + " lacks " + part));
        QVERIFY2(error.endsWith(QStringLiteral("。")), qPrintable(error));

        // Without a place for the reason the answer is the same.
        QVERIFY(!read_paper(problem, answer, nullptr));
        QVERIFY(ModelSnapshot::take() == before);
    }

    // The two readers fill only the staging copy: the highest count is taken,
    // the answer file is read with the counts just staged (the model holds
    // others), and nothing reaches the model.
    void readersWorkOnTheStagingCopy()
    {
        QByteArray problem("10000 0 0\r\n");
        QByteArray answer;
        for (int k = 1; k <= kMaxQuestions; ++k) {
            problem += "1\r\n@q$\r\n";
            answer += "4\r\n";
        }
        load_previous_paper();
        const ModelSnapshot before = ModelSnapshot::take();
        PaperData paper;
        QString error;
        QVERIFY2(read_file_told(read_problem_file, problem, paper, &error), qPrintable(error));
        QCOMPARE(int(paper.onech.size()), kMaxQuestions);
        QCOMPARE(int(paper.somech.size()), 0);
        QVERIFY(paper.unch.empty());
        QVERIFY2(read_file_told(read_answer_file, answer, paper, &error), qPrintable(error));
        QCOMPARE(paper.onech.back().answer, 4);
        QVERIFY(ModelSnapshot::take() == before);

        QVERIFY(!read_file_told(read_answer_file, answer.chopped(3), paper, &error));
        QVERIFY2(error.contains(QStringLiteral("第 10000 道单选题的答案")), qPrintable(error));
    }

    // --- locale and encoding ---------------------------------------------

    void decimalCommaLocaleChangesNothing()
    {
        LocaleGuard guard;
        std::locale::global(std::locale(std::locale::classic(), new CommaNumpunct));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const bool c_locale_switched = set_decimal_comma_c_locale(LC_ALL) != nullptr;

        // The switch took hold: a stream or QLocale would now write a comma.
        std::ostringstream stream;
        stream << 2.5;
        QCOMPARE(stream.str(), std::string("2,5"));
        QCOMPARE(QLocale().toString(2.5), QStringLiteral("2,5"));
        if (c_locale_switched) {
            char printed[16];
            std::snprintf(printed, sizeof printed, "%g", 2.5);
            QCOMPARE(QByteArray(printed), QByteArray("2,5"));
        } else {
            qInfo("no German C locale; only the C++ and Qt locales use a comma");
        }

        onech_count = somech_count = 1;
        onech_table[1].score = 2.5;
        somech_table[1].score = 7.75;
        somech_table[1].partial_score = 0.25;
        const QByteArray problem = written_problem();
        QCOMPARE(problem, QByteArray("1 1 0\r\n2.5\r\n@$\r\n7.75 0.25\r\n@$\r\n"));

        reset_model();
        QVERIFY(read_paper(problem, "0 0", nullptr));
        QCOMPARE(onech_table[1].score, 2.5);
        QCOMPARE(somech_table[1].score, 7.75);
        QCOMPARE(somech_table[1].partial_score, 0.25);

        // A comma in the file never is a decimal point: "2,5" is the score 2
        // followed by bytes before the "@".
        QVERIFY(read_paper("1 0 0\r\n2,5\r\n@a$\r\n", "0", nullptr));
        QCOMPARE(onech_table[1].score, 2.0);
    }

    void textsUseTheLocalEncoding()
    {
        QTextCodec *gb18030 = QTextCodec::codecForName("GB18030");
        QVERIFY(gb18030);
        LocalCodecGuard guard;
        QTextCodec::setCodecForLocale(gb18030);

        unch_count = 1;
        // "丂" is 0x81 0x40 in GB18030: its second byte is an "@".
        unch_table[1].problem = QStringLiteral("中文\n丂");
        unch_table[1].answer = QStringLiteral("答案");
        const QByteArray problem = written_problem();
        const QByteArray answer = written_answer();
        QCOMPARE(problem, QByteArray("0 0 1\r\n0\r\n@\xD6\xD0\xCE\xC4\r\n\x81\x40$\r\n"));
        QCOMPARE(answer, QByteArray("@\xB4\xF0\xB0\xB8$\r\n"));

        reset_model();
        QString error;
        QVERIFY2(read_paper_told(problem, answer, &error), qPrintable(error));
        QCOMPARE(unch_table[1].problem, QStringLiteral("中文\n丂"));
        QCOMPARE(unch_table[1].answer, QStringLiteral("答案"));
    }

    void papersAreReadWhateverTheLocalEncoding_data()
    {
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QByteArray>("text"); // "中文" in the paper's encoding
        // Six bytes of UTF-8 that also read as three GB18030 characters.
        QTest::newRow("UTF-8 on Chinese Windows") << QByteArray("GB18030") << QByteArray("中文");
        QTest::newRow("Big5 on Taiwanese Windows")
            << QByteArray("Big5") << QByteArray("\xA4\xA4\xA4\xE5");
    }

    // A paper in UTF-8, or in the system's own encoding, is read, written
    // back and quoted in its faults as what it is.
    void papersAreReadWhateverTheLocalEncoding()
    {
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, text);
        LocalCodecGuard guard;
        QTextCodec *codec = QTextCodec::codecForName(local);
        QVERIFY(codec);
        QTextCodec::setCodecForLocale(codec);
        const QByteArray problem = "0 0 1\r\n5\r\n@" + text + "$\r\n";
        const QByteArray answer = "@" + text + "$\r\n";
        QString error;
        QVERIFY2(read_paper_told(problem, answer, &error), qPrintable(error));
        QCOMPARE(unch_table[1].problem, QStringLiteral("中文"));
        QCOMPARE(unch_table[1].answer, QStringLiteral("中文"));
        QCOMPARE(written_problem(), problem);
        QCOMPARE(written_answer(), answer);

        QVERIFY(!read_paper_told("1 0 0\r\n五分\r\n@一加一$\r\n", "1", &error));
        QVERIFY2(error.contains(QStringLiteral("“五分”")), qPrintable(error));
    }

    // A file that is there but cannot be read: only a refused permission is
    // told as the permission to read; another failure says what it was.
    void readFailureSaysWhy_data()
    {
        QTest::addColumn<long>("code");
        QTest::addColumn<QString>("reason");
#ifdef Q_OS_WIN
        QTest::newRow("access denied")
            << long(ERROR_ACCESS_DENIED) << QStringLiteral("没有读取权限");
        QTest::newRow("disk error") << long(ERROR_CRC) << QStringLiteral("读写磁盘时出错");
#else
        QTest::newRow("EACCES") << long(EACCES) << QStringLiteral("没有读取权限");
        QTest::newRow("EPERM") << long(EPERM) << QStringLiteral("没有读取权限");
        QTest::newRow("EIO") << long(EIO) << QStringLiteral("读写磁盘时出错");
#endif
    }

    void readFailureSaysWhy()
    {
        QFETCH(long, code);
        QFETCH(QString, reason);
        PaperError error;
        error.what = PaperError::What::CannotRead;
        error.path = QStringLiteral("problem.prb");
        error.system = {SystemError::Kind::Code, code, QString()};
        QVERIFY2(paper_message(error).startsWith(
                     QStringLiteral("无法读取试卷文件 problem.prb：%1（").arg(reason)),
                 qPrintable(paper_message(error)));
    }

    // --- texts the format cannot carry ------------------------------------

    void unwritableText_data()
    {
        QTest::addColumn<QuestionKind>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("in_answer");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::addColumn<UnwritableText::Reason>("reason");

        using K = QuestionKind;
        const auto dollar = UnwritableText::Reason::DollarSign;
        const auto too_long = UnwritableText::Reason::TooLong;
        const QString ascii_limit(kMaxTextBytes, QLatin1Char('x'));
        QTest::newRow("clean paper")
            << K::SingleChoice << 1 << false << QStringLiteral("plain") << false << dollar;
        QTest::newRow("$ in a single-choice problem")
            << K::SingleChoice << 2 << false << QStringLiteral("costs $5") << true << dollar;
        QTest::newRow("$ in a multiple-choice problem")
            << K::MultipleChoice << 3 << false << QStringLiteral("$") << true << dollar;
        QTest::newRow("$ in a free-answer problem")
            << K::FreeAnswer << 1 << false << QStringLiteral("a\n$b") << true << dollar;
        QTest::newRow("$ in a free-answer answer")
            << K::FreeAnswer << 2 << true << QStringLiteral("US$ 3") << true << dollar;
        QTest::newRow("$ above the count")
            << K::SingleChoice << 4 << false << QStringLiteral("$") << false << dollar;
        QTest::newRow("100000 bytes")
            << K::MultipleChoice << 1 << false << ascii_limit << true << too_long;
        QTest::newRow("99999 bytes")
            << K::MultipleChoice << 1 << false << ascii_limit.chopped(1) << false << too_long;
        // Three bytes a character in UTF-8: the limit is on bytes, not characters.
        QTest::newRow("33334 Chinese characters, 100002 bytes")
            << K::FreeAnswer << 3 << true << QString(33334, QChar(0x4E2D)) << true << too_long;
        QTest::newRow("33333 Chinese characters, 99999 bytes")
            << K::FreeAnswer << 3 << true << QString(33333, QChar(0x4E2D)) << false << too_long;
        QTest::newRow("long text above the count")
            << K::FreeAnswer << 4 << false << ascii_limit << false << too_long;
    }

    void unwritableText()
    {
        QFETCH(QuestionKind, kind);
        QFETCH(int, number);
        QFETCH(bool, in_answer);
        QFETCH(QString, text);
        QFETCH(bool, found);
        QFETCH(UnwritableText::Reason, reason);
        onech_count = somech_count = unch_count = 3;
        for (int k = 1; k <= 4; ++k) {
            onech_table[k].problem = somech_table[k].problem = QStringLiteral("fine @ text");
            unch_table[k].problem = unch_table[k].answer = QStringLiteral("fine\ntext");
        }
        switch (kind) {
        case QuestionKind::SingleChoice:
            onech_table[number].problem = text;
            break;
        case QuestionKind::MultipleChoice:
            somech_table[number].problem = text;
            break;
        case QuestionKind::FreeAnswer:
            (in_answer ? unch_table[number].answer : unch_table[number].problem) = text;
            break;
        }

        const std::optional<UnwritableText> result = find_unwritable_text();
        QCOMPARE(result.has_value(), found);
        // The saving writer turns away the same texts, wherever they stand.
        QByteArray problem, answer;
        QCOMPARE(write_paper_checked(problem, answer), !found);
        if (!found)
            return;
        QCOMPARE(result->kind, kind);
        QCOMPARE(result->number, number);
        QCOMPARE(result->in_answer, in_answer);
        QCOMPARE(result->reason, reason);
    }

    // The limit is on the bytes a text takes in the paper's own encoding: a
    // Chinese character takes three in UTF-8 and two in GBK. The open paper's
    // writer, its check, and the writer and check of a paper as a value
    // (qv_paper's) all agree on where it falls.
    void textLimitCountsBytesInThePapersEncoding_data()
    {
        QTest::addColumn<QByteArray>("codec");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        const QString zhong(QChar(0x4E2D));
        QTest::newRow("UTF-8, 33333 characters in 99999 bytes")
            << QByteArray("UTF-8") << zhong.repeated(33333) << true;
        QTest::newRow("UTF-8, 33334 characters in 100000 bytes")
            << QByteArray("UTF-8") << zhong.repeated(33333) + QLatin1Char('x') << false;
        QTest::newRow("UTF-8, a Chinese character ending at byte 100000")
            << QByteArray("UTF-8") << QString(99997, QLatin1Char('x')) + zhong << false;
        QTest::newRow("GBK, 50000 characters in 99999 bytes")
            << QByteArray("GB18030") << zhong.repeated(49999) + QLatin1Char('x') << true;
        QTest::newRow("GBK, 50000 characters in 100000 bytes")
            << QByteArray("GB18030") << zhong.repeated(50000) << false;
        QTest::newRow("GBK, 33334 characters that UTF-8 would refuse")
            << QByteArray("GB18030") << zhong.repeated(33334) << true;
    }

    void textLimitCountsBytesInThePapersEncoding()
    {
        QFETCH(QByteArray, codec);
        QFETCH(QString, text);
        QFETCH(bool, fits);
        paper_codec = QTextCodec::codecForName(codec);
        QVERIFY(paper_codec);
        unch_count = 1;
        unch_table[1] = {5, QStringLiteral("题"), text};
        QByteArray problem, answer;
        QCOMPARE(write_paper_checked(problem, answer), fits);
        const std::optional<UnwritableText> found = find_unwritable_text();
        QCOMPARE(found.has_value(), !fits);
        if (found) {
            QCOMPARE(found->reason, UnwritableText::Reason::TooLong);
            QVERIFY(found->in_answer);
        }

        PaperData paper;
        paper.codec = paper_codec;
        paper.unch = {unch_table[1]};
        QByteArray value_problem, value_answer;
        QCOMPARE(write_paper_data(paper, value_problem, value_answer), fits);
        QCOMPARE(find_unwritable_texts(paper).size(), size_t(fits ? 0 : 1));
        if (fits) {
            QCOMPARE(answer, "@" + paper_codec->fromUnicode(text) + "$\r\n");
            QCOMPARE(value_answer, answer);
        }
    }

    void unwritableTextOrder()
    {
        onech_count = somech_count = unch_count = 3;
        unch_table[1].answer = QStringLiteral("$");
        unch_table[2].problem = QStringLiteral("$");
        somech_table[3].problem = QStringLiteral("$");
        onech_table[3].problem = QString(kMaxTextBytes, QLatin1Char('y'));
        struct Expected {
            QuestionKind kind;
            int number;
            bool in_answer;
        };
        const Expected order[] = {{QuestionKind::SingleChoice, 3, false},
                                  {QuestionKind::MultipleChoice, 3, false},
                                  {QuestionKind::FreeAnswer, 1, true},
                                  {QuestionKind::FreeAnswer, 2, false}};
        // Mend each text as it is reported; the next one comes up.
        for (const Expected &expected : order) {
            const auto found = find_unwritable_text();
            QVERIFY(found.has_value());
            QCOMPARE(found->kind, expected.kind);
            QCOMPARE(found->number, expected.number);
            QCOMPARE(found->in_answer, expected.in_answer);
            if (expected.kind == QuestionKind::SingleChoice)
                onech_table[3].problem.clear();
            else if (expected.kind == QuestionKind::MultipleChoice)
                somech_table[3].problem.clear();
            else if (expected.in_answer)
                unch_table[1].answer.clear();
            else
                unch_table[2].problem.clear();
        }
        QVERIFY(!find_unwritable_text().has_value());

        // Within one free-answer question the problem comes before the answer.
        unch_table[2].problem = unch_table[2].answer = QStringLiteral("$");
        QCOMPARE(find_unwritable_text()->in_answer, false);
    }

    void unwritableTextMessage_data()
    {
        QTest::addColumn<QuestionKind>("kind");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("in_answer");
        QTest::addColumn<UnwritableText::Reason>("reason");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("absent");
        using R = UnwritableText::Reason;
        QTest::newRow("$ in a free answer")
            << QuestionKind::FreeAnswer << 4 << true << R::DollarSign
            << QStringLiteral("第 4 道非选择题的答案中含有“$”") << QStringLiteral("100000");
        QTest::newRow("$ in a single-choice problem")
            << QuestionKind::SingleChoice << 12 << false << R::DollarSign
            << QStringLiteral("第 12 道单选题的题面中含有“$”") << QStringLiteral("答案");
        QTest::newRow("long multiple-choice problem")
            << QuestionKind::MultipleChoice << 7 << false << R::TooLong
            << QStringLiteral("第 7 道多选题的题面太长") << QStringLiteral("$");
        QTest::newRow("long free answer")
            << QuestionKind::FreeAnswer << 1 << true << R::TooLong
            << QStringLiteral("第 1 道非选择题的答案太长") << QStringLiteral("$");
    }

    void unwritableTextMessage()
    {
        QFETCH(QuestionKind, kind);
        QFETCH(int, number);
        QFETCH(bool, in_answer);
        QFETCH(UnwritableText::Reason, reason);
        QFETCH(QString, expected);
        QFETCH(QString, absent);
        const QString message = paper_message(unwritable_error(
            {kind, number, in_answer, reason, QString(), QStringLiteral("UTF-8")}));
        QVERIFY2(message.startsWith(expected), qPrintable(message));
        QVERIFY2(!message.contains(absent), qPrintable(message));
        if (reason == UnwritableText::Reason::TooLong)
            QVERIFY2(message.contains(QStringLiteral("100000 字节")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("再保存")), qPrintable(message));
    }

    // A failure worded by another failure's text would tell the teacher the
    // wrong thing: every kind has its own words and names the file it is about.
    void everyFailureHasItsOwnWords()
    {
        using What = PaperError::What;
        QHash<QString, int> seen;
        for (int what = int(What::None) + 1; what <= int(What::WrittenNotOnDisk); ++what) {
            PaperError error;
            error.what = What(what);
            error.path = QStringLiteral("F");
            error.place = {QuestionKind::MultipleChoice, 7, QuestionField::PartialScore};
            error.record = QStringLiteral("F/.qv_make-save");
            const QString message = paper_message(error);
            QVERIFY2(!message.isEmpty(), qPrintable(QString::number(what)));
            QVERIFY2(!seen.contains(message), qPrintable(QStringLiteral("%1 and %2: %3")
                                                             .arg(seen.value(message))
                                                             .arg(what)
                                                             .arg(message)));
            seen.insert(message, what);
            const bool about_the_folder_only =
                error.what == What::OutOfMemory || error.what == What::PathTooLong ||
                error.what == What::MixedEncodings || error.what == What::PaperUnwritable ||
                error.what == What::SaveWaitsToBeFinished || error.what == What::TextUnwritable;
            QVERIFY2(about_the_folder_only || message.contains(QLatin1Char('F')),
                     qPrintable(message));
        }
        QVERIFY(paper_message(PaperError()).isEmpty());
    }

    // --- adopting ---------------------------------------------------------

    void adoptKeepsSingleChoicePartialScore()
    {
        onech_table[1].partial_score = 7.5;
        somech_table[1].partial_score = 7.5;
        QVERIFY(read_paper(kExampleProblem, kExampleAnswer, nullptr));
        QCOMPARE(onech_table[1].partial_score, 7.5);
        QCOMPARE(somech_table[1].partial_score, 1.5);
    }

    // --- paths ------------------------------------------------------------

    // A new paper's folder is written whole or not at all: a paper over the
    // limit of a kind, or a folder that cannot be made, leaves nothing.
    void newPaperFolderIsWrittenWholeOrNotAtAll_data()
    {
        QTest::addColumn<int>("single");
        QTest::addColumn<int>("free");
        QTest::addColumn<bool>("blocked"); // a file stands where a folder must be made
        QTest::addColumn<QString>("said"); // %1: the folder
        QTest::newRow("as many as a paper holds") << 10000 << 1 << false << QString();
        QTest::newRow("one single choice too many")
            << 10001 << 1 << false << QStringLiteral("单选题有 10001 道，一份试卷最多放 10000 道");
        QTest::newRow("one free answer too many")
            << 1 << 10001 << false
            << QStringLiteral("非选择题有 10001 道，一份试卷最多放 10000 道");
        QTest::newRow("a file in the way") << 1 << 1 << true << QStringLiteral("无法建立文件夹 %1");
    }

    void newPaperFolderIsWrittenWholeOrNotAtAll()
    {
        QFETCH(int, single);
        QFETCH(int, free);
        QFETCH(bool, blocked);
        QFETCH(QString, said);
        QTemporaryDir dir;
        if (blocked)
            QVERIFY(write_file(dir.filePath(QStringLiteral("挡路")), "x"));
        const QString folder =
            dir.filePath(blocked ? QStringLiteral("挡路/新卷/一") : QStringLiteral("新卷/一"));
        PaperData paper;
        paper.onech.assign(size_t(single), ChoiceQuestion{2, 0, 1, QStringLiteral("题")});
        paper.unch.assign(size_t(free),
                          UnchQuestion{5, QStringLiteral("问"), QStringLiteral("答")});
        const QString message = paper_message(write_paper_folder(folder, paper));
        QCOMPARE(message, said.arg(QDir::toNativeSeparators(folder)));
        if (!said.isEmpty()) {
            // Not even the folders it would have made.
            QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("新卷"))));
            return;
        }
        QByteArray problem, answer;
        QVERIFY(write_paper_data(paper, problem, answer));
        QCOMPARE(file_bytes(folder + QStringLiteral("/problem.prb")), problem);
        QCOMPARE(file_bytes(folder + QStringLiteral("/answer.ans")), answer);
    }

    void paperPaths_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("problem");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("drive root") << QStringLiteral("C:/") << QByteArray("C://problem.prb")
                                    << QByteArray("C://answer.ans");
        QTest::newRow("empty") << QString() << QByteArray("/problem.prb")
                               << QByteArray("/answer.ans");
        QTest::newRow("Chinese folder")
            << QStringLiteral("D:/试卷/期中") << QByteArray("D:/试卷/期中/problem.prb")
            << QByteArray("D:/试卷/期中/answer.ans");
    }

    void paperPaths()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, problem);
        QFETCH(QByteArray, answer);
        QVERIFY(set_paper_paths(folder));
        QCOMPARE(QByteArray(problem_path), problem);
        QCOMPARE(QByteArray(answer_path), answer);
    }

    // The folder, "/", "problem.prb" and the NUL take L + 13 bytes of 10003.
    void overLongFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("fits");
        const int longest = kPathCapacity - 13;
        QTest::newRow("just fits") << QString(longest, QLatin1Char('d')) << true;
        QTest::newRow("one byte more") << QString(longest + 1, QLatin1Char('d')) << false;
        QTest::newRow("Chinese, just fits") << QString(longest / 3, QChar(0x5377)) << true;
        // 3331 characters but 9993 bytes in the local encoding.
        QTest::newRow("Chinese, too many bytes")
            << QString(longest / 3 + 1, QChar(0x5377)) << false;
    }

    void overLongFolder()
    {
        QFETCH(QString, folder);
        QFETCH(bool, fits);
        QVERIFY(set_paper_paths(QStringLiteral("kept")));
        const QByteArray problem_before(problem_path, kPathCapacity);
        const QByteArray answer_before(answer_path, kPathCapacity);

        QCOMPARE(set_paper_paths(folder), fits);
        if (fits) {
            const QByteArray local = folder.toLocal8Bit();
            QCOMPARE(QByteArray(problem_path), local + "/problem.prb");
            QCOMPARE(QByteArray(answer_path), local + "/answer.ans");
            QCOMPARE(std::strlen(problem_path), size_t(kPathCapacity - 1));
        } else {
            QCOMPARE(QByteArray(problem_path, kPathCapacity), problem_before);
            QCOMPARE(QByteArray(answer_path, kPathCapacity), answer_before);
        }
    }
};

QTEST_GUILESS_MAIN(TestPaperFiles)
#include "test_paper_files.moc"
