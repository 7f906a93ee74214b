// One ODBC connection with its own environment. Every failure raises db::_com_error.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "com_error.h"
#include "variant.h"

namespace db {

class Statement;

// The bounds a connection starts with, as ADO's: 15 s to log in, 30 s for a statement.
inline constexpr int kDefaultLoginSeconds = 15;
inline constexpr int kDefaultStatementSeconds = 30;
// How long the service keeps an unused connection, as ADO's session pool does.
inline constexpr int kDefaultKeepSeconds = 60;

class Connection {
  public:
    // A closed connection, or null when the driver manager cannot give the handles for one.
    static std::shared_ptr<Connection> Create();
    ~Connection();  // disconnects (or keeps, see SetKeepSeconds) and frees the handles; never raises
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool IsOpen() const { return connected_; }

    // Seconds a later Open may take to log in, and each statement to run; 0 means no bound. Where a
    // driver does not keep the bound it is given, the call is ended a second after it (its connection is
    // then lost), and raises SQLSTATE HYT00.
    void SetLoginTimeout(int seconds) { loginSeconds_ = seconds; }
    void SetStatementTimeout(int seconds) { statementSeconds_ = seconds; }
    // Seconds the physical connection is kept after Close, for the next Open of any Connection with the
    // same connection string and bounds (one is kept per process); 0 (the start value) disconnects.
    void SetKeepSeconds(int seconds) { keepSeconds_ = seconds; }

    // Connects with the connection string handed to the driver manager unchanged; a non-empty user id or
    // password is added to it as UID and PWD. Takes the kept physical connection instead when it was made
    // with the same text. Raises when already open.
    void Open(const std::string& connectionString, const std::string& userId, const std::string& password);

    // Runs a statement that returns no rows, with `parameters` bound to its '?' markers in order, and
    // returns the number of rows it touched (0 for an UPDATE that matched none).
    std::int64_t Execute(const std::string& sql, const Parameters& parameters);

    // Disconnects; statements still alive on the connection are released first. Does nothing when closed.
    void Close();

    // Tests only: the next Close fails as a driver refusing to disconnect would make it fail (none of the
    // drivers at hand ever refuses), leaving the connection open.
    void FailNextCloseForTesting() { failNextClose_ = true; }
    // Tests only: disconnects the physical connection kept for reuse, if there is one.
    static void DropKeptConnectionForTesting();
    // Tests only: whether a physical connection is kept for reuse.
    static bool HasKeptConnectionForTesting();

    struct Handles;

  private:
    friend class Statement;  // allocates on the connection's handle, registers itself, reports failures

    explicit Connection(std::unique_ptr<Handles> handles);
    void* NativeHandle() const;  // the SQLHDBC
    void Connect();
    void ReleaseStatements();
    // A statement failed: a lost connection or an ended wait is not kept. True when the statement may run
    // once more on a fresh login: the connection was lost and was a kept one, unused since it was taken.
    bool Failed(const _com_error& error);
    void LogInAgain();
    void Succeeded() { proven_ = true; }
    int StatementSeconds() const { return statementSeconds_; }

    std::unique_ptr<Handles> handles_;
    std::set<Statement*> statements_;
    std::string driverText_;              // the connection string as handed to the driver
    std::vector<std::intptr_t> sockets_;  // the driver's sockets for this connection
    bool connected_ = false;
    bool proven_ = false;  // a statement succeeded on this login, or the login is fresh
    bool broken_ = false;  // lost, or a wait was ended: never kept
    bool failNextClose_ = false;
    int loginSeconds_ = kDefaultLoginSeconds;
    int statementSeconds_ = kDefaultStatementSeconds;
    int keepSeconds_ = 0;
};

}  // namespace db
