// Inside the database layer only: the checked way to call ODBC. Public headers never include this one.
#pragma once

#include "odbc_api.h"

#include <string>

#include "com_error.h"

namespace db::odbc {

// Checks the result of one ODBC call on `handle`. SQL_ERROR raises the database error built from every
// diagnostic record of the handle, read at once; SQL_INVALID_HANDLE raises a missing-object error.
// Everything else (success, success with information, no data, need data) is returned to the caller.
SQLRETURN Check(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle, const char* function);

// Raises an error of this layer's own making, with a SQLSTATE chosen as ODBC would report it.
[[noreturn]] void Raise(const char* sqlState, const char* source, const std::string& message);

// The SQLSTATEs this layer raises itself.
inline constexpr const char* kConnectionNotOpen = "08003";
inline constexpr const char* kInvalidCursorState = "24000";
inline constexpr const char* kInvalidDescriptorIndex = "07009";
inline constexpr const char* kFunctionSequenceError = "HY010";
inline constexpr const char* kTimeoutExpired = "HYT00";

// Whether the error says the connection itself is gone (SQLSTATE class 08, or the server ending the
// session: 57P01 to 57P03), rather than the statement failing on a live one.
bool IsConnectionLost(const _com_error& error);

}  // namespace db::odbc
