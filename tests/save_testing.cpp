#include "tests/save_testing.h"

#include "paper/paper_storage.h"
#include "tests/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <cstring>

QString step_file(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const int infix = name.lastIndexOf(QLatin1String(kTemporaryInfix));
    const bool temporary =
        infix > 0 && name.size() == infix + int(std::strlen(kTemporaryInfix)) + 6;
    return temporary ? name.chopped(6) : name;
}

QStringList files_in(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

#ifdef Q_OS_UNIX
ChildSave run_save_child(const QString &folder, int bytes, int limit,
                         const QList<QPair<QString, QString>> &shim,
                         const QStringList &more_arguments, const QString &kill_at)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!shim.isEmpty()) {
        const QString dir = QCoreApplication::applicationDirPath();
        environment.insert(QStringLiteral("LD_PRELOAD"),
                           dir + QStringLiteral("/libqv_sync_shim.so"));
        // The shim comes before the sanitizer runtime of a sanitizer build.
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":verify_asan_link_order=0"));
        for (const auto &[name, value] : shim)
            environment.insert(name, value);
    }
    if (!kill_at.isEmpty())
        environment.insert(QStringLiteral("QV_KILL_AT"), kill_at);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/save_child"),
                QStringList{folder, QString::number(bytes), QString::number(limit)} +
                    more_arguments);
    if (!child.waitForFinished(kChildPatienceMs) || child.exitStatus() != QProcess::NormalExit)
        return {-1, QStringLiteral("the save child did not finish")};
    return {child.exitCode(), QString::fromUtf8(child.readAllStandardOutput())};
}
#endif
