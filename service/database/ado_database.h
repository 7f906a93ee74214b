// CADODatabase: one database connection of the collector service, over ODBC.
//
// Open and Execute catch every database error, keep its text and code, and answer FALSE; the caller
// then fetches the text with GetLastErrorString. Close (and the check at the start of Open) let a
// db::_com_error through to the caller, whose handler writes it with LogComError.
//
//   CADODatabase database;
//   database.SetConnectionString("Dsn=test;uid=someuser;pwd=7305");
//   if (!database.Open()) { WriteLog(database.GetLastErrorString()); ... }
//   database.Execute("UPDATE ARC001 SET RCCODE = ? WHERE RCAFNM = ?", {std::int64_t{counter + 1}, fileName});
//   int touched = database.GetRecordsAffected();
//   database.Close();
#pragma once

#include <memory>
#include <string>

#include "com_error.h"
#include "odbc_connection.h"
#include "variant.h"

using BOOL = int;  // 1 for success, 0 for failure

class CADODatabase {
  public:
    CADODatabase();
    // Closes the connection; an error while closing is written to the collector log, never thrown.
    virtual ~CADODatabase();
    CADODatabase(const CADODatabase&) = delete;
    CADODatabase& operator=(const CADODatabase&) = delete;

    void SetConnectionString(const std::string& text);

    // Opens the connection (closing it first when open). A non-empty `connection` replaces the stored
    // connection string; a non-empty user id or password is added to it for this open.
    BOOL Open(const std::string& connection = "", const std::string& userId = "",
              const std::string& password = "");

    // Runs a statement that returns no rows. On failure the records affected stay 0.
    BOOL Execute(const std::string& sql);
    // The same with `parameters` bound to the '?' markers of `sql`, in order: values never become part of
    // the statement text, so no quote or backslash in them can change the statement.
    BOOL Execute(const std::string& sql, const db::Parameters& parameters);
    // Rows touched by the last Execute (a count beyond the int range reads INT_MAX).
    int GetRecordsAffected() const { return recordsAffected_; }

    // The connection, shared (null when it could not be created).
    std::shared_ptr<db::Connection> GetActiveConnection() const { return connection_; }

    // "Connection String = <string, passwords masked>\nCADODataBase Error\n\tCode = ..." of the last
    // caught error; a later success does not clear it.
    std::string GetLastErrorString() const { return lastError_; }
    db::HRESULT GetLastErrorCode() const { return lastErrorCode_; }

    // Seconds Open may take to log in; 0 (the start value) leaves the default of 15 s.
    void SetConnectionTimeout(int seconds) { connectionTimeout_ = seconds; }
    // Seconds the login, and each statement, may take before it fails; 0 means no bound. The start
    // values are ADO's: 15 and 30.
    void SetLoginTimeout(int seconds);
    void SetCommandTimeout(int seconds);
    // Seconds the physical connection stays open after Close, unused, for the next Open of any object
    // with the same connection string, which then skips the login; 0 (the start value) disconnects.
    void SetKeepConnectionSeconds(int seconds);

    // Does nothing when closed.
    void Close();

  private:
    void RecordError(const db::_com_error& error);

    std::shared_ptr<db::Connection> connection_;
    std::string connectionString_;
    std::string lastError_;
    db::HRESULT lastErrorCode_ = 0;
    int recordsAffected_ = 0;
    int connectionTimeout_ = 0;
};

// Writes "CADODataBase Error:\n Code: %08lx\n Code meaning: %s\n Source: %s\n Description: %s\n" for the
// error as one entry of the collector log, whatever DetailedLog says.
void LogComError(const db::_com_error& error);
