#include "odbc_connection.h"

#include "odbc_call.h"
#include "odbc_statement.h"

namespace db {

struct Connection::Handles {
    SQLHENV environment = SQL_NULL_HENV;
    SQLHDBC connection = SQL_NULL_HDBC;

    ~Handles() {
        if (connection != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, connection);
        if (environment != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, environment);
    }
};

namespace {

// A value for a connection string: braced when it holds a character that would end or open one.
std::string ConnectionStringValue(const std::string& value) {
    bool plain =
        value.find_first_of(";{}") == std::string::npos && value.front() != ' ' && value.back() != ' ';
    if (plain) return value;
    std::string braced = "{";
    for (char c : value)
        braced += c == '}' ? std::string("}}") : std::string(1, c);
    return braced + "}";
}

std::string WithCredentials(std::string text, const std::string& userId, const std::string& password) {
    auto add = [&text](const char* key, const std::string& value) {
        if (value.empty()) return;
        if (!text.empty() && text.back() != ';') text += ';';
        text += std::string(key) + "=" + ConnectionStringValue(value);
    };
    add("UID", userId);
    add("PWD", password);
    return text;
}

}  // namespace

std::shared_ptr<Connection> Connection::Create() {
    // Holds the installer library for the life of the process: a driver that loads it to read its data
    // source (SQLite's) would otherwise unload it after every connection and lose its settings cache.
    UWORD configMode = 0;
    SQLGetConfigMode(&configMode);
    auto handles = std::make_unique<Handles>();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handles->environment))) {
        handles->environment = SQL_NULL_HENV;
        return nullptr;
    }
    if (!SQL_SUCCEEDED(SQLSetEnvAttr(handles->environment, SQL_ATTR_ODBC_VERSION,
                                     reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, handles->environment, &handles->connection))) {
        handles->connection = SQL_NULL_HDBC;
        return nullptr;
    }
    return std::shared_ptr<Connection>(new Connection(std::move(handles)));
}

Connection::Connection(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

Connection::~Connection() {
    for (Statement* statement : statements_)
        statement->Release();
    if (connected_) SQLDisconnect(handles_->connection);
}

void* Connection::NativeHandle() const {
    return handles_->connection;
}

void Connection::Open(const std::string& connectionString, const std::string& userId,
                      const std::string& password) {
    if (connected_)
        odbc::Raise(odbc::kFunctionSequenceError, "Connection.Open", "The connection is already open");
    SQLHDBC handle = handles_->connection;
    if (timeoutSeconds_ != 0) {
        auto seconds = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeoutSeconds_));
        odbc::Check(SQLSetConnectAttr(handle, SQL_ATTR_LOGIN_TIMEOUT, seconds, 0), SQL_HANDLE_DBC, handle,
                    "SQLSetConnectAttr");
    }
    std::string text = WithCredentials(connectionString, userId, password);
    odbc::Check(
        SQLDriverConnect(handle, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                         static_cast<SQLSMALLINT>(text.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, handle, "SQLDriverConnect");
    connected_ = true;
}

std::int64_t Connection::Execute(const std::string& sql, const Parameters& parameters) {
    Statement statement(*this);
    statement.Execute(sql, parameters);
    return statement.AffectedRows();
}

void Connection::Close() {
    if (!connected_) return;
    for (Statement* statement : statements_)
        statement->Release();
    if (failNextClose_) {
        failNextClose_ = false;
        odbc::Raise("25000", "SQLDisconnect", "Invalid transaction state");
    }
    odbc::Check(SQLDisconnect(handles_->connection), SQL_HANDLE_DBC, handles_->connection, "SQLDisconnect");
    connected_ = false;
}

}  // namespace db
