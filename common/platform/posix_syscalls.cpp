// The POSIX system call table: the system's own calls unless a test replaced one.
#include "common/platform/posix_syscalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/platform/posix_syscalls_for_tests.h"

namespace platform {

namespace {

// open is variadic: the table holds a plain function with the mode always given.
int OpenFile(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

constexpr SystemCalls kReal{OpenFile, ::read, ::write,  ::fsync, ::renameat2,
                            ::rename, ::link, ::unlink, ::mkdir, ::rmdir};

SystemCalls table = kReal;

}  // namespace

const SystemCalls& Sys() {
    return table;
}

const SystemCalls& RealSystemCalls() {
    return kReal;
}

SystemCalls& SystemCallsForTests() {
    return table;
}

void RestoreSystemCalls() {
    table = kReal;
}

}  // namespace platform
