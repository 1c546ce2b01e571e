// The total score line on the control page.

#include "tests/test_support.h"
#include "tests/window_fixture.h"

#include "paper/paper_messages.h"
#include "paper/paper_model.h"
#include "paper/paper_score.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <locale>

namespace
{

// A paper whose single-choice questions carry `scores`, with nothing else.
QByteArray single_choice_paper(const QList<QByteArray> &scores)
{
    QByteArray problem = QByteArray::number(scores.size()) + " 0 0\r\n";
    for (const QByteArray &score : scores)
        problem += score + "\r\n@q$\r\n";
    return problem;
}

QByteArray answers_for(int single_choice_count)
{
    return QByteArray("0\r\n").repeated(single_choice_count);
}

struct DecimalComma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// The example paper: single-choice 2 and 3.5, multiple-choice 4 (partial 2),
// free answer 10.25.
const QByteArray kExampleProblem =
    "2 1 1\r\n2\r\n@a$\r\n3.5\r\n@b$\r\n4 2\r\n@c$\r\n10.25\r\n@d$\r\n";
const QByteArray kExampleAnswer = "1\r\n2\r\n3\r\n@e$\r\n";

} // namespace

class TestTotal : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { install_strict_message_handler(); }
    void init();
    void cleanup() { fixture.tear_down(); }

    void open_showsTotalOfStoredFullScores();
    void total_roundsTheExactDoubleToTwoDecimals_data();
    void total_roundsTheExactDoubleToTwoDecimals();
    void total_countsOnlyStoredScores();
    void total_followsLoweredAndRaisedCounts();
    void total_keepsFullStopUnderDecimalCommaLocales();

  private:
    QString total_text() { return fixture.find<QLabel>("total_sum")->text(); }
    void open(const QByteArray &problem, const QByteArray &answer);

    WindowFixture fixture;
    std::unique_ptr<QTemporaryDir> folder;
};

void TestTotal::init()
{
    fixture.set_up();
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void TestTotal::open(const QByteArray &problem, const QByteArray &answer)
{
    write_paper_files(folder->path(), problem, answer);
    fixture.open_paper(folder->path());
    QVERIFY(fixture.find<QSpinBox>("onech_in")->isEnabled());
}

void TestTotal::open_showsTotalOfStoredFullScores()
{
    open(kExampleProblem, kExampleAnswer);
    QCOMPARE(total_text(), QStringLiteral("试卷总分确认：19.75 分"));
    QCOMPARE(fixture.find<QLabel>("total_sum")->textFormat(), Qt::AutoText);
    fixture.find<QLabel>("total_sum")->setText(QString());
    fixture.click("out_total");
    QCOMPARE(total_text(), QStringLiteral("试卷总分确认：19.75 分"));
}

void TestTotal::total_roundsTheExactDoubleToTwoDecimals_data()
{
    QTest::addColumn<QList<QByteArray>>("scores");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no questions") << QList<QByteArray>{} << QStringLiteral("0.00");
    QTest::newRow("three tenths") << QList<QByteArray>{"0.1", "0.1", "0.1"}
                                  << QStringLiteral("0.30");
    QTest::newRow("0.125 down") << QList<QByteArray>{"0.125"} << QStringLiteral("0.12");
    QTest::newRow("0.375 up") << QList<QByteArray>{"0.375"} << QStringLiteral("0.38");
    QTest::newRow("2 2.5 0.25") << QList<QByteArray>{"2", "2.5", "0.25"} << QStringLiteral("4.75");
    QTest::newRow("large") << QList<QByteArray>{"10000", "10000", "0.5"}
                           << QStringLiteral("20000.50");
}

void TestTotal::total_roundsTheExactDoubleToTwoDecimals()
{
    QFETCH(QList<QByteArray>, scores);
    QFETCH(QString, shown);
    open(single_choice_paper(scores), answers_for(scores.size()));
    const QString expected = QStringLiteral("试卷总分确认：%1 分").arg(shown);
    QCOMPARE(total_text(), expected);
    fixture.click("out_total");
    QCOMPARE(total_text(), expected);
}

void TestTotal::total_countsOnlyStoredScores()
{
    open(kExampleProblem, kExampleAnswer);
    fixture.show_tab(1);
    fixture.find<QDoubleSpinBox>("onech_score_in")->setValue(5.0); // was 2
    fixture.show_tab(0);
    fixture.click("out_total");
    QCOMPARE(total_text(), QStringLiteral("试卷总分确认：19.75 分"));
    fixture.show_tab(1);
    fixture.click("onech_save");
    fixture.show_tab(0);
    fixture.click("out_total");
    QCOMPARE(total_text(), QStringLiteral("试卷总分确认：22.75 分"));
}

void TestTotal::total_followsLoweredAndRaisedCounts()
{
    open(kExampleProblem, kExampleAnswer);
    fixture.find<QSpinBox>("unch_in")->setValue(0);
    QCOMPARE(total_text(), QStringLiteral("试卷总分确认：19.75 分")); // a snapshot until pressed
    fixture.click("out_total");
    QCOMPARE(total_text(), QStringLiteral("试卷总分确认：9.50 分"));
    fixture.find<QSpinBox>("unch_in")->setValue(1);
    fixture.click("out_total");
    QCOMPARE(total_text(), QStringLiteral("试卷总分确认：19.75 分"));
}

void TestTotal::total_keepsFullStopUnderDecimalCommaLocales()
{
    const std::locale previous_global =
        std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
    const QLocale previous_default;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string previous_numeric = std::setlocale(LC_NUMERIC, nullptr);
    // printf would write "19,75" under it.
    const bool comma_c_locale = set_decimal_comma_c_locale(LC_NUMERIC) != nullptr;

    open(kExampleProblem, kExampleAnswer);
    fixture.click("out_total");
    const QString shown = total_text();
    const QString large = total_line(1234.5);

    std::setlocale(LC_NUMERIC, previous_numeric.c_str());
    QLocale::setDefault(previous_default);
    std::locale::global(previous_global);
    QVERIFY2(comma_c_locale, "no German C locale: run scripts/install-deps.sh test");
    QCOMPARE(shown, QStringLiteral("试卷总分确认：19.75 分"));
    QCOMPARE(large, QStringLiteral("试卷总分确认：1234.50 分"));
}

QTEST_MAIN(TestTotal)
#include "test_total.moc"
