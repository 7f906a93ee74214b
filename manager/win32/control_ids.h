// The settings dialog's control ids beside <windows.h>, whose IDOK and IDCANCEL are macros of the same
// values as the ids' own names.
#pragma once

#include "common/platform/win32_windows.h"

#pragma push_macro("IDOK")
#pragma push_macro("IDCANCEL")
#undef IDOK
#undef IDCANCEL
#include "manager/control_ids.h"
#pragma pop_macro("IDCANCEL")
#pragma pop_macro("IDOK")
