#include "database_servers.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "common/platform/platform.h"
#include "test_support.h"

namespace testing_support {

namespace {

const std::string kServerConfig = std::string(QC_DB_TEST_DIR) + "/postgresql/server.ini";
const std::string kPostgresDriver = std::string(QC_ODBC_DRIVER_DIR) + "/psqlodbcw.so";
const std::string kSqliteDriver = std::string(QC_ODBC_DRIVER_DIR) + "/libsqlite3odbc.so";

}  // namespace

std::string ServerValue(const char* key) {
    if (!FileExists(kServerConfig))
        throw std::runtime_error("no PostgreSQL test server: " + kServerConfig +
                                 " is missing (run the tests through ctest, which starts it)");
    return platform::ReadProfileString(kServerConfig, "Server", key, "", 4096);
}

namespace {

std::string DriverSections() {
    return "[PostgreSQL Unicode]\nDriver=" + kPostgresDriver +
           "\nCommLog=0\nDebug=0\n\n"
           "[SQLite3]\nDriver=" +
           kSqliteDriver + "\n";
}

std::string PostgresOptions() {
    return "Servername=127.0.0.1;Port=" + ServerValue("Port") + ";Database=" + ServerValue("Database") +
           ";BoolsAsChar=0;CommLog=0;Debug=0";
}

std::string DsnSection(DatabaseDriver driver, const std::string& sqliteFile) {
    if (driver == DatabaseDriver::SQLite) return "[test]\nDriver=SQLite3\nDatabase=" + sqliteFile + "\n";
    std::string section = "[test]\nDriver=PostgreSQL Unicode\n";
    std::string options = PostgresOptions();
    for (std::size_t start = 0; start < options.size();) {
        std::size_t end = options.find(';', start);
        if (end == std::string::npos) end = options.size();
        section += options.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return section;
}

void RunServerScript(const char* command) {
    TempDir dir;
    Child script({"/bin/bash", ServerValue("Script"), command, ServerValue("StateDir")}, dir / "output.txt");
    if (script.Wait() != 0)
        throw std::runtime_error(std::string("pg_test_server.sh ") + command +
                                 " failed: " + ReadFile(dir / "output.txt"));
}

}  // namespace

std::vector<DatabaseDriver> TestedDrivers() {
    if (QC_DB_TEST_POSTGRESQL) return {DatabaseDriver::SQLite, DatabaseDriver::PostgreSQL};
    return {DatabaseDriver::SQLite};
}

const char* DriverName(DatabaseDriver driver) {
    return driver == DatabaseDriver::SQLite ? "SQLite" : "PostgreSQL";
}

TestDatabase::TestDatabase(DatabaseDriver driver, const std::string& configDir) : driver_(driver) {
    if (kOdbcConfigurationFixedAtStart) {  // the one the program started with: DSN "test" names this file
        if (driver == DatabaseDriver::SQLite) sqliteFile_ = GetEnv("ODBCSYSINI") + "/test.sqlite";
        return;
    }
    if (driver == DatabaseDriver::SQLite) sqliteFile_ = configDir + "/test.sqlite";
    WriteFile(configDir + "/odbcinst.ini", DriverSections());
    WriteFile(configDir + "/odbc.ini", DsnSection(driver, sqliteFile_));
    SetEnv("ODBCSYSINI", configDir);
}

std::string TestDatabase::DsnLessConnectionString() const {
    return DsnLessConnectionStringWithPassword(driver_ == DatabaseDriver::SQLite ? ""
                                                                                 : ServerValue("Password"));
}

std::string TestDatabase::DsnLessConnectionStringWithPassword(const std::string& password) const {
    if (driver_ == DatabaseDriver::SQLite)
        return "Driver=SQLite3;Database=" + sqliteFile_ + (password.empty() ? "" : ";Pwd=" + password);
    return "Driver={PostgreSQL Unicode};" + PostgresOptions() + ";Uid=" + ServerValue("Role") +
           ";Pwd=" + password;
}

namespace postgres_server {

int Port() {
    return std::atoi(ServerValue("Port").c_str());
}

void Stop() {
    RunServerScript("stop");
}

void Start() {
    RunServerScript("start");
}

}  // namespace postgres_server

}  // namespace testing_support
