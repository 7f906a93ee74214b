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
    // The server process of the object's session; 0 when it cannot be read.
    static int SessionOf(CADODatabase& object) {
        CADORecordset records(&object);
        int pid = 0;
        if (!records.Open(object.GetActiveConnection(), "SELECT pg_backend_pid()",
                          CADORecordset::ModeQuery) ||
            !records.GetFieldValue(0, pid))
            ADD_FAILURE() << records.GetLastErrorString();
        return pid;
    }
    // Ends a session from outside, as an administrator does, and waits until the server has let it go.
    void EndSession(int pid) { Run("SELECT pg_terminate_backend(" + std::to_string(pid) + ", 20000)"); }
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

// The session ends after the look at its socket that precedes each use, as a connection cut without a word
// shows only when the next statement fails.
TEST_P(ConnectionKeepingTest,
       AKeptSessionEndedUnseenIsLoggedInAgainForTheFirstStatementButNeverForALaterOne) {
    if (!IsPostgres()) GTEST_SKIP() << "SQLite has no server session to end";
    std::string table = NewTable("a INTEGER");
    auto first = Kept(database.DsnLessConnectionString());
    int ended = SessionOf(*first);
    first.reset();
    ASSERT_TRUE(db::Connection::HasKeptConnectionForTesting());

    auto second = Kept(database.DsnLessConnectionString());
    EndSession(ended);
    int fresh = SessionOf(*second);  // the first statement: nothing ran yet, so it runs on a new login
    EXPECT_NE(fresh, 0);
    EXPECT_NE(fresh, ended);

    // Once a statement has run, a lost session fails the next one: it may have run before the loss.
    EndSession(fresh);
    EXPECT_FALSE(second->Execute("INSERT INTO " + table + " VALUES (1)"));
    EXPECT_THAT(second->GetLastErrorString(), AnyOf(HasSubstr("SQLSTATE 08"), HasSubstr("SQLSTATE 57P01")));
    second->Close();
    EXPECT_FALSE(db::Connection::HasKeptConnectionForTesting());  // a failed session is not kept
    auto third = Kept(database.DsnLessConnectionString());
    CADORecordset rows(third.get());
    ASSERT_TRUE(
        rows.Open(third->GetActiveConnection(), "SELECT COUNT(*) FROM " + table, CADORecordset::ModeQuery))
        << rows.GetLastErrorString();
    int count = -1;
    EXPECT_TRUE(rows.GetFieldValue(0, count));
    EXPECT_EQ(count, 0);  // the failed INSERT was not run again on a new login
}

INSTANTIATE_FOR_TESTED_DRIVERS(ConnectionKeepingTest);

}  // namespace
