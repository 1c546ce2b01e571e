#pragma once
// The program's only dialogs: a message, an OK/Cancel question and a folder
// chooser. Messages and questions carry the caption "提示", no icon and no
// owner window, and they do not block the main window: the caller waits in a
// local event loop while the teacher can still use the window.

#include <QList>
#include <QString>
#include <functional>

namespace platform
{

// Shows `text` with a single OK button and returns once the box is closed.
void show_message(const QString &text);

// Shows `text` with OK and Cancel. True only for OK: Esc, the box's close
// button and the application quitting while it waits all count as Cancel.
bool ask_ok_cancel(const QString &text);

// The folder the teacher picks, with "/" separators; empty when cancelled.
QString choose_folder(const QString &caption);

// A file to open, of the kinds `filter` names ("Word 文档 (*.docx);;…").
// Empty when cancelled.
QString choose_file(const QString &caption, const QString &filter);

// Where to save a file, starting from `suggested`; the dialog asks before an
// existing file is replaced. Empty when cancelled.
QString choose_save_path(const QString &caption, const QString &suggested, const QString &filter);

// Test hooks. While installed, no dialog is shown: each call takes the next
// queued answer and records what it would have shown. A call with nothing
// queued records the dialog, warns and answers Cancel (or an empty folder), so
// that a test sees an unexpected dialog instead of hanging. Never installed in
// the program.
namespace testing
{

struct ShownDialog {
    enum class Kind { Message, Question, Folder, File, SavePath };
    Kind kind;
    QString caption;
    QString text; // empty for a folder or file chooser; the suggested path for a save
};

void install_hooks(); // with nothing queued and nothing shown
void remove_hooks();  // also forgets every queued answer and shown dialog

// The next ask_ok_cancel answers `ok`; `while_shown`, if given, runs first, as
// the teacher's work in the main window while the box is up. A message needs
// no answer: it is recorded and dismissed at once.
void queue_answer(bool ok, std::function<void()> while_shown = {});
// The next choose_folder, choose_file or choose_save_path returns it, in the
// order they are queued; cancelled, it returns an empty path.
void queue_folder(const QString &folder);
void queue_folder_cancel();
void queue_path(const QString &path);
int pending_answers(); // queued answers and folders not yet taken

QList<ShownDialog> shown_dialogs();
} // namespace testing

} // namespace platform
