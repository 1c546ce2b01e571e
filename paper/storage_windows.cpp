// Storage on Windows: CreateFileW sharing the file with every other program,
// FlushFileBuffers, and MoveFileExW writing each replacement through.

#include "paper/storage.h"

#include "paper/windows_api.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <io.h>
#include <string>

namespace storage
{

namespace
{

// A failure the tests inject is a full disk when writing, a refused
// permission when opening to read.
const DWORD kInjectedError = ERROR_DISK_FULL;
const DWORD kInjectedReadError = ERROR_ACCESS_DENIED;

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

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

Fault write_temporary(const PaperFileWrite &target, Temporary &temporary)
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary.path = target.path + QLatin1String(kTemporaryInfix) + temporary_suffix();
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
Fault remove_record(const QString &path)
{
    if (injected_fault(storage_testing::Step::RemoveRecord, path))
        return system_fault(kInjectedError);
    if (!DeleteFileW(native(path).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return system_fault(GetLastError());
    return std::nullopt;
}

Fault sync_folder(const QString &folder)
{
    if (injected_fault(storage_testing::Step::SyncFolder, folder))
        return system_fault(kInjectedError);
    return Fault();
}

// Nothing is held on Windows; the save's steps stay the same on both systems.
OldFilesHeld::OldFilesHeld(const QString &, const QString &) {}

OldFilesHeld::~OldFilesHeld() = default;

} // namespace storage
