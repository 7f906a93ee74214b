// CADORecordset: the rows of one query on the connection of a CADODatabase.
//
// Open and both GetFieldValue catch every database error, keep its text and code, and answer FALSE;
// GetRecordCount, IsEof, MoveNext, IsOpen and Close let a db::_com_error through to the caller.
//
//   CADORecordset records(&database);
//   std::string shown = StrPrintf("SELECT RCAFNM,RCCODE FROM %s WHERE RCBCDE = '%s'", table, key);
//   std::string sql = StrPrintf("SELECT RCAFNM,RCCODE FROM %s WHERE RCBCDE = ?", table);
//   if (!records.Open(database.GetActiveConnection(), shown, CADORecordset::ModeQuery, sql, {key})) ...
//   for (int n = records.GetRecordCount(); !records.IsEof(); records.MoveNext()) {
//       records.GetFieldValue(0, fileName);
//       if (!records.GetFieldValue(1, counter, why)) ...  // 64 bits; NULL reads 0; why: "'7.5' is not ..."
//   }
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ado_database.h"
#include "odbc_recordset.h"

class CADORecordset {
  public:
    enum OpenMode {
        ModeDefault = 0,     // a query
        ModeQuery = 1,       // a query
        ModeTable = 2,       // a table name: all its rows
        ModeStoredProc = 3,  // a stored procedure name (may carry its argument list), run as "{call name}"
    };

    // Borrows the database's connection (none for a null database).
    explicit CADORecordset(CADODatabase* database);
    // Closes the rows; an error while closing is written to the collector log, never thrown.
    virtual ~CADORecordset();
    CADORecordset(const CADORecordset&) = delete;
    CADORecordset& operator=(const CADORecordset&) = delete;

    // Closes a former row set, then opens `query` in `mode` on `connection`. A non-empty query replaces
    // the stored one (leading white space removed); an empty one runs the stored query again. TRUE when
    // the statement ran; FALSE with the error recorded otherwise, and FALSE with nothing recorded for an
    // unknown mode.
    BOOL Open(std::shared_ptr<db::Connection> connection, const std::string& query, int mode);

    // The same, but what runs is `sqlWithMarkers` with `parameters` bound to its '?' markers in order,
    // while `shownQuery` is what is stored as the query and shown in error texts (the statement as it
    // reads with the values written in). The values never become part of a statement text. In
    // ModeStoredProc `sqlWithMarkers` is the procedure with its markers ("fetch_rows(?, ?)").
    BOOL Open(std::shared_ptr<db::Connection> connection, const std::string& shownQuery, int mode,
              const std::string& sqlWithMarkers, const db::Parameters& parameters);

    // Rows fetched as the recordset walks instead of all at Open, for results too large to hold; then the
    // row count is not known in advance and GetRecordCount counts by walking. Applies to later Opens.
    void UseForwardOnlyCursor(bool forwardOnly) { forwardOnly_ = forwardOnly; }

    // The number of rows; when the cursor cannot tell, counted by walking, which leaves the current row
    // on the first one.
    int GetRecordCount();
    BOOL IsEof();
    void MoveNext();

    // Column `index` (0-based) of the current row as text; dates through strftime with `dateFormat`
    // ("%Y-%m-%d %H:%M:%S" when empty). FALSE, `value` unchanged, for a type without a text form
    // (binary) and on an error (recorded).
    BOOL GetFieldValue(int index, std::string& value, const std::string& dateFormat = "");
    // The column as an integer: NULL gives 0, a boolean -1 or 0. FALSE, `value` unchanged, for a value
    // that is not a whole number or does not fit an int, and on an error (recorded).
    BOOL GetFieldValue(int index, int& value);
    // The column as a whole number in 64 bits: NULL gives 0, a boolean -1 or 0, and a whole number of any
    // kind the number it is (a double 7.0, a decimal 7.000, a text " +7 "). FALSE, `value` unchanged, for a
    // value with a fraction, beyond 64 bits or not a number, `why` then saying which value and why; and
    // on an error (recorded), `why` then being the error's text.
    BOOL GetFieldValue(int index, std::int64_t& value, std::string& why);

    // "Query = <query>\nCADORecordset Error\n\tCode = ..." of the last caught error.
    std::string GetLastErrorString() const { return lastError_; }
    db::HRESULT GetLastErrorCode() const { return lastErrorCode_; }
    const std::string& GetQuery() const { return query_; }
    std::shared_ptr<db::Connection> GetActiveConnection() const { return connection_; }

    BOOL IsOpen();
    void Close();

  private:
    BOOL OpenRecordset(const std::shared_ptr<db::Connection>& connection, const std::string& sql, int mode,
                       const db::Parameters& parameters);
    const db::Variant* LookUp(int index);  // null when an error was recorded
    void RecordError(const db::_com_error& error);
    db::Recordset& Rows();

    std::unique_ptr<db::Recordset> recordset_;
    std::unique_ptr<db::Command> command_;
    std::shared_ptr<db::Connection> connection_;
    std::string lastError_;
    db::HRESULT lastErrorCode_ = 0;
    std::string query_;
    bool forwardOnly_ = false;
};
