// The three question pages, driven through the real window: counts, showing,
// storing and moving between questions.

#include "tests/test_support.h"
#include "tests/window_fixture.h"

#include "paper/paper_messages.h"
#include "paper/paper_model.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLCDNumber>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTextEdit>
#include <QtTest>

namespace
{

// What a test needs to know about one page; the behaviour the three pages
// share is tested once for each of them.
struct PageKind {
    const char *label;
    int tab;
    const char *count, *number, *problem, *score, *last, *save, *next;
    QString &(*problem_of)(int k);
    double &(*score_of)(int k);
    int &(*current)();
};

const PageKind kKinds[] = {
    {"single", 1, "onech_in", "onech_num", "onech_pro_in", "onech_score_in", "onech_last",
     "onech_save", "onech_next", [](int k) -> QString & { return onech_table[k].problem; },
     [](int k) -> double & { return onech_table[k].score; },
     []() -> int & { return onech_current; }},
    {"multiple", 2, "somech_in", "somech_num", "somech_pro_in", "somech_scrig_in", "somech_last",
     "somech_save", "somech_next", [](int k) -> QString & { return somech_table[k].problem; },
     [](int k) -> double & { return somech_table[k].score; },
     []() -> int & { return somech_current; }},
    {"free", 3, "unch_in", "unch_num", "unch_pro_in", "unch_score_in", "unch_last", "unch_save",
     "unch_next", [](int k) -> QString & { return unch_table[k].problem; },
     [](int k) -> double & { return unch_table[k].score; }, []() -> int & { return unch_current; }},
};

// Every widget a page shows a question in, by object name: what clearing the
// page must empty and grey, each of them, whichever way it is cleared.
struct PageFields {
    const char *count;
    QStringList texts;   // QTextEdit
    QStringList spins;   // QDoubleSpinBox
    QStringList options; // A to F, or none
    QStringList buttons; // 上一题, 保存当前试题, 下一题
    int tab;
    const char *number;
    int (*current)();
};

const PageFields kFields[] = {
    {"onech_in",
     {"onech_pro_in"},
     {"onech_score_in"},
     {"onech_A", "onech_B", "onech_C", "onech_D", "onech_E", "onech_F"},
     {"onech_last", "onech_save", "onech_next"},
     1,
     "onech_num",
     [] { return onech_current; }},
    {"somech_in",
     {"somech_pro_in"},
     {"somech_scrig_in", "somech_scsor_in"},
     {"somech_A", "somech_B", "somech_C", "somech_D", "somech_E", "somech_F"},
     {"somech_last", "somech_save", "somech_next"},
     2,
     "somech_num",
     [] { return somech_current; }},
    {"unch_in",
     {"unch_pro_in", "unch_ans_in"},
     {"unch_score_in"},
     {},
     {"unch_last", "unch_save", "unch_next"},
     3,
     "unch_num",
     [] { return unch_current; }},
};

// The ways a page is cleared: its count set to 0, the paper closed, another
// paper opened that has none of the kind, a new paper made and opened.
enum class Clearing { CountZero, ClosePaper, OpenEmptyPaper, NewPaperOpened };

QString text_of(int k)
{
    return QStringLiteral("第%1题").arg(k);
}

} // namespace

class TestPages : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { install_strict_message_handler(); }
    void init();
    void cleanup() { fixture.tear_down(); }

    void count_raisedFromZero_enablesAndShowsQuestion1_data() { kinds(); }
    void count_raisedFromZero_enablesAndShowsQuestion1();
    void count_loweredBelowCurrent_dropsEditsAndKeepsRecords_data() { kinds(); }
    void count_loweredBelowCurrent_dropsEditsAndKeepsRecords();
    void count_loweredAboveCurrent_keepsPageAndEdits_data() { kinds(); }
    void count_loweredAboveCurrent_keepsPageAndEdits();
    void count_zero_clearsAndDisables_thenOneShowsStoredRecord_data() { kinds(); }
    void count_zero_clearsAndDisables_thenOneShowsStoredRecord();
    void navigation_storesFirstAndStopsAtTheEnds_data() { kinds(); }
    void navigation_storesFirstAndStopsAtTheEnds();
    void count_followsEachKeystroke_data() { kinds(); }
    void count_followsEachKeystroke();
    void texts_roundTripExactly_data();
    void texts_roundTripExactly();
    void typedText_isStoredAsTyped_data() { kinds(); }
    void typedText_isStoredAsTyped();
    void scores_passThroughTheSpinBox_data() { kinds(); }
    void scores_passThroughTheSpinBox();

    void singleChoice_showsAndStoresEveryBitOfTheAnswer();
    void singleChoice_clickedOptionIsStoredAndPartialScoreStaysZero();
    void multipleChoice_storesCheckedOptionsAndBothScores();
    void multipleChoice_showsAllSixForMask63();
    void freeAnswer_storesAnswerText();

    void clearedPage_showsNothingAndTakesNoInput_data();
    void clearedPage_showsNothingAndTakesNoInput();
    void storedThenSaved_leavesWithoutAQuestionAndTheFilesHoldIt_data();
    void storedThenSaved_leavesWithoutAQuestionAndTheFilesHoldIt();

  private:
    void kinds();
    const PageKind &kind();
    void set_count(const PageKind &page, int count);
    template <class T> T *on(const char *name) { return fixture.find<T>(name); }

    WindowFixture fixture;
    QTemporaryDir folder;
};

void TestPages::init()
{
    fixture.set_up();
    QVERIFY(folder.isValid());
    write_paper_files(folder.path(), "0 0 0", QByteArray());
    fixture.open_paper(folder.path());
    QVERIFY(on<QSpinBox>("onech_in")->isEnabled());
    for (int k = 1; k <= 6; ++k) {
        for (const PageKind &page : kKinds) {
            page.problem_of(k) = text_of(k);
            page.score_of(k) = k;
        }
        unch_table[k].answer = QStringLiteral("答%1").arg(k);
    }
}

void TestPages::kinds()
{
    QTest::addColumn<int>("kind");
    for (int i = 0; i < int(std::size(kKinds)); ++i)
        QTest::newRow(kKinds[i].label) << i;
}

const PageKind &TestPages::kind()
{
    return kKinds[*static_cast<int *>(QTest::qData("kind", qMetaTypeId<int>()))];
}

void TestPages::set_count(const PageKind &page, int count)
{
    on<QSpinBox>(page.count)->setValue(count);
}

void TestPages::count_raisedFromZero_enablesAndShowsQuestion1()
{
    const PageKind &page = kind();
    QVERIFY(!on<QTextEdit>(page.problem)->isEnabled());
    set_count(page, 3);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 1);
    QCOMPARE(page.current(), 1);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), text_of(1));
    QCOMPARE(on<QDoubleSpinBox>(page.score)->value(), 1.0);
    for (const char *name : {page.problem, page.score, page.last, page.save, page.next})
        QVERIFY2(on<QWidget>(name)->isEnabled(), name);
}

void TestPages::count_loweredBelowCurrent_dropsEditsAndKeepsRecords()
{
    const PageKind &page = kind();
    fixture.show_tab(page.tab);
    set_count(page, 5);
    for (int i = 0; i < 3; ++i)
        fixture.click(page.next);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 4);
    on<QTextEdit>(page.problem)->setPlainText(QStringLiteral("unstored"));

    set_count(page, 2);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 2);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), text_of(2));
    QCOMPARE(page.problem_of(4), text_of(4));

    set_count(page, 5);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 2);
    for (int k = 3; k <= 5; ++k)
        QCOMPARE(page.problem_of(k), text_of(k));
    fixture.click(page.next);
    fixture.click(page.next);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), text_of(4));
}

void TestPages::count_loweredAboveCurrent_keepsPageAndEdits()
{
    const PageKind &page = kind();
    fixture.show_tab(page.tab);
    set_count(page, 5);
    fixture.click(page.next);
    on<QTextEdit>(page.problem)->setPlainText(QStringLiteral("edited"));
    set_count(page, 3);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 2);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), QStringLiteral("edited"));
    set_count(page, 2); // down to the shown question itself: it stays, edits and all
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 2);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), QStringLiteral("edited"));
    fixture.click(page.save);
    QCOMPARE(page.problem_of(2), QStringLiteral("edited"));
}

void TestPages::count_zero_clearsAndDisables_thenOneShowsStoredRecord()
{
    const PageKind &page = kind();
    fixture.show_tab(page.tab);
    set_count(page, 2);
    on<QTextEdit>(page.problem)->setPlainText(QStringLiteral("unstored"));
    set_count(page, 0);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 0);
    QCOMPARE(page.current(), 0);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), QString());
    QCOMPARE(on<QDoubleSpinBox>(page.score)->value(), 0.0);
    for (const char *name : {page.problem, page.score, page.last, page.save, page.next})
        QVERIFY2(!on<QWidget>(name)->isEnabled(), name);
    QCOMPARE(page.problem_of(1), text_of(1));

    set_count(page, 1);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), text_of(1));
    QVERIFY(on<QWidget>(page.save)->isEnabled());
}

void TestPages::navigation_storesFirstAndStopsAtTheEnds()
{
    const PageKind &page = kind();
    fixture.show_tab(page.tab);
    set_count(page, 2);

    on<QTextEdit>(page.problem)->setPlainText(QStringLiteral("one"));
    fixture.click(page.last); // at question 1: stores and stays
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 1);
    QCOMPARE(page.problem_of(1), QStringLiteral("one"));

    on<QTextEdit>(page.problem)->setPlainText(QStringLiteral("one again"));
    fixture.click(page.next); // stores, then moves
    QCOMPARE(page.problem_of(1), QStringLiteral("one again"));
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 2);

    on<QTextEdit>(page.problem)->setPlainText(QStringLiteral("two"));
    fixture.click(page.next); // at the last question: stores and stays
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 2);
    QCOMPARE(page.problem_of(2), QStringLiteral("two"));

    fixture.click(page.last);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 1);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), QStringLiteral("one again"));
}

void TestPages::count_followsEachKeystroke()
{
    const PageKind &page = kind();
    set_count(page, 3);
    fixture.show_tab(page.tab);
    fixture.click(page.next);
    fixture.click(page.next);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 3);

    fixture.show_tab(0);
    auto *count = on<QSpinBox>(page.count);
    count->setFocus();
    count->selectAll();
    QTest::keyClick(count, Qt::Key_2);
    QCOMPARE(count->value(), 2);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 2);
    QTest::keyClick(count, Qt::Key_5);
    QCOMPARE(count->value(), 25);
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 2);
}

void TestPages::texts_roundTripExactly_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    const QString texts[] = {
        QStringLiteral("第一行\n第二行\n\n第四行"),
        QStringLiteral("<b>x</b> or y"),
        QStringLiteral("a<br>b"),
        QStringLiteral("<html><body>不是网页</body></html>"),
        QStringLiteral("1 &lt; 2 &amp; 3"),
        QStringLiteral("  leading and trailing  "),
    };
    for (int i = 0; i < int(std::size(kKinds)); ++i) {
        for (int t = 0; t < int(std::size(texts)); ++t)
            QTest::addRow("%s %d", kKinds[i].label, t) << i << texts[t];
    }
}

void TestPages::texts_roundTripExactly()
{
    QFETCH(QString, text);
    const PageKind &page = kind();
    page.problem_of(1) = text;
    set_count(page, 1);
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(), text);
    fixture.show_tab(page.tab);
    fixture.click(page.save);
    QCOMPARE(page.problem_of(1), text);
}

void TestPages::typedText_isStoredAsTyped()
{
    const PageKind &page = kind();
    set_count(page, 1);
    fixture.show_tab(page.tab);
    auto *editor = on<QTextEdit>(page.problem);
    editor->clear();
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("<i>2+2</i>?"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("x"));
    fixture.click(page.save);
    QCOMPARE(page.problem_of(1), QStringLiteral("<i>2+2</i>?\nx"));
}

void TestPages::scores_passThroughTheSpinBox()
{
    const PageKind &page = kind();
    page.score_of(1) = 7.777;
    page.score_of(2) = 20000.0;
    set_count(page, 2);
    fixture.show_tab(page.tab);
    QCOMPARE(on<QDoubleSpinBox>(page.score)->value(), 7.78);
    fixture.click(page.next);
    QCOMPARE(page.score_of(1), 7.78);
    QCOMPARE(on<QDoubleSpinBox>(page.score)->value(), 10000.0);
    fixture.click(page.save);
    QCOMPARE(page.score_of(2), 10000.0);
}

void TestPages::singleChoice_showsAndStoresEveryBitOfTheAnswer()
{
    onech_table[1].answer = 1 | 4; // two bits: only a hand-made file gives this
    onech_table[2].answer = 0;
    set_count(kKinds[0], 2);
    fixture.show_tab(1);
    const char *options[] = {"onech_A", "onech_B", "onech_C", "onech_D", "onech_E", "onech_F"};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(on<QRadioButton>(options[i])->isChecked(), i == 0 || i == 2);
    fixture.click("onech_next");
    QCOMPARE(onech_table[1].answer, 5);
    for (const char *name : options) {
        QVERIFY(!on<QRadioButton>(name)->isChecked());
        QVERIFY(on<QRadioButton>(name)->autoExclusive());
    }
    fixture.click("onech_save");
    QCOMPARE(onech_table[2].answer, 0);
}

void TestPages::singleChoice_clickedOptionIsStoredAndPartialScoreStaysZero()
{
    set_count(kKinds[0], 1);
    fixture.show_tab(1);
    fixture.click("onech_B");
    fixture.click("onech_F");
    fixture.click("onech_save");
    QCOMPARE(onech_table[1].answer, 32);
    QCOMPARE(onech_table[1].partial_score, 0.0);
    // Closing the count and opening it again leaves no option behind.
    set_count(kKinds[0], 0);
    QVERIFY(!on<QRadioButton>("onech_F")->isChecked());
    QVERIFY(!on<QRadioButton>("onech_F")->isEnabled());
}

void TestPages::multipleChoice_storesCheckedOptionsAndBothScores()
{
    somech_table[1].partial_score = 0.0;
    set_count(kKinds[1], 1);
    fixture.show_tab(2);
    for (const char *name : {"somech_A", "somech_C", "somech_F"})
        fixture.click(name);
    on<QDoubleSpinBox>("somech_scrig_in")->setValue(2.0);
    on<QDoubleSpinBox>("somech_scsor_in")->setValue(3.5); // above the full score: kept as entered
    fixture.click("somech_save");
    QCOMPARE(somech_table[1].answer, 37);
    QCOMPARE(somech_table[1].score, 2.0);
    QCOMPARE(somech_table[1].partial_score, 3.5);
}

void TestPages::multipleChoice_showsAllSixForMask63()
{
    somech_table[2].answer = 63;
    somech_table[2].partial_score = 1.25;
    set_count(kKinds[1], 2);
    fixture.show_tab(2);
    fixture.click("somech_next");
    for (const char *name :
         {"somech_A", "somech_B", "somech_C", "somech_D", "somech_E", "somech_F"})
        QVERIFY(on<QCheckBox>(name)->isChecked());
    QCOMPARE(on<QDoubleSpinBox>("somech_scsor_in")->value(), 1.25);
    fixture.click("somech_last");
    QVERIFY(!on<QCheckBox>("somech_A")->isChecked());
    QVERIFY(!on<QCheckBox>("somech_A")->autoExclusive());
}

void TestPages::freeAnswer_storesAnswerText()
{
    // An answer that looks like markup is shown as it is.
    unch_table[2].answer = QStringLiteral("<b>答2</b> &amp; <br>");
    set_count(kKinds[2], 2);
    fixture.show_tab(3);
    QCOMPARE(on<QTextEdit>("unch_ans_in")->toPlainText(), QStringLiteral("答1"));
    on<QTextEdit>("unch_ans_in")->setPlainText(QStringLiteral("<p>见\n讲义</p>"));
    fixture.click("unch_next");
    QCOMPARE(unch_table[1].answer, QStringLiteral("<p>见\n讲义</p>"));
    QCOMPARE(on<QTextEdit>("unch_ans_in")->toPlainText(), QStringLiteral("<b>答2</b> &amp; <br>"));
    set_count(kKinds[2], 0);
    QCOMPARE(on<QTextEdit>("unch_ans_in")->toPlainText(), QString());
    QVERIFY(!on<QTextEdit>("unch_ans_in")->isEnabled());
}

void TestPages::clearedPage_showsNothingAndTakesNoInput_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("clearing");
    const std::pair<const char *, Clearing> ways[] = {
        {"count 0", Clearing::CountZero},
        {"close paper", Clearing::ClosePaper},
        {"open a paper without questions", Clearing::OpenEmptyPaper},
        {"new paper opened", Clearing::NewPaperOpened}};
    for (int i = 0; i < int(std::size(kKinds)); ++i) {
        for (const auto &[way, clearing] : ways)
            QTest::addRow("%s, %s", kKinds[i].label, way) << i << int(clearing);
    }
}

// Question 2 is shown with every field set (every option checked, a partial
// score, an answer), partly stored and partly typed; whichever way the page
// is cleared, no field keeps a value or takes input.
void TestPages::clearedPage_showsNothingAndTakesNoInput()
{
    QFETCH(int, clearing);
    const int index = *static_cast<int *>(QTest::qData("kind", qMetaTypeId<int>()));
    const PageKind &page = kKinds[index];
    const PageFields &fields = kFields[index];
    for (int k = 1; k <= 2; ++k) {
        onech_table[k].answer = 1 << (k + 2);
        somech_table[k].answer = kAllOptions;
        somech_table[k].partial_score = 1.5;
    }
    set_count(page, 2);
    fixture.show_tab(page.tab);
    fixture.click(page.next);
    on<QTextEdit>(fields.texts.last().toLatin1())->setPlainText(QStringLiteral("typed"));
    for (const QString &spin : fields.spins)
        on<QDoubleSpinBox>(spin.toLatin1())->setValue(2.5);
    for (const QString &option : fields.options)
        QVERIFY2(on<QAbstractButton>(option.toLatin1())->isEnabled(), qPrintable(option));

    QTemporaryDir other;
    switch (Clearing(clearing)) {
    case Clearing::CountZero:
        set_count(page, 0);
        break;
    case Clearing::ClosePaper:
        platform::testing::queue_answer(true);
        fixture.click("close_paper");
        break;
    case Clearing::OpenEmptyPaper:
        write_paper_files(other.path(), "0 0 0", QByteArray());
        platform::testing::queue_answer(true); // the typing is given up
        fixture.open_paper(other.path());
        break;
    case Clearing::NewPaperOpened:
        platform::testing::queue_folder(other.path());
        fixture.click("new_paper");
        platform::testing::queue_answer(true);
        fixture.open_paper(other.path());
        break;
    }
    QCOMPARE(platform::testing::pending_answers(), 0);

    QCOMPARE(on<QLCDNumber>(fields.number)->intValue(), 0);
    QCOMPARE(fields.current(), 0);
    QCOMPARE(on<QSpinBox>(fields.count)->value(), 0);
    QCOMPARE(on<QSpinBox>(fields.count)->isEnabled(), Clearing(clearing) != Clearing::ClosePaper);
    for (const QString &name : fields.texts) {
        QCOMPARE(on<QTextEdit>(name.toLatin1())->toPlainText(), QString());
        QVERIFY2(!on<QTextEdit>(name.toLatin1())->isEnabled(), qPrintable(name));
    }
    for (const QString &name : fields.spins) {
        QCOMPARE(on<QDoubleSpinBox>(name.toLatin1())->value(), 0.0);
        QVERIFY2(!on<QDoubleSpinBox>(name.toLatin1())->isEnabled(), qPrintable(name));
    }
    for (const QString &name : fields.options) {
        QVERIFY2(!on<QAbstractButton>(name.toLatin1())->isChecked(), qPrintable(name));
        QVERIFY2(!on<QAbstractButton>(name.toLatin1())->isEnabled(), qPrintable(name));
    }
    for (const QString &name : fields.buttons)
        QVERIFY2(!on<QAbstractButton>(name.toLatin1())->isEnabled(), qPrintable(name));
    // The single-choice buttons are exclusive again once cleared.
    if (index == 0) {
        for (const QString &name : fields.options)
            QVERIFY(on<QRadioButton>(name.toLatin1())->autoExclusive());
    }
}

void TestPages::storedThenSaved_leavesWithoutAQuestionAndTheFilesHoldIt_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("store");
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("question"); // what leaving the paper asks first, if anything
    for (int i = 0; i < int(std::size(kKinds)); ++i) {
        QTest::addRow("%s, stored and saved", kKinds[i].label) << i << true << true << QString();
        QTest::addRow("%s, stored, not saved", kKinds[i].label)
            << i << true << false << discard_changes_question();
        QTest::addRow("%s, typed only", kKinds[i].label)
            << i << false << false << discard_typing_question();
        QTest::addRow("%s, typed, the paper saved", kKinds[i].label)
            << i << false << true << discard_typing_question();
    }
}

// A question typed, then stored or not, then the paper saved or not, then
// another paper opened: the window asks exactly when something would be lost,
// and the files hold exactly what was stored and saved.
void TestPages::storedThenSaved_leavesWithoutAQuestionAndTheFilesHoldIt()
{
    QFETCH(bool, store);
    QFETCH(bool, save);
    QFETCH(QString, question);
    const PageKind &page = kind();
    const int index = *static_cast<int *>(QTest::qData("kind", qMetaTypeId<int>()));
    set_count(page, 1);
    fixture.click("save_paper"); // the count is in the files: only the question differs
    fixture.show_tab(page.tab);
    on<QTextEdit>(page.problem)->setPlainText(QStringLiteral("改过的题目"));
    if (store)
        fixture.click(page.save);
    if (save)
        fixture.click("save_paper");
    const QByteArray saved_problem = read_file(folder.path() + QStringLiteral("/problem.prb"));

    QTemporaryDir other;
    write_paper_files(other.path(), "0 0 0", QByteArray());
    if (!question.isEmpty())
        platform::testing::queue_answer(true);
    fixture.open_paper(other.path());
    QStringList asked;
    for (const platform::testing::ShownDialog &dialog : platform::testing::shown_dialogs()) {
        if (dialog.kind == platform::testing::ShownDialog::Kind::Question)
            asked.append(dialog.text);
    }
    QCOMPARE(asked, question.isEmpty() ? QStringList() : QStringList{question});
    QCOMPARE(shown_messages(), QStringList());
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 0);
    QCOMPARE(read_file(folder.path() + QStringLiteral("/problem.prb")), saved_problem);
    // A paper of ASCII alone is written in the local encoding: GBK on a
    // Chinese Windows.
    const QByteArray typed =
        "@" + QTextCodec::codecForLocale()->fromUnicode(QStringLiteral("改过的题目")) + "$";
    QCOMPARE(saved_problem.contains(typed), store && save);

    fixture.open_paper(folder.path());
    QCOMPARE(on<QTextEdit>(page.problem)->toPlainText(),
             store && save ? QStringLiteral("改过的题目") : text_of(1));
    QCOMPARE(on<QLCDNumber>(page.number)->intValue(), 1);
    QCOMPARE(kFields[index].current(), 1);
}

QTEST_MAIN(TestPages)
#include "test_pages.moc"
