// The platform layer's message, question and folder dialogs: their hooks, and
// real boxes that leave the main window usable while they wait.

#include "tests/test_support.h"
#include "tests/window_fixture.h"

#include "platform/dialogs.h"
#include "resources/resources.h"

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using platform::testing::ShownDialog;

namespace
{

void click_ok(QMessageBox *box)
{
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { install_strict_message_handler(); }
    void init() { fixture.set_up(); }
    void cleanup() { fixture.tear_down(); }

    void hooks_recordMessagesWithCaption();
    void hooks_answerQuestionsInOrder();
    void hooks_runWorkWhileQuestionIsShown();
    void hooks_unexpectedQuestionCountsAsCancel();
    void hooks_answerFolderDialogs();
    void hooks_installedAnew_forgetWhatWasQueued();
    void realMessage_isNonModalPlainAndLeavesWindowUsable();
    void realQuestion_okIsTheOnlyYes_data();
    void realQuestion_okIsTheOnlyYes();
    // Must stay last: it leaves the application's quit flag to be reset.
    void realQuestion_applicationQuitCountsAsCancel();
    void toolkitTranslation_folderDialogReadsChineseCaptionsStay();

  private:
    WindowFixture fixture;
};

void TestDialogs::hooks_recordMessagesWithCaption()
{
    platform::show_message(QStringLiteral("所选择的文件夹下缺少problem.prb文件"));
    const auto shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, ShownDialog::Kind::Message);
    QCOMPARE(shown[0].caption, QStringLiteral("提示"));
    QCOMPARE(shown[0].text, QStringLiteral("所选择的文件夹下缺少problem.prb文件"));
}

void TestDialogs::hooks_answerQuestionsInOrder()
{
    platform::testing::queue_answer(true);
    platform::testing::queue_answer(false);
    QCOMPARE(platform::ask_ok_cancel(QStringLiteral("一")), true);
    QCOMPARE(platform::ask_ok_cancel(QStringLiteral("二")), false);
    QCOMPARE(platform::testing::pending_answers(), 0);
    const auto shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].kind, ShownDialog::Kind::Question);
    QCOMPARE(shown[1].caption, QStringLiteral("提示"));
    QCOMPARE(shown[1].text, QStringLiteral("二"));
}

void TestDialogs::hooks_runWorkWhileQuestionIsShown()
{
    QStringList events;
    platform::testing::queue_answer(true, [&] { events << QStringLiteral("while shown"); });
    const bool ok = platform::ask_ok_cancel(QStringLiteral("?"));
    events << QStringLiteral("answered");
    QVERIFY(ok);
    QCOMPARE(events, (QStringList{QStringLiteral("while shown"), QStringLiteral("answered")}));
}

void TestDialogs::hooks_unexpectedQuestionCountsAsCancel()
{
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("unexpected question box")));
    QCOMPARE(platform::ask_ok_cancel(QStringLiteral("?")), false);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("unexpected folder dialog")));
    QCOMPARE(platform::choose_folder(QStringLiteral("指定打开试卷所在的文件夹")), QString());
    QCOMPARE(platform::testing::shown_dialogs().size(), 2);
}

// A test that failed before its dialogs came leaves its answers queued;
// the next test's install must not hand them on, or a save would go to a
// path queued for opening.
void TestDialogs::hooks_installedAnew_forgetWhatWasQueued()
{
    platform::testing::queue_path(QStringLiteral("/papers/题库.docx"));
    platform::testing::queue_answer(true);
    platform::show_message(QStringLiteral("甲"));
    platform::testing::install_hooks();
    QCOMPARE(platform::testing::pending_answers(), 0);
    QCOMPARE(platform::testing::shown_dialogs().size(), 0);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("unexpected save dialog")));
    QCOMPARE(platform::choose_save_path(QStringLiteral("另存为"), QStringLiteral("/papers/卷.docx"),
                                        QStringLiteral("Word (*.docx)")),
             QString());
}

void TestDialogs::hooks_answerFolderDialogs()
{
    platform::testing::queue_folder(QStringLiteral("/papers/期中"));
    platform::testing::queue_folder_cancel();
    QCOMPARE(platform::testing::pending_answers(), 2);
    QCOMPARE(platform::choose_folder(QStringLiteral("指定打开试卷所在的文件夹")),
             QStringLiteral("/papers/期中"));
    QCOMPARE(platform::choose_folder(QStringLiteral("指定新建试卷所在的文件夹")), QString());
    const auto shown = platform::testing::shown_dialogs();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].kind, ShownDialog::Kind::Folder);
    QCOMPARE(shown[0].caption, QStringLiteral("指定打开试卷所在的文件夹"));
    QCOMPARE(shown[1].caption, QStringLiteral("指定新建试卷所在的文件夹"));
}

void TestDialogs::realMessage_isNonModalPlainAndLeavesWindowUsable()
{
    platform::testing::remove_hooks();
    auto *total = fixture.find<QLabel>("total_sum");
    auto *out_total = fixture.find<QPushButton>("out_total");
    out_total->setEnabled(true);
    bool checked = false;
    when_message_box_shows(
        [&](QMessageBox *box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("提示"));
            QCOMPARE(box->text(), QStringLiteral("a <b>folder</b>"));
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->parentWidget(), nullptr);
            QCOMPARE(box->windowModality(), Qt::NonModal);
            QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            // In front and taking the keys, so that Enter answers it.
            QCOMPARE(QApplication::activeWindow(), box);
            // The teacher can still work in the window while the box waits.
            QTest::mouseClick(out_total, Qt::LeftButton);
            QCOMPARE(total->text(), QStringLiteral("试卷总分确认：0.00 分"));
            checked = true;
        },
        click_ok);
    platform::show_message(QStringLiteral("a <b>folder</b>"));
    QVERIFY(checked);
    QCOMPARE(visible_message_box(), nullptr);
}

void TestDialogs::realQuestion_okIsTheOnlyYes_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("expected");
    QTest::newRow("OK") << QStringLiteral("ok") << true;
    QTest::newRow("Cancel") << QStringLiteral("cancel") << false;
    QTest::newRow("Esc") << QStringLiteral("escape") << false;
    QTest::newRow("close button") << QStringLiteral("close") << false;
}

void TestDialogs::realQuestion_okIsTheOnlyYes()
{
    QFETCH(QString, answer);
    QFETCH(bool, expected);
    platform::testing::remove_hooks();
    bool answered = false;
    when_message_box_shows(
        [&](QMessageBox *box) {
            QCOMPARE(box->windowTitle(), QStringLiteral("提示"));
            QCOMPARE(box->standardButtons(),
                     QMessageBox::StandardButtons(QMessageBox::Ok | QMessageBox::Cancel));
            QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
            QCOMPARE(box->button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
            QCOMPARE(box->windowModality(), Qt::NonModal);
            answered = true;
        },
        [&](QMessageBox *box) {
            if (answer == QLatin1String("ok"))
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            else if (answer == QLatin1String("cancel"))
                QTest::mouseClick(box->button(QMessageBox::Cancel), Qt::LeftButton);
            else if (answer == QLatin1String("escape"))
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->close();
        });
    QCOMPARE(platform::ask_ok_cancel(QStringLiteral("关闭吗？")), expected);
    QVERIFY(answered);
}

void TestDialogs::realQuestion_applicationQuitCountsAsCancel()
{
    platform::testing::remove_hooks();
    when_message_box_shows([](QMessageBox *) {}, [](QMessageBox *) { QCoreApplication::quit(); });
    QCOMPARE(platform::ask_ok_cancel(QStringLiteral("关闭吗？")), false);
    // quit() also marks every later event loop as finished; a run of the
    // application's own loop resets that for the rest of the test run.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

QTEST_MAIN(TestDialogs)
namespace
{

QStringList captions_of(const QWidget &window)
{
    QStringList texts{window.windowTitle()};
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text();
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        texts << button->text();
    return texts;
}

} // namespace

void TestDialogs::toolkitTranslation_folderDialogReadsChineseCaptionsStay()
{
    const QStringList before = captions_of(fixture.window());
    load_program_resources();
    // Embedded, so that an installed program does not depend on the package.
    QVERIFY(QFile::exists(QStringLiteral(":/translations/qtbase_zh_CN.qm")));
    QVERIFY(install_toolkit_translation());

    QFileDialog dialog(nullptr, QStringLiteral("指定打开试卷所在的文件夹"), QStringLiteral("."));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"))->text(),
             QStringLiteral("查找范围："));
    QStringList buttons;
    for (const QPushButton *button : dialog.findChildren<QPushButton *>())
        buttons << button->text();
    QVERIFY2(buttons.contains(QStringLiteral("选择(&C)")) &&
                 buttons.contains(QStringLiteral("取消")),
             qPrintable(buttons.join(QLatin1Char('|'))));

    // The program's own captions are not the toolkit's to translate.
    qv_make window;
    show_main_window(window);
    QCOMPARE(captions_of(window), before);
}

#include "test_dialogs.moc"
