// Times the commands as the window runs them, each against the floor of the
// same run, at 3000 and at 30000 questions, side by side:
//   open_ratio    opening a paper folder with the open button, the window
//                 showing it afterwards, less opening an empty paper, against
//                 reading both files and decoding each whole file to text;
//   save_ratio    the save button, against encoding the texts and writing as
//                 many bytes to two files, each synced as a durable save does;
//   guard_us      deciding whether the paper is changed (closing the window
//                 and opening over a paper ask it), in microseconds;
//   startup_ratio starting the program until its window is on the screen,
//                 against a bare QMainWindow showing one Chinese label (whole
//                 processes).
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
//
//   bench_commands
//   bench_commands --start program|bare   (internal) one start-up

#include "bench/bench_paper.h"
#include "paper/paper_commands.h"
#include "paper/paper_writer.h"
#include "platform/dialogs.h"
#include "resources/resources.h"
#include "window/qv_make.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <functional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace
{

constexpr int kRuns = 5;

double best_ms(int runs, const std::function<void()> &work)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void fail(const char *what)
{
    std::fprintf(stderr, "bench_commands: %s\n", what);
    std::exit(1);
}

QByteArray read_file(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read a paper file");
    return file.readAll();
}

// What a durable save of that many bytes costs at least: write and sync.
void write_synced(const QString &path, const char *data, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data, size) != size ||
        !file.flush())
        fail("cannot write the floor's file");
#ifdef Q_OS_UNIX
    ::fsync(file.handle());
#endif
}

void write_paper(const QString &folder)
{
    QByteArray problem, answer;
    write_paper_checked(problem, answer);
    QFile problem_file(folder + QStringLiteral("/problem.prb"));
    QFile answer_file(folder + QStringLiteral("/answer.ans"));
    if (!problem_file.open(QIODevice::WriteOnly) || !answer_file.open(QIODevice::WriteOnly) ||
        problem_file.write(problem) != problem.size() || answer_file.write(answer) != answer.size())
        fail("cannot write the paper");
}

struct Figures {
    int questions;
    qint64 bytes;
    double open_ms, open_empty_ms, open_floor_ms;
    double save_ms, save_floor_ms;
    double guard_us;
};

void open_with_the_button(qv_make &window, const QString &folder)
{
    platform::testing::queue_folder(folder);
    window.findChild<QPushButton *>(QStringLiteral("open_paper"))->click();
    if (!platform::testing::shown_dialogs().isEmpty() &&
        platform::testing::shown_dialogs().last().kind !=
            platform::testing::ShownDialog::Kind::Folder)
        fail("the paper did not open");
}

Figures measure(int each)
{
    QTemporaryDir paper_folder, empty_folder, floor_folder;
    if (!paper_folder.isValid() || !empty_folder.isValid() || !floor_folder.isValid())
        fail("no temporary folder");
    reset_paper_model();
    bench::generate_paper(each);
    write_paper(paper_folder.path());
    reset_paper_model();
    if (!create_empty_paper(empty_folder.path()).ok())
        fail("cannot create an empty paper");

    platform::testing::install_hooks();
    qv_make window;
    show_main_window(window);
    QCoreApplication::processEvents();

    Figures figures{};
    figures.questions = 3 * each;
    const QString problem_file = paper_folder.filePath(QStringLiteral("problem.prb"));
    const QString answer_file = paper_folder.filePath(QStringLiteral("answer.ans"));
    figures.bytes = QFile(problem_file).size() + QFile(answer_file).size();

    figures.open_empty_ms =
        best_ms(kRuns, [&] { open_with_the_button(window, empty_folder.path()); });
    figures.open_ms = best_ms(kRuns, [&] { open_with_the_button(window, paper_folder.path()); });
    QTextCodec *codec = QTextCodec::codecForLocale();
    qint64 sink = 0;
    figures.open_floor_ms = best_ms(kRuns, [&] {
        sink += codec->toUnicode(read_file(problem_file)).size();
        sink += codec->toUnicode(read_file(answer_file)).size();
    });

    QPushButton *save = window.findChild<QPushButton *>(QStringLiteral("save_paper"));
    figures.save_ms = best_ms(kRuns, [&] { save->click(); });
    if (!platform::testing::shown_dialogs().isEmpty() &&
        platform::testing::shown_dialogs().last().kind ==
            platform::testing::ShownDialog::Kind::Message)
        fail("the save failed");
    const qint64 problem_size = QFile(problem_file).size();
    const qint64 answer_size = QFile(answer_file).size();
    figures.save_floor_ms = best_ms(kRuns, [&] {
        QByteArray bytes;
        bytes.reserve(int(problem_size + answer_size));
        bench::for_each_text([&](const QString &text) { bytes += codec->fromUnicode(text); });
        bytes.resize(int(problem_size + answer_size)); // the numbers and markers
        write_synced(floor_folder.filePath(QStringLiteral("problem.prb")), bytes.constData(),
                     problem_size);
        write_synced(floor_folder.filePath(QStringLiteral("answer.ans")),
                     bytes.constData() + problem_size, answer_size);
    });

    // As many decisions as fit in about 50 ms, at least one.
    int changed = 0;
    int decisions = 0;
    QElapsedTimer decided;
    decided.start();
    while (decisions < 1000000 && (decisions < 1 || decided.nsecsElapsed() < 50000000)) {
        changed += paper_has_unsaved_changes();
        ++decisions;
    }
    figures.guard_us = decided.nsecsElapsed() / 1000.0 / decisions;
    if (changed != 0 || sink == 42)
        fail("a paper just saved counts as changed");
    platform::testing::remove_hooks();
    return figures;
}

double startup_ms(const QString &what)
{
    return best_ms(kRuns, [&] {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--start"), what});
        if (!child.waitForFinished(60000) || child.exitCode() != 0)
            fail("a start-up child failed");
    });
}

class QuitWhenExposed : public QObject
{
  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed())
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};

// Shows the window, lets the event loop show it, and quits.
int start(const QString &what, int argc, char **argv)
{
    QApplication app(argc, argv);
    std::unique_ptr<QMainWindow> window;
    if (what == QLatin1String("program")) {
        load_program_resources();
        install_toolkit_translation();
        auto program = std::make_unique<qv_make>();
        show_main_window(*program);
        window = std::move(program);
    } else {
        window = std::make_unique<QMainWindow>();
        window->setCentralWidget(new QLabel(QStringLiteral("出题端")));
        window->show();
    }
    // Shown: the window is on the screen; the quit comes after its paint.
    QuitWhenExposed quit_when_exposed;
    window->windowHandle()->installEventFilter(&quit_when_exposed);
    if (window->windowHandle()->isExposed())
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && QByteArray(argv[1]) == "--start")
        return start(QString::fromLatin1(argv[2]), argc, argv);
    QApplication app(argc, argv);
    load_program_resources();
    install_toolkit_translation();

    const Figures small = measure(1000);
    const Figures large = measure(kMaxQuestions);
    std::printf("%-34s %14s %14s\n", "", "3000 questions", "30000 questions");
    const auto row = [](const char *name, double a, double b, const char *format) {
        char first[32], second[32];
        std::snprintf(first, sizeof first, format, a);
        std::snprintf(second, sizeof second, format, b);
        std::printf("%-34s %14s %14s\n", name, first, second);
    };
    row("paper files (MB)", small.bytes / 1e6, large.bytes / 1e6, "%.2f");
    row("open (ms)", small.open_ms, large.open_ms, "%.2f");
    row("open an empty paper (ms)", small.open_empty_ms, large.open_empty_ms, "%.2f");
    row("open floor: read, decode (ms)", small.open_floor_ms, large.open_floor_ms, "%.2f");
    row("save (ms)", small.save_ms, large.save_ms, "%.2f");
    row("save floor: encode, write, sync (ms)", small.save_floor_ms, large.save_floor_ms, "%.2f");
    const auto open_ratio = [](const Figures &f) {
        return (f.open_ms - f.open_empty_ms) / f.open_floor_ms;
    };
    std::printf("open_ratio=%.2f %.2f\n", open_ratio(small), open_ratio(large));
    std::printf("save_ratio=%.2f %.2f\n", small.save_ms / small.save_floor_ms,
                large.save_ms / large.save_floor_ms);
    std::printf("guard_us=%.4f %.4f\n", small.guard_us, large.guard_us);

    const double program = startup_ms(QStringLiteral("program"));
    const double bare = startup_ms(QStringLiteral("bare"));
    std::printf("start-up: program %.1f ms, bare window with a Chinese label %.1f ms\n", program,
                bare);
    std::printf("startup_ratio=%.2f\n", program / bare);
    return 0;
}
