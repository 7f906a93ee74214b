// Test bodies shared by the drivers: each test runs once on each driver of TestedDrivers() (SQLite and
// PostgreSQL, or SQLite alone under Wine), with a fresh ODBC configuration, program directory (settings
// file and log) and tables of its own.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/settings.h"
#include "service/database/ado_database.h"
#include "support/database_servers.h"
#include "support/test_support.h"

class DriverTest : public ::testing::TestWithParam<testing_support::DatabaseDriver> {
  protected:
    DriverTest() : database(GetParam(), dir.path()) { SetProgramDirectoryForTesting(dir.path()); }
    ~DriverTest() override {
        for (const std::string& table : tables_)
            admin_.Execute("DROP TABLE " + table);
        SetProgramDirectoryForTesting("");
    }

    bool IsPostgres() const { return GetParam() == testing_support::DatabaseDriver::PostgreSQL; }

    // A new table of this test with the given column list; dropped when the test ends.
    std::string NewTable(const std::string& columns) {
        static int number = 0;
        std::string name =
            "qc" + std::to_string(testing_support::ProcessId()) + "_" + std::to_string(++number);
        Run("CREATE TABLE " + name + " (" + columns + ")");
        tables_.push_back(name);
        return name;
    }

    // Runs a statement on a connection of the test's own; the test fails when it fails.
    void Run(const std::string& sql) {
        if (!admin_.GetActiveConnection()->IsOpen()) {
            ASSERT_TRUE(admin_.Open(database.DsnLessConnectionString())) << admin_.GetLastErrorString();
        }
        ASSERT_TRUE(admin_.Execute(sql)) << admin_.GetLastErrorString();
    }

    std::string LogText() const { return testing_support::ReadFile(dir / "QuillCollector.Log"); }

    testing_support::TempDir dir;
    testing_support::TestDatabase database;

  private:
    CADODatabase admin_;
    std::vector<std::string> tables_;
};

#define INSTANTIATE_FOR_TESTED_DRIVERS(suite)                                  \
    INSTANTIATE_TEST_SUITE_P(                                                  \
        Drivers, suite, ::testing::ValuesIn(testing_support::TestedDrivers()), \
        [](const auto& info) { return std::string(testing_support::DriverName(info.param)); })
