// Inside the database layer only: one ODBC statement on an open connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "odbc_call.h"
#include "odbc_columns.h"
#include "odbc_connection.h"
#include "variant.h"

namespace db {

class Statement {
  public:
    // Raises when the connection is not open.
    explicit Statement(Connection& connection);
    ~Statement();  // never raises
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Runs `sql` with `parameters` bound to its markers; may be called again to run it anew.
    void Execute(const std::string& sql, const Parameters& parameters);
    std::int64_t AffectedRows();
    // The columns of the result set; empty when the statement gave none.
    const std::vector<Column>& Columns() const { return columns_; }
    // Reads the next row; false at the end.
    bool Fetch(std::vector<Variant>& row);

    // Frees the handle at once (the connection is closing); later calls raise.
    void Release() noexcept;

  private:
    void Allocate();
    void ExecuteOnce(const std::string& sql);
    // Runs one driver call within the connection's statement bound; raises SQLSTATE HYT00 when the call
    // had to be ended.
    template <typename Call>
    SQLRETURN Bounded(const char* operation, Call call);
    SQLHSTMT Handle(const char* operation) const;
    void BindParameters();
    void DescribeColumns();

    Connection& connection_;
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
    Parameters bound_;  // the bound values; their storage must outlive the execution
    std::vector<SQLLEN> boundLengths_;
    bool noData_ = false;  // the last execution touched no row (SQL_NO_DATA)
    std::vector<Column> columns_;
};

}  // namespace db
