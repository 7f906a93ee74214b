// End-to-end tests: the real service program in a temporary installation, the test signer, and a table on
// SQLite or on the PostgreSQL test server, reached by the service through DSN "test".
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>

#include "service/log_text.h"
#include "tests/support/database_servers.h"
#include "tests/support/odbc_client.h"
#include "tests/support/service_installation.h"

namespace testing_support {

class EndToEndTest : public ::testing::TestWithParam<DatabaseDriver> {
  protected:
    void SetUp() override {
        std::filesystem::create_directory(install / "odbc");
        database = std::make_unique<TestDatabase>(GetParam(), install / "odbc");
        sql = std::make_unique<OdbcClient>(database->DsnLessConnectionString());
        if (table.empty()) table = IsPostgres() ? "BRXADTA.ARC" + UniqueSuffix() : "ARC001";
        sql->Execute("DROP TABLE IF EXISTS " + table);  // a database shared by the tests may hold it
        sql->Execute("CREATE TABLE " + table + " (RCBCDE VARCHAR(64), RCAFNM VARCHAR(512), RCCODE INTEGER)");
    }
    void TearDown() override {
        install.Stop();
        if (sql) sql->Execute("DROP TABLE IF EXISTS " + table);
    }

    bool IsPostgres() const { return GetParam() == DatabaseDriver::PostgreSQL; }
    // Files of the hot and backup folders, named as the service names them (native separators).
    std::string Hot(const std::string& name) const { return install / ("hot/" + name); }
    std::string Backup(const std::string& name) const { return install / ("backup/" + name); }
    // Where the service holds a trigger it claimed: its own folder inside the hot folder.
    std::string Held(const std::string& name) const {
        for (const auto& entry : std::filesystem::directory_iterator(install.HotFolder()))
            if (entry.is_directory() && entry.path().filename().string().rfind("QuillCollector-", 0) == 0)
                return (entry.path() / name).string();
        return "(no folder of the service in the hot folder)";
    }

    void AddRow(const std::string& key, const std::string& file, std::optional<long long> counter = 0) {
        sql->Execute("INSERT INTO " + table + " VALUES (" + Quoted(key) + ", " + Quoted(file) + ", " +
                     (counter ? std::to_string(*counter) : "NULL") + ")");
    }
    std::optional<std::string> Counter(const std::string& file) {
        return sql->QueryValue("SELECT RCCODE FROM " + table + " WHERE RCAFNM = '" + file + "'");
    }
    long long CounterSum() { return std::stoll(sql->QueryValue("SELECT SUM(RCCODE) FROM " + table).value()); }
    // Adds to `to` how often each trigger of `hotFolder` was processed to the end, by the log's collector.
    static void AddProcessed(const std::string& log, const std::string& hotFolder,
                             std::map<std::string, int>& to) {
        std::string prefix = "ProcessCsvFile OK: FileName = " + hotFolder +
                             static_cast<char>(std::filesystem::path::preferred_separator);
        for (std::size_t at = log.find(prefix); at != std::string::npos; at = log.find(prefix, at + 1)) {
            std::size_t begin = at + prefix.size();
            ++to[log.substr(begin, log.find(' ', begin) - begin)];
        }
    }

    // The service's default connection string reaches the test database through DSN "test".
    void Configure(std::map<std::string, std::string> settings = {}) {
        settings.emplace("TableName", table);
        install.WriteSettings(settings);
    }
    void StartWith(std::map<std::string, std::string> settings = {}) {
        Configure(std::move(settings));
        install.Start();
    }
    // Removes the hot folder under the running service: Windows refuses while the service lists it.
    bool RemoveHotFolder() {
        return WaitFor([&] {
            std::error_code busy;
            std::filesystem::remove_all(install.HotFolder(), busy);
            return !busy;
        });
    }
    // Trigger files still in the hot folder or held in a collector's folder inside it.
    int Waiting() {
        int count = 0;
        try {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(install.HotFolder()))
                count += entry.path().extension() == ".pdf";
        } catch (const std::filesystem::filesystem_error&) {
            return INT_MAX;  // a folder went away while it was listed: look again
        }
        return count;
    }
    // Drops a trigger file and waits until the service has removed it from the hot folder, which it does
    // after the file's processing and its log entries.
    bool Process(const std::string& name, const std::string& content) {
        install.DropTrigger(name, content);
        return install.WaitUntilGone(Hot(name));
    }

    // A path or a key as the log shows it.
    static std::string Logged(const std::string& text) { return EscapeForLog(text); }
    static std::string Quoted(const std::string& text) {
        std::string quoted = "'";
        for (char c : text)
            quoted += c == '\'' ? std::string("''") : std::string(1, c);
        return quoted + "'";
    }
    static std::string UniqueSuffix() {
        std::random_device random;
        return std::to_string(random() % 100000000);
    }

    ServiceInstallation install;
    std::unique_ptr<TestDatabase> database;
    std::unique_ptr<OdbcClient> sql;
    std::string table;
};

inline std::string DriverTestName(const ::testing::TestParamInfo<DatabaseDriver>& info) {
    return DriverName(info.param);
}

}  // namespace testing_support
