// Child process of the save fault-injection test: opens the paper in FOLDER,
// grows it by BYTES bytes of answer text, then saves it with the process's
// file-size limit set to LIMIT bytes, so that writing fails part-way.
//   save_under_limit FOLDER LIMIT BYTES
// Exit 0: the save failed and said so (the message goes to stdout).
// Exit 1: the save claimed success. Exit 2: set-up failed.

#include "paper/paper_commands.h"
#include "paper/paper_model.h"

#include <QCoreApplication>
#include <QTextCodec>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    const CommandOutcome opened = open_paper_folder(QString::fromLocal8Bit(argv[1]));
    if (!opened.ok || unch_count < 1) {
        std::printf("could not open: %s\n", qPrintable(opened.message));
        return 2;
    }
    unch_table[1].answer += QString(atoi(argv[3]), QLatin1Char('x'));

    // Past the limit a write fails with EFBIG instead of killing the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlim_t limit = rlim_t(atoll(argv[2]));
    const rlimit file_size{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &file_size) != 0)
        return 2;

    const CommandOutcome saved = save_open_paper();
    std::printf("%s\n", qPrintable(saved.message));
    return saved.ok ? 1 : 0;
}
