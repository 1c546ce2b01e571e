#include "resources/resources.h"
#include "tools_window/tools_window.h"

#include <QApplication>
#include <QIcon>

// qv_tools [folder or file]: what a double-click starts, and what dropping a
// paper folder or a question file on the program's icon starts with it.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qv_tools"));
    load_program_resources();
    install_toolkit_translation();
    ToolsWindow window;
    window.setWindowIcon(QIcon(QStringLiteral(":/icons/qv_make.png")));
    window.show();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        window.open_path(arguments.at(1));
    return app.exec();
}
