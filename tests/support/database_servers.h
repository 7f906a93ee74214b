// The databases of the tests, reached through unixODBC with the real drivers: SQLite3 on a file, and the
// PostgreSQL 15 test server that CTest starts before and stops after the tests that need it (see
// tests/cmake/QcDatabaseServers.cmake). The PostgreSQL database "qc_test" belongs to role "someuser"
// (password "7305") and has the schema "brxadta".
#pragma once

#include <string>
#include <vector>

namespace testing_support {

enum class DatabaseDriver { SQLite, PostgreSQL };

const char* DriverName(DatabaseDriver driver);  // "SQLite", "PostgreSQL": for test names
// The drivers this build's tests run on: both where the PostgreSQL test server runs, SQLite only under
// Wine (see tests/cmake/QcDatabaseServers.cmake).
std::vector<DatabaseDriver> TestedDrivers();

// The service's default connection string; connects to whatever DSN "test" names.
inline constexpr const char* kDefaultConnectionString = "Dsn=test;uid=someuser;pwd=7305";

// One test's database. The constructor writes an ODBC configuration into `configDir` (drivers with
// CommLog off, DSN "test" naming this database) and points ODBCSYSINI at it, for this process and every
// child it starts from then on. For SQLite the database is the file `configDir`/test.sqlite, created on
// first connection; for PostgreSQL it is the test server's database, shared by all tests.
// Where the configuration is fixed when the program starts (kOdbcConfigurationFixedAtStart: under Wine),
// `configDir` is not used: the database is the SQLite file that the DSN "test" of that configuration
// names, shared by the tests of the program.
class TestDatabase {
  public:
    TestDatabase(DatabaseDriver driver, const std::string& configDir);

    DatabaseDriver driver() const { return driver_; }
    // A connection string naming the driver itself (no DSN), with credentials.
    std::string DsnLessConnectionString() const;
    // The same connection string with another password.
    std::string DsnLessConnectionStringWithPassword(const std::string& password) const;
    const std::string& sqliteFile() const { return sqliteFile_; }  // as the driver sees it

  private:
    DatabaseDriver driver_;
    std::string sqliteFile_;
};

// A value of the PostgreSQL test server's description (Port, StateDir, Role, Password, Database).
std::string ServerValue(const char* key);

// The PostgreSQL test server.
namespace postgres_server {
int Port();
// Fast shutdown: every open session ends with SQLSTATE 57P01. Throws when the server does not stop.
void Stop();
// Starts it again on the same port; waits until it accepts connections.
void Start();
// Every process of the server stopped with SIGSTOP (a hung host: connections stay open, nothing answers),
// and let go on with SIGCONT.
void Freeze();
void Thaw();
}  // namespace postgres_server

}  // namespace testing_support
