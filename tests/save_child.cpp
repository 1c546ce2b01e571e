// Child process of the save tests, for what cannot be done to the test process
// itself: a file-size limit, a preloaded library that fails or logs syncs.
// Opens the paper in FOLDER, grows its first free-answer problem by 100 bytes
// and its answer by BYTES bytes, so that both files outgrow the old ones, and
// saves it, with the file-size limit set to LIMIT bytes unless LIMIT is 0.
// With MEMORY, the process's address space is limited to MEMORY MiB first.
//   save_child FOLDER BYTES LIMIT [MEMORY]
// QV_KILL_AT names a step of the save at which the child dies instead.
// Prints what the save said ("saved" on success), or why the paper could not
// be opened. Exit 0: saved. Exit 3: the save failed and said so. Exit 2: the
// paper could not be opened, or set-up failed.

#include "paper/paper_commands.h"
#include "paper/paper_model.h"
#include "paper/paper_storage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextCodec>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4 && argc != 5)
        return 2;
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    if (argc == 5) {
        const rlim_t memory = rlim_t(atoll(argv[4])) << 20;
        const rlimit address_space{memory, memory};
        if (setrlimit(RLIMIT_AS, &address_space) != 0)
            return 2;
    }
    const CommandOutcome opened = open_paper_folder(QString::fromLocal8Bit(argv[1]));
    if (!opened.ok() || unch_count < 1) {
        std::printf("could not open: %s\n", qPrintable(opened.message()));
        return 2;
    }
    unch_table[1].problem += QString(100, QLatin1Char('p'));
    unch_table[1].answer += QString(atoi(argv[2]), QLatin1Char('x'));

    const rlim_t limit = rlim_t(atoll(argv[3]));
    if (limit != 0) {
        // Past the limit a write fails with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit file_size{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &file_size) != 0)
            return 2;
    }

    // QV_KILL_AT="replace answer.ans": the child dies, as if killed, when the
    // save comes to that step ("write", "sync" or "replace" and a file name
    // without a temporary's random end, or "sync folder" and the file
    // replaced just before it).
    const QString kill_at = qEnvironmentVariable("QV_KILL_AT");
    if (!kill_at.isEmpty()) {
        storage_testing::set_fault_hook(
            [kill_at, replaced = QString()](storage_testing::Step step,
                                            const QString &path) mutable {
                static const char *const names[] = {"open",        "write", "sync",  "replace",
                                                    "sync folder", "read",  "remove"};
                QString file = QFileInfo(path).fileName();
                const int infix = file.lastIndexOf(QLatin1String(kTemporaryInfix));
                if (infix > 0 && file.size() == infix + int(std::strlen(kTemporaryInfix)) + 6)
                    file.chop(6);
                if (step == storage_testing::Step::Replace)
                    replaced = file;
                if (step == storage_testing::Step::SyncFolder)
                    file = replaced;
                if (QLatin1String(names[int(step)]) + QLatin1Char(' ') + file == kill_at)
                    std::raise(SIGKILL);
                return false;
            });
    }
    const CommandOutcome saved = save_open_paper();
    std::printf("%s\n", saved.ok() ? "saved" : qPrintable(saved.message()));
    return saved.ok() ? 0 : 3;
}
