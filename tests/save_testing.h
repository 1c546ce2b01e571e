#pragma once
// For the tests of saving, through the window or straight through storage:
// the example pairs, the files a save leaves in a folder, and a save run in a
// child process.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The example paper, as this program writes it: one question of each kind.
inline const QByteArray kExampleProblem = "1 1 1\r\n2\r\n@1+1=?$\r\n4 1.5\r\n@Which are even?$\r\n"
                                          "10\r\n@Prove it.\r\nShow the steps.$\r\n";
inline const QByteArray kExampleAnswer = "2\r\n5\r\n@See the notes.$\r\n";

// Another paper, in the files before a save writes the example over it.
inline const QByteArray kOlderProblem = "1 0 0\r\n3\r\n@older$\r\n";
inline const QByteArray kOlderAnswer = "4\r\n";

// A step's file name without the six random characters of a temporary file.
QString step_file(const QString &path);

// The names of the folder's files, hidden ones too, sorted.
QStringList files_in(const QString &folder);

#ifdef Q_OS_UNIX
// The child processes run only where the shim and the file-size limit exist.
struct ChildSave {
    int exit_code;
    QString said;
};

// Saves the paper in `folder`, its first free answer grown by `bytes`, in a
// child process: under a file-size limit unless `limit` is 0, and with the sync
// shim preloaded when `shim` sets any of its variables.
ChildSave run_save_child(const QString &folder, int bytes, int limit,
                         const QList<QPair<QString, QString>> &shim = {},
                         const QStringList &more_arguments = {}, const QString &kill_at = {});
#endif
