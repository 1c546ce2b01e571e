// Kills a saving program at random moments and counts what the paper folder
// is left holding. A child opens a paper of 10000 questions of each kind and
// saves it again and again, each time with a new mark in the first free-answer
// problem and answer; the parent kills it with SIGKILL after a random time,
// then reads the pair:
//   torn  - a file that does not read as a paper (half-written);
//   mixed - both read, but problem.prb and answer.ans carry different marks:
//           answers that belong to another version of the paper.
// Prints kills=, torn=, mixed=, mixed_rate= and the temporary files left;
// then, after what the next open does with a save cut short (finishing it),
// mixed_after_open=.
//
//   bench_crash_save [KILLS] [FOLDER]   (default 300 kills, a folder under the
//                                        current one: a real disk, not tmpfs)
//   bench_crash_save --saver FOLDER     (internal) the child

#include "paper/paper_commands.h"
#include "paper/paper_model.h"
#include "paper/paper_reader.h"
#include "paper/paper_storage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QThread>
#include <cstdio>

namespace
{

const char kMarkPrefix[] = "mark-";

void fill_paper()
{
    onech_count = somech_count = unch_count = kMaxQuestions;
    // About 200 bytes a text, as a long paper has them.
    const QString text =
        QStringLiteral("计算下列各题，写出推导过程。Solve x + 2 = 5 and explain why. 已知函数")
            .repeated(2);
    for (int k = 1; k <= kMaxQuestions; ++k) {
        onech_table[k] = {2, 0, 1, text};
        somech_table[k] = {4, 1.5, 5, text};
        unch_table[k] = {10, text, text};
    }
}

void mark(const QString &mark)
{
    unch_table[1].problem = mark;
    unch_table[1].answer = mark;
}

int run_saver(const QString &folder)
{
    const CommandOutcome opened = open_paper_folder(folder);
    if (!opened.ok()) {
        std::fprintf(stderr, "saver: %s\n", qPrintable(opened.message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (qint64 round = 1;; ++round) {
        mark(QStringLiteral("%1%2-%3")
                 .arg(QLatin1String(kMarkPrefix))
                 .arg(QCoreApplication::applicationPid())
                 .arg(round));
        const CommandOutcome saved = save_open_paper();
        if (!saved.ok()) {
            std::fprintf(stderr, "saver: %s\n", qPrintable(saved.message()));
            return 1;
        }
    }
}

QByteArray read_all(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum class Pair { Whole, Torn, Mixed };

Pair inspect(const QString &folder)
{
    const QByteArray problem = read_all(folder + QStringLiteral("/problem.prb"));
    const QByteArray answer = read_all(folder + QStringLiteral("/answer.ans"));
    PaperData paper;
    if (!read_problem_file(problem, paper, nullptr) || !read_answer_file(answer, paper, nullptr) ||
        paper.unch.empty())
        return Pair::Torn;
    return paper.unch[0].problem == paper.unch[0].answer ? Pair::Whole : Pair::Mixed;
}

int count_temporaries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).size() - 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--saver"))
        return run_saver(arguments[1]);
    const int kills = arguments.value(0, QStringLiteral("300")).toInt();
    QTemporaryDir scratch(arguments.value(1, QDir::currentPath()) +
                          QStringLiteral("/crash-save-XXXXXX"));
    if (kills <= 0 || !scratch.isValid()) {
        std::fprintf(stderr, "usage: bench_crash_save [KILLS] [FOLDER]\n");
        return 2;
    }
    const QString folder = scratch.path();

    fill_paper();
    mark(QStringLiteral("%1start").arg(QLatin1String(kMarkPrefix)));
    if (!create_empty_paper(folder).ok() || !open_paper_folder(folder).ok()) {
        std::fprintf(stderr, "cannot create the paper in %s\n", qPrintable(folder));
        return 1;
    }
    fill_paper();
    mark(QStringLiteral("%1start").arg(QLatin1String(kMarkPrefix)));
    QElapsedTimer timer;
    timer.start();
    if (!save_open_paper().ok())
        return 1;
    const qint64 save_ms = std::max<qint64>(timer.elapsed(), 1);
    std::printf("paper: %lld + %lld bytes; one save takes about %lld ms\n",
                QFile(folder + QStringLiteral("/problem.prb")).size(),
                QFile(folder + QStringLiteral("/answer.ans")).size(), save_ms);

    int torn = 0, mixed = 0, with_temporaries = 0, recorded = 0, mixed_after_open = 0;
    for (int kill = 0; kill < kills; ++kill) {
        QProcess saver;
        saver.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--saver"), folder});
        if (!saver.waitForReadyRead(60000)) {
            std::fprintf(stderr, "the saver did not start\n");
            return 1;
        }
        // Anywhere within its first few saves.
        QThread::usleep(QRandomGenerator::global()->bounded(quint32(save_ms * 3000)));
        saver.kill();
        saver.waitForFinished(60000);
        switch (inspect(folder)) {
        case Pair::Whole:
            break;
        case Pair::Torn:
            ++torn;
            break;
        case Pair::Mixed:
            ++mixed;
            break;
        }
        with_temporaries += count_temporaries(folder) > 0;
        // What the next open does when the teacher answers 确定.
        const InterruptedSave interrupted = find_interrupted_save(folder);
        if (interrupted.state != InterruptedSave::State::None) {
            ++recorded;
            finish_interrupted_save(interrupted);
        }
        mixed_after_open += inspect(folder) == Pair::Mixed;
        // The next saver opens a whole pair; a mixed one is put right first.
        if (inspect(folder) != Pair::Whole) {
            mark(QStringLiteral("%1repair").arg(QLatin1String(kMarkPrefix)));
            if (!save_open_paper().ok())
                return 1;
        }
    }
    std::printf("kills=%d\ntorn=%d\nmixed=%d\nmixed_rate=%.2f%%\n", kills, torn, mixed,
                100.0 * mixed / kills);
    std::printf("kills that left temporary files behind: %d (the next save removes them)\n",
                with_temporaries);
    std::printf("kills that left a record of the save: %d\nmixed_after_open=%d\n", recorded,
                mixed_after_open);
    return 0;
}
