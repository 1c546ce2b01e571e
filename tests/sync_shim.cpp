// Preloaded into the save child: logs every sync and rename to the file named
// by QV_SHIM_LOG, and makes syncs fail with EIO, as a failing disk or a full
// network file system does: every sync with QV_SHIM_FAIL_SYNC=all, only that
// of a folder with QV_SHIM_FAIL_SYNC=folder. With
// QV_SHIM_KILL_BEFORE_RENAME_TO=/answer.ans the process dies just before that
// rename (for trying the program by hand).

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

void log_call(const char *call, const char *first, const char *second = nullptr)
{
    const char *log = std::getenv("QV_SHIM_LOG");
    if (!log)
        return;
    if (std::FILE *file = std::fopen(log, "a")) {
        std::fprintf(file, "%s %s%s%s\n", call, first, second ? " " : "", second ? second : "");
        std::fclose(file);
    }
}

void log_sync(const char *call, int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[4096];
    const ssize_t length = readlink(link, path, sizeof path - 1);
    path[length < 0 ? 0 : length] = '\0';
    log_call(call, path);
}

bool sync_fails(int fd)
{
    const char *which = std::getenv("QV_SHIM_FAIL_SYNC");
    if (!which)
        return false;
    struct stat info;
    return std::strcmp(which, "all") == 0 ||
           (std::strcmp(which, "folder") == 0 && fstat(fd, &info) == 0 && S_ISDIR(info.st_mode));
}

template <typename Function> Function next(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int logged_sync(const char *call, int fd)
{
    log_sync("sync", fd);
    if (sync_fails(fd)) {
        errno = EIO;
        return -1;
    }
    return next<int (*)(int)>(call)(fd);
}

} // namespace

extern "C" int fsync(int fd)
{
    return logged_sync("fsync", fd);
}

extern "C" int fdatasync(int fd)
{
    return logged_sync("fdatasync", fd);
}

extern "C" int rename(const char *from, const char *to)
{
    log_call("rename", from, to);
    // A process killed just before this rename, as by a power cut.
    const char *kill_before = std::getenv("QV_SHIM_KILL_BEFORE_RENAME_TO");
    const size_t to_size = std::strlen(to);
    if (kill_before && std::strlen(kill_before) <= to_size &&
        std::strcmp(to + to_size - std::strlen(kill_before), kill_before) == 0)
        std::raise(SIGKILL);
    return next<int (*)(const char *, const char *)>("rename")(from, to);
}
