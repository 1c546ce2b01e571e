#include "paper/paper_commands.h"

#include "paper/paper_files.h"
#include "paper/paper_model.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace
{

const char *const kProblemFileName = "problem.prb";
const char *const kAnswerFileName = "answer.ans";

// A digest of the model in file form as it stood when the open paper's files
// were last read or written. File form, so that hand-made files that differ
// only in white space or in digits beyond the written precision do not count
// as changes; a digest, so that a large paper is not held twice.
QByteArray saved_paper_digest;

QByteArray digest_of(const QByteArray &problem, const QByteArray &answer)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(problem.size()) + ':'); // where one file ends
    hash.addData(problem);
    hash.addData(answer);
    return hash.result();
}

QByteArray digest_of_model()
{
    QByteArray problem;
    QByteArray answer;
    write_problem_file(problem);
    write_answer_file(answer);
    return digest_of(problem, answer);
}

QString file_in(const QString &folder, const char *file_name)
{
    return folder + QLatin1Char('/') + QLatin1String(file_name);
}

QString shown_path(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

CommandOutcome failure(const QString &message)
{
    return {false, message};
}

CommandOutcome missing_file(const char *file_name)
{
    return failure(QStringLiteral("所选择的文件夹下缺少%1文件").arg(QLatin1String(file_name)));
}

// Returns false when the file cannot be opened for reading.
bool read_whole_file(const QString &path, QByteArray &bytes, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // A file is read whole, and a QByteArray holds less than 2 GiB. No paper a
    // teacher writes comes near 1 GiB (30000 questions of 35 KB of text each).
    const qint64 kLargestPaperFile = qint64(1) << 30;
    if (file.size() > kLargestPaperFile) {
        error = QStringLiteral("%1 太大，不是一份试卷文件。").arg(shown_path(path));
        return true;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        error = QStringLiteral("无法读取试卷文件 %1：%2").arg(shown_path(path), file.errorString());
    return true;
}

QString save_error(const QString &path, const QString &reason)
{
    return QStringLiteral("无法保存 %1：%2\n原来的试卷文件没有改动。")
        .arg(shown_path(path), reason);
}

// Qt reports some failed writes (a file grown past the size limit, say) as
// "Unknown error"; the system's own word for it is more use to the teacher.
QString reason_of(const QFileDevice &file, int error_number)
{
    const QString reason = file.errorString();
    if (error_number != 0 && (reason.isEmpty() || reason == QLatin1String("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(error_number));
    return reason;
}

// Both temporary files are written and flushed before the first rename, so a
// failure while writing leaves both old files as they were. QSaveFile removes
// its temporary file whenever it is not committed.
CommandOutcome write_pair(const QString &problem_file, const QByteArray &problem,
                          const QString &answer_file, const QByteArray &answer)
{
    QSaveFile problem_out(problem_file);
    QSaveFile answer_out(answer_file);
    struct Target {
        QSaveFile &file;
        const QByteArray &bytes;
    };
    for (const Target &target : {Target{problem_out, problem}, Target{answer_out, answer}}) {
        errno = 0;
        if (!target.file.open(QIODevice::WriteOnly) ||
            target.file.write(target.bytes) != target.bytes.size() || !target.file.flush()) {
            return failure(save_error(target.file.fileName(), reason_of(target.file, errno)));
        }
    }
    if (!problem_out.commit())
        return failure(save_error(problem_file, problem_out.errorString()));
    if (!answer_out.commit()) {
        return failure(
            QStringLiteral("无法保存 %1：%2\n%3 已经保存，%1 仍是原来的内容，"
                           "请解决问题后再保存一次。")
                .arg(shown_path(answer_file), answer_out.errorString(), shown_path(problem_file)));
    }
    return {};
}

QString open_folder()
{
    return QFileInfo(QFile::decodeName(problem_path)).absolutePath();
}

bool is_open_folder(const QString &folder)
{
    if (problem_path[0] == '\0')
        return false;
    const QString open = QFileInfo(open_folder()).canonicalFilePath();
    return !open.isEmpty() && open == QFileInfo(folder).canonicalFilePath();
}

} // namespace

CommandOutcome open_paper_folder(const QString &folder)
{
    if (!paper_paths_fit(folder))
        return failure(QStringLiteral("所选择的文件夹路径太长，无法打开其中的试卷。"));
    QByteArray problem;
    QByteArray answer;
    QString error;
    if (!read_whole_file(file_in(folder, kProblemFileName), problem, error))
        return missing_file(kProblemFileName);
    if (!read_whole_file(file_in(folder, kAnswerFileName), answer, error))
        return missing_file(kAnswerFileName);
    if (!error.isEmpty())
        return failure(error);

    if (!read_paper(problem, answer, &error))
        return failure(error);
    set_paper_paths(folder); // fits: checked above
    saved_paper_digest = digest_of_model();
    return {};
}

CommandOutcome save_open_paper()
{
    if (const auto text = find_unwritable_text())
        return failure(describe_unwritable_text(*text));
    QByteArray problem;
    QByteArray answer;
    write_problem_file(problem);
    write_answer_file(answer);
    CommandOutcome outcome = write_pair(QFile::decodeName(problem_path), problem,
                                        QFile::decodeName(answer_path), answer);
    if (outcome.ok)
        saved_paper_digest = digest_of(problem, answer);
    return outcome;
}

CommandOutcome create_empty_paper(const QString &folder)
{
    if (!paper_paths_fit(folder))
        return failure(QStringLiteral("所选择的文件夹路径太长，无法在其中新建试卷。"));
    // "0 0 0" without a line break: the smallest pair the readers accept.
    CommandOutcome outcome = write_pair(file_in(folder, kProblemFileName), QByteArray("0 0 0"),
                                        file_in(folder, kAnswerFileName), QByteArray());
    if (outcome.ok && is_open_folder(folder)) {
        // The open paper's own files now hold the empty paper, which the
        // writers would write as its header alone.
        saved_paper_digest = digest_of(QByteArray("0 0 0\r\n"), QByteArray());
    }
    return outcome;
}

bool folder_holds_paper_files(const QString &folder)
{
    return QFileInfo::exists(file_in(folder, kProblemFileName)) ||
           QFileInfo::exists(file_in(folder, kAnswerFileName));
}

void reset_paper_model()
{
    clear_paper_paths();
    somech_count = 0;
    onech_count = 0;
    unch_count = 0;
    somech_current = 0;
    onech_current = 0;
    unch_current = 0;
    paper_codec = nullptr;
    saved_paper_digest.clear();
}

bool paper_has_unsaved_changes()
{
    if (problem_path[0] == '\0')
        return false;
    return digest_of_model() != saved_paper_digest;
}
