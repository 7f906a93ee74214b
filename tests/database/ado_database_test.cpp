#include "service/database/ado_database.h"

#include <gtest/gtest.h>

#include "driver_test.h"
#include "error_text.h"
#include "service/database/ado_recordset.h"

using testing::HasSubstr;
using testing::Not;
using testing_support::kDefaultConnectionString;

namespace {

class DatabaseTest : public DriverTest {
  protected:
    // The session's own number on the server (PostgreSQL), to see which connection is which.
    int BackendId(CADODatabase& db) {
        CADORecordset records(&db);
        int id = -1;
        EXPECT_TRUE(
            records.Open(db.GetActiveConnection(), "SELECT pg_backend_pid()", CADORecordset::ModeQuery));
        records.GetFieldValue(0, id);
        return id;
    }
    bool SessionExists(int id) {
        CADODatabase db;
        CADORecordset records(&db);
        int count = -1;
        EXPECT_TRUE(db.Open(database.DsnLessConnectionString()));
        EXPECT_TRUE(records.Open(db.GetActiveConnection(),
                                 "SELECT count(*) FROM pg_stat_activity WHERE pid = " + std::to_string(id),
                                 CADORecordset::ModeQuery));
        records.GetFieldValue(0, count);
        return count == 1;
    }
};

TEST_P(DatabaseTest, TheDefaultConnectionStringReachesTheTestDsnAndADriverConnectsWithoutOne) {
    CADODatabase db;
    db.SetConnectionString(kDefaultConnectionString);
    EXPECT_TRUE(db.Open()) << db.GetLastErrorString();
    EXPECT_TRUE(db.GetActiveConnection()->IsOpen());
    db.Close();
    EXPECT_FALSE(db.GetActiveConnection()->IsOpen());
    db.SetConnectionTimeout(5);
    EXPECT_TRUE(db.Open(database.DsnLessConnectionString())) << db.GetLastErrorString();
    EXPECT_TRUE(
        db.Execute("CREATE TABLE " + std::string(IsPostgres() ? "pg_temp." : "") + "scratch (a INTEGER)"));
    EXPECT_EQ(db.GetLastErrorString(), "");
}

TEST_P(DatabaseTest, OpenOnAnOpenConnectionClosesTheFirstSessionAndCloseTwiceDoesNothing) {
    CADODatabase db;
    db.Close();  // never opened
    ASSERT_TRUE(db.Open(database.DsnLessConnectionString()));
    int first = IsPostgres() ? BackendId(db) : 0;
    ASSERT_TRUE(db.Open());  // the stored connection string again
    if (IsPostgres()) {
        EXPECT_NE(BackendId(db), first);
        EXPECT_TRUE(testing_support::WaitFor([&] { return !SessionExists(first); }));
    }
    db.Close();
    db.Close();
    EXPECT_EQ(db.GetLastErrorString(), "");
}

TEST_P(DatabaseTest, ExecuteCountsEveryRowAndAFailureLeavesTheCountAtZero) {
    std::string table = NewTable("RCAFNM VARCHAR(40), RCCODE INTEGER");
    CADODatabase db;
    ASSERT_TRUE(db.Open(database.DsnLessConnectionString()));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(db.Execute("INSERT INTO " + table + " VALUES ('a.pdf', " + std::to_string(i) + ")"));
    EXPECT_EQ(db.GetRecordsAffected(), 1);
    ASSERT_TRUE(db.Execute("UPDATE " + table + " SET RCCODE = RCCODE + 1 WHERE RCAFNM = 'a.pdf'"));
    EXPECT_EQ(db.GetRecordsAffected(), 3);
    ASSERT_TRUE(db.Execute("UPDATE " + table + " SET RCCODE = 1 WHERE RCAFNM = 'none.pdf'"));
    EXPECT_EQ(db.GetRecordsAffected(), 0);

    ASSERT_TRUE(db.Execute("UPDATE " + table + " SET RCCODE = 7"));
    EXPECT_FALSE(db.Execute("UPDATE " + table + " SET nocolumn = 1"));
    EXPECT_EQ(db.GetRecordsAffected(), 0);
    ErrorText error = ParseDatabaseError(db.GetLastErrorString());
    ASSERT_TRUE(error.wellFormed) << db.GetLastErrorString();
    EXPECT_EQ(error.source, "SQLExecDirect");
    EXPECT_THAT(error.description, HasSubstr("nocolumn"));
    EXPECT_EQ(error.code, IsPostgres() ? "80040e14" : "80004005");  // 42703 / HY000

    ASSERT_TRUE(db.Execute("DELETE FROM " + table));  // a later success keeps the error text
    EXPECT_EQ(db.GetRecordsAffected(), 3);
    EXPECT_EQ(ParseDatabaseError(db.GetLastErrorString()).code, error.code);
}

TEST_P(DatabaseTest, ExecuteBindsParametersSoQuotesAndBackslashesStayValues) {
    std::string table = NewTable("RCAFNM VARCHAR(40), RCCODE BIGINT");
    CADODatabase db;
    ASSERT_TRUE(db.Open(database.DsnLessConnectionString()));
    std::string sly = "x' OR '1'='1";
    ASSERT_TRUE(db.Execute("INSERT INTO " + table + " VALUES (?, ?)", {sly, std::int64_t{3000000000}}));
    ASSERT_TRUE(db.Execute("INSERT INTO " + table + " VALUES (?, ?)", {"back\\slash;--", std::int64_t{-2}}));
    ASSERT_TRUE(db.Execute("UPDATE " + table + " SET RCCODE = ? WHERE RCAFNM = ?", {std::int64_t{5}, sly}));
    EXPECT_EQ(db.GetRecordsAffected(), 1);
    ASSERT_TRUE(db.Execute("UPDATE " + table + " SET RCCODE = RCCODE WHERE RCAFNM = ?", {"back\\slash;--"}));
    EXPECT_EQ(db.GetRecordsAffected(), 1);
    EXPECT_FALSE(db.Execute("UPDATE " + table + " SET RCCODE = ? WHERE RCAFNM = ?", {std::int64_t{1}}));
    EXPECT_EQ(db.GetRecordsAffected(), 0);
}

// What each driver reports for a connection that cannot be made.
struct OpenFailure {
    const char* name;
    std::string connectionString;
    std::string shownAs;  // the connection string in the error text
    const char* descriptionPart;
};

TEST_P(DatabaseTest, OpenFailuresRecordTheStringWithPasswordsMaskedAndTheDriversDiagnostics) {
    std::vector<OpenFailure> cases = {
        {"unknown DSN", "Dsn=nosuch;uid=someuser;pwd=7305", "Dsn=nosuch;uid=someuser;pwd=****",
         "SQLSTATE IM002: [unixODBC][Driver Manager]Data source name not found"},
        {"unknown driver", "Driver={No Such Driver};Password={se;cr}}et};Database=x",
         "Driver={No Such Driver};Password=****;Database=x", "Can't open lib 'No Such Driver'"},
    };
    if (IsPostgres()) {
        std::string wrong = database.DsnLessConnectionStringWithPassword("wrong");
        std::string refused = database.DsnLessConnectionString();
        std::string port = "Port=" + std::to_string(testing_support::postgres_server::Port());
        refused.replace(refused.find(port), port.size(), "Port=1");
        cases.push_back({"wrong password", wrong, wrong.substr(0, wrong.size() - 5) + "****",
                         "password authentication failed for user \"someuser\""});
        cases.push_back(
            {"closed port", refused, refused.substr(0, refused.size() - 4) + "****", "Connection refused"});
    } else {
        std::string missing = testing_support::DriverSidePath(dir.path()) + "/missing/x.sqlite";
        cases.push_back({"missing folder", "Driver=SQLite3;Database=" + missing + ";PWD=1",
                         "Driver=SQLite3;Database=" + missing + ";PWD=****", "connect failed"});
    }
    for (const OpenFailure& failure : cases) {
        SCOPED_TRACE(failure.name);
        CADODatabase db;
        db.SetConnectionString(failure.connectionString);
        EXPECT_FALSE(db.Open());
        ErrorText error = ParseDatabaseError(db.GetLastErrorString());
        ASSERT_TRUE(error.wellFormed) << db.GetLastErrorString();
        EXPECT_EQ(error.subject, failure.shownAs);
        EXPECT_EQ(error.code, "80004005");
        EXPECT_EQ(error.meaning, UnspecifiedErrorMeaning());
        EXPECT_EQ(error.source, "SQLDriverConnect");
        EXPECT_THAT(error.description, HasSubstr(failure.descriptionPart));
        EXPECT_EQ(db.GetLastErrorCode(), 0x80004005u);
        EXPECT_FALSE(db.Execute("SELECT 1"));  // still usable: a closed connection is reported
        EXPECT_THAT(db.GetLastErrorString(), HasSubstr("SQLSTATE 08003"));
        db.Close();
    }
}

TEST_P(DatabaseTest, AnErrorWhileClosingInTheDestructorGoesToTheLogInsteadOfOutOfIt) {
    auto* db = new CADODatabase;
    ASSERT_TRUE(db->Open(database.DsnLessConnectionString()));
    db->GetActiveConnection()->FailNextCloseForTesting();
    testing::internal::CaptureStdout();
    delete db;
    std::string output = testing::internal::GetCapturedStdout();
    EXPECT_THAT(LogText(), HasSubstr("CADODatabase: the connection could not be closed"));
    EXPECT_THAT(LogText(), HasSubstr("CADODataBase Error:\n Code: 80004005\n Code meaning: " +
                                     UnspecifiedErrorMeaning() +
                                     "\n Source: SQLDisconnect\n Description: SQLSTATE 25000: "));
    EXPECT_EQ(output, LogText());
}

TEST_P(DatabaseTest, LogComErrorWritesTheErrorAsOneEntry) {
    CADODatabase db;
    ASSERT_TRUE(db.Open(database.DsnLessConnectionString()));
    CADORecordset records(&db);
    records.Close();
    try {
        records.IsEof();  // never opened: the error comes through
        FAIL() << "no error";
    } catch (const db::_com_error& error) {
        testing::internal::CaptureStdout();
        LogComError(error);
        testing::internal::GetCapturedStdout();
    }
    EXPECT_THAT(
        LogText(),
        HasSubstr(" - CADODataBase Error:\n Code: 80004005\n Code meaning: " + UnspecifiedErrorMeaning() +
                  "\n Source: Recordset.EOF\n Description: SQLSTATE HY010: The recordset is closed\n"
                  " failed with error "));
    db::_com_error bare(db::kErrorInvalidPointer);
    testing::internal::CaptureStdout();
    LogComError(bare);
    testing::internal::GetCapturedStdout();
    EXPECT_THAT(LogText(), HasSubstr("Code: 80004003\n Code meaning: " + InvalidPointerMeaning() +
                                     "\n Source: (null)\n Description: (null)\n"));
}

INSTANTIATE_FOR_TESTED_DRIVERS(DatabaseTest);

}  // namespace
