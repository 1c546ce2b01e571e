// Runs `qv_paper import` and `export` on large, hostile and unusual files, each
// in a fresh process, and prints for each its size, wall time, time per 10 MB,
// peak memory and peak memory over the input's size. The bound a teacher can
// count on: 2 s and ten times the input's size per 10 MB.
//
//   bench_import [QV_PAPER]   (default: the qv_paper built beside it)

#include "exchange/zip_writer.h"
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kTenMegabytes = 10 << 20;

QByteArray repeated_to(const QByteArray &unit, int size)
{
    return unit.repeated(size / unit.size() + 1);
}

// Questions as a platform's bank holds them, HTML and pictures included.
QByteArray ordinary_gift()
{
    return repeated_to(
        "::q::[html]<p>下列哪个是 x<sup>2</sup> 的导数？<img src=\"@@PLUGINFILE@@/f.png\" "
        "alt=\"图\"></p>{\n  =2x#对\n  ~x\n  ~%50%2x + 0\n  ~<b>x</b><sup>3</sup>\n}\n\n",
        kTenMegabytes);
}

QByteArray ordinary_xml()
{
    const QByteArray question =
        "<question type=\"multichoice\"><name><text>q</text></name>"
        "<questiontext format=\"html\"><text><![CDATA[<p>下列哪些是质数？</p><ol><li>甲</li>"
        "<li>乙</li></ol>]]></text></questiontext><defaultgrade>2</defaultgrade>"
        "<single>false</single><answer fraction=\"50\"><text>2</text></answer>"
        "<answer fraction=\"50\"><text>3</text></answer>"
        "<answer fraction=\"-100\"><text>4</text></answer></question>\n";
    return "<quiz>\n" + repeated_to(question, kTenMegabytes) + "</quiz>\n";
}

QByteArray entity_blow_up()
{
    QByteArray file = "<?xml version=\"1.0\"?><!DOCTYPE quiz [<!ENTITY e0 \"aaaaaaaaaa\">";
    for (int level = 1; level < 10; ++level)
        file += "<!ENTITY e" + QByteArray::number(level) + " \"" +
                QByteArray("&e" + QByteArray::number(level - 1) + ";").repeated(10) + "\">";
    return file + "]><quiz><question type=\"essay\"><questiontext><text>&e9;</text>"
                  "</questiontext></question></quiz>";
}

// A Chinese paper as teachers type it: headings, numbered questions, options
// four on a line, keys in the stem's bracket and analyses.
QByteArray ordinary_text()
{
    QByteArray text = "一、单项选择题（每小题2分）\n";
    for (int number = 1; text.size() < kTenMegabytes; ++number)
        text += QByteArray::number(number) +
                "．下列关于光合作用的说法，正确的是（ B ）\n"
                "A．只在白天进行　　B．需要光能　　C．不需要水　　D．产生二氧化碳\n"
                "【解析】光合作用需要光能。\n";
    return text;
}

// Chinese text that compresses as prose does, not as a repeated phrase.
QByteArray varied_words(quint32 &seed, int characters)
{
    QString text;
    for (int i = 0; i < characters; ++i) {
        seed = seed * 1664525u + 1013904223u;
        text.append(QChar(char16_t(0x4E00 + (seed >> 16) % 3000)));
    }
    return text.toUtf8();
}

QByteArray zip_of(const QVector<QPair<QString, QByteArray>> &parts)
{
    std::vector<ZipPart> zip;
    for (const auto &[name, content] : parts)
        zip.push_back({name, content});
    return zip_parts(zip).value_or(QByteArray());
}

// A Word paper of numbered questions, options in a table, keys after them.
QByteArray ordinary_docx()
{
    QByteArray body =
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/"
        "wordprocessingml/2006/main\"><w:body><w:p><w:r><w:t>一、单项选择题（每小题2分）"
        "</w:t></w:r></w:p>";
    quint32 seed = 1;
    for (int number = 1; body.size() < 4 * kTenMegabytes; ++number) {
        body += "<w:p><w:r><w:t>" + QByteArray::number(number) + "．" + varied_words(seed, 30) +
                "（　）</w:t></w:r></w:p><w:tbl><w:tr>";
        for (const char *letter : {"A", "B", "C", "D"})
            body += "<w:tc><w:p><w:r><w:t>" + QByteArray(letter) + "．" + varied_words(seed, 6) +
                    "</w:t></w:r></w:p></w:tc>";
        body += "</w:tr></w:tbl><w:p><w:r><w:t>【答案】B</w:t></w:r></w:p>";
    }
    return zip_of({{QStringLiteral("[Content_Types].xml"), "<Types/>"},
                   {QStringLiteral("word/document.xml"), body + "</w:body></w:document>"}});
}

QByteArray excel_with_sheet(const QByteArray &sheet, const QByteArray &strings = "<sst/>");

// An Excel template of one question a row, its texts in shared strings.
QByteArray ordinary_xlsx()
{
    QByteArray strings = "<sst>";
    QByteArray rows = "<worksheet><sheetData><row r=\"1\">";
    int count = 0;
    auto cell = [&](int row, char column, const QByteArray &text) {
        strings += "<si><t>" + text + "</t></si>";
        rows += "<c r=\"" + QByteArray(1, column) + QByteArray::number(row) + "\" t=\"s\"><v>" +
                QByteArray::number(count++) + "</v></c>";
    };
    for (const char *header : {"题型", "题干", "A", "B", "C", "D", "答案"})
        cell(1, char('A' + count), header);
    quint32 seed = 1;
    for (int row = 2; strings.size() + rows.size() < 3 * kTenMegabytes; ++row) {
        rows += "</row><row r=\"" + QByteArray::number(row) + "\">";
        cell(row, 'A', "单选题");
        cell(row, 'B', varied_words(seed, 30));
        for (char column = 'C'; column <= 'F'; ++column)
            cell(row, column, varied_words(seed, 6));
        cell(row, 'G', "B");
    }
    return excel_with_sheet(rows + "</row></sheetData></worksheet>", strings + "</sst>");
}

QByteArray excel_with_sheet(const QByteArray &sheet, const QByteArray &strings)
{
    return zip_of({{QStringLiteral("[Content_Types].xml"), "<Types/>"},
                   {QStringLiteral("xl/workbook.xml"),
                    "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships\"><sheets><sheet name=\"题目\" sheetId=\"1\" r:id=\"rId1\"/>"
                    "</sheets></workbook>"},
                   {QStringLiteral("xl/_rels/workbook.xml.rels"),
                    "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                    "</Relationships>"},
                   {QStringLiteral("xl/sharedStrings.xml"), strings},
                   {QStringLiteral("xl/worksheets/sheet1.xml"), sheet}});
}

struct Input {
    const char *name;
    const char *format;
    QByteArray (*bytes)();
};

struct Figures {
    double seconds;
    long peak_kb;
    int status;
};

// A child's peak memory counts the memory it was forked from. The figures
// come from a small launcher, this program started afresh, which forks the
// command from its own small self and prints its peak and exit status.
int launch(char **command)
{
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(command[0], command);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    std::printf("%ld %d\n", usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}

Figures run(const QString &program, const QStringList &arguments)
{
    QProcess launcher;
    QElapsedTimer timer;
    timer.start();
    launcher.start(QCoreApplication::applicationFilePath(),
                   QStringList{QStringLiteral("--launch"), program} + arguments);
    launcher.waitForFinished(-1);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const QList<QByteArray> fields = launcher.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 2) {
        std::fprintf(stderr, "the launcher failed\n");
        std::exit(1);
    }
    return {seconds, fields[0].toLong(), fields[1].toInt()};
}

// Time and memory against the bound: per 10 MB of input, or for 10 MB when
// the input is smaller.
void print(const char *what, qint64 size, const Figures &figures)
{
    const double megabytes = size / double(1 << 20);
    const double per = std::max(megabytes, 10.0);
    std::printf("%-34s %8.2f MB  status %d  %6.2f s  %5.2f s/10MB  peak %7.1f MB  "
                "peak/size %5.1f\n",
                what, megabytes, figures.status, figures.seconds, figures.seconds / per * 10,
                figures.peak_kb / 1024.0, figures.peak_kb / 1024.0 / per);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--launch") == 0)
        return launch(argv + 2);
    QCoreApplication application(argc, argv);
    const QString program = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QCoreApplication::applicationDirPath() +
                                           QStringLiteral("/../paper_tool/qv_paper");
    QTemporaryDir dir;
    const Input inputs[] = {
        {"GIFT, ordinary questions", "gift", ordinary_gift},
        {"GIFT, a million small questions", "gift",
         [] { return QByteArray("::n::Which? {=a ~b ~c}\n\n").repeated(1000000); }},
        {"GIFT, HTML nested 2 million deep", "gift",
         [] { return "[html]" + QByteArray("<div>").repeated(2 << 20) + "{=a ~b}"; }},
        {"GIFT, flat HTML", "gift",
         [] { return "[html]" + repeated_to("<span><b></b></span>", kTenMegabytes) + "题{}"; }},
        {"GIFT, NUL at the end", "gift", [] { return ordinary_gift() + QByteArray(1, '\0'); }},
        {"Moodle XML, ordinary questions", "moodle-xml", ordinary_xml},
        {"Text, a Chinese paper", "text", ordinary_text},
        {"Word, a Chinese paper", "docx", ordinary_docx},
        {"Excel, the import template", "xlsx", ordinary_xlsx},
        {"Excel, small cells up to the caps", "xlsx",
         [] {
             QByteArray rows = "<worksheet><sheetData>";
             for (int row = 1; rows.size() < (60 << 20); ++row) {
                 rows += "<row r=\"" + QByteArray::number(row) + "\">";
                 for (int column = 0; column < 100; ++column)
                     rows += "<c><v>1</v></c>";
                 rows += "</row>";
             }
             return excel_with_sheet(rows + "</sheetData></worksheet>");
         }},
        {"Word, a zip bomb of 1 GB", "docx",
         [] {
             return zip_of({{QStringLiteral("word/document.xml"), QByteArray(1 << 30, ' ')}});
         }},
        {"Text, one line of 10 MB", "text",
         [] { return QByteArray("1．").append(QByteArray(kTenMegabytes, 'x')); }},
        {"Moodle XML, nested 2 million deep", "moodle-xml",
         [] { return "<quiz>" + QByteArray("<a>").repeated(2 << 20); }},
        {"Moodle XML, entity blow-up", "moodle-xml", entity_blow_up},
    };
    int index = 0;
    for (const Input &input : inputs) {
        const QString file = dir.filePath(QStringLiteral("in%1").arg(index));
        const QString paper = dir.filePath(QStringLiteral("paper%1").arg(index++));
        qint64 size = 0;
        {
            const QByteArray bytes = input.bytes();
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
                return 1;
            size = bytes.size();
        }
        print(input.name, size,
              run(program, {QStringLiteral("import"), file, QStringLiteral("--from"),
                            QString::fromLatin1(input.format), QStringLiteral("-o"), paper}));
        if (QDir(paper).exists()) {
            const qint64 paper_size = QFile(paper + QStringLiteral("/problem.prb")).size() +
                                      QFile(paper + QStringLiteral("/answer.ans")).size();
            for (const char *format : {"gift", "moodle-xml", "text", "xlsx", "docx"})
                print(qPrintable(QStringLiteral("  export of it to %1").arg(QLatin1String(format))),
                      paper_size,
                      run(program, {QStringLiteral("export"), paper, QStringLiteral("--to"),
                                    QLatin1String(format), QStringLiteral("-o"),
                                    dir.filePath(QStringLiteral("export"))}));
        }
    }
    return 0;
}
