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
