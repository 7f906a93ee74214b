#include "odbc_call.h"

#include <vector>

namespace db::odbc {

namespace {

struct Diagnostic {
    std::string state;
    std::string message;
};

std::string WithoutTrailingLineBreaks(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Every record of the handle; called right after the failing call, before anything else can reset them.
std::vector<Diagnostic> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<Diagnostic> records;
    for (SQLSMALLINT number = 1;; ++number) {
        SQLCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        std::vector<SQLCHAR> message(1024);
        SQLSMALLINT length = 0;
        SQLRETURN result = SQLGetDiagRec(handleType, handle, number, state, &nativeError, message.data(),
                                         static_cast<SQLSMALLINT>(message.size()), &length);
        if (result == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(static_cast<std::size_t>(length) + 1);
            result = SQLGetDiagRec(handleType, handle, number, state, &nativeError, message.data(),
                                   static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(result)) break;
        records.push_back({reinterpret_cast<const char*>(state),
                           WithoutTrailingLineBreaks(reinterpret_cast<const char*>(message.data()))});
    }
    return records;
}

// The first record that is not a mere warning (class 01) decides the code.
HRESULT CodeFor(const std::vector<Diagnostic>& records) {
    for (const Diagnostic& record : records)
        if (record.state.compare(0, 2, "01") != 0) return HresultForSqlState(record.state);
    return kErrorUnspecified;
}

std::string Describe(const std::vector<Diagnostic>& records) {
    if (records.empty()) return "the driver gave no diagnostic record";
    std::string text;
    for (const Diagnostic& record : records)
        text += (text.empty() ? "" : "\n") + ("SQLSTATE " + record.state + ": " + record.message);
    return text;
}

}  // namespace

SQLRETURN Check(SQLRETURN result, SQLSMALLINT handleType, SQLHANDLE handle, const char* function) {
    if (result == SQL_INVALID_HANDLE) throw _com_error(kErrorInvalidPointer);
    if (result != SQL_ERROR) return result;
    std::vector<Diagnostic> records = ReadDiagnostics(handleType, handle);
    throw _com_error(CodeFor(records), std::string(function), Describe(records));
}

bool IsConnectionLost(const _com_error& error) {
    const std::string& text = error.Description().value_or("");
    for (const char* state : {"SQLSTATE 08", "SQLSTATE 57P01", "SQLSTATE 57P02", "SQLSTATE 57P03"})
        if (text.find(state) != std::string::npos) return true;
    return false;
}

void Raise(const char* sqlState, const char* source, const std::string& message) {
    throw _com_error(HresultForSqlState(sqlState), std::string(source),
                     "SQLSTATE " + std::string(sqlState) + ": " + message);
}

}  // namespace db::odbc
