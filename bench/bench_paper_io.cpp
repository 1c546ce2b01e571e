// Times reading and writing a full paper (10000 questions of each kind) against
// the floor of any reader or writer of the same files: moving the same bytes
// between disk and text. Prints read_ratio=, write_ratio= and memory_ratio=,
// and read_ratio_gbk= for the same paper written in GBK, as a Chinese Windows
// machine writes it, read where the local encoding is UTF-8.
//
//   bench_paper_io [--codec NAME]  run everything, in the local encoding or
//                                  in NAME (e.g. GB18030, as on a Chinese
//                                  Windows)
//   bench_paper_io [--codec NAME] --memory D
//                                  (internal) load the paper in folder D in a
//                                  fresh process and report its peak memory

#include "bench/bench_paper.h"
#include "paper/paper_encoding.h"
#include "paper/paper_messages.h"
#include "paper/paper_writer.h"
#include "tests/paper_testing.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextCodec>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>

namespace
{

using bench::for_each_text;
using bench::generate_paper;

constexpr int kRuns = 9;

QByteArray read_file(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return file.readAll();
}

void write_file(const QString &path, const char *data, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data, size) != size) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

struct Timing {
    double measured_ms;
    double floor_ms;
};

// Best of several runs of each, taken in turns so that both see the same
// state of the machine.
Timing best_of(const std::function<void()> &measured, const std::function<void()> &floor)
{
    Timing best{1e300, 1e300};
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        measured();
        best.measured_ms = std::min(best.measured_ms, timer.nsecsElapsed() / 1e6);
        timer.restart();
        floor();
        best.floor_ms = std::min(best.floor_ms, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// Peak resident memory of this process in KiB, or -1 where it cannot be read.
long peak_memory_kib()
{
#ifdef Q_OS_LINUX
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
#endif
    return -1;
}

void write_paper(const QString &problem_file, const QString &answer_file)
{
    QByteArray problem, answer;
    write_paper_checked(problem, answer);
    write_file(problem_file, problem.constData(), problem.size());
    write_file(answer_file, answer.constData(), answer.size());
}

// Reading the paper against reading the same bytes and decoding each whole
// file in `codec`.
Timing time_read(const QString &problem_file, const QString &answer_file, QTextCodec *codec)
{
    qint64 sink = 0; // keeps the floor's results alive
    const Timing timing = best_of(
        [&] {
            PaperError error;
            if (!read_paper(read_file(problem_file), read_file(answer_file), &error)) {
                std::fprintf(stderr, "the benchmark paper is refused: %s\n",
                             qPrintable(paper_message(error)));
                std::exit(1);
            }
        },
        [&] {
            const QByteArray problem = read_file(problem_file);
            const QByteArray answer = read_file(answer_file);
            sink += codec->toUnicode(problem).size() + codec->toUnicode(answer).size();
        });
    if (sink == 42)
        std::printf("\n");
    return timing;
}

int measure_memory(const QString &folder)
{
    const long before = peak_memory_kib();
    if (before < 0) {
        std::printf("memory: peak memory is not known on this platform\n");
        return 0;
    }
    {
        const QByteArray problem = read_file(folder + QStringLiteral("/problem.prb"));
        const QByteArray answer = read_file(folder + QStringLiteral("/answer.ans"));
        PaperError error;
        if (!read_paper(problem, answer, &error)) {
            std::fprintf(stderr, "the benchmark paper is refused: %s\n",
                         qPrintable(paper_message(error)));
            return 1;
        }
    }
    const long loaded = peak_memory_kib();
    qint64 utf16_bytes = 0;
    for_each_text([&](const QString &text) { utf16_bytes += qint64(text.size()) * 2; });
    const double ratio = (loaded - before) * 1024.0 / double(utf16_bytes);
    std::printf("memory: peak %ld KiB before loading, %ld KiB with the paper loaded; "
                "texts in UTF-16 %.0f KiB\n",
                before, loaded, utf16_bytes / 1024.0);
    std::printf("memory_ratio=%.2f\n", ratio);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QStringList codec_arguments;
    if (arguments.size() >= 2 && arguments[0] == QLatin1String("--codec")) {
        QTextCodec *codec = QTextCodec::codecForName(arguments[1].toLatin1());
        if (!codec) {
            std::fprintf(stderr, "unknown codec %s\n", qPrintable(arguments[1]));
            return 1;
        }
        QTextCodec::setCodecForLocale(codec);
        codec_arguments = arguments.mid(0, 2);
        arguments = arguments.mid(2);
    }
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--memory"))
        return measure_memory(arguments[1]);
    if (!arguments.isEmpty()) {
        std::fprintf(stderr, "usage: bench_paper_io [--codec NAME]\n");
        return 1;
    }

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString problem_file = folder.filePath(QStringLiteral("problem.prb"));
    const QString answer_file = folder.filePath(QStringLiteral("answer.ans"));

    generate_paper(kMaxQuestions);
    {
        QByteArray problem, answer;
        write_paper_checked(problem, answer);
        write_file(problem_file, problem.constData(), problem.size());
        write_file(answer_file, answer.constData(), answer.size());
        std::printf("paper: %d + %d + %d questions; problem.prb %d bytes, answer.ans %d bytes; "
                    "local encoding %s\n",
                    onech_count, somech_count, unch_count, problem.size(), answer.size(),
                    QTextCodec::codecForLocale()->name().constData());
    }
    const qint64 problem_size = QFile(problem_file).size();
    const qint64 answer_size = QFile(answer_file).size();

    const Timing read = time_read(problem_file, answer_file, QTextCodec::codecForLocale());

    const Timing write = best_of(
        [&] {
            QByteArray problem, answer;
            write_paper_checked(problem, answer);
            write_file(problem_file, problem.constData(), problem.size());
            write_file(answer_file, answer.constData(), answer.size());
        },
        [&] {
            QByteArray bytes;
            bytes.reserve(int(problem_size + answer_size));
            for_each_text([&](const QString &text) { bytes += text.toLocal8Bit(); });
            bytes.resize(int(problem_size + answer_size)); // the numbers and markers
            write_file(problem_file, bytes.constData(), problem_size);
            write_file(answer_file, bytes.constData() + problem_size, answer_size);
        });

    std::printf("read:  %.2f ms (floor %.2f ms: read the bytes, decode them to text)\n",
                read.measured_ms, read.floor_ms);
    std::printf("read_ratio=%.2f\n", read.measured_ms / read.floor_ms);
    std::printf("write: %.2f ms (floor %.2f ms: encode the texts, write as many bytes)\n",
                write.measured_ms, write.floor_ms);
    std::printf("write_ratio=%.2f\n", write.measured_ms / write.floor_ms);

    if (is_utf8_codec(QTextCodec::codecForLocale())) {
        // The same paper as a Chinese Windows machine writes it.
        QTextCodec *legacy = legacy_paper_codec();
        paper_codec = legacy;
        write_paper(problem_file, answer_file);
        const Timing gbk = time_read(problem_file, answer_file, legacy);
        std::printf("read GBK paper: %.2f ms, problem.prb %lld bytes (floor %.2f ms: read the "
                    "bytes, decode them with %s)\n",
                    gbk.measured_ms, QFile(problem_file).size(), gbk.floor_ms,
                    legacy->name().constData());
        std::printf("read_ratio_gbk=%.2f\n", gbk.measured_ms / gbk.floor_ms);
        paper_codec = nullptr;
    }
    std::fflush(stdout);

    // Memory is measured in a fresh process, where nothing of the paper is
    // loaded yet, so the peak it reports is that of loading alone.
    // The floor runs above left the files as the writer wrote them.
    write_paper(problem_file, answer_file);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                codec_arguments + QStringList{QStringLiteral("--memory"), folder.path()});
    if (!child.waitForFinished(120000) || child.exitCode() != 0) {
        std::fprintf(stderr, "the memory measurement failed\n");
        return 1;
    }
    return 0;
}
