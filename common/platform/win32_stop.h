// Win32 flavour of the platform layer, shared between its files: the host's stop requests.
#pragma once

#include "common/platform/win32_windows.h"

namespace platform {

// An event set once a stop request was caught, to wait on beside others; null while stop requests are
// not caught.
HANDLE StopRequestEvent();

}  // namespace platform
