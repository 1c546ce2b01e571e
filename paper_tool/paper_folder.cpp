#include "paper_tool/paper_folder.h"

#include "paper/paper_commands.h"
#include "paper/paper_files.h"
#include "paper/paper_messages.h"
#include "paper/paper_storage.h"
#include "paper/paper_writer.h"
#include "paper/work_progress.h"

#include <QDir>
#include <QFileInfo>

namespace
{

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

bool read_folder(const QString &folder, PaperOnDisk &disk, QString &error)
{
    if (!QFileInfo(folder).isDir()) {
        error = QStringLiteral("%1 不是一个文件夹").arg(shown(folder));
        return false;
    }
    const PaperError failed = read_paper_folder(folder, disk);
    error = paper_message(failed);
    return !failed.failed();
}

QString folder_title(const QString &folder)
{
    const QString name = QFileInfo(QDir(folder).absolutePath()).fileName();
    return name.isEmpty() ? QStringLiteral("试卷") : name;
}

QString refuse_paper_folder(const QString &folder)
{
    return QStringLiteral("文件夹 %1 中有试卷文件（%2、%3），qv_paper 不会往其中写入；"
                          "确要写入请加 --force")
        .arg(shown(folder), QLatin1String(kProblemFileName), QLatin1String(kAnswerFileName));
}

QString save_file(const QString &path, const QByteArray &bytes, bool force)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!force && folder_holds_paper_files(folder))
        return refuse_paper_folder(folder);
    work_commit();
    return paper_message(replace_file({path, bytes}));
}

int FolderCheck::status() const
{
    if (!error.isEmpty())
        return kFailed;
    return interrupted.isEmpty() && findings.empty() ? kDone : kAttention;
}

FolderCheck check_folder(const QString &folder)
{
    FolderCheck check;
    // A save cut short is told, and the pair is not read: it may be mixed.
    // Opening the paper in qv_make finishes the save.
    const InterruptedSave interrupted = find_interrupted_save(folder);
    if (interrupted.holds_back_the_pair()) {
        check.interrupted = describe_interrupted_save(interrupted);
        return check;
    }
    PaperOnDisk disk;
    if (!read_folder(folder, disk, check.error))
        return check;
    check.findings = paper_findings(disk);
    check.counts = paper_counts_line(disk.paper);
    check.total = paper_total_line(disk.paper);
    return check;
}

int question_count(const PaperData &paper)
{
    return int(paper.onech.size() + paper.somech.size() + paper.unch.size());
}
