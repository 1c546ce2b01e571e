#include "tests/window_fixture.h"

#include "paper/paper_commands.h"
#include "paper/paper_model.h"
#include "platform/dialogs.h"
#include "tests/test_support.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QRadioButton>
#include <QTabWidget>
#include <QWindow>
#include <QtTest>

void WindowFixture::set_up()
{
    reset_paper_model_for_tests();
    platform::testing::remove_hooks();
    platform::testing::install_hooks();
    window_ = std::make_unique<qv_make>();
    show_main_window(*window_);
    QVERIFY(wait_until([this] { return window_->windowHandle()->isExposed(); }));
}

void WindowFixture::tear_down()
{
    window_.reset();
    platform::testing::remove_hooks();
}

void WindowFixture::click(const char *button_name)
{
    QAbstractButton *button = find<QAbstractButton>(button_name);
    QVERIFY2(button->isVisible(), button_name);
    QCoreApplication::processEvents();
    // Radio buttons and check boxes react only on their indicator and text,
    // which sit at the left of a wide grid cell.
    const bool option = qobject_cast<QRadioButton *>(button) || qobject_cast<QCheckBox *>(button);
    const QPoint where = option ? QPoint(6, button->height() / 2) : button->rect().center();
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, where);
}

void WindowFixture::open_paper(const QString &folder)
{
    platform::testing::queue_folder(folder);
    click("open_paper");
}

void WindowFixture::show_tab(int index)
{
    find<QTabWidget>("tabWidget")->setCurrentIndex(index);
    // Lay the page out, so that clicks land on its widgets.
    QCoreApplication::processEvents();
}

void reset_paper_model_for_tests()
{
    reset_paper_model();
    for (int k = 0; k < kTableCapacity; ++k) {
        onech_table[k] = ChoiceQuestion{};
        somech_table[k] = ChoiceQuestion{};
        unch_table[k] = UnchQuestion{};
    }
}

QStringList shown_messages()
{
    QStringList texts;
    for (const platform::testing::ShownDialog &dialog : platform::testing::shown_dialogs()) {
        if (dialog.kind == platform::testing::ShownDialog::Kind::Message)
            texts << dialog.text;
    }
    return texts;
}

QMessageBox *visible_message_box()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

namespace
{

// Closes the box if it is still up, as its close button would: the wait for
// it ends either way.
void close_if_up(QMessageBox *box)
{
    if (box->isVisible())
        box->done(0);
}

void answer_surely(QMessageBox *box, const BoxAction &check, const BoxAction &answer,
                   int patience_ms)
{
    check(box);
    answer(box);
    if (QTest::currentTestFailed()) {
        close_if_up(box);
        return;
    }
    // Tied to the box: gone with it once its wait is over.
    QTimer::singleShot(patience_ms, box, [box] {
        if (!box->isVisible())
            return;
        QTest::qFail("the message box was still up after its answer", __FILE__, __LINE__);
        close_if_up(box);
    });
}

} // namespace

void when_message_box_shows(BoxAction check, BoxAction answer, int patience_ms)
{
    // Polled from whichever event loop runs: the box's own, once it is up.
    auto *poll = new QTimer;
    poll->setInterval(5);
    QElapsedTimer waiting;
    waiting.start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        QMessageBox *box = visible_message_box();
        const bool patience_left = !waiting.hasExpired(patience_ms);
        if (!box && patience_left)
            return;
        if (box && QApplication::activeWindow() != box && patience_left)
            return;
        poll->stop();
        poll->deleteLater();
        if (box)
            answer_surely(box, check, answer, patience_ms);
    });
    poll->start();
}
