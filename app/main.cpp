#include "resources/resources.h"
#include "window/qv_make.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    load_program_resources();
    install_toolkit_translation();
    qv_make window;
    show_main_window(window);
    return app.exec();
}
