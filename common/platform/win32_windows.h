// <windows.h> for the Win32 flavour of the platform layer and the Windows test helpers. The system's
// ANSI/wide switch macros that share a name with one of the layer's own functions are taken away, so
// that platform::DeleteFile stays platform::DeleteFile.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DeleteFile
#undef WriteProfileString

namespace platform {

// The code of a call that reported failure; never 0, so that a failure cannot read as success.
inline int FailureCode(DWORD fallback) {
    DWORD code = GetLastError();
    if (code == 0) {
        code = fallback;
        ::SetLastError(code);
    }
    return static_cast<int>(code);
}

}  // namespace platform
