// The bounds of every database call, and the physical connection kept between two objects, on each driver.
#include <gtest/gtest.h>

#include <chrono>

#include "driver_test.h"
#include "service/database/ado_recordset.h"

using testing::AnyOf;
using testing::HasSubstr;
using testing_support::kDefaultConnectionString;

namespace {

class ConnectionKeepingTest : public DriverTest {
  protected:
    ~ConnectionKeepingTest() override { db::Connection::DropKeptConnectionForTesting(); }

    // A database object as the service makes one for each document: opened, keeping its connection.
    std::unique_ptr<CADODatabase> Kept(const std::string& connectionString, int keepSeconds = 60) {
        auto object = std::make_unique<CADODatabase>();
        object->SetKeepConnectionSeconds(keepSeconds);
        object->SetConnectionString(connectionString);
        EXPECT_TRUE(object->Open()) << object->GetLastErrorString();
        return object;
    }
    // A temporary table lives as long as its physical connection: it tells which login an object uses.
    static bool SeesMarkTable(CADODatabase& object) {
        return object.Execute("INSERT INTO qc_mark VALUES (1)");
    }
};

TEST_P(ConnectionKeepingTest, TheNextOpenWithTheSameStringTakesTheKeptLoginAndAnotherStringLogsInAnew) {
    auto first = Kept(database.DsnLessConnectionString());
    ASSERT_TRUE(first->Execute("CREATE TEMPORARY TABLE qc_mark (a INTEGER)")) << first->GetLastErrorString();
    first->Close();
    first.reset();
    EXPECT_TRUE(db::Connection::HasKeptConnectionForTesting());

    auto second = Kept(database.DsnLessConnectionString());
    EXPECT_TRUE(SeesMarkTable(*second)) << second->GetLastErrorString();
    EXPECT_FALSE(db::Connection::HasKeptConnectionForTesting());  // in use, not kept
    second.reset();

    auto other = Kept(kDefaultConnectionString);  // the same database through its DSN: a changed string
    EXPECT_FALSE(SeesMarkTable(*other));
    EXPECT_FALSE(db::Connection::HasKeptConnectionForTesting());  // the former one was let go
    other.reset();

    auto again = Kept(database.DsnLessConnectionString());
    EXPECT_FALSE(SeesMarkTable(*again));
}

TEST_P(ConnectionKeepingTest, AKeptConnectionUnusedPastItsTimeIsClosedAndKeepingZeroKeepsNothing) {
    auto first = Kept(database.DsnLessConnectionString(), 1);
    ASSERT_TRUE(first->Execute("CREATE TEMPORARY TABLE qc_mark (a INTEGER)"));
    first.reset();
    ASSERT_TRUE(db::Connection::HasKeptConnectionForTesting());
    EXPECT_TRUE(testing_support::WaitFor([] { return !db::Connection::HasKeptConnectionForTesting(); }));
    EXPECT_FALSE(SeesMarkTable(*Kept(database.DsnLessConnectionString(), 0)));
    EXPECT_FALSE(db::Connection::HasKeptConnectionForTesting());
}

TEST_P(ConnectionKeepingTest, AStatementWaitingForALockFailsWithinItsBoundAndTheServiceMayGoOn) {
    std::string table = NewTable("a INTEGER");
    Run("INSERT INTO " + table + " VALUES (1)");
    CADODatabase holder;
    ASSERT_TRUE(holder.Open(database.DsnLessConnectionString()));
    ASSERT_TRUE(holder.Execute(IsPostgres() ? "BEGIN" : "BEGIN EXCLUSIVE")) << holder.GetLastErrorString();
    if (IsPostgres()) {
        ASSERT_TRUE(holder.Execute("LOCK TABLE " + table + " IN ACCESS EXCLUSIVE MODE"));
    }

    CADODatabase waiter;
    waiter.SetCommandTimeout(1);
    auto start = std::chrono::steady_clock::now();
    bool opened = waiter.Open(database.DsnLessConnectionString());
    bool updated = opened && waiter.Execute("UPDATE " + table + " SET a = 2");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(updated);
    EXPECT_LT(seconds, 15.0);  // far below the drivers' own waits (100 s, none)
    EXPECT_THAT(waiter.GetLastErrorString(),
                AnyOf(HasSubstr("database is locked"), HasSubstr("SQLSTATE 57014")));

    ASSERT_TRUE(holder.Execute("COMMIT")) << holder.GetLastErrorString();
    EXPECT_TRUE(waiter.Execute("UPDATE " + table + " SET a = 3")) << waiter.GetLastErrorString();
}

INSTANTIATE_FOR_TESTED_DRIVERS(ConnectionKeepingTest);

}  // namespace
