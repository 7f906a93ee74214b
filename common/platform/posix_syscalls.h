// The system calls through which the POSIX platform files reach the file system where a failure matters:
// opening, reading and writing files, renaming, linking, deleting, flushing, making and removing folders.
// They go through one table so that tests can make any one of them fail (a full disk, a rename refused, a
// rename reported failed although it happened) without root or a special file system. The program never
// changes the table; only tests do, through posix_syscalls_for_tests.h.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace platform {

struct SystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, std::size_t size);
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*renameat2)(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags);
    int (*rename)(const char* from, const char* to);
    int (*link)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*mkdir)(const char* path, mode_t mode);
    int (*rmdir)(const char* path);
};

// The table in use.
const SystemCalls& Sys();

}  // namespace platform
