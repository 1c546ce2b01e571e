#include "paper/unsaved_guard.h"

#include "paper/paper_commands.h"
#include "platform/dialogs.h"

#include <QCloseEvent>
#include <QWidget>

UnsavedGuard::UnsavedGuard(QWidget *window) : QObject(window)
{
    window->installEventFilter(this);
}

bool UnsavedGuard::may_discard_paper()
{
    if (!paper_has_unsaved_changes())
        return true;
    return platform::ask_ok_cancel(
        QStringLiteral("当前试卷有尚未保存的修改。\n点击“确定”将放弃这些修改；"
                       "若要保留，请点击“取消”，再点击“保存当前试卷”。"));
}

bool UnsavedGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Close)
        return QObject::eventFilter(watched, event);
    // The question waits in its own event loop: a second close request that
    // arrives meanwhile is refused rather than asked again.
    if (asking_) {
        event->ignore();
        return true;
    }
    asking_ = true;
    const bool may_close = may_discard_paper();
    asking_ = false;
    if (may_close)
        return false; // the window closes as usual
    event->ignore();
    return true;
}
