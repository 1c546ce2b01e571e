#include "platform/dialogs.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>
#include <QtGlobal>

namespace platform
{
namespace
{

struct QueuedAnswer {
    bool ok = false;
    std::function<void()> while_shown;
};

struct QueuedFolder {
    QString folder; // empty: the teacher cancels
};

struct Hooks {
    bool installed = false;
    QQueue<QueuedAnswer> answers;
    QQueue<QueuedFolder> folders;
    QList<testing::ShownDialog> shown;
};

QString message_caption()
{
    return QStringLiteral("提示");
}

Hooks &hooks()
{
    static Hooks instance;
    return instance;
}

void record(testing::ShownDialog::Kind kind, const QString &caption, const QString &text)
{
    hooks().shown.append({kind, caption, text});
}

bool hooked_question(const QString &text)
{
    record(testing::ShownDialog::Kind::Question, message_caption(), text);
    if (hooks().answers.isEmpty()) {
        qWarning("unexpected question box (no answer queued): %s", qPrintable(text));
        return false;
    }
    QueuedAnswer answer = hooks().answers.dequeue();
    if (answer.while_shown)
        answer.while_shown();
    return answer.ok;
}

QString hooked_path(testing::ShownDialog::Kind kind, const QString &caption,
                    const QString &text = QString())
{
    record(kind, caption, text);
    if (hooks().folders.isEmpty()) {
        const char *what = kind == testing::ShownDialog::Kind::Folder ? "folder"
                           : kind == testing::ShownDialog::Kind::File ? "file"
                                                                      : "save";
        qWarning("unexpected %s dialog (nothing queued): %s", what, qPrintable(caption));
        return QString();
    }
    return hooks().folders.dequeue().folder;
}

// A parentless, non-modal box: the main window keeps taking input while this
// function waits for the answer in its own event loop. Returns true when the
// box was closed with OK; a quit of the application ends the wait with false.
bool run_box(const QString &text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::NoIcon, message_caption(), text, buttons, nullptr);
    box.setTextFormat(Qt::PlainText); // folder names may hold "<"
    box.setWindowModality(Qt::NonModal);
    // Qt's own button texts are English unless its translations are installed;
    // the messages name the buttons as a Chinese system shows them.
    if (QAbstractButton *ok = box.button(QMessageBox::Ok))
        ok->setText(QStringLiteral("确定"));
    if (QAbstractButton *cancel = box.button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("取消"));
    QEventLoop loop;
    QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
    box.show();
    box.raise();
    box.activateWindow();
    loop.exec();
    return box.clickedButton() != nullptr && box.clickedButton() == box.button(QMessageBox::Ok);
}

} // namespace

void show_message(const QString &text)
{
    if (hooks().installed) {
        record(testing::ShownDialog::Kind::Message, message_caption(), text);
        return;
    }
    run_box(text, QMessageBox::Ok);
}

bool ask_ok_cancel(const QString &text)
{
    if (hooks().installed)
        return hooked_question(text);
    return run_box(text, QMessageBox::Ok | QMessageBox::Cancel);
}

QString choose_folder(const QString &caption)
{
    if (hooks().installed)
        return hooked_path(testing::ShownDialog::Kind::Folder, caption);
    return QFileDialog::getExistingDirectory(nullptr, caption, QStringLiteral("."),
                                             QFileDialog::ShowDirsOnly);
}

QString choose_file(const QString &caption, const QString &filter)
{
    if (hooks().installed)
        return hooked_path(testing::ShownDialog::Kind::File, caption);
    return QFileDialog::getOpenFileName(nullptr, caption, QString(), filter);
}

QString choose_save_path(const QString &caption, const QString &suggested, const QString &filter)
{
    if (hooks().installed)
        return hooked_path(testing::ShownDialog::Kind::SavePath, caption, suggested);
    return QFileDialog::getSaveFileName(nullptr, caption, suggested, filter);
}

namespace testing
{

// Fresh each time: what a test queued and did not use never answers the
// next one's dialogs, where a path meant for opening would be saved over.
void install_hooks()
{
    hooks() = Hooks{};
    hooks().installed = true;
}

void remove_hooks()
{
    hooks() = Hooks{};
}

void queue_answer(bool ok, std::function<void()> while_shown)
{
    hooks().answers.enqueue({ok, std::move(while_shown)});
}

void queue_folder(const QString &folder)
{
    hooks().folders.enqueue({folder});
}

void queue_folder_cancel()
{
    hooks().folders.enqueue({QString()});
}

void queue_path(const QString &path)
{
    hooks().folders.enqueue({path});
}

int pending_answers()
{
    return hooks().answers.size() + hooks().folders.size();
}

QList<ShownDialog> shown_dialogs()
{
    return hooks().shown;
}

} // namespace testing
} // namespace platform
