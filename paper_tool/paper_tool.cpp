#include "paper_tool/paper_tool.h"

#include "exchange/exchange.h"
#include "exchange/question_file.h"
#include "paper/paper_commands.h"
#include "paper/paper_messages.h"
#include "paper_tool/paper_check.h"
#include "paper_tool/paper_folder.h"
#include "paper_tool/paper_outputs.h"
#include "paper_tool/paper_print.h"
#include "paper_tool/paper_tool_messages.h"
#include "paper_tool/question_import.h"
#include "paper_tool/variant_folders.h"
#include "resources/resources.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cstdio>
#include <new>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace
{

void print_to(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

void say(const QString &line)
{
    print_to(stdout, line + QLatin1Char('\n'));
}

int fail(const QString &message)
{
    print_to(stderr, QStringLiteral("qv_paper：%1\n").arg(message));
    return kFailed;
}

bool write_to_stdout(const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) ==
               size_t(bytes.size()) &&
           std::fflush(stdout) == 0;
}

// Writes to `path`, or to the standard output when it is empty.
int deliver(const QString &path, const QByteArray &bytes, bool force)
{
    if (path.isEmpty())
        return write_to_stdout(bytes) ? kDone : fail(QStringLiteral("无法写入标准输出"));
    const QString error = save_file(path, bytes, force);
    return error.isEmpty() ? kDone : fail(error);
}

// The lines kept of a kind, then how many more there were: a bank of a
// million questions must not bury the terminal.
template <typename Item, typename Line>
void report(const std::vector<Item> &items, size_t count, Line line, const QString &more)
{
    for (const Item &item : items)
        print_to(stderr, QStringLiteral("qv_paper：") + line(item) + QLatin1Char('\n'));
    if (count > items.size())
        print_to(stderr,
                 QStringLiteral("qv_paper：") + more.arg(count - items.size()) + QLatin1Char('\n'));
}

void report_import(const ImportResult &result)
{
    if (!result.encoding.isEmpty())
        print_to(stderr, QStringLiteral("qv_paper：%1\n").arg(result.encoding));
    for (const QString &note : result.notes)
        print_to(stderr, QStringLiteral("qv_paper：%1\n").arg(note));
    report(
        result.skipped, result.skipped_count,
        [](const ImportSkip &skip) {
            return QStringLiteral("略过%1的题目：%2").arg(skip.position, skip.reason);
        },
        QStringLiteral("另有 %1 道题略过"));
    report(
        result.changed, result.changed_count,
        [](const ImportChange &change) {
            return QStringLiteral("%1的题目有改动：%2").arg(change.position, change.what);
        },
        QStringLiteral("另有 %1 处改动"));
}

class Command
{
  public:
    Command(const QString &name, const QString &description) : name_(name)
    {
        parser_.setApplicationDescription(description);
        parser_.addHelpOption();
        parser_.addVersionOption();
    }

    QCommandLineParser &parser() { return parser_; }

    // Parses the whole command line; a usage error or --help/--version
    // decides the exit status at once.
    std::optional<int> parse(const QStringList &arguments, int positionals)
    {
        QStringList without_command = arguments;
        without_command.removeAt(arguments.indexOf(name_, 1));
        if (!parser_.parse(without_command))
            return usage_error(parser_.errorText());
        if (parser_.isSet(QStringLiteral("help"))) {
            print_to(stdout, parser_.helpText());
            return kDone;
        }
        if (parser_.isSet(QStringLiteral("version"))) {
            say(QStringLiteral("qv_paper %1").arg(QCoreApplication::applicationVersion()));
            return kDone;
        }
        if (parser_.positionalArguments().size() != positionals)
            return usage_error(parser_.positionalArguments().size() < positionals
                                   ? QStringLiteral("缺少参数")
                                   : QStringLiteral("多余的参数：%1")
                                         .arg(parser_.positionalArguments()
                                                  .mid(positionals)
                                                  .join(QLatin1Char(' '))));
        return std::nullopt;
    }

    int usage_error(const QString &what)
    {
        return fail(QStringLiteral("%1\n用法见“qv_paper %2 --help”").arg(what, name_));
    }

    QString argument(int index) const { return parser_.positionalArguments().at(index); }

  private:
    QString name_;
    QCommandLineParser parser_;
};

const QCommandLineOption kForce(QStringLiteral("force"),
                                QStringLiteral("也写入已有试卷文件的文件夹。"));

QCommandLineOption output_option(const QString &description, const QString &value)
{
    return QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")}, description, value);
}

int run_check(const QStringList &arguments)
{
    Command command(QStringLiteral("check"),
                    QStringLiteral("检查试卷：逐条列出需要改正的地方，再列出题目数量和总分。\n"
                                   "退出状态：0 没有问题，1 有问题，2 无法读取试卷。"));
    command.parser().addPositionalArgument(QStringLiteral("文件夹"), QStringLiteral("试卷文件夹"));
    if (const auto done = command.parse(arguments, 1))
        return *done;
    const FolderCheck check = check_folder(command.argument(0));
    if (!check.interrupted.isEmpty()) {
        say(check.interrupted);
        return check.status();
    }
    if (!check.error.isEmpty())
        return fail(check.error);
    for (const PaperFinding &finding : check.findings)
        say(finding.line());
    say(check.counts);
    say(check.total);
    return check.status();
}

int run_print(const QStringList &arguments)
{
    Command command(QStringLiteral("print"),
                    QStringLiteral("把整份试卷排成可打印的文档（HTML 或 PDF），可附答案。\n"
                                   "不给 -o 时把 HTML 写到标准输出。"));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("文件夹"), QStringLiteral("试卷文件夹"));
    const QCommandLineOption answers(QStringLiteral("answers"),
                                     QStringLiteral("在试题之后附上答案。"));
    // --force here also makes a PDF where no font shows Chinese.
    const QCommandLineOption output = output_option(
        QStringLiteral("写入文件，按扩展名 .html 或 .pdf 决定格式。"), QStringLiteral("文件"));
    parser.addOptions({answers, output, kForce});
    if (const auto done = command.parse(arguments, 1))
        return *done;
    const QString path = parser.value(output);
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool pdf = suffix == QLatin1String("pdf");
    if (!path.isEmpty() && !pdf && suffix != QLatin1String("html") &&
        suffix != QLatin1String("htm"))
        return command.usage_error(QStringLiteral("输出文件须以 .html 或 .pdf 结尾：%1").arg(path));
    PaperOnDisk disk;
    QString error;
    if (!read_folder(command.argument(0), disk, error))
        return fail(error);
    // Qt would leave out every Chinese character without a word: asked
    // first, and then told.
    const bool forced = parser.isSet(kForce);
    const bool without_chinese = pdf && !chinese_font_installed();
    if (without_chinese && !forced) {
        print_to(stderr, QStringLiteral("qv_paper：%1\n").arg(no_chinese_font_refusal()));
        return kAttention;
    }
    const PrintOptions options{folder_title(command.argument(0)), parser.isSet(answers), forced};
    const PaperOutput printed =
        print_paper(disk.paper, options, pdf ? PrintFormat::Pdf : PrintFormat::Html);
    if (!printed.error.isEmpty())
        return fail(printed.error);
    const int delivered = deliver(path, printed.bytes, forced);
    if (delivered != kDone || !without_chinese)
        return delivered;
    print_to(stderr, QStringLiteral("qv_paper：%1\n").arg(no_chinese_font_warning()));
    return kAttention;
}

// What goes into a Word document: the paper, with its key, or the key alone.
DocxContents docx_contents(bool answers, bool key_only)
{
    if (key_only)
        return DocxContents::KeyOnly;
    return answers ? DocxContents::PaperAndKey : DocxContents::Paper;
}

int run_export(const QStringList &arguments)
{
    Command command(QStringLiteral("export"),
                    QStringLiteral("把试卷导出为学习平台能导入的格式（gift 或 moodle-xml），"
                                   "教师能用记事本编辑、再导入的文本（text），"
                                   "能编辑、打印的 Word 文档（docx），"
                                   "或者考试系统批量导入模板那样一题一行的 Excel 表格（xlsx）。\n"
                                   "不给 -o 时写到标准输出。"));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("文件夹"), QStringLiteral("试卷文件夹"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("格式：gift、moodle-xml、text、docx 或 xlsx。"),
                                QStringLiteral("格式"));
    const QCommandLineOption output =
        output_option(QStringLiteral("写入文件。"), QStringLiteral("文件"));
    const QCommandLineOption title(QStringLiteral("title"),
                                   QStringLiteral("Word 文档的标题，默认为文件夹名（仅 docx）。"),
                                   QStringLiteral("标题"));
    const QCommandLineOption answers(QStringLiteral("answers"),
                                     QStringLiteral("在试题之后另起一页附上参考答案（仅 docx）。"));
    const QCommandLineOption key_only(QStringLiteral("key-only"),
                                      QStringLiteral("只写参考答案（仅 docx）。"));
    parser.addOptions({to, output, title, answers, key_only, kForce});
    if (const auto done = command.parse(arguments, 1))
        return *done;
    const auto format = export_format_named(parser.value(to));
    if (!format)
        return command.usage_error(
            QStringLiteral("--to 须为 gift、moodle-xml、text、docx 或 xlsx"));
    for (const QCommandLineOption *docx_only : {&title, &answers, &key_only}) {
        const QString name = docx_only->names().front();
        if (*format != ExportFormat::Docx && parser.isSet(name))
            return command.usage_error(QStringLiteral("--%1 只用于 --to docx").arg(name));
    }
    if (parser.isSet(answers) && parser.isSet(key_only))
        return command.usage_error(QStringLiteral("--answers 和 --key-only 只能选一个"));
    PaperOnDisk disk;
    QString error;
    if (!read_folder(command.argument(0), disk, error))
        return fail(error);
    const QString named = parser.value(title);
    const PaperOutput exported = export_paper(
        disk.paper, {*format, named.isEmpty() ? folder_title(command.argument(0)) : named,
                     docx_contents(parser.isSet(answers), parser.isSet(key_only))});
    if (!exported.error.isEmpty())
        return fail(exported.error);
    const QByteArray &bytes = exported.bytes;
    const QStringList &differences = exported.differences;
    const int delivered = deliver(parser.value(output), bytes, parser.isSet(kForce));
    if (delivered != kDone)
        return delivered;
    for (const QString &difference : differences)
        print_to(stderr, QStringLiteral("qv_paper：%1\n").arg(difference));
    return differences.isEmpty() ? kDone : kAttention;
}

// The questions as they would go into the paper, then those left out; the
// cells separated by tabs.
void print_preview(const ImportResult &result)
{
    say(QStringLiteral("类型\t题号\t答案\t分值\t部分得分\t题目\t位置\t说明"));
    for (const PreviewRow &row : preview_rows(result))
        say(QStringList{row.skipped ? QStringLiteral("略过") : row.kind, row.number, row.key,
                        row.score, row.partial_score, row.words, row.position, row.notes}
                .join(QLatin1Char('\t')));
    say(paper_counts_line(result.paper));
    say(paper_total_line(result.paper));
}

int run_import(const QStringList &arguments)
{
    Command command(
        QStringLiteral("import"),
        QStringLiteral("把题目文件导入为一份新试卷：Word（.docx）、Excel（.xlsx）、CSV、"
                       "文本（.txt）、gift 或 moodle-xml，格式由文件内容判断。\n"
                       "退出状态：0 全部照原样导入，1 有题目被略过或有改动（见标准错误），"
                       "2 失败或没有题目可导入。"));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("文件"), QStringLiteral("要导入的文件"));
    const QCommandLineOption from(
        QStringLiteral("from"),
        QStringLiteral("不按内容判断，指定格式：docx、xlsx、csv、text、gift 或 moodle-xml。"),
        QStringLiteral("格式"));
    const QCommandLineOption output =
        output_option(QStringLiteral("新试卷的文件夹（没有则新建）。"), QStringLiteral("文件夹"));
    const QCommandLineOption score(
        QStringLiteral("score"),
        QStringLiteral(
            "文件没有给出分数的题目的分数：一个数用于各类题，或“单选,多选,非选择”三个数。"
            "默认为 1。"),
        QStringLiteral("分数"), QStringLiteral("1"));
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QStringLiteral("只列出认出的题目（类型、题号、答案、分值、开头的文字、说明），不写试卷。"));
    parser.addOptions({from, output, score, preview, kForce});
    if (const auto done = command.parse(arguments, 1))
        return *done;
    std::optional<ImportFormat> format = ImportFormat::Auto;
    if (parser.isSet(from)) {
        format = import_format_named(parser.value(from));
        if (!format)
            return command.usage_error(
                QStringLiteral("--from 须为 docx、xlsx、csv、text、gift 或 moodle-xml"));
    }
    const QString folder = parser.value(output);
    if (folder.isEmpty() && !parser.isSet(preview))
        return command.usage_error(QStringLiteral("须用 -o 给出新试卷的文件夹"));
    const auto scores = parse_scores(parser.value(score));
    if (!scores)
        return command.usage_error(QStringLiteral(
            "--score 须为 0 到 10000 之间、至多两位小数的分数，一个或三个（以逗号分隔）"));
    if (!parser.isSet(preview) && !parser.isSet(kForce) && folder_holds_paper_files(folder))
        return fail(refuse_paper_folder(folder));

    const FileImport import = import_question_path(command.argument(0), *format, *scores);
    if (!import.error.isEmpty())
        return fail(import.error);
    const ImportResult &result = import.result;
    report_import(result);
    const int status = import.status();
    if (parser.isSet(preview)) {
        print_preview(result);
        return status;
    }
    if (status == kFailed)
        return fail(QStringLiteral("文件中没有可以导入的题目，没有写出试卷"));
    const PaperError written = write_paper_folder(folder, result.paper);
    if (!saved_whole(written))
        return fail(paper_message(written));
    if (!written.failed())
        return status;
    // Written whole; only the record of the save stays, and the teacher is told.
    print_to(stderr, QStringLiteral("qv_paper：%1\n").arg(paper_message(written)));
    return kAttention;
}

int run_variants(const QStringList &arguments)
{
    Command command(
        QStringLiteral("variants"),
        QStringLiteral("防止考场抄袭的 A、B 卷：同一份试卷，每类题目换一个顺序，选择题的选项也打乱"
                       "（“以上都对”之类留在最后），答案随选项一起变，分数随题目一起走。"
                       "各份试卷写进 -o 文件夹下的“A卷”“B卷”……\n"
                       "同一个种子在任何电脑上都做出同样的几份；不给 --seed 时随机取一个，"
                       "写到标准输出。\n"
                       "退出状态：0 做好，1 做好但有题目的选项没有打乱或有两份相同（见标准错误），"
                       "2 失败。"));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("文件夹"), QStringLiteral("试卷文件夹"));
    const QCommandLineOption count(QStringLiteral("n"), QStringLiteral("做几份：1 到 26。"),
                                   QStringLiteral("份数"));
    const QCommandLineOption seed_option(
        QStringLiteral("seed"), QStringLiteral("种子（非负整数）：同一个种子做出同样的几份。"),
        QStringLiteral("种子"));
    const QCommandLineOption output =
        output_option(QStringLiteral("放各份试卷的文件夹（没有则新建），其中写出“A卷”“B卷”……"),
                      QStringLiteral("文件夹"));
    parser.addOptions({count, seed_option, output, kForce});
    if (const auto done = command.parse(arguments, 1))
        return *done;
    if (!parser.isSet(count))
        return command.usage_error(QStringLiteral("须用 -n 给出份数"));
    bool ok = false;
    const int variants = parser.value(count).toInt(&ok);
    if (!ok || variants < 1 || variants > kMaxVariants)
        return command.usage_error(QStringLiteral("-n 须为 1 到 %1 之间的整数").arg(kMaxVariants));
    std::optional<quint64> seed;
    if (parser.isSet(seed_option)) {
        seed = parse_seed(parser.value(seed_option));
        if (!seed)
            return command.usage_error(
                QStringLiteral("--seed 须为 0 到 18446744073709551615 之间的整数"));
    }
    const QString folder = parser.value(output);
    if (folder.isEmpty())
        return command.usage_error(QStringLiteral("须用 -o 给出放各份试卷的文件夹"));
    const QStringList targets = variant_folders(folder, variants);
    if (!parser.isSet(kForce)) {
        for (const QString &target : QStringList{folder} + targets) {
            if (folder_holds_paper_files(target))
                return fail(refuse_paper_folder(target));
        }
    }

    PaperOnDisk disk;
    QString error;
    if (!read_folder(command.argument(0), disk, error))
        return fail(error);
    const QString refusal = variants_refusal(disk.paper);
    if (!refusal.isEmpty())
        return fail(refusal);
    if (!seed) {
        seed = QRandomGenerator::global()->generate64();
        say(QStringLiteral("种子：%1（加上 --seed %1 可以再做出同样的几份）").arg(*seed));
    }
    const VariantsMade made = write_variants(disk.paper, *seed, targets);
    for (const QString &note : made.notes)
        print_to(stderr, QStringLiteral("qv_paper：%1\n").arg(note));
    if (!made.error.isEmpty())
        return fail(made.error);
    return made.status();
}

int run_without_command(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "qv_paper：整份试卷一起处理。\n\n"
        "命令：\n"
        "  check 文件夹                          检查试卷\n"
        "  print 文件夹 [--answers] [-o 文件]     排印试卷（HTML 或 PDF）\n"
        "  export 文件夹 --to 格式 [-o 文件]      导出为 gift、moodle-xml、文本、Word 或 Excel\n"
        "  import 文件 -o 文件夹                  从 Word、Excel、CSV、文本、gift 或\n"
        "                                        moodle-xml 文件导入\n"
        "  variants 文件夹 -n 份数 [--seed 种子] -o 文件夹  打乱题目和选项，做出 A、B 卷\n\n"
        "各命令的选项见“qv_paper 命令 --help”。"));
    parser.addHelpOption();
    parser.addVersionOption();
    if (!parser.parse(arguments))
        return fail(parser.errorText() + QStringLiteral("\n用法见“qv_paper --help”"));
    if (parser.isSet(QStringLiteral("version"))) {
        say(QStringLiteral("qv_paper %1").arg(QCoreApplication::applicationVersion()));
        return kDone;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        print_to(stdout, parser.helpText());
        return kDone;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("没有“%1”这个命令\n用法见“qv_paper --help”")
                        .arg(parser.positionalArguments().first()));
    return fail(QStringLiteral("缺少命令\n用法见“qv_paper --help”"));
}

QString command_of(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(QLatin1Char('-')))
            return arguments[i];
    }
    return QString();
}

int dispatch(const QStringList &arguments)
{
    const QString command = command_of(arguments);
    if (command == QLatin1String("check"))
        return run_check(arguments);
    if (command == QLatin1String("print"))
        return run_print(arguments);
    if (command == QLatin1String("export"))
        return run_export(arguments);
    if (command == QLatin1String("import"))
        return run_import(arguments);
    if (command == QLatin1String("variants"))
        return run_variants(arguments);
    return run_without_command(arguments);
}

} // namespace

int run_paper_tool(const QStringList &arguments)
{
    install_toolkit_translation();
    try {
        return dispatch(arguments);
    } catch (const std::bad_alloc &) {
        return fail(QStringLiteral("内存不足"));
    }
}
