// The PostgreSQL server going away in the middle of a session. These tests stop the shared test server,
// so they run alone (SERIAL).
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

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

namespace {

// A server that takes the connection and never answers: a listening socket nobody accepts from.
class SilentListener {
  public:
    SilentListener() {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(socket_, 8) != 0 ||
            getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            ADD_FAILURE() << "no listener";
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { close(socket_); }
    int Port() const { return port_; }

  private:
    int socket_ = -1;
    int port_ = 0;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST_F(ServerStopTest, ALoginToAServerThatNeverAnswersFailsWithinItsBound) {
    SilentListener listener;
    CADODatabase db;
    db.SetLoginTimeout(1);
    std::string silent =
        "Driver={PostgreSQL Unicode};Servername=127.0.0.1;Port=" + std::to_string(listener.Port()) +
        ";Database=qc_test;Uid=someuser;Pwd=7305";
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(db.Open(silent));
    EXPECT_LT(SecondsSince(start), 10.0);  // without a bound it waits for ever
    EXPECT_THAT(db.GetLastErrorString(), AnyOf(HasSubstr("timeout expired"), HasSubstr("SQLSTATE HYT00")));
}

TEST_F(ServerStopTest, AStatementOnAFrozenServerIsEndedPastItsBoundAndTheConnectionIsNotKept) {
    CADODatabase db;
    db.SetCommandTimeout(1);
    db.SetKeepConnectionSeconds(60);
    ASSERT_TRUE(db.Open(database.DsnLessConnectionString())) << db.GetLastErrorString();
    ASSERT_TRUE(db.Execute("SELECT 1"));
    postgres_server::Freeze();
    auto start = std::chrono::steady_clock::now();
    bool updated = db.Execute("SELECT 2");
    double seconds = SecondsSince(start);
    postgres_server::Thaw();
    EXPECT_FALSE(updated);
    EXPECT_LT(seconds, 10.0);  // without our bound it waits until the server goes on
    EXPECT_THAT(db.GetLastErrorString(), HasSubstr("SQLSTATE HYT00: Timeout expired"));
    db.Close();
    EXPECT_FALSE(db::Connection::HasKeptConnectionForTesting());
    EXPECT_TRUE(db.Open()) << db.GetLastErrorString();
    EXPECT_TRUE(db.Execute("SELECT 3")) << db.GetLastErrorString();
    db.Close();
    db::Connection::DropKeptConnectionForTesting();
}

TEST_F(ServerStopTest, AKeptConnectionLostToARestartIsReplacedBeforeTheQueryRuns) {
    auto first = std::make_unique<CADODatabase>();
    first->SetKeepConnectionSeconds(60);
    ASSERT_TRUE(first->Open(database.DsnLessConnectionString())) << first->GetLastErrorString();
    first.reset();
    ASSERT_TRUE(db::Connection::HasKeptConnectionForTesting());
    StopServer();
    StartServer();

    CADODatabase second;
    second.SetKeepConnectionSeconds(60);
    ASSERT_TRUE(second.Open(database.DsnLessConnectionString())) << second.GetLastErrorString();
    CADORecordset records(&second);
    EXPECT_TRUE(records.Open(second.GetActiveConnection(), "SELECT 1", CADORecordset::ModeQuery))
        << records.GetLastErrorString();
    EXPECT_EQ(records.GetRecordCount(), 1);
    records.Close();
    second.Close();
    EXPECT_TRUE(db::Connection::HasKeptConnectionForTesting());  // the fresh one
    db::Connection::DropKeptConnectionForTesting();
}
