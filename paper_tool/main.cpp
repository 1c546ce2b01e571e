#include "paper_tool/paper_tool.h"

#include <QGuiApplication>
#include <cstdio>

namespace
{

// The toolkit's notes (no runtime folder, what the offscreen platform lacks)
// are no business of the teacher's; the tool reports its own failures.
void drop_toolkit_notes(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // A command-line tool shows no window: it must run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    qInstallMessageHandler(drop_toolkit_notes);
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qv_paper"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));
    return run_paper_tool(QCoreApplication::arguments());
}
