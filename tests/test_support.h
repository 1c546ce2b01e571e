#pragma once
// Shared by the test programs.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <functional>

// Turns the toolkit's warnings about slots it could not connect by name into a
// hard failure. QtTest installs its own handler when the run starts, so call
// this from initTestCase(); the handler forwards everything else to QtTest's.
void install_strict_message_handler();

// How long a test waits for a child process (a save, qv_paper, pdftotext):
// far more than one takes under the sanitizers, or under Wine, where a program
// may stall for half a minute as it starts, and inside the test program's own
// time limit, so that the test names what hung.
#ifdef Q_OS_WIN
constexpr int kChildPatienceMs = 75000;
#else
constexpr int kChildPatienceMs = 30000;
#endif

// Starts `program` and waits until it ends. A start that fails is tried
// twice more: under Wine, a program now and then fails to start while the
// suite starts many at once. False when it never started or did not end in
// kChildPatienceMs (then it is killed), with `why` saying which, in words.
bool run_to_end(QProcess &process, const QString &program, const QStringList &arguments,
                QString &why);

// Handles events until `condition` holds, for at most `timeout_ms`; returns
// whether it held. Wakes for each event instead of sleeping in fixed steps as
// QTest::qWait and the QTRY macros do, which under Wine costs a timer tick
// and more for every test.
bool wait_until(const std::function<bool()> &condition, int timeout_ms = 5000);

// Switches the C library's `category` to a locale that writes numbers with a
// decimal comma (German: "de_DE.UTF-8" on Linux, as the test set-up generates
// it; the Windows C runtime knows it by other names). Returns the name taken,
// or nullptr when the system has none.
const char *set_decimal_comma_c_locale(int category);

// A file's whole content, written or read; false or empty when that failed.
bool write_file(const QString &path, const QByteArray &bytes);
QByteArray file_bytes(const QString &path);

// Writes a pair of paper files into `folder`; a failure fails the test.
void write_paper_files(const QString &folder, const QByteArray &problem, const QByteArray &answer);

// A file's bytes, or "<missing>" when it cannot be read: a test comparing
// them tells a missing file from an empty one.
QByteArray read_file(const QString &path);
