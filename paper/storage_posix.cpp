// Storage on POSIX systems: open(2) without blocking, O_EXCL temporaries, fsync and
// rename, the folder synced through a descriptor of its own.

#include "paper/storage.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage
{

namespace
{

// A failure the tests inject is a full disk when writing, a refused
// permission when opening to read.
const int kInjectedError = ENOSPC;
const int kInjectedReadError = EACCES;

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

int open_to_hold(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

} // namespace

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

Fault write_temporary(const PaperFileWrite &target, Temporary &temporary)
{
    // A name of our own making, created only if no file has it yet.
    QByteArray name;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        name = QFile::encodeName(target.path) + kTemporaryInfix + temporary_suffix().toLatin1();
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
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

// A rename is only on the disk once the folder that holds the name is.
Fault remove_record(const QString &path)
{
    if (injected_fault(storage_testing::Step::RemoveRecord, path))
        return system_fault(kInjectedError);
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        return system_fault(errno);
    return std::nullopt;
}

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

// The rename frees an old file's blocks unless a descriptor still holds it.
OldFilesHeld::OldFilesHeld(const QString &first, const QString &second)
    : fds_{open_to_hold(first), open_to_hold(second)}
{
}

OldFilesHeld::~OldFilesHeld()
{
    for (const int fd : fds_) {
        if (fd >= 0)
            ::close(fd);
    }
}

} // namespace storage
