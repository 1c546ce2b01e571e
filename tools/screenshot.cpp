// Renders the main window into a PNG for the README, without a display:
//   qv_screenshot OUTPUT.png [PAPER_FOLDER [TAB_INDEX]]
// With a paper folder the paper is opened as the teacher would open it, and
// the given tab is shown.

#include "platform/dialogs.h"
#include "window/qv_make.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
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
    QTimer::singleShot(200, [&] {
        const bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]));
        app.exit(saved ? 0 : 1);
    });
    return app.exec();
}
