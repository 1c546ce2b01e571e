// Renders the main window into a PNG for the README, without a display:
//   qv_screenshot OUTPUT.png [PAPER_FOLDER [TAB_INDEX]]
// With a paper folder the paper is opened as the teacher would open it, and
// the given tab is shown.
//   qv_screenshot --folder-dialog OUTPUT.png FOLDER
// renders the folder dialog as the open command shows it, looking in FOLDER.
//   qv_screenshot --tools OUTPUT.png [FOLDER_OR_FILE]
// renders 试卷工具 with a paper folder or a question file open, once what it
// reads has been read.

#include "platform/dialogs.h"
#include "resources/resources.h"
#include "tools_window/tools_window.h"
#include "tools_window/work_runner.h"
#include "window/qv_make.h"

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

namespace
{

void save_when_shown(QApplication &app, QWidget &widget, const char *output)
{
    QTimer::singleShot(200, [&app, &widget, output] {
        const bool saved = widget.grab().save(QString::fromLocal8Bit(output));
        app.exit(saved ? 0 : 1);
    });
}

int folder_dialog(QApplication &app, const char *output, const char *folder)
{
    QFileDialog dialog(nullptr, QStringLiteral("指定打开试卷所在的文件夹"),
                       QString::fromLocal8Bit(folder));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.resize(640, 420);
    dialog.show();
    save_when_shown(app, dialog, output);
    return app.exec();
}

int tools_window(QApplication &app, const char *output, const char *path)
{
    ToolsWindow window;
    window.show();
    if (path)
        window.open_path(QString::fromLocal8Bit(path));
    auto *work = window.findChild<WorkRunner *>(QStringLiteral("work"));
    // Whatever the machine's pace: once the reading is done.
    auto *poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, [&app, &window, work, poll, output] {
        if (work->busy())
            return;
        poll->stop();
        save_when_shown(app, window, output);
    });
    poll->start(100);
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    load_program_resources();
    install_toolkit_translation();
    if (argc == 4 && QByteArray(argv[1]) == "--folder-dialog")
        return folder_dialog(app, argv[2], argv[3]);
    if ((argc == 3 || argc == 4) && QByteArray(argv[1]) == "--tools")
        return tools_window(app, argv[2], argc == 4 ? argv[3] : nullptr);
    if (argc < 2) {
        std::fprintf(stderr, "usage: qv_screenshot OUTPUT.png [PAPER_FOLDER [TAB_INDEX]]\n");
        return 2;
    }
    qv_make window;
    show_main_window(window);
    if (argc >= 3) {
        platform::testing::install_hooks();
        platform::testing::queue_folder(QString::fromLocal8Bit(argv[2]));
        window.findChild<QPushButton *>(QStringLiteral("open_paper"))->click();
        if (!platform::testing::shown_dialogs().isEmpty() &&
            platform::testing::shown_dialogs().last().kind !=
                platform::testing::ShownDialog::Kind::Folder) {
            std::fprintf(stderr, "could not open the paper: %s\n",
                         qPrintable(platform::testing::shown_dialogs().last().text));
            return 1;
        }
    }
    if (argc >= 4)
        window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(atoi(argv[3]));
    save_when_shown(app, window, argv[1]);
    return app.exec();
}
