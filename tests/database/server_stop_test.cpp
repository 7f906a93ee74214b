// The PostgreSQL server going away in the middle of a session. These tests stop the shared test server,
// so they run alone (SERIAL).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/settings.h"
#include "error_text.h"
#include "service/database/ado_recordset.h"
#include "support/database_servers.h"
#include "support/test_support.h"

using testing::AnyOf;
using testing::HasSubstr;
using namespace testing_support;

namespace {

class ServerStopTest : public ::testing::Test {
  protected:
    ServerStopTest() : database(DatabaseDriver::PostgreSQL, dir.path()) {
        SetProgramDirectoryForTesting(dir.path());
    }
    ~ServerStopTest() override {
        if (stopped_) postgres_server::Start();
        SetProgramDirectoryForTesting("");
    }
    void StopServer() {
        postgres_server::Stop();
        stopped_ = true;
    }
    void StartServer() {
        postgres_server::Start();
        stopped_ = false;
    }

    TempDir dir;
    TestDatabase database;

  private:
    bool stopped_ = false;
};

TEST_F(ServerStopTest, TheNextOperationsReportTheLostServerAndTheObjectsStayUsable) {
    auto* db = new CADODatabase;
    ASSERT_TRUE(db->Open(database.DsnLessConnectionString())) << db->GetLastErrorString();
    ASSERT_TRUE(db->Execute("CREATE TABLE qc_stop (RCAFNM VARCHAR(20), RCCODE INTEGER)"));
    ASSERT_TRUE(db->Execute("INSERT INTO qc_stop VALUES ('a', 1), ('b', 2)"));
    auto* records = new CADORecordset(db);
    ASSERT_TRUE(
        records->Open(db->GetActiveConnection(), "SELECT RCAFNM FROM qc_stop", CADORecordset::ModeQuery));
    auto* walking = new CADORecordset(db);
    walking->UseForwardOnlyCursor(true);
    ASSERT_TRUE(
        walking->Open(db->GetActiveConnection(), "SELECT RCAFNM FROM qc_stop", CADORecordset::ModeQuery));

    StopServer();
    EXPECT_EQ(records->GetRecordCount(), 2);  // the client cursor holds its rows
    std::string name;
    EXPECT_TRUE(records->GetFieldValue(0, name));
    EXPECT_FALSE(db->Execute("UPDATE qc_stop SET RCCODE = 3"));
    EXPECT_EQ(db->GetRecordsAffected(), 0);
    ErrorText error = ParseDatabaseError(db->GetLastErrorString());
    ASSERT_TRUE(error.wellFormed) << db->GetLastErrorString();
    EXPECT_THAT(error.description, HasSubstr("SQLSTATE 57P01: FATAL: terminating connection"));
    EXPECT_FALSE(db->Execute("UPDATE qc_stop SET RCCODE = 3"));
    EXPECT_THAT(db->GetLastErrorString(), AnyOf(HasSubstr("SQLSTATE 08S01"), HasSubstr("SQLSTATE 57P01")));
    EXPECT_FALSE(
        records->Open(db->GetActiveConnection(), "SELECT RCAFNM FROM qc_stop", CADORecordset::ModeQuery));
    EXPECT_THAT(records->GetLastErrorString(), HasSubstr("Query = SELECT RCAFNM FROM qc_stop\n"));
    try {
        walking->GetRecordCount();  // walking back to the first row runs the query again
        ADD_FAILURE() << "no error";
    } catch (const db::_com_error& e) {
        testing::internal::CaptureStdout();
        LogComError(e);
        testing::internal::GetCapturedStdout();
    }
    EXPECT_THAT(ReadFile(dir / "QuillCollector.Log"), HasSubstr("CADODataBase Error:\n Code: 80004005\n"));
    delete walking;
    delete records;
    db->Close();
    delete db;

    StartServer();
    CADODatabase again;
    ASSERT_TRUE(again.Open(database.DsnLessConnectionString())) << again.GetLastErrorString();
    EXPECT_TRUE(again.Execute("UPDATE qc_stop SET RCCODE = 3"));
    EXPECT_EQ(again.GetRecordsAffected(), 2);
    EXPECT_TRUE(again.Execute("DROP TABLE qc_stop"));
}

TEST_F(ServerStopTest, AStoppedServerRefusesTheConnectionAndTheDefaultDsnConnectsAfterTheRestart) {
    StopServer();
    CADODatabase db;
    db.SetConnectionString(kDefaultConnectionString);
    EXPECT_FALSE(db.Open());
    ErrorText error = ParseDatabaseError(db.GetLastErrorString());
    EXPECT_EQ(error.subject, "Dsn=test;uid=someuser;pwd=****");
    EXPECT_THAT(error.description, HasSubstr("SQLSTATE 08001: "));
    EXPECT_THAT(error.description, HasSubstr("Connection refused"));
    StartServer();
    EXPECT_TRUE(db.Open()) << db.GetLastErrorString();
}

}  // namespace
