#include "tests/test_support.h"

#include <QFile>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QtGlobal>
#include <QtTest>
#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace
{
QtMessageHandler previous_handler = nullptr;
bool installed = false;

bool is_broken_connection(const QString &message)
{
    return message.contains(QLatin1String("No matching signal")) ||
           message.contains(QLatin1String("connectSlotsByName"));
}

// The offscreen platform says this for every window it shows.
bool is_platform_noise(const QString &message)
{
    return message.contains(QLatin1String("This plugin does not support"));
}

void strict_handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (is_platform_noise(message))
        return;
    if (type == QtWarningMsg && is_broken_connection(message)) {
        std::fprintf(stderr, "FAIL: a slot is not connected: %s\n", qPrintable(message));
        std::abort();
    }
    if (previous_handler)
        previous_handler(type, context, message);
}
} // namespace

void install_strict_message_handler()
{
    if (installed)
        return;
    installed = true;
    previous_handler = qInstallMessageHandler(strict_handler);
}

bool wait_until(const std::function<bool()> &condition, int timeout_ms)
{
    const QDeadlineTimer deadline(timeout_ms);
    // Without an event to come, the last wait would last for ever.
    QTimer time_up;
    time_up.setSingleShot(true);
    time_up.start(timeout_ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

const char *set_decimal_comma_c_locale(int category)
{
    static const char *const names[] = {"de_DE.UTF-8", "de-DE", "German_Germany.1252"};
    for (const char *name : names) {
        if (std::setlocale(category, name) != nullptr)
            return name;
    }
    return nullptr;
}

bool write_file(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray file_bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write_paper_files(const QString &folder, const QByteArray &problem, const QByteArray &answer)
{
    for (const auto &[name, bytes] :
         {std::pair{"problem.prb", problem}, std::pair{"answer.ans", answer}}) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
    }
}

QByteArray read_file(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

bool run_to_end(QProcess &process, const QString &program, const QStringList &arguments,
                QString &why)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        process.start(program, arguments);
        if (process.waitForStarted(kChildPatienceMs) || process.error() != QProcess::FailedToStart)
            break;
    }
    if (process.error() == QProcess::FailedToStart) {
        why = QStringLiteral("%1 did not start: %2").arg(program, process.errorString());
        return false;
    }
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(kChildPatienceMs)) {
        why = QStringLiteral("%1 did not end in %2 s: %3")
                  .arg(program)
                  .arg(kChildPatienceMs / 1000)
                  .arg(process.errorString());
        process.kill();
        process.waitForFinished();
        return false;
    }
    return true;
}
