// For tests only: replaces entries of the POSIX system call table (posix_syscalls.h) one at a time, so
// that a test can make one call fail while everything else reaches the real system. A replacement may
// call the real entry (RealSystemCalls) and fail afterwards, as a share that reports a done rename as
// failed. Replace and restore only while no other thread of the test uses the file system.
#pragma once

#include "common/platform/posix_syscalls.h"

namespace platform {

// The system's own calls, whatever the table holds.
const SystemCalls& RealSystemCalls();

SystemCalls& SystemCallsForTests();

template <typename Call>
void ReplaceSystemCall(Call SystemCalls::*entry, Call replacement) {
    SystemCallsForTests().*entry = replacement;
}

// Puts every entry back to the system's own call.
void RestoreSystemCalls();

}  // namespace platform
