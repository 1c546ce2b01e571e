#include "paper/paper_storage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <optional>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <string>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

const char kTemporaryInfix[] = ".qv_make-";

namespace
{

QString shown_path(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

#ifdef Q_OS_WIN
std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}
#endif

QString not_a_regular_file(const QString &path, const QString &what)
{
    return QStringLiteral("试卷文件 %1 不是普通文件，而是%2，不能作为试卷打开。")
        .arg(shown_path(path), what);
}

QString too_large(const QString &path)
{
    return QStringLiteral("%1 太大，不是一份试卷文件。").arg(shown_path(path));
}

// The teacher reads Chinese: a system error is told in Chinese, with the
// system's own words after it for whoever helps her.
QString told_in_chinese(const QString &chinese, const QString &system_text)
{
    return system_text.isEmpty() || system_text == chinese
               ? chinese
               : QStringLiteral("%1（%2）").arg(chinese, system_text);
}

#ifdef Q_OS_WIN
using SystemError = DWORD;

QString chinese_reason(DWORD error_number)
{
    switch (error_number) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return QStringLiteral("文件或文件夹不存在");
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("没有权限");
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return QStringLiteral("文件正被另一个程序使用");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return QStringLiteral("磁盘空间已满");
    case ERROR_WRITE_PROTECT:
        return QStringLiteral("磁盘有写保护");
    case ERROR_NOT_READY:
        return QStringLiteral("磁盘没有准备好");
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
        return QStringLiteral("读写磁盘时出错");
    case ERROR_FILENAME_EXCED_RANGE:
        return QStringLiteral("文件名太长");
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return QStringLiteral("内存不足");
    default:
        return QStringLiteral("系统错误 %1").arg(error_number);
    }
}

// The system's own wording, in the system's language. The toolkit's
// qt_error_string reads a few Windows codes as C errno values (13, the
// invalid-data code, as "Permission denied").
QString system_text(DWORD error_number)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error_number, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString words =
        length > 0 ? QString::fromWCharArray(text, int(length)).trimmed() : QString();
    LocalFree(text);
    return words;
}

QString system_reason(DWORD error_number)
{
    return told_in_chinese(chinese_reason(error_number), system_text(error_number));
}

bool is_permission_error(DWORD error_number)
{
    return error_number == ERROR_ACCESS_DENIED;
}

// A failure the tests inject is a full disk when writing, a refused
// permission when opening to read.
const DWORD kInjectedError = ERROR_DISK_FULL;
const DWORD kInjectedReadError = ERROR_ACCESS_DENIED;
#else
using SystemError = int;

QString chinese_reason(int error_number)
{
    switch (error_number) {
    case ENOENT:
        return QStringLiteral("文件或文件夹不存在");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case ENOSPC:
        return QStringLiteral("磁盘空间已满");
    case EDQUOT:
        return QStringLiteral("超出了磁盘配额");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case EIO:
        return QStringLiteral("读写磁盘时出错");
    case EISDIR:
        return QStringLiteral("这是一个文件夹");
    case ENOTDIR:
        return QStringLiteral("路径中有一项不是文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("打开的文件太多");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("文件正被使用");
    case EFBIG:
        return QStringLiteral("文件太大");
    case ENOMEM:
        return QStringLiteral("内存不足");
    default:
        return QStringLiteral("系统错误 %1").arg(error_number);
    }
}

QString system_text(int error_number)
{
    return qt_error_string(error_number);
}

QString system_reason(int error_number)
{
    return told_in_chinese(chinese_reason(error_number), system_text(error_number));
}

bool is_permission_error(int error_number)
{
    return error_number == EACCES || error_number == EPERM;
}

const int kInjectedError = ENOSPC;
const int kInjectedReadError = EACCES;
#endif

storage_testing::FaultHook &fault_hook()
{
    static storage_testing::FaultHook hook;
    return hook;
}

bool injected_fault(storage_testing::Step step, const QString &path)
{
    return fault_hook() && fault_hook()(step, path);
}

QString unreadable(const QString &path, const QString &reason)
{
    return QStringLiteral("无法读取试卷文件 %1：%2").arg(shown_path(path), reason);
}

// The permission missing when a file is there but cannot be opened is the
// permission to read.
QString reading_reason(SystemError error_number)
{
    if (!is_permission_error(error_number))
        return system_reason(error_number);
    return told_in_chinese(QStringLiteral("没有读取权限"), system_text(error_number));
}

// Reads to the end, but never more than `limit` + 1 bytes: the size a file
// claims is only a hint (a file may grow while it is read).
bool read_at_most(QFile &file, qint64 limit, QByteArray &bytes)
{
    const qint64 claimed = std::max<qint64>(file.size(), 0);
    bytes.resize(int(std::min(claimed, limit) + 1));
    qint64 got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > limit)
                break;
            bytes.resize(int(std::min<qint64>(qint64(bytes.size()) * 2, limit + 1)));
        }
        const qint64 read = file.read(bytes.data() + got, bytes.size() - got);
        if (read < 0)
            return false;
        if (read == 0)
            break;
        got += read;
    }
    bytes.resize(int(got));
    return true;
}

#ifdef Q_OS_WIN

PaperFileRead open_regular_file(const QString &path, QFile &file, QString &error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = not_a_regular_file(path, info.isDir() ? QStringLiteral("一个文件夹")
                                                      : QStringLiteral("一个特殊文件"));
        return PaperFileRead::Refused;
    }
    if (!info.exists())
        return PaperFileRead::Missing;
    if (injected_fault(storage_testing::Step::OpenForReading, path)) {
        error = unreadable(path, reading_reason(kInjectedReadError));
        return PaperFileRead::Refused;
    }
    const HANDLE handle = CreateFileW(native(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return PaperFileRead::Missing;
        error = unreadable(path, reading_reason(code));
        return PaperFileRead::Refused;
    }
    const int fd = _open_osfhandle(intptr_t(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(handle);
        error = unreadable(path, system_reason(ERROR_NOT_ENOUGH_MEMORY));
        return PaperFileRead::Refused;
    }
    return PaperFileRead::Read;
}

#else

QString kind_of(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("一个文件夹");
    if (S_ISFIFO(mode))
        return QStringLiteral("一个命名管道（FIFO）");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("一个设备");
    if (S_ISSOCK(mode))
        return QStringLiteral("一个套接字");
    return QStringLiteral("一个特殊文件");
}

PaperFileRead open_regular_file(const QString &path, QFile &file, QString &error)
{
    const QByteArray name = QFile::encodeName(path);
    // Without O_NONBLOCK, opening a FIFO for reading waits for a writer.
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 && injected_fault(storage_testing::Step::OpenForReading, path)) {
        ::close(fd);
        fd = -1;
        errno = kInjectedReadError;
    }
    struct stat info;
    if (fd < 0) {
        const int open_error = errno;
        // A socket cannot be opened at all; it is still no missing file.
        if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
            error = not_a_regular_file(path, kind_of(info.st_mode));
            return PaperFileRead::Refused;
        }
        if (open_error == ENOENT || open_error == ENOTDIR)
            return PaperFileRead::Missing;
        // There, but not to be read: a file without read permission, or in a
        // folder that may not be searched.
        error = unreadable(path, reading_reason(open_error));
        return PaperFileRead::Refused;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = not_a_regular_file(path, kind_of(info.st_mode));
        ::close(fd);
        return PaperFileRead::Refused;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = unreadable(path, system_reason(ENOMEM));
        return PaperFileRead::Refused;
    }
    return PaperFileRead::Read;
}

#endif

} // namespace

PaperFileRead read_paper_file(const QString &path, QByteArray &bytes, QString &error)
{
    QFile file;
    const PaperFileRead opened = open_regular_file(path, file, error);
    if (opened != PaperFileRead::Read)
        return opened;
    if (file.size() > kLargestPaperFile) {
        error = too_large(path);
        return PaperFileRead::Refused;
    }
    if (!read_at_most(file, kLargestPaperFile, bytes)) {
        error = unreadable(path, told_in_chinese(QStringLiteral("读取时出错"), file.errorString()));
        return PaperFileRead::Refused;
    }
    if (bytes.size() > kLargestPaperFile) {
        bytes.clear();
        error = too_large(path);
        return PaperFileRead::Refused;
    }
    return PaperFileRead::Read;
}

// ---------------------------------------------------------------------------
// Writing

namespace
{

QString save_error(const QString &path, const QString &reason)
{
    return QStringLiteral("无法保存 %1：%2\n原来的试卷文件没有改动。")
        .arg(shown_path(path), reason);
}

QString not_known_on_disk(const QString &folder, const QString &reason)
{
    return QStringLiteral("两个试卷文件都已替换，但无法确认文件夹 %1 已写入磁盘：%2\n"
                          "请解决问题后再保存一次。")
        .arg(shown_path(folder), reason);
}

// A temporary file beside its target, written and on the disk.
struct Temporary {
    QString path;
    bool exists = false;
};

void remove_temporary(Temporary &temporary)
{
    if (temporary.exists)
        QFile::remove(temporary.path);
    temporary.exists = false;
}

#ifdef Q_OS_WIN

QString random_suffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(62)]);
    return suffix;
}

QString write_temporary(const PaperFileWrite &target, Temporary &temporary)
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary.path = target.path + QLatin1String(kTemporaryInfix) + random_suffix();
        handle = CreateFileW(native(temporary.path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (handle == INVALID_HANDLE_VALUE)
        return system_reason(GetLastError());
    temporary.exists = true;
    const char *data = target.bytes.constData();
    qint64 left = target.bytes.size();
    DWORD error = 0;
    if (injected_fault(storage_testing::Step::WriteTemporary, temporary.path))
        error = kInjectedError;
    while (left > 0 && error == 0) {
        DWORD written = 0;
        if (!WriteFile(handle, data, DWORD(left), &written, nullptr))
            error = GetLastError();
        data += written;
        left -= written;
    }
    if (error == 0 && injected_fault(storage_testing::Step::SyncTemporary, temporary.path))
        error = kInjectedError;
    if (error == 0 && !FlushFileBuffers(handle))
        error = GetLastError();
    if (!CloseHandle(handle) && error == 0)
        error = GetLastError();
    return error == 0 ? QString() : system_reason(error);
}

QString replace(const Temporary &temporary, const QString &target)
{
    if (injected_fault(storage_testing::Step::Replace, target))
        return system_reason(kInjectedError);
    if (MoveFileExW(native(temporary.path).c_str(), native(target).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return QString();
    return system_reason(GetLastError());
}

// Windows refuses to replace a read-only file, or one that another program
// holds open without letting it be deleted; found out only at the second
// replacement, that would leave a new problem.prb beside an old answer.ans.
// Both are asked first, while nothing has changed.
QString refusal_to_replace(const QString &target)
{
    const std::wstring name = native(target);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return QString(); // not there: nothing to replace
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return QStringLiteral("它是只读文件");
    const HANDLE handle =
        CreateFileW(name.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION
                   ? QStringLiteral("另一个程序正打开着它，请先在那个程序中关闭它")
                   : system_reason(error);
    }
    CloseHandle(handle);
    return QString();
}

// MOVEFILE_WRITE_THROUGH has put each replacement on the disk already.
QString sync_folder(const QString &folder)
{
    if (injected_fault(storage_testing::Step::SyncFolder, folder))
        return system_reason(kInjectedError);
    return QString();
}

class OldFilesHeld
{
  public:
    OldFilesHeld(const QString &, const QString &) {}
};

#else

// The permissions a new file gets from open(2): 0666 less the umask.
mode_t new_file_mode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

QString write_all_and_sync(int fd, const QString &path, const QByteArray &bytes)
{
    if (injected_fault(storage_testing::Step::WriteTemporary, path))
        return system_reason(kInjectedError);
    const char *data = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return system_reason(errno);
        }
        data += written;
        left -= size_t(written);
    }
    // Qt's QSaveFile ignores a failed sync: a disk that did not keep the data
    // must not be reported as a save.
    if (injected_fault(storage_testing::Step::SyncTemporary, path))
        return system_reason(kInjectedError);
    if (::fsync(fd) != 0)
        return system_reason(errno);
    return QString();
}

QString write_temporary(const PaperFileWrite &target, Temporary &temporary)
{
    QByteArray name = QFile::encodeName(target.path) + kTemporaryInfix + "XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return system_reason(errno);
    temporary.path = QFile::decodeName(name);
    temporary.exists = true;
    // The new file keeps the old one's permissions, as an edited file would.
    struct stat old;
    const mode_t mode = ::stat(QFile::encodeName(target.path).constData(), &old) == 0
                            ? (old.st_mode & 07777)
                            : new_file_mode();
    QString error;
    if (::fchmod(fd, mode) != 0)
        error = system_reason(errno);
    if (error.isEmpty())
        error = write_all_and_sync(fd, temporary.path, target.bytes);
    if (::close(fd) != 0 && error.isEmpty())
        error = system_reason(errno);
    return error;
}

QString replace(const Temporary &temporary, const QString &target)
{
    if (injected_fault(storage_testing::Step::Replace, target))
        return system_reason(kInjectedError);
    if (::rename(QFile::encodeName(temporary.path).constData(),
                 QFile::encodeName(target).constData()) == 0)
        return QString();
    return system_reason(errno);
}

// POSIX replaces any file its folder lets it replace.
QString refusal_to_replace(const QString &)
{
    return QString();
}

// Replacing a file frees the old one's blocks inside the rename call, which
// for a large paper takes as long as the rest of a save: an interruption
// there would leave a new problem.prb beside an old answer.ans. Held open,
// the old files are freed only when both renames are done.
class OldFilesHeld
{
  public:
    OldFilesHeld(const QString &first, const QString &second) : fds_{hold(first), hold(second)} {}
    ~OldFilesHeld()
    {
        for (const int fd : fds_) {
            if (fd >= 0)
                ::close(fd);
        }
    }
    OldFilesHeld(const OldFilesHeld &) = delete;
    OldFilesHeld &operator=(const OldFilesHeld &) = delete;

  private:
    static int hold(const QString &path)
    {
        return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    int fds_[2];
};

// A rename is only on the disk once the folder that holds the name is.
QString sync_folder(const QString &folder)
{
    if (injected_fault(storage_testing::Step::SyncFolder, folder))
        return system_reason(kInjectedError);
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return system_reason(errno);
    QString error;
    if (::fsync(fd) != 0)
        error = system_reason(errno);
    ::close(fd);
    return error;
}

#endif

QString folder_of(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

// A save killed part-way leaves its temporary files behind.
void remove_leftover_temporaries(const QString &folder, const QStringList &file_names)
{
    QStringList patterns;
    for (const QString &name : file_names)
        patterns << name + QLatin1String(kTemporaryInfix) + QStringLiteral("??????");
    QDir dir(folder);
    for (const QString &leftover :
         dir.entryList(patterns, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks))
        dir.remove(leftover);
}

QString half_saved_to_finish(const QString &first, const QString &second,
                             const QString &second_temporary, const QString &reason)
{
    return QStringLiteral("无法保存 %1：%2\n%3 已经保存，%1 仍是原来的内容；新的 %1 完整地保存在 "
                          "%4 中。下次打开这份试卷时 qv_make 会完成这次保存；也可以解决问题后"
                          "再保存一次。")
        .arg(shown_path(second), reason, shown_path(first), shown_path(second_temporary));
}

// The record is put in place the safe way, and the folder synced, so that
// it is on the disk whole before either paper file is replaced. Returns the
// system's reason, or an empty string.
QString write_save_record(const PaperFileWrite &record)
{
    Temporary temporary;
    QString error = write_temporary(record, temporary);
    if (error.isEmpty())
        error = replace(temporary, record.path);
    if (!error.isEmpty()) {
        remove_temporary(temporary);
        return error;
    }
    return sync_folder(folder_of(record.path));
}

const char kSaveRecordHeader[] = "qv_make interrupted save 1";

// What a save is about to do, on the disk before it replaces either file:
// which temporary file becomes which paper file, and how long each is.
QByteArray save_record(const Temporary (&temporaries)[2], const PaperFileWrite *const (&targets)[2])
{
    QByteArray record = QByteArray(kSaveRecordHeader) + '\n';
    for (int i = 0; i < 2; ++i) {
        record += QFile::encodeName(QFileInfo(targets[i]->path).fileName()) + ' ' +
                  QFile::encodeName(QFileInfo(temporaries[i].path).fileName()) + ' ' +
                  QByteArray::number(targets[i]->bytes.size()) + '\n';
    }
    return record + "end\n";
}

} // namespace

const char kSaveRecordName[] = ".qv_make-save";

QString replace_paper_files(const PaperFileWrite &first, const PaperFileWrite &second)
{
    Temporary temporaries[2];
    const PaperFileWrite *targets[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        const QString error = write_temporary(*targets[i], temporaries[i]);
        if (!error.isEmpty()) {
            remove_temporary(temporaries[0]);
            remove_temporary(temporaries[1]);
            return save_error(targets[i]->path, error);
        }
    }
    for (const PaperFileWrite *target : targets) {
        const QString refusal = refusal_to_replace(target->path);
        if (!refusal.isEmpty()) {
            remove_temporary(temporaries[0]);
            remove_temporary(temporaries[1]);
            return save_error(target->path, refusal);
        }
    }
    // Both new files are on the disk. Before either replaces its old file,
    // the folder records which temporary becomes which file: an interruption
    // between the two replacements is then finished at the next open instead
    // of leaving a new problem.prb beside an old answer.ans.
    const QString folder = folder_of(first.path);
    const QString record_path = folder + QLatin1Char('/') + QLatin1String(kSaveRecordName);
    QString error = write_save_record({record_path, save_record(temporaries, targets)});
    if (!error.isEmpty()) {
        remove_temporary(temporaries[0]);
        remove_temporary(temporaries[1]);
        QFile::remove(record_path);
        return save_error(first.path, error);
    }
    // The two replacements follow each other with nothing in between.
    std::optional<OldFilesHeld> old_files;
    old_files.emplace(first.path, second.path);
    error = replace(temporaries[0], first.path);
    if (!error.isEmpty()) {
        remove_temporary(temporaries[0]);
        remove_temporary(temporaries[1]);
        QFile::remove(record_path);
        return save_error(first.path, error);
    }
    temporaries[0].exists = false;
    error = replace(temporaries[1], second.path);
    if (!error.isEmpty()) {
        // The record and the new answer file stay: the next open finishes.
        return half_saved_to_finish(first.path, second.path, temporaries[1].path, error);
    }
    old_files.reset();
    error = sync_folder(folder);
    if (!error.isEmpty())
        return not_known_on_disk(folder, error);
    QFile::remove(record_path);
    remove_leftover_temporaries(
        folder, {QFileInfo(first.path).fileName(), QFileInfo(second.path).fileName()});
    return QString();
}

// ---------------------------------------------------------------------------
// A save cut short

namespace
{

struct RecordedFile {
    QString paper_file;
    QString temporary;
    qint64 size = -1;
};

bool parse_save_record(const QByteArray &bytes, RecordedFile (&files)[2])
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != 5 || lines[0] != kSaveRecordHeader || lines[3] != "end" ||
        !lines[4].isEmpty())
        return false;
    const char *const names[2] = {"problem.prb", "answer.ans"};
    for (int i = 0; i < 2; ++i) {
        const QList<QByteArray> fields = lines[i + 1].split(' ');
        bool number = false;
        if (fields.size() != 3 || fields[0] != names[i])
            return false;
        files[i].paper_file = QString::fromLatin1(fields[0]);
        files[i].temporary = QFile::decodeName(fields[1]);
        files[i].size = fields[2].toLongLong(&number);
        // Only this program's own temporary names: never a path elsewhere.
        if (!number || files[i].size < 0 ||
            !files[i].temporary.startsWith(files[i].paper_file + QLatin1String(kTemporaryInfix)) ||
            files[i].temporary.size() !=
                files[i].paper_file.size() + int(strlen(kTemporaryInfix)) + 6)
            return false;
    }
    return true;
}

qint64 size_of(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : -1;
}

} // namespace

InterruptedSave find_interrupted_save(const QString &folder)
{
    InterruptedSave save;
    save.record = folder + QLatin1Char('/') + QLatin1String(kSaveRecordName);
    if (!QFileInfo::exists(save.record))
        return save;
    QByteArray bytes;
    QString error;
    RecordedFile files[2];
    save.state = InterruptedSave::State::Unclear;
    if (read_paper_file(save.record, bytes, error) != PaperFileRead::Read ||
        !parse_save_record(bytes, files))
        return save;
    for (int i = 0; i < 2; ++i) {
        save.paper_files[i] = folder + QLatin1Char('/') + files[i].paper_file;
        save.temporaries[i] = folder + QLatin1Char('/') + files[i].temporary;
    }
    const qint64 temporary_sizes[2] = {size_of(save.temporaries[0]), size_of(save.temporaries[1])};
    const qint64 file_sizes[2] = {size_of(save.paper_files[0]), size_of(save.paper_files[1])};
    // A rename is whole or not done: which temporaries are left tells how far
    // the save went. The sizes tell whether anything changed since.
    const auto is_new = [&](int i) { return file_sizes[i] == files[i].size; };
    const auto still_waiting = [&](int i) { return temporary_sizes[i] == files[i].size; };
    if (still_waiting(0) && still_waiting(1))
        save.state = InterruptedSave::State::NothingReplaced;
    else if (temporary_sizes[0] < 0 && is_new(0) && still_waiting(1))
        save.state = InterruptedSave::State::FirstReplaced;
    else if (temporary_sizes[0] < 0 && temporary_sizes[1] < 0 && is_new(0) && is_new(1))
        save.state = InterruptedSave::State::BothReplaced;
    return save;
}

QString finish_interrupted_save(const InterruptedSave &save)
{
    using State = InterruptedSave::State;
    if (save.state == State::None)
        return QString();
    if (save.state == State::Unclear)
        return describe_interrupted_save(save);
    for (int i = 0; i < 2; ++i) {
        const bool waiting =
            save.state == State::NothingReplaced || (save.state == State::FirstReplaced && i == 1);
        if (!waiting)
            continue;
        QString error = refusal_to_replace(save.paper_files[i]);
        if (error.isEmpty())
            error = replace({save.temporaries[i], true}, save.paper_files[i]);
        if (!error.isEmpty())
            return QStringLiteral("无法完成上次被中断的保存：无法替换 %1：%2")
                .arg(shown_path(save.paper_files[i]), error);
    }
    const QString folder = folder_of(save.record);
    const QString error = sync_folder(folder);
    if (!error.isEmpty())
        return not_known_on_disk(folder, error);
    QFile::remove(save.record);
    return QString();
}

QString describe_interrupted_save(const InterruptedSave &save)
{
    using State = InterruptedSave::State;
    switch (save.state) {
    case State::None:
        return QString();
    case State::NothingReplaced:
        return QStringLiteral("上次保存被中断：新的 problem.prb 和 answer.ans 已经完整地写在 %1 和 "
                              "%2 中，但还没有替换原来的文件；原来的两个文件是配套的。")
            .arg(shown_path(save.temporaries[0]), shown_path(save.temporaries[1]));
    case State::FirstReplaced:
        return QStringLiteral("上次保存被中断：problem.prb 已经是新的，answer.ans 还是原来的，"
                              "两个文件不配套；新的 answer.ans 完整地保存在 %1 中。")
            .arg(shown_path(save.temporaries[1]));
    case State::BothReplaced:
        return QStringLiteral("上次保存被中断，但两个试卷文件都已经替换为新的。");
    case State::Unclear:
        break;
    }
    return QStringLiteral("上次保存被中断，而且文件夹中的文件在那之后又被改动过，无法确定哪些文件"
                          "是配套的。请检查文件夹 %1 中的 problem.prb、answer.ans 和以 "
                          "“.qv_make-”开头的文件；确认无误后删除 %2，再打开试卷。")
        .arg(shown_path(folder_of(save.record)), shown_path(save.record));
}

QString replace_file(const PaperFileWrite &file)
{
    const auto failed = [&file](const QString &reason) {
        return QStringLiteral("无法写入 %1：%2\n原来的文件没有改动。")
            .arg(shown_path(file.path), reason);
    };
    Temporary temporary;
    QString error = write_temporary(file, temporary);
    if (error.isEmpty())
        error = refusal_to_replace(file.path);
    if (error.isEmpty())
        error = replace(temporary, file.path);
    if (!error.isEmpty()) {
        remove_temporary(temporary);
        return failed(error);
    }
    const QString folder = folder_of(file.path);
    error = sync_folder(folder);
    if (!error.isEmpty())
        return QStringLiteral("已写入 %1，但无法确认文件夹 %2 已写入磁盘：%3")
            .arg(shown_path(file.path), shown_path(folder), error);
    remove_leftover_temporaries(folder, {QFileInfo(file.path).fileName()});
    return QString();
}

void storage_testing::set_fault_hook(FaultHook hook)
{
    fault_hook() = std::move(hook);
}
