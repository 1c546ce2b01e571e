#pragma once
// Drives the real main window in GUI tests: builds a fresh window for each
// test, answers dialogs through the platform hooks and finds widgets by
// object name (a missing name ends the run at once, naming it).

#include "tests/test_support.h"
#include "window/qv_make.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QMessageBox;

class WindowFixture
{
  public:
    // A new window over an empty model, with the dialog hooks installed.
    void set_up();
    void tear_down();

    qv_make &window() { return *window_; }

    template <class T> T *find(const char *object_name) const
    {
        T *widget = window_->findChild<T *>(QString::fromLatin1(object_name));
        if (!widget)
            qFatal("no %s named %s in the window", T::staticMetaObject.className(), object_name);
        return widget;
    }

    void click(const char *button_name);

    // Opens `folder` with the open_paper button, answering its folder dialog.
    void open_paper(const QString &folder);

    // Switches to tab `index`, as the teacher would before typing on a page.
    void show_tab(int index);

  private:
    std::unique_ptr<qv_make> window_;
};

// Every count, current number, path and record back to the start-up state.
void reset_paper_model_for_tests();

// The texts of the messages (not the questions) shown since the hooks were installed.
QStringList shown_messages();

QMessageBox *visible_message_box(); // a real one, or null

// For the real boxes, with the hooks removed: once a message box is shown and
// active, runs `check` and then `answer` on it from inside the box's own event
// loop. The box is answered whatever happens, so that a failing test never
// leaves the program waiting on it: `answer` runs after a check that failed
// and returned early; a box still up after a failure is closed at once, and
// one that outlives its answer by `patience_ms` fails the test and is closed.
// A box that is not active within `patience_ms` is checked all the same.
using BoxAction = std::function<void(QMessageBox *)>;
void when_message_box_shows(BoxAction check, BoxAction answer, int patience_ms = 5000);
