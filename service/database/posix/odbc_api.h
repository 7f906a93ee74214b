// The ODBC API of the driver manager (unixODBC), for the database layer's own sources only.
#pragma once

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
