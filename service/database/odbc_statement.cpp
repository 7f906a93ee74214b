#include "odbc_statement.h"

#include "call_bound.h"
#include "common/platform/platform.h"

namespace db {

namespace {

constexpr const char* kStatementClosed = "The connection of the statement is closed";

}  // namespace

Statement::Statement(Connection& connection) : connection_(connection) {
    if (!connection.IsOpen())
        odbc::Raise(odbc::kConnectionNotOpen, "Statement", "The connection is not open");
    Allocate();
    connection_.statements_.insert(this);
}

void Statement::Allocate() {
    SQLHDBC owner = connection_.NativeHandle();
    odbc::Check(SQLAllocHandle(SQL_HANDLE_STMT, owner, &handle_), SQL_HANDLE_DBC, owner, "SQLAllocHandle");
    if (int seconds = connection_.StatementSeconds(); seconds > 0) {
        auto value = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds));
        odbc::Check(SQLSetStmtAttr(handle_, SQL_ATTR_QUERY_TIMEOUT, value, 0), SQL_HANDLE_STMT, handle_,
                    "SQLSetStmtAttr");
    }
}

template <typename Call>
SQLRETURN Statement::Bounded(const char* operation, Call call) {
    int seconds = connection_.StatementSeconds();
    if (connection_.sockets_.empty()) return call();  // nothing of ours could end the wait (SQLite's file)
    SQLRETURN result;
    {
        CallBound bound(seconds > 0 ? seconds + kBoundGraceSeconds : 0, [sockets = connection_.sockets_] {
            for (std::intptr_t socket : sockets)
                platform::ShutDownSocket(socket);
        });
        result = call();
        if (!bound.Expired()) return result;
    }
    odbc::Raise(
        odbc::kTimeoutExpired, operation,
        "Timeout expired: no answer within " + std::to_string(seconds) + " s; the connection was ended");
}

Statement::~Statement() {
    Release();
    connection_.statements_.erase(this);
}

void Statement::Release() noexcept {
    if (handle_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
    handle_ = SQL_NULL_HSTMT;
}

SQLHSTMT Statement::Handle(const char* operation) const {
    if (handle_ == SQL_NULL_HSTMT) odbc::Raise(odbc::kConnectionNotOpen, operation, kStatementClosed);
    return handle_;
}

void Statement::Execute(const std::string& sql, const Parameters& parameters) {
    bound_ = parameters;
    for (bool first = true;; first = false) {
        try {
            ExecuteOnce(sql);
            break;
        } catch (const _com_error& error) {
            if (!connection_.Failed(error) || !first) throw;
        }
        // A kept connection that died while it waited: nothing ran on it, so a fresh login runs it once more.
        connection_.LogInAgain();
        Allocate();
    }
    connection_.Succeeded();
}

void Statement::ExecuteOnce(const std::string& sql) {
    SQLHSTMT handle = Handle("SQLExecDirect");
    SQLFreeStmt(handle, SQL_CLOSE);  // a former result set, if any
    SQLFreeStmt(handle, SQL_RESET_PARAMS);
    BindParameters();
    std::string text = sql;
    SQLRETURN result =
        odbc::Check(Bounded("SQLExecDirect",
                            [&] {
                                return SQLExecDirect(handle, reinterpret_cast<SQLCHAR*>(text.data()),
                                                     static_cast<SQLINTEGER>(text.size()));
                            }),
                    SQL_HANDLE_STMT, handle, "SQLExecDirect");
    noData_ = result == SQL_NO_DATA;
    DescribeColumns();
}

void Statement::BindParameters() {
    boundLengths_.assign(bound_.size(), 0);
    for (std::size_t i = 0; i < bound_.size(); ++i) {
        auto number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN result;
        if (auto* integer = std::get_if<std::int64_t>(&bound_[i])) {
            result = SQLBindParameter(handle_, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                                      integer, 0, &boundLengths_[i]);
        } else {
            std::string& text = std::get<std::string>(bound_[i]);
            boundLengths_[i] = static_cast<SQLLEN>(text.size());
            result = SQLBindParameter(handle_, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                      text.empty() ? 1 : text.size(), 0, text.data(), boundLengths_[i],
                                      &boundLengths_[i]);
        }
        odbc::Check(result, SQL_HANDLE_STMT, handle_, "SQLBindParameter");
    }
}

void Statement::DescribeColumns() {
    columns_.clear();
    SQLSMALLINT count = 0;
    odbc::Check(SQLNumResultCols(handle_, &count), SQL_HANDLE_STMT, handle_, "SQLNumResultCols");
    for (SQLSMALLINT number = 1; number <= count; ++number)
        columns_.push_back(DescribeColumn(handle_, static_cast<SQLUSMALLINT>(number)));
}

std::int64_t Statement::AffectedRows() {
    SQLHSTMT handle = Handle("SQLRowCount");
    if (noData_) return 0;
    SQLLEN count = 0;
    odbc::Check(SQLRowCount(handle, &count), SQL_HANDLE_STMT, handle, "SQLRowCount");
    return count < 0 ? 0 : count;
}

bool Statement::Fetch(std::vector<Variant>& row) {
    SQLHSTMT handle = Handle("SQLFetch");
    try {
        SQLRETURN result = Bounded("SQLFetch", [&] { return SQLFetch(handle); });
        if (odbc::Check(result, SQL_HANDLE_STMT, handle, "SQLFetch") == SQL_NO_DATA) return false;
    } catch (const _com_error& error) {
        connection_.Failed(error);
        throw;
    }
    row.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i)
        row.push_back(ReadColumnValue(handle, static_cast<SQLUSMALLINT>(i + 1), columns_[i]));
    return true;
}

}  // namespace db
