// qv_paper: the check's findings, the printed paper and the command line's
// promises (exit statuses, never writing into a paper's folder unasked).

#include "exchange/csv.h"
#include "exchange/zip_writer.h"
#include "paper/paper_reader.h"
#include "paper/paper_storage.h"
#include "paper/paper_writer.h"
#include "paper_tool/paper_check.h"
#include "paper_tool/paper_print.h"
#include "paper_tool/paper_tool.h"
#include "paper_tool/paper_tool_messages.h"
#include "paper_tool/variant_folders.h"
#include "tests/docx_package_check.h"
#include "tests/test_support.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QUrl>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_HAS_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef QV_HAS_ADDRESS_SANITIZER
#define QV_HAS_ADDRESS_SANITIZER 0
#endif

namespace
{

PaperOnDisk read_pair(const QByteArray &problem, const QByteArray &answer)
{
    PaperOnDisk disk{problem, answer, {}, {}};
    PaperError error;
    if (!read_paper_data(problem, answer, disk.paper, &error, &disk.extent))
        qFatal("test paper does not read: %s", qPrintable(paper_message(error)));
    return disk;
}

// One question of each kind, nothing to mend.
const QByteArray kSoundProblem = "1 1 1\r\n2\r\n@1+1=?\r\nA. 1\r\nB. 2$\r\n"
                                 "4 0\r\n@哪些是偶数？$\r\n10\r\n@证明之。\r\n写出步骤。$\r\n";
const QByteArray kSoundAnswer = "2\r\n5\r\n@见讲义。$\r\n";

struct Run {
    int status;
    QString out;
    QString err;
};

// The tool's messages as a console shows them: in the local encoding, and on
// Windows with CR LF line ends.
QString console_text(const QByteArray &bytes)
{
    QString text = QString::fromLocal8Bit(bytes);
#ifdef Q_OS_WIN
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
#endif
    return text;
}

enum class Limits { None, Bounded };

// Runs the child within bounds no sound import comes near: a minute of
// processor time, and 3 GB of address space where the sanitizers do not
// reserve more than that for themselves.
class BoundedProcess : public QProcess
{
  public:
    explicit BoundedProcess(Limits limits) : limits_(limits) {}

  protected:
#ifdef Q_OS_UNIX
    void setupChildProcess() override
    {
        if (limits_ == Limits::None)
            return;
        const rlimit cpu{60, 60};
        setrlimit(RLIMIT_CPU, &cpu);
#if !defined(__SANITIZE_ADDRESS__) && !QV_HAS_ADDRESS_SANITIZER
        const rlimit memory{3ull << 30, 3ull << 30};
        setrlimit(RLIMIT_AS, &memory);
#endif
    }
#endif

  private:
    Limits limits_;
};

// A zip file of the given parts, a large one as `repeat` copies of its bytes:
// a part of tens of megabytes deflates to a few.
QByteArray zip_of(const QVector<QPair<QString, QByteArray>> &parts, int repeat = 1)
{
    std::vector<ZipPart> zip;
    for (const auto &[name, content] : parts)
        zip.push_back({name, content.size() > 1000 ? content.repeated(repeat) : content});
    return zip_parts(zip).value();
}

const QString kWordBody = QStringLiteral("word/document.xml");

QByteArray word_file(const QByteArray &document, int repeat = 1)
{
    return zip_of({{QStringLiteral("[Content_Types].xml"), "<Types/>"}, {kWordBody, document}},
                  repeat);
}

QByteArray excel_file(const QByteArray &sheet)
{
    return zip_of(
        {{QStringLiteral("[Content_Types].xml"), "<Types/>"},
         {QStringLiteral("xl/workbook.xml"),
          "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
          "relationships\"><sheets><sheet name=\"s\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
          "</workbook>"},
         {QStringLiteral("xl/_rels/workbook.xml.rels"),
          "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
          "</Relationships>"},
         {QStringLiteral("xl/worksheets/sheet1.xml"), sheet}});
}

// A paper of four single-choice questions, three multiple-choice ones and
// two free answers, written into `folder` as qv_make writes one.
bool write_paper(const QString &folder, const PaperData &paper)
{
    QByteArray problem, answer;
    return QDir().mkpath(folder) && write_paper_data(paper, problem, answer) &&
           write_file(folder + "/problem.prb", problem) &&
           write_file(folder + "/answer.ans", answer);
}

PaperData shuffled_paper()
{
    PaperData paper;
    for (int i = 1; i <= 4; ++i)
        paper.onech.push_back(
            {double(i), 0, 1 << (i % 4),
             QStringLiteral("单选%1\nA. 甲\nB. 乙\nC. 丙\nD. 以上都不对").arg(i)});
    for (int i = 1; i <= 3; ++i)
        paper.somech.push_back(
            {4, 2, 3 << (i - 1), QStringLiteral("多选%1\nA．甲\nB．乙\nC．丙\nD．丁").arg(i)});
    for (int i = 1; i <= 2; ++i)
        paper.unch.push_back({10, QStringLiteral("简答%1").arg(i), QStringLiteral("答%1").arg(i)});
    return paper;
}

PaperOnDisk read_folder_pair(const QString &folder)
{
    return read_pair(file_bytes(folder + "/problem.prb"), file_bytes(folder + "/answer.ans"));
}

Run run_tool(const QStringList &arguments, const QString &directory = QString(),
             Limits limits = Limits::None)
{
    BoundedProcess process(limits);
    process.setWorkingDirectory(directory);
    QString why;
    if (!run_to_end(process, QStringLiteral(QV_PAPER_PROGRAM), arguments, why))
        qFatal("%s", qPrintable(why));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            console_text(process.readAllStandardOutput()),
            console_text(process.readAllStandardError())};
}

} // namespace

class TestPaperTool : public QObject
{
    Q_OBJECT

  private slots:
    void check_finds_what_to_mend_data();
    void check_finds_what_to_mend();
    void check_prints_counts_and_total_and_exits_by_findings();
    void check_and_export_tell_a_save_cut_short_between_the_replacements();
    void printed_paper_keeps_every_text_verbatim_data();
    void printed_paper_keeps_every_text_verbatim();
    void pdf_is_a_valid_document_with_the_chinese_text();
    void printed_questions_and_keys_number_from_one_in_each_section();
    void variants_whose_save_record_stays_are_all_written_and_told();
    void pdf_is_refused_where_no_font_shows_chinese_data();
    void pdf_is_refused_where_no_font_shows_chinese();
    void pdf_longer_than_its_pages_can_number_is_refused();
    void never_writes_into_a_paper_folder_unasked_data();
    void never_writes_into_a_paper_folder_unasked();
    void import_reports_what_it_left_out_and_writes_a_paper_qv_make_reads();
    void import_exits_by_what_it_took_and_leaves_nothing_behind_a_failure_data();
    void import_exits_by_what_it_took_and_leaves_nothing_behind_a_failure();
    void import_that_cannot_write_takes_back_the_folders_it_made();
    void usage_errors_fail_with_a_message_data();
    void usage_errors_fail_with_a_message();
    void each_commands_help_names_what_it_works_on_and_its_version_is_the_programs();
    void export_to_word_titles_the_paper_and_adds_the_key();
    void export_names_the_questions_that_would_read_back_differently_data();
    void export_names_the_questions_that_would_read_back_differently();
    void the_shipped_templates_are_what_export_writes_and_read_back_data();
    void the_shipped_templates_are_what_export_writes_and_read_back();
    void libreoffice_reads_the_excel_export_as_the_paper();
    void import_of_a_text_file_previews_or_writes_by_its_exit_status_data();
    void import_of_a_text_file_previews_or_writes_by_its_exit_status();
    void variants_writes_a_paper_folder_for_each_and_tells_its_seed();
    void variants_names_what_it_could_not_shuffle_data();
    void variants_names_what_it_could_not_shuffle();
    void variants_never_writes_into_a_paper_folder_unasked();
    void variants_name_the_paper_they_could_not_write();
};

void TestPaperTool::check_finds_what_to_mend_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QStringList>("findings");

    QTest::newRow("sound paper, partial score 0") << kSoundProblem << kSoundAnswer << QStringList();
    QTest::newRow("single choice without answer")
        << QByteArray("1 0 0\n2\n@q$") << QByteArray("0")
        << QStringList{"单选题 第 1 题 答案：没有选定答案"};
    QTest::newRow("single choice with two answers")
        << QByteArray("1 0 0\n2\n@q$") << QByteArray("5")
        << QStringList{"单选题 第 1 题 答案：选定了多个答案（AC），单选题只能有一个"};
    QTest::newRow("single choice beyond F")
        << QByteArray("1 0 0\n2\n@q$") << QByteArray("64")
        << QStringList{"单选题 第 1 题 答案：答案值 64 不是 A 到 F 中的选项"};
    QTest::newRow("multiple choice without right option")
        << QByteArray("0 1 0\n4 1\n@q$") << QByteArray("0")
        << QStringList{"多选题 第 1 题 答案：没有选定任何正确选项"};
    QTest::newRow("partial score equal to full")
        << QByteArray("0 1 0\n4 4\n@q$") << QByteArray("3")
        << QStringList{"多选题 第 1 题 少选分数：4 不低于全对分数 4"};
    QTest::newRow("partial score above full")
        << QByteArray("0 1 0\n4 5.5\n@q$") << QByteArray("3")
        << QStringList{"多选题 第 1 题 少选分数：5.5 不低于全对分数 4"};
    QTest::newRow("empty and blank texts")
        << QByteArray("1 0 1\n2\n@$\n3\n@ \r\n $") << QByteArray("1\n@\r\n$")
        << QStringList{"单选题 第 1 题 题面：为空", "非选择题 第 1 题 题面：为空",
                       "非选择题 第 1 题 答案：参考答案为空"};
    QTest::newRow("free answer with an answer but no problem")
        << QByteArray("0 0 1\n3\n@ $") << QByteArray("@见讲义。$")
        << QStringList{"非选择题 第 1 题 题面：为空"};
    QTest::newRow("scores the spin boxes would change")
        << QByteArray("2 1 1\n0\n@a$\n-2\n@b$\n2.345 -0.5\n@c$\n10001\n@d$")
        << QByteArray("1 1 1 @x$")
        << QStringList{"单选题 第 1 题 分数：为 0",
                       "单选题 第 2 题 分数：为负数（-2），题目页会把它显示为 0",
                       "多选题 第 1 题 全对分数：2.345 多于两位小数，题目页会把它改为 2.35",
                       "多选题 第 1 题 少选分数：为负数（-0.5），题目页会把它显示为 0",
                       "非选择题 第 1 题 分数：10001 超过 10000，题目页会把它改为 10000"};
    QTest::newRow("duplicate problems, across kinds and spaces")
        << QByteArray("2 1 0\n1\n@同一题$\n1\n@另一题$\n2 1\n@ 同一题\n$") << QByteArray("1 2 3")
        << QStringList{"多选题 第 1 题 题面：与单选题第 1 题的题面相同"};
#ifdef Q_OS_WIN
    // Code page 936 reads its one-byte euro sign, but GB18030, what a Linux
    // desktop reads the paper as, has no such byte.
    QTest::newRow("character the paper's encoding cannot carry")
        << QByteArray("0 0 1\n1\n@\x80$") << QByteArray("@a$")
        << QStringList{"非选择题 第 1 题 题面：含有字符“€”（U+20AC），试卷的文字编码 GBK "
                       "无法保存这个字符"};
    // Found last, told first: a question's findings follow its page.
    QTest::newRow("findings in the page's order")
        << QByteArray("0 0 1\n0\n@\x80$") << QByteArray("@$")
        << QStringList{"非选择题 第 1 题 题面：含有字符“€”（U+20AC），试卷的文字编码 GBK "
                       "无法保存这个字符",
                       "非选择题 第 1 题 分数：为 0", "非选择题 第 1 题 答案：参考答案为空"};
#else
    // GB18030's four-byte "₩" reads, but GBK, what Windows reads it as, has no such character.
    QTest::newRow("character the paper's encoding cannot carry")
        << QByteArray("0 0 1\n1\n@\x81\x36\xb2\x39$") << QByteArray("@a$")
        << QStringList{"非选择题 第 1 题 题面：含有字符“₩”（U+20A9），试卷的文字编码 GBK "
                       "无法保存这个字符"};
    // Found last, told first: a question's findings follow its page.
    QTest::newRow("findings in the page's order")
        << QByteArray("0 0 1\n0\n@\x81\x36\xb2\x39$") << QByteArray("@$")
        << QStringList{"非选择题 第 1 题 题面：含有字符“₩”（U+20A9），试卷的文字编码 GBK "
                       "无法保存这个字符",
                       "非选择题 第 1 题 分数：为 0", "非选择题 第 1 题 答案：参考答案为空"};
#endif
    // A UTF-8 paper, whatever the local encoding (an ASCII one would take it).
    QTest::newRow("text too long to save")
        << QByteArray("0 0 1\n1\n@题$") << "@" + QByteArray(kMaxTextBytes, 'x') + "$"
        << QStringList{"非选择题 第 1 题 答案：太长：试卷文件中的一段文字须少于 100000 字节"
                       "（按试卷的文字编码 UTF-8 计算）"};
    QTest::newRow("byte-order marks, nothing beyond the counts")
        << QByteArray("\xEF\xBB\xBF"
                      "1 0 0\r\n1\r\n@q$\r\n")
        << QByteArray("\xEF\xBB\xBF"
                      "1\r\n")
        << QStringList();
    QTest::newRow("records beyond the counts")
        << QByteArray("1 0 0\r\n1\r\n@q$\r\n2\r\n@extra$\r\n3\r\n@extra 2$\r\n")
        << QByteArray("1\r\n2\r\n@free$\r\n")
        << QStringList{"problem.prb：题目数量之外还有 2 道题的记录：打开试卷时不会读入，"
                       "qv_make 保存时会丢掉它们",
                       "answer.ans：题目数量之外还有 2 个答案记录：打开试卷时不会读入，"
                       "qv_make 保存时会丢掉它们"};
}

void TestPaperTool::check_finds_what_to_mend()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, findings);
    const std::vector<QString> found = check_paper(read_pair(problem, answer));
    QCOMPARE(QStringList(found.begin(), found.end()), findings);
}

void TestPaperTool::check_prints_counts_and_total_and_exits_by_findings()
{
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("problem.prb"), kSoundProblem));
    QVERIFY(write_file(dir.filePath("answer.ans"), kSoundAnswer));
    Run run = run_tool({"check", dir.path()});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QStringLiteral("单选题数量：1  多选题数量：1  非选择题数量：1\n"
                                     "试卷总分确认：16.00 分\n"));

    QVERIFY(write_file(dir.filePath("answer.ans"), "0\r\n5\r\n@见讲义。$\r\n"));
    run = run_tool({"check", dir.path()});
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.startsWith(QStringLiteral("单选题 第 1 题 答案：没有选定答案\n")));

    // A folder that is no paper is refused by every command that reads one.
    QVERIFY(QFile::remove(dir.filePath("answer.ans")));
    for (const QStringList &command :
         {QStringList{"check", dir.path()}, QStringList{"print", dir.path()},
          QStringList{"export", dir.path(), "--to", "gift"}}) {
        run = run_tool(command);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err.trimmed(), QStringLiteral("qv_paper：所选择的文件夹下缺少answer.ans文件"));
    }
}

void TestPaperTool::check_and_export_tell_a_save_cut_short_between_the_replacements()
{
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("problem.prb"), "0 0 0"));
    QVERIFY(write_file(dir.filePath("answer.ans"), ""));
    // The save gets as far as a new problem.prb beside the old answer.ans.
    storage_testing::set_fault_hook([](storage_testing::Step step, const QString &path) {
        return step == storage_testing::Step::Replace && path.endsWith(QLatin1String("answer.ans"));
    });
    const PaperError failed = replace_paper_files({dir.filePath("problem.prb"), kSoundProblem},
                                                  {dir.filePath("answer.ans"), kSoundAnswer});
    storage_testing::set_fault_hook({});
    QCOMPARE(failed.what, PaperError::What::SaveHalfDone);

    const Run check = run_tool({"check", dir.path()});
    QCOMPARE(check.status, 1);
    QVERIFY2(
        check.out.startsWith(QStringLiteral("上次保存被中断：problem.prb 已经是新的，answer.ans "
                                            "还是原来的，两个文件不配套；新的 answer.ans 完整地"
                                            "保存在 ")) &&
            check.out.contains(QDir::toNativeSeparators(dir.filePath("answer.ans.qv_make-"))),
        qPrintable(check.out));
    // A mixed pair is never exported as a paper.
    const Run exported = run_tool({"export", dir.path(), "--to", "gift"});
    QCOMPARE(exported.status, 2);
    QVERIFY2(
        exported.err.contains(QStringLiteral("用 qv_make 打开这份试卷时确认，即可完成这次保存")),
        qPrintable(exported.err));
    QVERIFY(exported.out.isEmpty());
}

void TestPaperTool::printed_paper_keeps_every_text_verbatim_data()
{
    QTest::addColumn<bool>("answers");
    QTest::newRow("questions only") << false;
    QTest::newRow("with the answer key") << true;
}

void TestPaperTool::printed_paper_keeps_every_text_verbatim()
{
    QFETCH(bool, answers);
    PaperOnDisk disk =
        read_pair("1 1 1\n2\n@<b>粗体</b> & 1<2$\n4 1.5\n@哪些？\n  A. 甲$\n10\n@证明。$",
                  "2\n5\n@参考答案\n第二行$");
    const QString html =
        QString::fromUtf8(paper_html(disk.paper, {QStringLiteral("期中 <数学>"), answers}));
    for (const char *text :
         {"<h1>期中 &lt;数学&gt;</h1>", "共 3 题，满分 16 分", "一、单选题（共 1 题，计 2 分）",
          "&lt;b&gt;粗体&lt;/b&gt; &amp; 1&lt;2", "哪些？\n  A. 甲",
          "三、非选择题（共 1 题，计 10 分）", "1.（10 分）"})
        QVERIFY2(html.contains(QString::fromUtf8(text)), text);
    QVERIFY(html.contains(QLatin1String("white-space: pre-wrap")));
    for (const char *key :
         {"1. B", "1. AC（全部选对得 4 分，少选得 1.5 分，选错不得分）", "参考答案\n第二行"})
        QCOMPARE(html.contains(QString::fromUtf8(key)), answers);
}

void TestPaperTool::printed_questions_and_keys_number_from_one_in_each_section()
{
    const PaperOnDisk disk = read_pair("2 2 2\n2\n@单一$\n3\n@单二$\n4 2\n@多一$\n5 2\n@多二$\n"
                                       "6\n@简一$\n7\n@简二$\n",
                                       "1\n2\n3\n6\n@答一$\n@答二$\n");
    const QString html = QString::fromUtf8(paper_html(disk.paper, {QStringLiteral("卷"), true}));
    QStringList numbers;
    const QRegularExpression numbered(
        QStringLiteral("<p class=\"(?:number|key)\">(\\d+)\\.[^<]*</p>(?:<[^>]*>)*(单|多|简)?"));
    for (auto match = numbered.globalMatch(html); match.hasNext();) {
        const QRegularExpressionMatch next = match.next();
        numbers << next.captured(1) + next.captured(2);
    }
    QCOMPARE(numbers.join(' '), QStringLiteral("1单 2单 1多 2多 1简 2简 1 2 1 2 1 2"));
}

void TestPaperTool::pdf_is_a_valid_document_with_the_chinese_text()
{
    PaperOnDisk disk = read_pair(kSoundProblem, kSoundAnswer);
    PrintError error;
    const QByteArray pdf = paper_pdf(disk.paper, {QStringLiteral("期中考试"), true}, &error);
    QVERIFY2(pdf.startsWith("%PDF-1.") && pdf.trimmed().endsWith("%%EOF"),
             qPrintable(print_message(error)));
#ifdef Q_OS_WIN
    QSKIP("pdftotext reads the text layer on Linux only");
#endif
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) is part of the test set-up");

    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("paper.pdf"), pdf));
    QProcess process;
    process.start(pdftotext, {dir.filePath("paper.pdf"), "-"});
    QVERIFY(process.waitForFinished(kChildPatienceMs));
    QCOMPARE(process.exitCode(), 0);
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    // The font draws "见" and "⻅" with one glyph, and the text layer may name
    // either: look for characters that have one reading only.
    for (const char *expected :
         {"期中考试", "哪些是偶数？", "证明之。", "写出步骤。", "讲义。", "AC"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    // The answer key starts on a page of its own; each page ends with its number.
    QVERIFY(text.indexOf(QChar('\f')) < text.indexOf(QStringLiteral("答案")));
    const QStringList pages = text.split(QChar('\f'), Qt::SkipEmptyParts);
    QVERIFY(pages.size() >= 2);
    for (int page = 0; page < pages.size(); ++page)
        QCOMPARE(pages[page].trimmed().section(QLatin1Char('\n'), -1), QString::number(page + 1));
    // Latin letters and digits are set in the Chinese face too, not in a
    // default face beside it: every font embedded is a CJK one.
    const QRegularExpression base_font(QStringLiteral("/BaseFont\\s*/([^\\s/>]+)"));
    int fonts = 0;
    for (auto match = base_font.globalMatch(QString::fromLatin1(pdf.constData(), pdf.size()));
         match.hasNext(); ++fonts) {
        const QString font = match.next().captured(1);
        QVERIFY2(font.contains(QLatin1String("CJK")), qPrintable(font));
    }
    QVERIFY(fonts > 0);
    // A viewer's title bar and document properties name the paper and qv_paper.
    process.start(QStandardPaths::findExecutable(QStringLiteral("pdfinfo")),
                  {dir.filePath("paper.pdf")});
    QVERIFY(process.waitForFinished(kChildPatienceMs));
    const QString info = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("^Title: +期中考试$"),
                                              QRegularExpression::MultilineOption)) &&
                 info.contains(QRegularExpression(QStringLiteral("^Creator: +qv_paper$"),
                                                  QRegularExpression::MultilineOption)),
             qPrintable(info));
}

// A variant's folder written whole but for the record of its save, which
// could not be removed: said, and the variants after it are written too.
void TestPaperTool::variants_whose_save_record_stays_are_all_written_and_told()
{
    QTemporaryDir dir;
    const QStringList targets = variant_folders(dir.filePath("AB"), 3);
    storage_testing::set_fault_hook([](storage_testing::Step step, const QString &) {
        return step == storage_testing::Step::RemoveRecord;
    });
    const VariantsMade made = write_variants(shuffled_paper(), 7, targets);
    storage_testing::set_fault_hook({});
    QVERIFY2(made.error.isEmpty(), qPrintable(made.error));
    QCOMPARE(made.status(), kAttention);
    for (const QString &target : targets) {
        QVERIFY(QFileInfo::exists(target + "/problem.prb"));
        QVERIFY(QFileInfo::exists(target + "/answer.ans"));
        const QString told =
            QFileInfo(target).fileName() + QStringLiteral("：试卷已经保存，但无法删除记录");
        QVERIFY2(made.notes.join('\n').contains(told), qPrintable(made.notes.join('\n')));
    }
}

// A layout's numbers hold to about 10000 pages: a paper well past them
// (600000 lines) is refused, said so, and no PDF is written, never one whose
// pages come out garbled.
void TestPaperTool::pdf_longer_than_its_pages_can_number_is_refused()
{
    QByteArray lines;
    for (int line = 0; line < 120000; ++line)
        lines += "x\r\n";
    QByteArray problem = "0 0 5\r\n";
    for (int question = 0; question < 5; ++question)
        problem += "1\r\n@" + lines + "x$\r\n";
    QTemporaryDir dir;
    const QString paper = dir.filePath("paper");
    QVERIFY(QDir().mkpath(paper));
    QVERIFY(write_file(paper + "/problem.prb", problem));
    QVERIFY(write_file(paper + "/answer.ans", "@a$\r\n@a$\r\n@a$\r\n@a$\r\n@a$\r\n"));
    const QString pdf = dir.filePath("paper.pdf");
    const Run run = run_tool({"print", paper, "-o", pdf});
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err.trimmed(),
             QStringLiteral("qv_paper：试卷太长，无法排成一份 PDF（超过约 10000 页）。"));
    QVERIFY(!QFileInfo::exists(pdf));
}

// Without a font for Chinese, Qt would leave every Chinese character out of
// the PDF and say nothing: the teacher would print a paper of blanks. Asked
// first; with --force it is made, and the teacher told what it lacks.
void TestPaperTool::pdf_is_refused_where_no_font_shows_chinese_data()
{
    QTest::addColumn<bool>("fonts");
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("said"); // a part of what is said; empty: nothing
    QTest::newRow("with fonts") << true << false << 0 << true << QString();
    QTest::newRow("with fonts, forced") << true << true << 0 << true << QString();
    QTest::newRow("without") << false << false << 1 << false << QStringLiteral("请加 --force");
    QTest::newRow("without, forced")
        << false << true << 1 << true << QStringLiteral("PDF 已生成，但其中的中文全部缺失");
}

void TestPaperTool::pdf_is_refused_where_no_font_shows_chinese()
{
#ifndef Q_OS_UNIX
    QSKIP("the fonts are chosen by fontconfig on Linux only");
#endif
    QFETCH(bool, fonts);
    QFETCH(bool, force);
    QFETCH(int, status);
    QFETCH(bool, written);
    QFETCH(QString, said);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("fonts")));
    // A font set-up that finds no font at all.
    QVERIFY(write_file(dir.filePath("fonts.conf"),
                       "<?xml version=\"1.0\"?>\n<fontconfig><dir>" +
                           dir.filePath("fonts").toUtf8() + "</dir><cachedir>" +
                           dir.filePath("cache").toUtf8() + "</cachedir></fontconfig>\n"));
    const QString paper = dir.filePath("期中");
    QVERIFY(QDir().mkpath(paper));
    QVERIFY(write_file(paper + "/problem.prb", kSoundProblem));
    QVERIFY(write_file(paper + "/answer.ans", kSoundAnswer));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!fonts)
        environment.insert("FONTCONFIG_FILE", dir.filePath("fonts.conf"));
    process.setProcessEnvironment(environment);
    const QString pdf = dir.filePath("paper.pdf");
    QStringList arguments{"print", paper, "-o", pdf};
    if (force)
        arguments.append("--force");
    process.start(QStringLiteral(QV_PAPER_PROGRAM), arguments);
    QVERIFY(process.waitForFinished(kChildPatienceMs));
    const QString told = console_text(process.readAllStandardError());
    QCOMPARE(process.exitCode(), status);
    QCOMPARE(QFileInfo::exists(pdf), written);
    if (said.isEmpty())
        QVERIFY2(told.isEmpty(), qPrintable(told));
    else
        QVERIFY2(told.contains(said) && told.contains(QStringLiteral("fonts-noto-cjk")),
                 qPrintable(told));
}

void TestPaperTool::never_writes_into_a_paper_folder_unasked_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<QString>("written");
    QTest::newRow("print") << QStringList{"print", "PAPER", "-o", "PAPER/paper.html"}
                           << "paper.html";
    QTest::newRow("export") << QStringList{"export", "PAPER", "--to",
                                           "gift",   "-o",    "PAPER/paper.gift"}
                            << "paper.gift";
    QTest::newRow("import over a paper")
        << QStringList{"import", "OTHER/in.gift", "--from", "gift", "-o", "PAPER"} << "problem.prb";
}

void TestPaperTool::never_writes_into_a_paper_folder_unasked()
{
    QFETCH(QStringList, command);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("paper") && QDir(dir.path()).mkpath("other"));
    const QString paper = dir.filePath("paper");
    QVERIFY(write_file(paper + "/problem.prb", kSoundProblem));
    QVERIFY(write_file(paper + "/answer.ans", kSoundAnswer));
    QVERIFY(write_file(dir.filePath("other/in.gift"), "::n:: 今天星期几？{=一 ~二}\n"));
    command.replaceInStrings("PAPER", paper).replaceInStrings("OTHER", dir.filePath("other"));

    Run run = run_tool(command);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(QStringLiteral("--force")), qPrintable(run.err));
    QCOMPARE(file_bytes(paper + "/problem.prb"), kSoundProblem);
    QCOMPARE(QDir(paper).entryList(QDir::Files), QStringList({"answer.ans", "problem.prb"}));

    // What a write of this program killed part-way left goes; the teacher's own files stay.
    QVERIFY(write_file(paper + '/' + written + ".qv_make-Ab12Cd", "left by a killed write"));
    QVERIFY(write_file(paper + '/' + written + ".bak", "the teacher's"));
    run = run_tool(command << "--force");
    QCOMPARE(run.status, 0);
    QVERIFY(file_bytes(paper + '/' + written).size() > 0);
    QStringList expected{"answer.ans", "problem.prb", written, written + ".bak"};
    expected.removeDuplicates();
    expected.sort();
    QCOMPARE(QDir(paper).entryList(QDir::Files | QDir::Hidden), expected);
}

void TestPaperTool::import_reports_what_it_left_out_and_writes_a_paper_qv_make_reads()
{
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("in.gift"), "// 第一题\n::甲::1+1=?{=2 ~3}\n\n"
                                                "::乙::圆周率？{#3.14:0.01}\n\n"
                                                "简述。{}\n"));
    const Run run = run_tool({"import", dir.filePath("in.gift"), "--from", "gift", "-o",
                              dir.filePath("new paper"), "--score", "2,4,10000"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QStringLiteral("第 4 行")), qPrintable(run.err));
    PaperOnDisk disk = read_pair(file_bytes(dir.filePath("new paper/problem.prb")),
                                 file_bytes(dir.filePath("new paper/answer.ans")));
    QCOMPARE(int(disk.paper.onech.size()), 1);
    QCOMPARE(disk.paper.onech[0].problem, QStringLiteral("1+1=?\nA. 2\nB. 3"));
    QCOMPARE(disk.paper.onech[0].answer, 1);
    QCOMPARE(disk.paper.onech[0].score, 2.0);
    QCOMPARE(int(disk.paper.unch.size()), 1);
    QCOMPARE(disk.paper.unch[0].score, 10000.0);
}

// Hostile and unusual files among them: each must end within generous
// bounds on processor time and memory, far below what the old readers took
// (130 s for nested HTML, 5.7 GB for an entity blow-up).
void TestPaperTool::import_exits_by_what_it_took_and_leaves_nothing_behind_a_failure_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("message"); // a part of the standard error
    QTest::addColumn<int>("lines");       // of the standard error, at most
    QTest::addColumn<bool>("blocked");    // a file stands where the new folder's parent would

    const QByteArray numerical = "Born?{#1822:5}\n\n";
    QTest::newRow("as it is") << QByteArray("Q{=a ~b}") << "gift" << 0 << true << "" << 0 << false;
    QTest::newRow("changed") << QByteArray("Q{=a ~%50%b}") << "gift" << 1 << true
                             << "第 1 行的题目有改动：选项 B 在平台上得 50% 的分" << 1 << false;
    QTest::newRow("nothing to take")
        << numerical << "gift" << 2 << false << "文件中没有可以导入的题目" << 2 << false;
    QTest::newRow("too long to save") << "Q{}\n// 参考答案：" + QByteArray(120000, 'x') << "gift"
                                      << 2 << false << "qv_paper：" << 5 << false;
    QTest::newRow("twenty thousand skipped")
        << "Q{=a ~b}\n\n" + numerical.repeated(20000) << "gift" << 1 << true
        << "qv_paper：另有 19900 道题略过" << 101 << false;
    QTest::newRow("as many as a paper holds")
        << QByteArray("Q{=a ~b}\n\n").repeated(10000) << "gift" << 0 << true << "" << 0 << false;
    QTest::newRow("one more than a paper holds")
        << QByteArray("Q{=a ~b}\n\n").repeated(10001) << "gift" << 1 << true
        << "略过第 20001 行的题目：试卷的单选题已有 10000 道，放不下了" << 1 << false;
    QTest::newRow("NUL byte") << QByteArray("Q{=a ~b}\n\nR{=a\0 ~b}\n\nS{=a ~b}", 29) << "gift" << 2
                              << false << "第 3 行有一个空字节" << 1 << false;
    QTest::newRow("nested HTML") << "[html]" + QByteArray("<div>").repeated(180000) + "{=a ~b}"
                                 << "gift" << 2 << false << "HTML 元素嵌套超过" << 2 << false;
    QTest::newRow("flat HTML, a megabyte")
        << "[html]" + QByteArray("<span><b></b></span>").repeated(50000) + "题{}"
        << "gift" << 0 << true << "" << 0 << false;
    QTest::newRow("nested XML") << "<quiz>" + QByteArray("<a>").repeated(75000) << "moodle-xml" << 2
                                << false << "嵌套超过 100 层" << 1 << false;
    QTest::newRow("entity blow-up")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE quiz [<!ENTITY a \"aaaaaaaaaa\">"
                      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                      "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                      "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
                      "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
                      "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">]>"
                      "<quiz><question type=\"essay\"><questiontext><text>&g;&g;&g;&g;&g;"
                      "</text></questiontext></question></quiz>")
        << "moodle-xml" << 2 << false << "实体" << 1 << false;
    // Word and Excel files: the zip and its XML refused before they cost
    // what they claim.
    const QByteArray paragraph = "<w:p><w:r><w:t>1．甲</w:t></w:r></w:p>";
    const QByteArray word_head =
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:body>";
    QTest::newRow("Word, a zip bomb")
        << word_file(word_head + QByteArray(1 << 20, ' '), 20) << "docx" << 2 << false
        << "解压后超过 16 MB（word/document.xml），为安全起见不予导入" << 1 << false;
    QTest::newRow("Word, a DTD") << word_file("<!DOCTYPE w [<!ENTITY a \"aa\">]>" + word_head +
                                              paragraph)
                                 << "docx" << 2 << false
                                 << "word/document.xml 第 1 行有文档类型声明" << 1 << false;
    QTest::newRow("Word, nested too deep")
        << word_file(word_head + QByteArray("<w:sdt>").repeated(10000)) << "docx" << 2 << false
        << "XML 元素嵌套超过 200 层" << 1 << false;
    QTest::newRow("Word, broken") << word_file(word_head + paragraph).left(60) << "docx" << 2
                                  << false << "文件已经损坏" << 1 << false;
    QTest::newRow("Word, ten thousand and one parts") <<
        [] {
            QVector<QPair<QString, QByteArray>> parts;
            for (int i = 0; i <= 10000; ++i)
                parts.append({QStringLiteral("p%1").arg(i), QByteArray("x")});
            return zip_of(parts);
        }() << "docx" << 2 << false << "压缩包中的文件超过 10000 个"
                                                      << 1 << false;
    QTest::newRow("Excel, a million rows declared")
        << excel_file("<worksheet><dimension ref=\"A1:A1000000\"/><sheetData>"
                      "<row r=\"1000000\"><c r=\"A1000000\" t=\"inlineStr\"><is><t>x</t></is>"
                      "</c></row></sheetData></worksheet>")
        << "xlsx" << 2 << false << "超过 100000 行" << 1 << false;
    QTest::newRow("Excel, a merge over the whole sheet")
        << excel_file("<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is>"
                      "<t>题干</t></is></c></row></sheetData><mergeCells><mergeCell "
                      "ref=\"A1:XFD1048576\"/></mergeCells></worksheet>")
        << "xlsx" << 2 << false << "没有可以导入的题目" << 2 << false;
    QTest::newRow("text, NUL byte") << QByteArray("1．甲\n2．乙\0\n", 17) << "text" << 2 << false
                                    << "第 2 行有一个空字节" << 1 << false;
    // Qt's reader compares attributes pairwise: 200000 took minutes.
    QTest::newRow("Moodle XML, an element of 200000 attributes") <<
        [] {
            QByteArray quiz = "<quiz>\n<question";
            for (int i = 0; i < 200000; ++i)
                quiz += " a" + QByteArray::number(i) + "=\"1\"";
            return quiz + "/></quiz>";
        }() << "moodle-xml" << 2 << false << "第 2 行：一个 XML 元素有超过 256 个属性"
                                                                 << 1 << false;
    QTest::newRow("Word, an element of 200000 attributes") <<
        [&] {
            QByteArray crowded = "<w:p";
            for (int i = 0; i < 200000; ++i)
                crowded += " a" + QByteArray::number(i) + "=\"1\"";
            return word_file(word_head + crowded + "/>");
        }() << "docx" << 2 << false << "word/document.xml 第 1 行：一个 XML 元素有超过 256 个属性"
                                                           << 1 << false;
    QTest::newRow("folder that cannot be made")
        << QByteArray("Q{=a ~b}") << "gift" << 2 << false << "无法建立文件夹" << 1 << true;
}

void TestPaperTool::import_exits_by_what_it_took_and_leaves_nothing_behind_a_failure()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, format);
    QFETCH(int, status);
    QFETCH(bool, written);
    QFETCH(QString, message);
    QFETCH(int, lines);
    QFETCH(bool, blocked);

    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("in"), file));
    if (blocked)
        QVERIFY(write_file(dir.filePath("new"), "a teacher's file"));
    const QString paper = dir.filePath("new/paper");
    const Run run = run_tool({"import", dir.filePath("in"), "--from", format, "-o", paper},
                             QString(), Limits::Bounded);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message), qPrintable(run.err.left(2000)));
    QVERIFY2(run.err.count('\n') <= lines, qPrintable(run.err.left(2000)));
    QCOMPARE(QFile::exists(paper + "/problem.prb"), written);
    QCOMPARE(QFile::exists(dir.filePath("new")), written || blocked);
    QCOMPARE(QFileInfo(dir.filePath("new")).isFile(), blocked);
}

void TestPaperTool::import_that_cannot_write_takes_back_the_folders_it_made()
{
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("in.gift"), "Q{=a ~b}"));
    storage_testing::set_fault_hook([](storage_testing::Step step, const QString &) {
        return step == storage_testing::Step::WriteTemporary;
    });
    const int status = run_paper_tool({"qv_paper", "import", dir.filePath("in.gift"), "--from",
                                       "gift", "-o", dir.filePath("new/paper")});
    storage_testing::set_fault_hook({});
    QCOMPARE(status, 2);
    QVERIFY(!QFile::exists(dir.filePath("new")));
    QVERIFY(QFile::exists(dir.filePath("in.gift")));
}

void TestPaperTool::usage_errors_fail_with_a_message_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("told"); // the first line; the second points to the help
    const auto row = [](const char *name, const QStringList &arguments, const char *told) {
        QTest::newRow(name) << arguments << QString::fromUtf8(told);
    };
    row("nothing", {}, "缺少命令");
    row("unknown command", {"grade", "x"}, "没有“grade”这个命令");
    row("no folder", {"check"}, "缺少参数");
    row("two folders", {"print", "a", "b"}, "多余的参数：b");
    row("unknown format", {"export", "x", "--to", "word"},
        "--to 须为 gift、moodle-xml、text、docx 或 xlsx");
    row("title for a text export", {"export", "x", "--to", "text", "--title", "t"},
        "--title 只用于 --to docx");
    row("answers for a gift export", {"export", "x", "--to", "gift", "--answers"},
        "--answers 只用于 --to docx");
    row("key only for moodle", {"export", "x", "--to", "moodle-xml", "--key-only"},
        "--key-only 只用于 --to docx");
    row("answers and key only", {"export", "x", "--to", "docx", "--answers", "--key-only"},
        "--answers 和 --key-only 只能选一个");
    row("unknown import format", {"import", "x", "--from", "doc", "-o", "y"},
        "--from 须为 docx、xlsx、csv、text、gift 或 moodle-xml");
    row("import without -o", {"import", "x", "--from", "gift"}, "须用 -o 给出新试卷的文件夹");
    row("score of three decimals", {"import", "x", "--from", "gift", "-o", "y", "--score", "0.125"},
        "--score 须为 0 到 10000 之间、至多两位小数的分数，一个或三个（以逗号分隔）");
    row("print to .doc", {"print", "x", "-o", "x.doc"}, "输出文件须以 .html 或 .pdf 结尾：x.doc");
    row("print to a file without suffix", {"print", "x", "-o", "x"},
        "输出文件须以 .html 或 .pdf 结尾：x");
    row("unknown option", {"check", "--frobnicate", "x"}, "未知选项“frobnicate”。");
    row("unknown option before the command", {"--frobnicate", "check", "x"},
        "未知选项“frobnicate”。");
    row("an unknown option alone", {"--frobnicate"}, "未知选项“frobnicate”。");
    row("variants without -n", {"variants", "x", "-o", "y"}, "须用 -n 给出份数");
    for (const char *count : {"0", "27", "x", "-1", "2.5", ""})
        row(qPrintable(QStringLiteral("variants -n \"%1\"").arg(count)),
            {"variants", "x", "-n", count, "-o", "y"}, "-n 须为 1 到 26 之间的整数");
    for (const char *seed : {"-1", "x", "1e3", "18446744073709551616", " 5", ""})
        row(qPrintable(QStringLiteral("variants --seed \"%1\"").arg(seed)),
            {"variants", "x", "-n", "2", "--seed", seed, "-o", "y"},
            "--seed 须为 0 到 18446744073709551615 之间的整数");
    row("variants without -o", {"variants", "x", "-n", "2"}, "须用 -o 给出放各份试卷的文件夹");
}

void TestPaperTool::usage_errors_fail_with_a_message()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, told);
    const Run run = run_tool(arguments);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err.section(QLatin1Char('\n'), 0, 0), QStringLiteral("qv_paper：") + told);
    QVERIFY(run.out.isEmpty());
}

void TestPaperTool::each_commands_help_names_what_it_works_on_and_its_version_is_the_programs()
{
    for (const auto &[command, named] :
         {std::pair{"check", "试卷文件夹"}, std::pair{"print", "试卷文件夹"},
          std::pair{"export", "试卷文件夹"}, std::pair{"import", "要导入的文件"},
          std::pair{"variants", "试卷文件夹"}}) {
        const Run help = run_tool({command, "--help"});
        QCOMPARE(help.status, 0);
        QVERIFY2(help.out.contains(QString::fromUtf8(named)), qPrintable(help.out));
        const Run version = run_tool({command, "--version"});
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out.trimmed(), QStringLiteral("qv_paper " QV_VERSION));
    }
    QVERIFY(run_tool({"import", "--help"}).out.contains(QLatin1String("--score")));
    QVERIFY(run_tool({"variants", "--help"}).out.contains(QLatin1String("--seed")));
    // The program's own help lists the commands.
    const Run help = run_tool({"--help"});
    QCOMPARE(help.status, 0);
    for (const char *command :
         {"\n  check 文件夹", "\n  print 文件夹", "\n  export 文件夹", "\n  import 文件",
          "\n  variants 文件夹 -n 份数 [--seed 种子] -o 文件夹  打乱题目和选项，做出 A、B 卷"})
        QVERIFY2(help.out.contains(QString::fromUtf8(command)), qPrintable(help.out));
}

// The document's own text, to find the title and the key in.
QString word_body(const QString &path)
{
    ExchangeError error;
    const auto zip = ZipArchive::open(file_bytes(path), error);
    return zip ? QString::fromUtf8(zip->read(kWordBody, error).value_or(QByteArray())) : QString();
}

void TestPaperTool::export_to_word_titles_the_paper_and_adds_the_key()
{
    QTemporaryDir dir;
    const QString paper = dir.filePath(QStringLiteral("高一期中"));
    QVERIFY(QDir().mkpath(paper));
    QVERIFY(write_file(paper + "/problem.prb", kSoundProblem));
    QVERIFY(write_file(paper + "/answer.ans", kSoundAnswer));
    const QString docx = dir.filePath(QStringLiteral("试卷.docx"));
    // Only the key brings the answers back; the multiple-choice question,
    // whose options its text does not lay out, reads back without them.
    const auto export_with = [&](const QStringList &options, const QString &told = QString()) {
        QFile::remove(docx);
        const Run run =
            run_tool(QStringList{"export", paper, "--to", "docx", "-o", docx} + options);
        QCOMPARE(run.status, told.isEmpty() ? 0 : 1);
        QVERIFY2(run.err.startsWith(told) && (told.isEmpty() == run.err.isEmpty()),
                 qPrintable(run.err));
        QVERIFY2(word_package_faults(file_bytes(docx)).isEmpty(),
                 qPrintable(word_package_faults(file_bytes(docx)).join('\n')));
    };
    export_with({});
    QVERIFY(word_body(docx).contains(QStringLiteral(">高一期中<")));
    QVERIFY(!word_body(docx).contains(QStringLiteral("参考答案")));
    export_with({"--title", "期中测试", "--answers"},
                QStringLiteral("qv_paper：多选题 1 写成 Word 文档后读回会不同"));
    QVERIFY(word_body(docx).contains(QStringLiteral(">期中测试<")));
    QVERIFY(word_body(docx).contains(QStringLiteral("参考答案")));
    QVERIFY(word_body(docx).contains(QStringLiteral("班级")));
    export_with({"--key-only"});
    QVERIFY(word_body(docx).contains(QStringLiteral("参考答案")));
    QVERIFY(!word_body(docx).contains(QStringLiteral("班级")));
}

void TestPaperTool::export_names_the_questions_that_would_read_back_differently_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("named"); // the questions told, in order; none: done
    // The multiple choice lays out no options, and the free answer has a
    // score in its text.
    QTest::newRow("text") << QStringList{"--to", "text"}
                          << QStringList{"多选题 1 写成文本后读回会不同",
                                         "非选择题 1 写成文本后读回会不同"};
    QTest::newRow("Excel") << QStringList{"--to", "xlsx"}
                           << QStringList{"非选择题 1 写成 Excel 表格后读回会不同"};
    QTest::newRow("Word with its key") << QStringList{"--to", "docx", "--answers"}
                                       << QStringList{"多选题 1 写成 Word 文档后读回会不同",
                                                      "非选择题 1 写成 Word 文档后读回会不同"};
    // Without the key, nothing brings the answers back to compare.
    QTest::newRow("Word without its key") << QStringList{"--to", "docx"} << QStringList();
    QTest::newRow("GIFT") << QStringList{"--to", "gift"} << QStringList();
    QTest::newRow("Moodle XML") << QStringList{"--to", "moodle-xml"} << QStringList();
}

// An export is written whole; the questions an import of it would read
// otherwise are named, and the exit status asks the teacher to look.
void TestPaperTool::export_names_the_questions_that_would_read_back_differently()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, named);
    QTemporaryDir dir;
    const QString paper = dir.filePath("paper");
    QVERIFY(QDir().mkpath(paper));
    QVERIFY(write_file(paper + "/problem.prb",
                       QByteArray(kSoundProblem).replace("证明之。", "证明之（5分）。")));
    QVERIFY(write_file(paper + "/answer.ans", kSoundAnswer));
    const QString exported = dir.filePath("exported");
    const Run run = run_tool(QStringList{"export", paper, "-o", exported} + options);
    QCOMPARE(run.status, named.isEmpty() ? 0 : 1);
    const QStringList told = run.err.split(QRegularExpression("\\r?\\n"), Qt::SkipEmptyParts);
    QCOMPARE(told.size(), named.size());
    for (int i = 0; i < named.size(); ++i)
        QVERIFY2(told[i].startsWith(QStringLiteral("qv_paper：") + named[i]), qPrintable(run.err));
    QVERIFY(!file_bytes(exported).isEmpty());
}

// A file where B卷's folder would go: the failure names B卷.
void TestPaperTool::variants_name_the_paper_they_could_not_write()
{
    QTemporaryDir dir;
    const QString paper = dir.filePath("paper");
    QVERIFY(write_paper(paper, shuffled_paper()));
    QVERIFY(QDir().mkpath(dir.filePath("out")));
    QVERIFY(write_file(dir.filePath("out/B卷"), "not a folder"));
    const Run run =
        run_tool({"variants", paper, "-n", "2", "--seed", "1", "-o", dir.filePath("out")});
    QCOMPARE(run.status, kFailed);
    QVERIFY2(run.err.startsWith(QStringLiteral("qv_paper：B卷没有写出：")), qPrintable(run.err));
}

void TestPaperTool::the_shipped_templates_are_what_export_writes_and_read_back_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("text") << "text"
                          << "试题模板.txt" << QStringList();
    QTest::newRow("Excel") << "xlsx"
                           << "试题模板.xlsx" << QStringList();
    // A Word paper brings its keys back only with them written in.
    QTest::newRow("Word") << "docx"
                          << "试题模板.docx" << QStringList{"--answers", "--title", "单元测验"};
}

// The templates under docs/templates are the sample questions' paper as the
// export writes it today, and reading one back gives that paper again.
void TestPaperTool::the_shipped_templates_are_what_export_writes_and_read_back()
{
    QFETCH(QString, format);
    QFETCH(QString, file);
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    const QString sample = QStringLiteral(QV_SOURCE_DIR "/docs/sample-questions.gift");
    QCOMPARE(run_tool({"import", sample, "-o", dir.filePath("paper"), "--score", "2,4,10"}).status,
             1);
    const Run exported = run_tool(
        QStringList{"export", dir.filePath("paper"), "--to", format, "-o", dir.filePath(file)} +
        options);
    QCOMPARE(exported.status, 0);
    const QByteArray shipped = file_bytes(QStringLiteral(QV_SOURCE_DIR "/docs/templates/") + file);
    QVERIFY(!shipped.isEmpty());
    QVERIFY2(file_bytes(dir.filePath(file)) == shipped, "run scripts/templates.sh");
    const Run read = run_tool({"import", dir.filePath(file), "-o", dir.filePath("again")});
    QCOMPARE(read.status, 0);
    QCOMPARE(file_bytes(dir.filePath("again/problem.prb")),
             file_bytes(dir.filePath("paper/problem.prb")));
    QCOMPARE(file_bytes(dir.filePath("again/answer.ans")),
             file_bytes(dir.filePath("paper/answer.ans")));
}

// LibreOffice, as a teacher's spreadsheet program, reads the Excel export as
// the rows of the paper: every text as it is (markup, a line break, spaces
// and tabs inside, what looks like Excel's escapes), the scores as numbers.
void TestPaperTool::libreoffice_reads_the_excel_export_as_the_paper()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        QSKIP("soffice (LibreOffice Calc) is not on PATH");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("paper"));
    const QByteArray problem =
        "1 1 1\r\n2.5\r\n@a < b & \"c\"？\r\nA. _x000D_\r\nB. 两  个\t空白$\r\n"
        "4.25 1.75\r\n@哪些是偶数？（表见下页）$\r\n"
        "10\r\n@证明之。\r\n写出步骤。$\r\n";
    const QByteArray answer = "2\r\n5\r\n@见讲义。\r\n第 2 页$\r\n";
    QVERIFY(write_file(dir.filePath("paper/problem.prb"), problem) &&
            write_file(dir.filePath("paper/answer.ans"), answer));
    const Run exported =
        run_tool({"export", dir.filePath("paper"), "--to", "xlsx", "-o", dir.filePath("t.xlsx")});
    QCOMPARE(exported.status, 0);
    QVERIFY2(exported.err.isEmpty(), qPrintable(exported.err));

    // Its own profile, in a folder it may write; UTF-8, comma-separated.
    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    office.setProcessEnvironment(environment);
    office.start(soffice,
                 {QStringLiteral("-env:UserInstallation=") +
                      QUrl::fromLocalFile(dir.filePath("profile")).toString(),
                  "--headless", "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1",
                  "--outdir", dir.filePath("csv"), dir.filePath("t.xlsx")});
    // A first start of LibreOffice makes its profile: far longer than a conversion.
    if (!office.waitForFinished(90000)) {
        office.kill();
        office.waitForFinished();
        QFAIL("soffice did not finish");
    }
    const QByteArray told = office.readAll();
    QVERIFY2(office.exitStatus() == QProcess::NormalExit && office.exitCode() == 0,
             told.constData());
    const QByteArray csv = file_bytes(dir.filePath("csv/t.csv"));
    QVERIFY2(!csv.isEmpty(), told.constData());

    QStringList rows;
    for (const SourceSheet::Row &row : read_csv(QString::fromUtf8(csv)).rows) {
        QStringList cells(row.cells.begin(), row.cells.end());
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        rows.append(cells.join(u'|'));
    }
    QCOMPARE(rows, QStringList({
                       "题型|题干|选项A|选项B|选项C|选项D|选项E|选项F|答案|分值|部分得分|解析",
                       "单选题|a < b & \"c\"？|_x000D_|两  个\t空白|||||B|2.5",
                       "多选题|哪些是偶数？（表见下页）|A|B|C||||AC|4.25|1.75",
                       "简答题|证明之。\n写出步骤。|||||||见讲义。\n第 2 页|10",
                   }));
}

void TestPaperTool::import_of_a_text_file_previews_or_writes_by_its_exit_status_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // a line the standard output holds
    QTest::addColumn<QString>("err"); // a line the standard error holds

    const QByteArray clean = "一、单选题（每小题2分）\n1．甲（B）\nA．a\nB．b\n";
    QTest::newRow("clean") << clean << false << 0 << ""
                           << "";
    QTest::newRow("clean, previewed")
        << clean << true << 0 << "单选题\t1\tB\t2\t—\t甲（ ） A. a B. b\t第 2 行（一、第 1 题）\t"
        << "";
    QTest::newRow("a free answer, previewed")
        << QByteArray("五、简答题（每小题10分）\n1．证明勾股定理。\n【答案】略\n") << true << 0
        << "非选择题\t1\t—\t10\t—\t证明勾股定理。\t第 2 行（五、第 1 题）\t"
        << "";
    QTest::newRow("a question left out")
        << clean + "2．乙\nA．a\nB．b\n"
        << false << 1 << ""
        << "qv_paper：略过第 5 行（一、第 2 题）的题目：没有找到答案";
    QTest::newRow("left out, previewed")
        << clean + "2．乙\nA．a\nB．b\n"
        << true << 1 << "略过\t\t\t\t\t\t第 5 行（一、第 2 题）\t没有找到答案"
        << "";
    QTest::newRow("an analysis dropped")
        << clean + "【解析】因为。\n"
        << false << 1 << ""
        << "qv_paper：1 道选择题的解析没有导入：试卷的选择题没有放解析的地方";
    // Reading GBK is said, but changes no question.
    QTest::newRow("GBK") << QByteArray("1\xa3\xae\xbc\xd7\n") << false << 0 << ""
                         << "按 GB18030 读取";
    QTest::newRow("nothing to take") << QByteArray("只有说明文字。\n") << false << 2 << ""
                                     << "第 1 行的题目：没有题号、选项或答案，不像是题目";
    QTest::newRow("nothing to take, previewed")
        << QByteArray("只有说明文字。\n") << true << 2
        << "略过\t\t\t\t\t\t第 1 行\t没有题号、选项或答案，不像是题目"
        << "";
    // Excel on Chinese Windows saves CSV in GBK with CR LF.
    QTest::newRow("CSV in GBK")
        << QTextCodec::codecForName("GBK")->fromUnicode(
               QStringLiteral("题型,题干,选项A,选项B,正确答案,分值\r\n单选题,甲,a,b,B,3\r\n"))
        << true << 0 << "单选题\t1\tB\t3\t—\t甲 A. a B. b\t第 2 行\t"
        << "";
    QTest::newRow("Excel as LibreOffice writes it")
        << file_bytes(QStringLiteral(QV_SOURCE_DIR "/tests/data/questions-libreoffice.xlsx"))
        << true << 1
        << "多选题\t1\tAB\t4\t2\t下列哪些数是偶数？ A. 2 B. 4 C. 5…\t工作表“s”第 3 行\t"
        << "工作表“s”第 4 行的题目有改动：判断题改成了单选题";
    // Numbered by Word's own numbering, the first question's options in a
    // table, the second's key marked only by colour.
    QTest::newRow("Word as LibreOffice writes it")
        << file_bytes(QStringLiteral(QV_SOURCE_DIR "/tests/data/questions-libreoffice.docx"))
        << true << 1
        << "单选题\t2\tB\t2\t—\t地球绕太阳一周约需（ ） A. 一天 B. 一年…\t第 7 段（一、第 2 题）\t"
           "没有写出答案，答案 B 取自标了颜色或突出显示的选项"
        << "";
    QTest::newRow("old Word")
        << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1W\0o\0r\0d\0D\0o\0c\0u\0m\0e\0n\0t\0", 32)
        << false << 2 << ""
        << "请在 Word 中另存为 .docx 后再导入";
}

void TestPaperTool::import_of_a_text_file_previews_or_writes_by_its_exit_status()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, preview);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("in.txt"), file));
    QStringList arguments{"import", dir.filePath("in.txt"), "-o", dir.filePath("paper")};
    if (preview)
        arguments.append("--preview");
    const Run run = run_tool(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(out.isEmpty() || run.out.split('\n').contains(out), qPrintable(run.out));
    QVERIFY2(err.isEmpty() || run.err.contains(err), qPrintable(run.err));
    // A preview, and an import that takes nothing, write nothing.
    QCOMPARE(QFileInfo::exists(dir.filePath("paper")), !preview && status != 2);
}

void TestPaperTool::variants_writes_a_paper_folder_for_each_and_tells_its_seed()
{
    QTemporaryDir dir;
    const QString paper = dir.filePath("期中");
    QVERIFY(write_paper(paper, shuffled_paper()));
    const PaperOnDisk original = read_folder_pair(paper);
    const QString out = dir.filePath("AB卷");
    const Run run = run_tool({"variants", paper, "-n", "3", "-o", out});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    const QRegularExpression seed_line(
        QStringLiteral("^种子：(\\d+)（加上 --seed (\\d+) 可以再做出同样的几份）\n$"));
    const QRegularExpressionMatch match = seed_line.match(run.out);
    QVERIFY2(match.hasMatch() && match.captured(1) == match.captured(2), qPrintable(run.out));
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({"A卷", "B卷", "C卷"}));
    QSet<QByteArray> problems{original.problem};
    for (const char *name : {"A卷", "B卷", "C卷"}) {
        const QString variant = out + '/' + QString::fromUtf8(name);
        QCOMPARE(QDir(variant).entryList(QDir::Files), QStringList({"answer.ans", "problem.prb"}));
        // An ordinary paper: the reader takes it and the check finds nothing.
        PaperOnDisk disk;
        QVERIFY(!read_paper_folder(variant, disk).failed());
        QVERIFY(check_paper(disk).empty());
        QCOMPARE(disk.paper.onech.size(), original.paper.onech.size());
        QCOMPARE(disk.paper.somech.size(), original.paper.somech.size());
        QCOMPARE(disk.paper.unch.size(), original.paper.unch.size());
        QCOMPARE(paper_total_line(disk.paper), paper_total_line(original.paper));
        for (const ChoiceQuestion &question : disk.paper.onech)
            QVERIFY2(question.problem.endsWith(QStringLiteral("\nD. 以上都不对")),
                     qPrintable(question.problem));
        problems.insert(disk.problem);
    }
    QCOMPARE(problems.size(), 4);

    // The seed makes the same papers again, and is not told when given.
    const Run again = run_tool(
        {"variants", paper, "-n", "3", "--seed", match.captured(1), "-o", dir.filePath("again")});
    QCOMPARE(again.status, 0);
    QVERIFY(again.out.isEmpty() && again.err.isEmpty());
    for (const char *name : {"A卷", "B卷", "C卷"}) {
        for (const char *file : {"problem.prb", "answer.ans"}) {
            const QString path = QString::fromUtf8(name) + '/' + QString::fromUtf8(file);
            QCOMPARE(file_bytes(dir.filePath("again/" + path)), file_bytes(out + '/' + path));
        }
    }
}

void TestPaperTool::variants_names_what_it_could_not_shuffle_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("told"); // lines of the standard error, in order

    QTest::newRow("options not laid out")
        << QByteArray("1 0 0\r\n2\r\n@见下图，正确的是（　）$\r\n") << QByteArray("2\r\n") << 1
        << QStringList{
               "qv_paper：A卷 单选题 第 1 题（原卷第 1 题）的选项没有打乱：题面中没有从"
               "“A.”起依次排出的选项",
               "qv_paper：B卷 单选题 第 1 题（原卷第 1 题）的选项没有打乱：题面中没有从"
               "“A.”起依次排出的选项",
               "qv_paper：A卷与原卷相同：试卷的题目和选项太少，打乱不出与原卷不同的试卷",
               "qv_paper：B卷与原卷相同：试卷的题目和选项太少，打乱不出这么多份互不相同的试卷"};
    QTest::newRow("one question of each kind, the options staying")
        << QByteArray("1 1 1\r\n2\r\n@甲\r\nA. 乙\r\nB. 以上都对$\r\n4 2\r\n@丙\r\nA. 以上都对\r\n"
                      "B. 以上都不对$\r\n10\r\n@丁$\r\n")
        << QByteArray("1\r\n3\r\n@戊$\r\n") << 1
        << QStringList{
               "qv_paper：A卷与原卷相同：试卷的题目和选项太少，打乱不出与原卷不同的试卷",
               "qv_paper：B卷与原卷相同：试卷的题目和选项太少，打乱不出这么多份互不相同的试卷"};
    QTest::newRow("no question") << QByteArray("0 0 0\r\n") << QByteArray() << 2
                                 << QStringList{"qv_paper：试卷中没有题目，没有做出试卷"};
}

void TestPaperTool::variants_names_what_it_could_not_shuffle()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answer);
    QFETCH(int, status);
    QFETCH(QStringList, told);
    QTemporaryDir dir;
    QVERIFY(write_file(dir.filePath("problem.prb"), problem));
    QVERIFY(write_file(dir.filePath("answer.ans"), answer));
    const Run run =
        run_tool({"variants", dir.path(), "-n", "2", "--seed", "5", "-o", dir.filePath("out")});
    QCOMPARE(run.status, status);
    QCOMPARE(run.err.split('\n', Qt::SkipEmptyParts), told);
    QVERIFY(run.out.isEmpty());
    if (status == 2) {
        QVERIFY(!QFileInfo::exists(dir.filePath("out")));
        return;
    }
    // The paper as it was, written in the local encoding (GBK under Wine).
    const PaperData original = read_pair(problem, answer).paper;
    for (const char *name : {"A卷", "B卷"}) {
        const PaperData variant =
            read_folder_pair(dir.filePath("out/") + QString::fromUtf8(name)).paper;
        QCOMPARE(variant.onech.size(), original.onech.size());
        QCOMPARE(variant.somech.size(), original.somech.size());
        QCOMPARE(variant.unch.size(), original.unch.size());
        for (size_t i = 0; i < original.onech.size(); ++i) {
            QCOMPARE(variant.onech[i].problem, original.onech[i].problem);
            QCOMPARE(variant.onech[i].answer, original.onech[i].answer);
        }
        for (size_t i = 0; i < original.somech.size(); ++i) {
            QCOMPARE(variant.somech[i].problem, original.somech[i].problem);
            QCOMPARE(variant.somech[i].answer, original.somech[i].answer);
            QCOMPARE(variant.somech[i].partial_score, original.somech[i].partial_score);
        }
        for (size_t i = 0; i < original.unch.size(); ++i) {
            QCOMPARE(variant.unch[i].problem, original.unch[i].problem);
            QCOMPARE(variant.unch[i].answer, original.unch[i].answer);
        }
    }
}

void TestPaperTool::variants_never_writes_into_a_paper_folder_unasked()
{
    QTemporaryDir dir;
    const QString paper = dir.filePath("paper");
    QVERIFY(write_paper(paper, shuffled_paper()));
    // A B卷 already there, or the paper's own folder as the output.
    QVERIFY(write_paper(dir.filePath("out/B卷"), PaperData{{}, {}, {{5, "旧", "旧"}}, nullptr}));
    const QByteArray old_problem = file_bytes(dir.filePath("out/B卷/problem.prb"));
    for (const QString &out : {dir.filePath("out"), paper}) {
        const Run run = run_tool({"variants", paper, "-n", "2", "-o", out});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QStringLiteral("--force")), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }
    QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({"B卷"}));
    QCOMPARE(QDir(paper).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({"answer.ans", "problem.prb"}));
    QCOMPARE(file_bytes(dir.filePath("out/B卷/problem.prb")), old_problem);
    // One variant asked: B卷 is none of its business.
    QCOMPARE(run_tool({"variants", paper, "-n", "1", "-o", dir.filePath("out")}).status, 0);
    QCOMPARE(file_bytes(dir.filePath("out/B卷/problem.prb")), old_problem);

    const Run forced =
        run_tool({"variants", paper, "-n", "2", "-o", dir.filePath("out"), "--force"});
    QCOMPARE(forced.status, 0);
    QCOMPARE(read_folder_pair(dir.filePath("out/B卷")).paper.onech.size(), size_t(4));
    QStringList left = QDir(dir.filePath("out/B卷")).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList({"answer.ans", "problem.prb"}));
}

QTEST_MAIN(TestPaperTool)
#include "test_paper_tool.moc"
