// One ODBC connection with its own environment. Every failure raises db::_com_error.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "variant.h"

namespace db {

class Statement;

class Connection {
  public:
    // A closed connection, or null when the driver manager cannot give the handles for one.
    static std::shared_ptr<Connection> Create();
    ~Connection();  // disconnects and frees the handles; never raises
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool IsOpen() const { return connected_; }

    // Seconds a later Open may take to log in; 0 leaves the driver's own default.
    void SetConnectionTimeout(int seconds) { timeoutSeconds_ = seconds; }

    // Connects with the connection string handed to the driver manager unchanged; a non-empty user id or
    // password is added to it as UID and PWD. Raises when already open.
    void Open(const std::string& connectionString, const std::string& userId, const std::string& password);

    // Runs a statement that returns no rows, with `parameters` bound to its '?' markers in order, and
    // returns the number of rows it touched (0 for an UPDATE that matched none).
    std::int64_t Execute(const std::string& sql, const Parameters& parameters);

    // Disconnects; statements still alive on the connection are released first. Does nothing when closed.
    void Close();

    // Tests only: the next Close fails as a driver refusing to disconnect would make it fail (none of the
    // drivers at hand ever refuses), leaving the connection open.
    void FailNextCloseForTesting() { failNextClose_ = true; }

  private:
    friend class Statement;  // allocates on the connection's handle and registers itself
    struct Handles;

    explicit Connection(std::unique_ptr<Handles> handles);
    void* NativeHandle() const;  // the SQLHDBC

    std::unique_ptr<Handles> handles_;
    std::set<Statement*> statements_;
    bool connected_ = false;
    bool failNextClose_ = false;
    int timeoutSeconds_ = 0;
};

}  // namespace db
