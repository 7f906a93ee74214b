// The ODBC API of the Windows driver manager (odbc32), for the database layer's own sources only. Its
// headers need the Windows types first. UNICODE stays undefined, so the unsuffixed names are the ANSI
// entry points of the driver manager, as the layer calls them.
#pragma once

#include "common/platform/win32_windows.h"

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
