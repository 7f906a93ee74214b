#include "odbc_client.h"

#include "odbc_api.h"

#include <stdexcept>

namespace testing_support {
namespace {

std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string text;
    SQLCHAR state[6], message[1024];
    SQLINTEGER native;
    SQLSMALLINT length;
    for (SQLSMALLINT i = 1;
         SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length) == SQL_SUCCESS; ++i)
        text += std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message) + "\n";
    return text;
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const std::string& what) {
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
    throw std::runtime_error(what + ": " + Diagnostics(type, handle));
}

struct Statement {
    explicit Statement(SQLHDBC dbc) { SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle); }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, handle); }
    SQLHSTMT handle = nullptr;
};

}  // namespace

OdbcClient::OdbcClient(const std::string& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)connectionString.c_str(), SQL_NTS, nullptr, 0,
                                    nullptr, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        std::string error = Diagnostics(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
        throw std::runtime_error("connect " + connectionString + ": " + error);
    }
}

OdbcClient::~OdbcClient() {
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void OdbcClient::Execute(const std::string& sql) {
    Statement stmt(dbc_);
    Check(SQLExecDirect(stmt.handle, (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_HANDLE_STMT, stmt.handle, sql);
}

std::optional<std::string> OdbcClient::QueryValue(const std::string& sql) {
    Statement stmt(dbc_);
    Check(SQLExecDirect(stmt.handle, (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_HANDLE_STMT, stmt.handle, sql);
    if (SQLFetch(stmt.handle) != SQL_SUCCESS) return std::nullopt;
    char value[4096];
    SQLLEN indicator = 0;
    Check(SQLGetData(stmt.handle, 1, SQL_C_CHAR, value, sizeof value, &indicator), SQL_HANDLE_STMT,
          stmt.handle, sql);
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    return std::string(value);
}

}  // namespace testing_support
