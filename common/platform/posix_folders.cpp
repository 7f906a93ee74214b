// POSIX flavour of the platform layer: what several collectors sharing one hot folder need of it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "common/platform/platform.h"
#include "common/platform/posix_syscalls.h"

namespace platform {

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

PathKind LookUpPath(const std::string& path) {
    int saved = errno;
    struct stat st {};
    PathKind kind = PathKind::Missing;
    if (lstat(path.c_str(), &st) == 0)
        kind = S_ISREG(st.st_mode)   ? PathKind::File
               : S_ISDIR(st.st_mode) ? PathKind::Directory
                                     : PathKind::Other;
    else if (errno != ENOENT && errno != ENOTDIR)
        kind = PathKind::Other;  // there may be something we cannot see: never taken for nothing
    errno = saved;
    return kind;
}

bool IsNotFound(int error) {
    return error == ENOENT || error == ENOTDIR;
}

bool IsInUse(int error) {
    return error == EBUSY || error == ETXTBSY;
}

int ProbeFolder(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (!dir) return errno;
    closedir(dir);
    return 0;
}

int MakeDirectory(const std::string& path) {
    if (Sys().mkdir(path.c_str(), 0777) == 0) return 0;
    int error = errno;
    if (error == EEXIST && LookUpPath(path) == PathKind::Directory) return errno = 0;
    return errno = error;
}

int RemoveEmptyDirectory(const std::string& path) {
    return Sys().rmdir(path.c_str()) == 0 ? 0 : errno;
}

}  // namespace platform
