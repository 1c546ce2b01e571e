// The main window as the teacher first sees it: its widget tree, captions,
// initial states, slot table and the dialogs of the platform layer.

#include "tests/test_support.h"
#include "tests/window_fixture.h"

#include "paper/paper_score.h"
#include "platform/dialogs.h"
#include "resources/resources.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QImage>
#include <QLCDNumber>
#include <QLabel>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace
{

struct Member {
    const char *name;
    const char *class_name;
};

// Every object of the form, in the order it is created.
const Member kMembers[] = {
    {"centralWidget", "QWidget"},
    {"gridLayout", "QGridLayout"},
    {"close_paper", "QPushButton"},
    {"new_paper", "QPushButton"},
    {"save_paper", "QPushButton"},
    {"open_paper", "QPushButton"},
    {"tabWidget", "QTabWidget"},
    {"main_page", "QWidget"},
    {"gridLayout_2", "QGridLayout"},
    {"label_4", "QLabel"},
    {"onech_in", "QSpinBox"},
    {"label_3", "QLabel"},
    {"unch_in", "QSpinBox"},
    {"label_2", "QLabel"},
    {"total_sum", "QLabel"},
    {"somech_in", "QSpinBox"},
    {"label", "QLabel"},
    {"out_total", "QPushButton"},
    {"onech_page", "QWidget"},
    {"gridLayout_3", "QGridLayout"},
    {"onech_B", "QRadioButton"},
    {"onech_F", "QRadioButton"},
    {"onech_last", "QPushButton"},
    {"onech_C", "QRadioButton"},
    {"onech_num", "QLCDNumber"},
    {"label_6", "QLabel"},
    {"label_8", "QLabel"},
    {"onech_next", "QPushButton"},
    {"onech_save", "QPushButton"},
    {"label_7", "QLabel"},
    {"onech_D", "QRadioButton"},
    {"onech_A", "QRadioButton"},
    {"onech_E", "QRadioButton"},
    {"label_17", "QLabel"},
    {"onech_score_in", "QDoubleSpinBox"},
    {"onech_pro_in", "QTextEdit"},
    {"somech_page", "QWidget"},
    {"gridLayout_4", "QGridLayout"},
    {"label_10", "QLabel"},
    {"somech_E", "QCheckBox"},
    {"somech_num", "QLCDNumber"},
    {"label_9", "QLabel"},
    {"label_11", "QLabel"},
    {"somech_A", "QCheckBox"},
    {"somech_D", "QCheckBox"},
    {"somech_B", "QCheckBox"},
    {"somech_F", "QCheckBox"},
    {"somech_last", "QPushButton"},
    {"somech_C", "QCheckBox"},
    {"somech_save", "QPushButton"},
    {"somech_next", "QPushButton"},
    {"somech_scsor_in", "QDoubleSpinBox"},
    {"somech_pro_in", "QTextEdit"},
    {"label_18", "QLabel"},
    {"somech_scrig_in", "QDoubleSpinBox"},
    {"label_5", "QLabel"},
    {"unch_page", "QWidget"},
    {"gridLayout_5", "QGridLayout"},
    {"unch_save", "QPushButton"},
    {"unch_num", "QLCDNumber"},
    {"unch_last", "QPushButton"},
    {"unch_next", "QPushButton"},
    {"label_12", "QLabel"},
    {"label_14", "QLabel"},
    {"label_13", "QLabel"},
    {"label_19", "QLabel"},
    {"unch_score_in", "QDoubleSpinBox"},
    {"unch_ans_in", "QTextEdit"},
    {"unch_pro_in", "QTextEdit"},
};

const char *const kEnabledAtStart[] = {
    "new_paper",   "open_paper", "tabWidget", "main_page",  "onech_page",
    "somech_page", "unch_page",  "onech_num", "somech_num", "unch_num",
};

QString rich(int points, const char *text)
{
    return QStringLiteral("<html><head/><body><p><span style=\" font-size:%1pt;\">%2</span></p>"
                          "</body></html>")
        .arg(points)
        .arg(QString::fromUtf8(text));
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { install_strict_message_handler(); }
    void init() { fixture.set_up(); }
    void cleanup() { fixture.tear_down(); }

    void start_showsFinalTitleAndSize();
    void form_hasEveryMemberWithItsClass();
    void form_createsWidgetsInMemberOrder();
    void form_placesWidgetsInTheirGridCells_data();
    void form_placesWidgetsInTheirGridCells();
    void form_layoutsHaveSpacing6AndMargins11();
    void start_onlyNewAndOpenAreUsable();
    void captions_data();
    void captions();
    void captions_headingLinksToPlaceholderSite();
    void captions_tabTitlesAndCurrentTab();
    void metaObject_listsExactlySeventeenPrivateSlots();
    void metaObject_castsAndCalls();
    void spinBoxes_rangesAndSteps();
    void options_radioButtonsExclusiveCheckBoxesIndependent();
    void focus_paperButtonsInCreationOrder();
    void icon_isEmbedded128x128With32Bits();

  private:
    WindowFixture fixture;
};

void TestWindow::start_showsFinalTitleAndSize()
{
    QCOMPARE(fixture.window().windowTitle(), QStringLiteral("Kestrova2.0-出题端qv_make"));
    QVERIFY(fixture.window().isVisible());
    QCOMPARE(fixture.window().size(), QSize(800, 600));
    QCOMPARE(fixture.window().objectName(), QStringLiteral("qv_make"));
    QVERIFY(!fixture.window().isMaximized());
}

void TestWindow::form_hasEveryMemberWithItsClass()
{
    QCOMPARE(int(std::size(kMembers)), 69);
    for (const Member &member : kMembers) {
        const auto found =
            fixture.window().findChildren<QObject *>(QString::fromLatin1(member.name));
        QVERIFY2(found.size() == 1, member.name);
        QCOMPARE(found.first()->metaObject()->className(), member.class_name);
    }
    QVERIFY(fixture.window().menuWidget() == nullptr);
    QVERIFY(fixture.window().findChild<QStatusBar *>() == nullptr);
}

// The focus chain follows creation order, so it shows the order setupUi made
// the widgets in.
void TestWindow::form_createsWidgetsInMemberOrder()
{
    QStringList expected;
    for (const Member &member : kMembers) {
        if (QByteArray(member.class_name) != "QGridLayout")
            expected << QString::fromLatin1(member.name);
    }
    QStringList chain;
    QWidget *widget = &fixture.window();
    do {
        if (expected.contains(widget->objectName()))
            chain << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != &fixture.window());
    QCOMPARE(chain, expected);
}

void TestWindow::form_placesWidgetsInTheirGridCells_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QList<int>>("cell"); // row, column, row span, column span
    const struct {
        const char *layout, *widget;
        int row, column, rows, columns;
    } cells[] = {
        {"gridLayout", "new_paper", 0, 0, 1, 1},
        {"gridLayout", "open_paper", 0, 1, 1, 1},
        {"gridLayout", "close_paper", 0, 2, 1, 1},
        {"gridLayout", "save_paper", 0, 3, 1, 1},
        {"gridLayout", "tabWidget", 1, 0, 1, 4},
        {"gridLayout_2", "label", 0, 0, 1, 1},
        {"gridLayout_2", "label_2", 1, 0, 1, 1},
        {"gridLayout_2", "onech_in", 1, 1, 1, 1},
        {"gridLayout_2", "label_3", 2, 0, 1, 1},
        {"gridLayout_2", "somech_in", 2, 1, 1, 1},
        {"gridLayout_2", "label_4", 3, 0, 1, 1},
        {"gridLayout_2", "unch_in", 3, 1, 1, 1},
        {"gridLayout_2", "total_sum", 4, 0, 1, 1},
        {"gridLayout_2", "out_total", 4, 1, 1, 1},
        {"gridLayout_3", "label_6", 0, 0, 1, 1},
        {"gridLayout_3", "onech_num", 0, 1, 1, 5},
        {"gridLayout_3", "label_7", 1, 0, 1, 6},
        {"gridLayout_3", "onech_pro_in", 2, 0, 1, 6},
        {"gridLayout_3", "label_8", 3, 0, 1, 1},
        {"gridLayout_3", "label_17", 3, 4, 1, 1},
        {"gridLayout_3", "onech_score_in", 3, 5, 1, 1},
        {"gridLayout_3", "onech_A", 5, 0, 1, 1},
        {"gridLayout_3", "onech_B", 5, 1, 1, 1},
        {"gridLayout_3", "onech_C", 5, 2, 1, 1},
        {"gridLayout_3", "onech_D", 5, 3, 1, 1},
        {"gridLayout_3", "onech_E", 5, 4, 1, 1},
        {"gridLayout_3", "onech_F", 5, 5, 1, 1},
        {"gridLayout_3", "onech_last", 6, 0, 1, 2},
        {"gridLayout_3", "onech_save", 6, 2, 1, 2},
        {"gridLayout_3", "onech_next", 6, 4, 1, 2},
        {"gridLayout_4", "label_9", 0, 0, 1, 1},
        {"gridLayout_4", "somech_num", 0, 1, 1, 5},
        {"gridLayout_4", "label_11", 1, 0, 1, 6},
        {"gridLayout_4", "somech_pro_in", 2, 0, 1, 6},
        {"gridLayout_4", "label_10", 3, 0, 1, 1},
        {"gridLayout_4", "label_18", 3, 2, 1, 1},
        {"gridLayout_4", "somech_scrig_in", 3, 3, 1, 1},
        {"gridLayout_4", "label_5", 3, 4, 1, 1},
        {"gridLayout_4", "somech_scsor_in", 3, 5, 1, 1},
        {"gridLayout_4", "somech_A", 4, 0, 1, 1},
        {"gridLayout_4", "somech_B", 4, 1, 1, 1},
        {"gridLayout_4", "somech_C", 4, 2, 1, 1},
        {"gridLayout_4", "somech_D", 4, 3, 1, 1},
        {"gridLayout_4", "somech_E", 4, 4, 1, 1},
        {"gridLayout_4", "somech_F", 4, 5, 1, 1},
        {"gridLayout_4", "somech_last", 5, 0, 1, 2},
        {"gridLayout_4", "somech_save", 5, 2, 1, 2},
        {"gridLayout_4", "somech_next", 5, 4, 1, 2},
        {"gridLayout_5", "label_12", 0, 0, 1, 1},
        {"gridLayout_5", "unch_num", 0, 1, 1, 2},
        {"gridLayout_5", "label_14", 1, 0, 1, 3},
        {"gridLayout_5", "unch_pro_in", 2, 0, 1, 3},
        {"gridLayout_5", "label_13", 3, 0, 1, 1},
        {"gridLayout_5", "label_19", 3, 1, 1, 1},
        {"gridLayout_5", "unch_score_in", 3, 2, 1, 1},
        {"gridLayout_5", "unch_ans_in", 4, 0, 1, 3},
        {"gridLayout_5", "unch_last", 5, 0, 1, 1},
        {"gridLayout_5", "unch_save", 5, 1, 1, 1},
        {"gridLayout_5", "unch_next", 5, 2, 1, 1},
    };
    for (const auto &c : cells) {
        QTest::newRow(c.widget) << QString::fromLatin1(c.layout) << QString::fromLatin1(c.widget)
                                << QList<int>{c.row, c.column, c.rows, c.columns};
    }
}

void TestWindow::form_placesWidgetsInTheirGridCells()
{
    QFETCH(QString, layout);
    QFETCH(QString, widget);
    QFETCH(QList<int>, cell);
    auto *grid = fixture.window().findChild<QGridLayout *>(layout);
    QVERIFY(grid);
    auto *target = fixture.window().findChild<QWidget *>(widget);
    QVERIFY(target);
    const int index = grid->indexOf(target);
    QVERIFY2(index >= 0, "widget is not in this grid");
    int row = -1, column = -1, rows = -1, columns = -1;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    QCOMPARE((QList<int>{row, column, rows, columns}), cell);
    QCOMPARE(grid->itemAt(index)->alignment(), Qt::Alignment());
}

void TestWindow::form_layoutsHaveSpacing6AndMargins11()
{
    const auto grids = fixture.window().findChildren<QGridLayout *>();
    QCOMPARE(grids.size(), 5);
    for (QGridLayout *grid : grids) {
        QCOMPARE(grid->horizontalSpacing(), 6);
        QCOMPARE(grid->verticalSpacing(), 6);
        QCOMPARE(grid->contentsMargins(), QMargins(11, 11, 11, 11));
    }
}

void TestWindow::start_onlyNewAndOpenAreUsable()
{
    QSet<QString> enabled;
    for (const char *name : kEnabledAtStart)
        enabled.insert(QString::fromLatin1(name));
    for (const Member &member : kMembers) {
        auto *widget = fixture.window().findChild<QWidget *>(QString::fromLatin1(member.name));
        if (!widget || qobject_cast<QLabel *>(widget) || member.name == QByteArray("centralWidget"))
            continue;
        QVERIFY2(widget->isEnabled() == enabled.contains(widget->objectName()), member.name);
    }
    for (QLabel *label : fixture.window().findChildren<QLabel *>())
        QVERIFY(label->isEnabled());
    QCOMPARE(fixture.find<QTabWidget>("tabWidget")->currentIndex(), 0);
}

void TestWindow::captions_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("caption");
    const struct {
        const char *object;
        QString caption;
    } captions[] = {
        {"new_paper", QStringLiteral("新建试卷")},
        {"open_paper", QStringLiteral("打开试卷")},
        {"close_paper", QStringLiteral("关闭当前试卷")},
        {"save_paper", QStringLiteral("保存当前试卷")},
        {"label_2", rich(14, "单选题数量：")},
        {"label_3", rich(14, "多选题数量：")},
        {"label_4", rich(14, "非选择题数量：")},
        {"total_sum", rich(14, "试卷总分确认：未打开试卷")},
        {"out_total", QStringLiteral("统计总分")},
        {"label_6", rich(10, "题号：")},
        {"label_7", rich(10, "题面：")},
        {"label_8", rich(10, "答案：")},
        {"label_17", rich(10, "分数：")},
        {"onech_last", QStringLiteral("上一题")},
        {"onech_save", QStringLiteral("保存当前试题")},
        {"onech_next", QStringLiteral("下一题")},
        {"label_9", rich(10, "题号：")},
        {"label_11", rich(10, "题面：")},
        {"label_10", rich(10, "答案：")},
        {"label_18", rich(10, "全对分数：")},
        {"label_5", QStringLiteral("少选分数：")},
        {"somech_last", QStringLiteral("上一题")},
        {"somech_save", QStringLiteral("保存当前试题")},
        {"somech_next", QStringLiteral("下一题")},
        {"label_12", rich(10, "题号：")},
        {"label_14", rich(10, "题面：")},
        {"label_13", rich(10, "答案：")},
        {"label_19", rich(10, "分数：")},
        {"unch_last", QStringLiteral("上一题")},
        {"unch_save", QStringLiteral("保存当前试题")},
        {"unch_next", QStringLiteral("下一题")},
    };
    for (const auto &c : captions)
        QTest::newRow(c.object) << QString::fromLatin1(c.object) << c.caption;
    for (const char *letter : {"A", "B", "C", "D", "E", "F"}) {
        QTest::newRow(qPrintable(QStringLiteral("onech_%1").arg(QLatin1String(letter))))
            << QStringLiteral("onech_%1").arg(QLatin1String(letter)) << QString::fromLatin1(letter);
        QTest::newRow(qPrintable(QStringLiteral("somech_%1").arg(QLatin1String(letter))))
            << QStringLiteral("somech_%1").arg(QLatin1String(letter))
            << QString::fromLatin1(letter);
    }
}

void TestWindow::captions()
{
    QFETCH(QString, object);
    QFETCH(QString, caption);
    QObject *target = fixture.window().findChild<QObject *>(object);
    QVERIFY(target);
    QCOMPARE(target->property("text").toString(), caption);
    if (auto *label = qobject_cast<QLabel *>(target))
        QCOMPARE(label->textFormat(), Qt::AutoText);
}

void TestWindow::captions_headingLinksToPlaceholderSite()
{
    const QString heading = fixture.find<QLabel>("label")->text();
    QVERIFY(heading.startsWith(QStringLiteral(
        "<html><head/><body><p><span style=\" font-size:18pt;\">Kestrova-出题端（教师）-qv_make"
        "</span></p><p><span style=\" font-size:10pt;\">官网：</span>")));
    QVERIFY(heading.endsWith(QStringLiteral("</a></p></body></html>")));
    const QRegularExpression link(QStringLiteral(
        "<a href=\"([^\"]+)\"><span style=\" text-decoration: underline; color:#0000ff;\">([^<]+)"
        "</span></a></p></body></html>$"));
    const QRegularExpressionMatch match = link.match(heading);
    QVERIFY(match.hasMatch());
    QCOMPARE(match.captured(2), match.captured(1));
    const QUrl site(match.captured(1));
    QVERIFY(site.host() == QLatin1String("example.com") ||
            site.host().endsWith(QLatin1String(".example.com")));
    QVERIFY(!fixture.find<QLabel>("label")->openExternalLinks());
}

void TestWindow::captions_tabTitlesAndCurrentTab()
{
    auto *tabs = fixture.find<QTabWidget>("tabWidget");
    QCOMPARE(tabs->count(), 4);
    const char *pages[] = {"main_page", "onech_page", "somech_page", "unch_page"};
    const QStringList titles = {QStringLiteral("总控制页"), QStringLiteral("单选题"),
                                QStringLiteral("多选题"), QStringLiteral("非选择题")};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(tabs->widget(i)->objectName(), QString::fromLatin1(pages[i]));
        QCOMPARE(tabs->tabText(i), titles[i]);
    }
    QCOMPARE(tabs->currentIndex(), 0);
}

void TestWindow::metaObject_listsExactlySeventeenPrivateSlots()
{
    const QMetaObject &meta = qv_make::staticMetaObject;
    QCOMPARE(meta.className(), "qv_make");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    const QByteArrayList expected = {
        "on_new_paper_clicked()",        "on_open_paper_clicked()",
        "on_onech_in_valueChanged(int)", "on_somech_in_valueChanged(int)",
        "on_unch_in_valueChanged(int)",  "on_out_total_clicked()",
        "on_onech_save_clicked()",       "on_somech_save_clicked()",
        "on_unch_save_clicked()",        "on_onech_last_clicked()",
        "on_onech_next_clicked()",       "on_somech_last_clicked()",
        "on_somech_next_clicked()",      "on_unch_last_clicked()",
        "on_unch_next_clicked()",        "on_close_paper_clicked()",
        "on_save_paper_clicked()",
    };
    QCOMPARE(meta.methodCount() - meta.methodOffset(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QMetaMethod method = meta.method(meta.methodOffset() + i);
        QCOMPARE(method.methodSignature(), expected[i]);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.returnType(), int(QMetaType::Void));
        if (method.parameterCount() == 1)
            QCOMPARE(method.parameterNames().first(), QByteArray("arg1"));
    }
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());
    QCOMPARE(meta.classInfoCount(), meta.classInfoOffset());
    QCOMPARE(meta.constructorCount(), 0);
}

void TestWindow::metaObject_castsAndCalls()
{
    qv_make &window = fixture.window();
    QCOMPARE(window.qt_metacast("qv_make"), static_cast<void *>(&window));
    QCOMPARE(window.qt_metacast("QMainWindow"),
             static_cast<void *>(static_cast<QMainWindow *>(&window)));
    QCOMPARE(window.qt_metacast(nullptr), nullptr);
    const int offset = qv_make::staticMetaObject.methodOffset();
    QCOMPARE(window.qt_metacall(QMetaObject::InvokeMetaMethod, offset + 17, nullptr), 0);
    QCOMPARE(window.qt_metacall(QMetaObject::InvokeMetaMethod, offset + 20, nullptr), 3);
    // A slot invoked through the meta-object runs: the total of an empty paper.
    QVERIFY(QMetaObject::invokeMethod(&window, "on_out_total_clicked"));
    QCOMPARE(fixture.find<QLabel>("total_sum")->text(), QStringLiteral("试卷总分确认：0.00 分"));
}

void TestWindow::spinBoxes_rangesAndSteps()
{
    for (const char *name : {"onech_in", "somech_in", "unch_in"}) {
        auto *count = fixture.find<QSpinBox>(name);
        QCOMPARE(count->minimum(), 0);
        QCOMPARE(count->maximum(), 10000);
        QCOMPARE(count->singleStep(), 1);
        QCOMPARE(count->value(), 0);
        QVERIFY(count->keyboardTracking());
    }
    for (const char *name :
         {"onech_score_in", "somech_scrig_in", "somech_scsor_in", "unch_score_in"}) {
        auto *score = fixture.find<QDoubleSpinBox>(name);
        QCOMPARE(score->minimum(), 0.0);
        QCOMPARE(score->maximum(), 10000.0);
        QCOMPARE(score->singleStep(), 0.5);
        QCOMPARE(score->decimals(), 2);
        QCOMPARE(score->value(), 0.0);
        score->setEnabled(true);
        score->stepUp();
        QCOMPARE(score->value(), 0.5);
        score->setValue(20000.0);
        QCOMPARE(score->value(), 10000.0);
        score->setValue(-1.0);
        QCOMPARE(score->value(), 0.0);
    }
    for (const char *name : {"onech_num", "somech_num", "unch_num"}) {
        QCOMPARE(fixture.find<QLCDNumber>(name)->digitCount(), 5);
        QCOMPARE(fixture.find<QLCDNumber>(name)->intValue(), 0);
    }
}

void TestWindow::options_radioButtonsExclusiveCheckBoxesIndependent()
{
    fixture.show_tab(1);
    const char *radios[] = {"onech_A", "onech_B", "onech_C", "onech_D", "onech_E", "onech_F"};
    for (const char *name : radios) {
        QVERIFY(!fixture.find<QRadioButton>(name)->isChecked());
        fixture.find<QRadioButton>(name)->setEnabled(true);
    }
    fixture.click("onech_B");
    fixture.click("onech_E");
    QVERIFY(!fixture.find<QRadioButton>("onech_B")->isChecked());
    QVERIFY(fixture.find<QRadioButton>("onech_E")->isChecked());
    fixture.click("onech_E"); // clicking the checked one leaves it checked
    QVERIFY(fixture.find<QRadioButton>("onech_E")->isChecked());

    fixture.show_tab(2);
    for (const char *name :
         {"somech_A", "somech_B", "somech_C", "somech_D", "somech_E", "somech_F"}) {
        QVERIFY(!fixture.find<QCheckBox>(name)->isChecked());
        fixture.find<QCheckBox>(name)->setEnabled(true);
    }
    fixture.click("somech_B");
    fixture.click("somech_E");
    QVERIFY(fixture.find<QCheckBox>("somech_B")->isChecked());
    QVERIFY(fixture.find<QCheckBox>("somech_E")->isChecked());
    fixture.click("somech_B");
    QVERIFY(!fixture.find<QCheckBox>("somech_B")->isChecked());
}

void TestWindow::focus_paperButtonsInCreationOrder()
{
    const char *order[] = {"close_paper", "new_paper", "save_paper", "open_paper"};
    for (const char *name : order)
        fixture.find<QPushButton>(name)->setEnabled(true);
    fixture.window().activateWindow();
    fixture.find<QPushButton>("close_paper")->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(fixture.find<QPushButton>("close_paper")->hasFocus());
    for (int i = 1; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(order[i]));
    }
}

void TestWindow::icon_isEmbedded128x128With32Bits()
{
    load_program_resources();
    const QImage icon(QStringLiteral(":/icons/qv_make.png"));
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(128, 128));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(icon.depth(), 32);
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
