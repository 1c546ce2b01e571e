// The import's documented limits, each at exactly its value, one below and
// one above: the notes it keeps, how deep a Moodle XML file may nest, how many
// options a question may have, the grades a paper can hold.

#include "exchange/exchange.h"

#include <QtTest>

namespace
{

QByteArray nested_quiz(int depth)
{
    // <quiz> is the first level; the rest are elements a reader skips.
    return "<quiz>" + QByteArray("<x>").repeated(depth - 1) +
           QByteArray("</x>").repeated(depth - 1) +
           "<question type=\"essay\"><name><text>q</text></name>"
           "<questiontext><text>t</text></questiontext></question></quiz>";
}

QByteArray gift_with_options(int options, bool multiple)
{
    QByteArray gift = "::q::Pick{\n";
    for (int i = 0; i < options; ++i) {
        if (multiple)
            gift += i < 2 ? "~%50%" : "~%-100%";
        else
            gift += i == 0 ? "=" : "~";
        gift += "o" + QByteArray::number(i) + "\n";
    }
    return gift + "}\n";
}

QByteArray moodle_grade(const QByteArray &grade)
{
    return "<quiz><question type=\"essay\"><name><text>q</text></name>"
           "<questiontext><text>t</text></questiontext><defaultgrade>" +
           grade + "</defaultgrade></question></quiz>";
}

} // namespace

class TestLimits : public QObject
{
    Q_OBJECT

  private slots:
    void importNotes_keepTheFirstHundredAndCountTheRest_data();
    void importNotes_keepTheFirstHundredAndCountTheRest();
    void moodleXml_nestsAHundredDeepAndNoDeeper_data();
    void moodleXml_nestsAHundredDeepAndNoDeeper();
    void gift_takesSixOptionsAndLeavesOutSeven_data();
    void gift_takesSixOptionsAndLeavesOutSeven();
    void moodleXml_gradesFromZeroTo10000_data();
    void moodleXml_gradesFromZeroTo10000();
};

void TestLimits::importNotes_keepTheFirstHundredAndCountTheRest_data()
{
    QTest::addColumn<int>("notes");
    for (int notes : {99, 100, 101})
        QTest::addRow("%d", notes) << notes;
}

void TestLimits::importNotes_keepTheFirstHundredAndCountTheRest()
{
    QFETCH(int, notes);
    ImportResult result;
    for (int i = 1; i <= notes; ++i) {
        result.skip(QString::number(i), QStringLiteral("略过"));
        result.change(QString::number(i), {QStringLiteral("改过")});
    }
    const size_t kept = std::min(size_t(notes), kKeptNotes);
    QCOMPARE(result.skipped.size(), kept);
    QCOMPARE(result.changed.size(), kept);
    QCOMPARE(result.skipped_count, size_t(notes));
    QCOMPARE(result.changed_count, size_t(notes));
    QCOMPARE(result.skipped.back().position, QString::number(int(kept)));
    QCOMPARE(result.changed.back().position, QString::number(int(kept)));
}

void TestLimits::moodleXml_nestsAHundredDeepAndNoDeeper_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<bool>("read");
    QTest::newRow("99") << 99 << true;
    QTest::newRow("100") << 100 << true;
    QTest::newRow("101") << 101 << false;
}

void TestLimits::moodleXml_nestsAHundredDeepAndNoDeeper()
{
    QFETCH(int, depth);
    QFETCH(bool, read);
    const ImportResult result = import_moodle_xml(nested_quiz(depth), ImportScores{});
    QCOMPARE(result.failure.failed(), !read);
    QCOMPARE(result.paper.unch.size(), size_t(read ? 1 : 0));
    if (!read) {
        QCOMPARE(result.failure.what, ExchangeError::What::QuizTooDeep);
        QCOMPARE(result.failure.limit, 100);
    }
}

void TestLimits::gift_takesSixOptionsAndLeavesOutSeven_data()
{
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<bool>("taken");
    for (bool multiple : {false, true}) {
        for (int options : {5, 6, 7})
            QTest::addRow("%s, %d options", multiple ? "multiple" : "single", options)
                << options << multiple << (options <= 6);
    }
}

void TestLimits::gift_takesSixOptionsAndLeavesOutSeven()
{
    QFETCH(int, options);
    QFETCH(bool, multiple);
    QFETCH(bool, taken);
    const ImportResult result = import_gift(gift_with_options(options, multiple), ImportScores{});
    QVERIFY(!result.failure.failed());
    const auto &kind = multiple ? result.paper.somech : result.paper.onech;
    QCOMPARE(kind.size(), size_t(taken ? 1 : 0));
    QCOMPARE(result.skipped_count, size_t(taken ? 0 : 1));
    if (taken) {
        QCOMPARE(kind[0].answer, OptionMask(multiple ? 0b11 : 0b1));
        QVERIFY2(kind[0].problem.endsWith(
                     QStringLiteral("%1. o%2").arg(QChar(u'A' + options - 1)).arg(options - 1)),
                 qPrintable(kind[0].problem));
    }
}

void TestLimits::moodleXml_gradesFromZeroTo10000_data()
{
    QTest::addColumn<QByteArray>("grade");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<double>("score");
    QTest::newRow("9999.99") << QByteArray("9999.99") << true << 9999.99;
    QTest::newRow("10000") << QByteArray("10000") << true << 10000.0;
    QTest::newRow("10000.01") << QByteArray("10000.01") << false << 0.0;
    QTest::newRow("0") << QByteArray("0") << true << 0.0;
    QTest::newRow("0.01") << QByteArray("0.01") << true << 0.01;
    QTest::newRow("-0.01") << QByteArray("-0.01") << false << 0.0;
}

void TestLimits::moodleXml_gradesFromZeroTo10000()
{
    QFETCH(QByteArray, grade);
    QFETCH(bool, taken);
    QFETCH(double, score);
    const ImportResult result = import_moodle_xml(moodle_grade(grade), ImportScores{});
    QVERIFY(!result.failure.failed());
    QCOMPARE(result.paper.unch.size(), size_t(taken ? 1 : 0));
    QCOMPARE(result.skipped_count, size_t(taken ? 0 : 1));
    if (taken)
        QCOMPARE(result.paper.unch[0].score, score);
}

QTEST_APPLESS_MAIN(TestLimits)
#include "test_limits.moc"
