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

#ifdef Q_OS_WIN
std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}
#endif

// What a step that failed leaves: the system's error; none when it worked.
using Fault = std::optional<SystemError>;

Fault system_fault(long code)
{
    return SystemError{SystemError::Kind::Code, code, QString()};
}

PaperError file_error(PaperError::What what, const QString &path)
{
    PaperError error;
    error.what = what;
    error.path = path;
    return error;
}

PaperError not_a_regular_file(const QString &path, FileType type)
{
    PaperError error = file_error(PaperError::What::NotRegularFile, path);
    error.file_type = type;
    return error;
}

PaperError with_system(PaperError error, const SystemError &system)
{
    error.system = system;
    return error;
}

PaperError unreadable(const QString &path, const SystemError &system)
{
    return with_system(file_error(PaperError::What::CannotRead, path), system);
}

#ifdef Q_OS_WIN
// A failure the tests inject is a full disk when writing, a refused
// permission when opening to read.
const DWORD kInjectedError = ERROR_DISK_FULL;
const DWORD kInjectedReadError = ERROR_ACCESS_DENIED;
#else
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

PaperFileRead open_regular_file(const QString &path, QFile &file, PaperError &error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        error = not_a_regular_file(path, info.isDir() ? FileType::Folder : FileType::Special);
        return PaperFileRead::Refused;
    }
    if (!info.exists())
        return PaperFileRead::Missing;
    if (injected_fault(storage_testing::Step::OpenForReading, path)) {
        error = unreadable(path, *system_fault(kInjectedReadError));
        return PaperFileRead::Refused;
    }
    const HANDLE handle = CreateFileW(native(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return PaperFileRead::Missing;
        error = unreadable(path, *system_fault(code));
        return PaperFileRead::Refused;
    }
    const int fd = _open_osfhandle(intptr_t(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(handle);
        error = unreadable(path, *system_fault(ERROR_NOT_ENOUGH_MEMORY));
        return PaperFileRead::Refused;
    }
    return PaperFileRead::Read;
}

#else

FileType kind_of(mode_t mode)
{
    if (S_ISDIR(mode))
        return FileType::Folder;
    if (S_ISFIFO(mode))
        return FileType::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return FileType::Device;
    if (S_ISSOCK(mode))
        return FileType::Socket;
    return FileType::Special;
}

PaperFileRead open_regular_file(const QString &path, QFile &file, PaperError &error)
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
        error = unreadable(path, *system_fault(open_error));
        return PaperFileRead::Refused;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = not_a_regular_file(path, kind_of(info.st_mode));
        ::close(fd);
        return PaperFileRead::Refused;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        error = unreadable(path, *system_fault(ENOMEM));
        return PaperFileRead::Refused;
    }
    return PaperFileRead::Read;
}

#endif

} // namespace

PaperFileRead read_paper_file(const QString &path, QByteArray &bytes, PaperError &error)
{
    QFile file;
    const PaperFileRead opened = open_regular_file(path, file, error);
    if (opened != PaperFileRead::Read)
        return opened;
    if (file.size() > kLargestPaperFile) {
        error = file_error(PaperError::What::FileTooLarge, path);
        return PaperFileRead::Refused;
    }
    const bool injected = injected_fault(storage_testing::Step::ReadFile, path);
    if (injected || !read_at_most(file, kLargestPaperFile, bytes)) {
        error = unreadable(path, SystemError{SystemError::Kind::ReadFailed, 0,
                                             injected ? QString() : file.errorString()});
        return PaperFileRead::Refused;
    }
    if (bytes.size() > kLargestPaperFile) {
        bytes.clear();
        error = file_error(PaperError::What::FileTooLarge, path);
        return PaperFileRead::Refused;
    }
    return PaperFileRead::Read;
}

// ---------------------------------------------------------------------------
// Writing

namespace
{

PaperError save_failed(const QString &path, const SystemError &system)
{
    return with_system(file_error(PaperError::What::SaveFailed, path), system);
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

Fault write_temporary(const PaperFileWrite &target, Temporary &temporary)
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
        return system_fault(GetLastError());
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
    return error == 0 ? Fault() : system_fault(error);
}

Fault replace(const Temporary &temporary, const QString &target)
{
    if (injected_fault(storage_testing::Step::Replace, target))
        return system_fault(kInjectedError);
    if (MoveFileExW(native(temporary.path).c_str(), native(target).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Fault();
    return system_fault(GetLastError());
}

// Windows refuses to replace a read-only file, or one that another program
// holds open without letting it be deleted; found out only at the second
// replacement, that would leave a new problem.prb beside an old answer.ans.
// Both are asked first, while nothing has changed.
Fault refusal_to_replace(const QString &target)
{
    const std::wstring name = native(target);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Fault(); // not there: nothing to replace
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return SystemError{SystemError::Kind::ReadOnlyFile, 0, QString()};
    const HANDLE handle =
        CreateFileW(name.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_SHARING_VIOLATION
                   ? SystemError{SystemError::Kind::HeldOpen, long(error), QString()}
                   : system_fault(error);
    }
    CloseHandle(handle);
    return Fault();
}

// MOVEFILE_WRITE_THROUGH has put each replacement on the disk already.
Fault sync_folder(const QString &folder)
{
    if (injected_fault(storage_testing::Step::SyncFolder, folder))
        return system_fault(kInjectedError);
    return Fault();
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

Fault write_all_and_sync(int fd, const QString &path, const QByteArray &bytes)
{
    if (injected_fault(storage_testing::Step::WriteTemporary, path))
        return system_fault(kInjectedError);
    const char *data = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return system_fault(errno);
        }
        data += written;
        left -= size_t(written);
    }
    // Qt's QSaveFile ignores a failed sync: a disk that did not keep the data
    // must not be reported as a save.
    if (injected_fault(storage_testing::Step::SyncTemporary, path))
        return system_fault(kInjectedError);
    if (::fsync(fd) != 0)
        return system_fault(errno);
    return Fault();
}

Fault write_temporary(const PaperFileWrite &target, Temporary &temporary)
{
    QByteArray name = QFile::encodeName(target.path) + kTemporaryInfix + "XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return system_fault(errno);
    temporary.path = QFile::decodeName(name);
    temporary.exists = true;
    // The new file keeps the old one's permissions, as an edited file would.
    struct stat old;
    const mode_t mode = ::stat(QFile::encodeName(target.path).constData(), &old) == 0
                            ? (old.st_mode & 07777)
                            : new_file_mode();
    Fault error;
    if (::fchmod(fd, mode) != 0)
        error = system_fault(errno);
    if (!error)
        error = write_all_and_sync(fd, temporary.path, target.bytes);
    if (::close(fd) != 0 && !error)
        error = system_fault(errno);
    return error;
}

Fault replace(const Temporary &temporary, const QString &target)
{
    if (injected_fault(storage_testing::Step::Replace, target))
        return system_fault(kInjectedError);
    if (::rename(QFile::encodeName(temporary.path).constData(),
                 QFile::encodeName(target).constData()) == 0)
        return Fault();
    return system_fault(errno);
}

// POSIX replaces any file its folder lets it replace.
Fault refusal_to_replace(const QString &)
{
    return Fault();
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
Fault sync_folder(const QString &folder)
{
    if (injected_fault(storage_testing::Step::SyncFolder, folder))
        return system_fault(kInjectedError);
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return system_fault(errno);
    Fault error;
    if (::fsync(fd) != 0)
        error = system_fault(errno);
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

PaperError half_saved_to_finish(const QString &first, const QString &second,
                                const QString &second_temporary, const SystemError &system)
{
    PaperError error = with_system(file_error(PaperError::What::SaveHalfDone, second), system);
    error.other_path = first;
    error.temporary = second_temporary;
    return error;
}

PaperError not_known_on_disk(const QString &folder, const SystemError &system)
{
    return with_system(file_error(PaperError::What::SaveNotOnDisk, folder), system);
}

// The record is put in place the safe way, and the folder synced, so that
// it is on the disk whole before either paper file is replaced.
Fault write_save_record(const PaperFileWrite &record)
{
    Temporary temporary;
    Fault error = write_temporary(record, temporary);
    if (!error)
        error = replace(temporary, record.path);
    if (error) {
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

PaperError replace_paper_files(const PaperFileWrite &first, const PaperFileWrite &second)
{
    Temporary temporaries[2];
    const PaperFileWrite *targets[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        if (const Fault error = write_temporary(*targets[i], temporaries[i])) {
            remove_temporary(temporaries[0]);
            remove_temporary(temporaries[1]);
            return save_failed(targets[i]->path, *error);
        }
    }
    for (const PaperFileWrite *target : targets) {
        if (const Fault refusal = refusal_to_replace(target->path)) {
            remove_temporary(temporaries[0]);
            remove_temporary(temporaries[1]);
            return save_failed(target->path, *refusal);
        }
    }
    // Both new files are on the disk. Before either replaces its old file,
    // the folder records which temporary becomes which file: an interruption
    // between the two replacements is then finished at the next open instead
    // of leaving a new problem.prb beside an old answer.ans.
    const QString folder = folder_of(first.path);
    const QString record_path = folder + QLatin1Char('/') + QLatin1String(kSaveRecordName);
    Fault error = write_save_record({record_path, save_record(temporaries, targets)});
    if (error) {
        remove_temporary(temporaries[0]);
        remove_temporary(temporaries[1]);
        QFile::remove(record_path);
        return save_failed(first.path, *error);
    }
    // The two replacements follow each other with nothing in between.
    std::optional<OldFilesHeld> old_files;
    old_files.emplace(first.path, second.path);
    error = replace(temporaries[0], first.path);
    if (error) {
        remove_temporary(temporaries[0]);
        remove_temporary(temporaries[1]);
        QFile::remove(record_path);
        return save_failed(first.path, *error);
    }
    temporaries[0].exists = false;
    error = replace(temporaries[1], second.path);
    if (error) {
        // The record and the new answer file stay: the next open finishes.
        return half_saved_to_finish(first.path, second.path, temporaries[1].path, *error);
    }
    old_files.reset();
    error = sync_folder(folder);
    if (error)
        return not_known_on_disk(folder, *error);
    QFile::remove(record_path);
    // The record's own temporary goes too: a save killed while writing the
    // record leaves one, which nothing else would ever remove.
    remove_leftover_temporaries(folder, {QFileInfo(first.path).fileName(),
                                         QFileInfo(second.path).fileName(),
                                         QFileInfo(record_path).fileName()});
    return PaperError();
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
    PaperError error;
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

PaperError interrupted_save_error(const InterruptedSave &save)
{
    using State = InterruptedSave::State;
    PaperError error;
    error.record = save.record;
    switch (save.state) {
    case State::None:
    case State::BothReplaced:
        return PaperError();
    case State::NothingReplaced:
    case State::FirstReplaced:
        error.what = PaperError::What::SaveWaitsToBeFinished;
        error.files_replaced = save.state == State::FirstReplaced ? 1 : 0;
        error.waiting[0] = save.temporaries[0];
        error.waiting[1] = save.temporaries[1];
        return error;
    case State::Unclear:
        break;
    }
    error.what = PaperError::What::SaveUnclear;
    return error;
}

PaperError finish_interrupted_save(const InterruptedSave &save)
{
    using State = InterruptedSave::State;
    if (save.state == State::None)
        return PaperError();
    if (save.state == State::Unclear)
        return interrupted_save_error(save);
    for (int i = 0; i < 2; ++i) {
        const bool waiting =
            save.state == State::NothingReplaced || (save.state == State::FirstReplaced && i == 1);
        if (!waiting)
            continue;
        Fault error = refusal_to_replace(save.paper_files[i]);
        if (!error)
            error = replace({save.temporaries[i], true}, save.paper_files[i]);
        if (error)
            return with_system(file_error(PaperError::What::FinishFailed, save.paper_files[i]),
                               *error);
    }
    const QString folder = folder_of(save.record);
    if (const Fault error = sync_folder(folder))
        return not_known_on_disk(folder, *error);
    QFile::remove(save.record);
    return PaperError();
}

PaperError replace_file(const PaperFileWrite &file)
{
    Temporary temporary;
    Fault error = write_temporary(file, temporary);
    if (!error)
        error = refusal_to_replace(file.path);
    if (!error)
        error = replace(temporary, file.path);
    if (error) {
        remove_temporary(temporary);
        return with_system(file_error(PaperError::What::WriteFailed, file.path), *error);
    }
    const QString folder = folder_of(file.path);
    if (const Fault synced = sync_folder(folder)) {
        PaperError not_on_disk =
            with_system(file_error(PaperError::What::WrittenNotOnDisk, file.path), *synced);
        not_on_disk.other_path = folder;
        return not_on_disk;
    }
    remove_leftover_temporaries(folder, {QFileInfo(file.path).fileName()});
    return PaperError();
}

void storage_testing::set_fault_hook(FaultHook hook)
{
    fault_hook() = std::move(hook);
}
