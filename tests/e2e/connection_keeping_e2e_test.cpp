// The service's database connection between documents, and the bounds of its database calls.
#include "e2e_fixture.h"

using namespace testing_support;

namespace {

class ServiceConnection : public EndToEndTest {
  protected:
    // The default connection string, its sessions named on the PostgreSQL server so that this test finds
    // its own among those of the tests running beside it.
    std::string NamedConnectionString() {
        application = "qc" + UniqueSuffix();
        std::string named = kDefaultConnectionString;
        return IsPostgres() ? named + ";pqopt={application_name=" + application + "}" : named;
    }
    std::optional<std::string> ServiceSessions(const std::string& what) {
        return sql->QueryValue("SELECT " + what + " FROM pg_stat_activity WHERE application_name = '" +
                               application + "'");
    }

    std::string application;
};

}  // namespace

TEST_P(ServiceConnection, DocumentsOneAfterAnotherUseOneLoginAndAChangedStringTakesEffectAtTheNext) {
    for (const char* key : {"K1XY", "K2XY", "K3XY", "K4XY"})
        AddRow(key, std::string("/archive/") + key + ".pdf", 0);
    std::string connection = NamedConnectionString();
    StartWith({{"ConnectionString", connection}});
    ASSERT_TRUE(Process("one.pdf", "K1ABXY\n"));
    std::optional<std::string> session = IsPostgres() ? ServiceSessions("min(pid)") : std::nullopt;
    ASSERT_TRUE(Process("two.pdf", "K2ABXY\n"));
    ASSERT_TRUE(Process("three.pdf", "K3ABXY\n"));
    if (IsPostgres()) {
        EXPECT_EQ(ServiceSessions("count(*)"), "1");
        EXPECT_EQ(ServiceSessions("min(pid)"), session);  // the first document's login
    }
    EXPECT_EQ(install.CountInLog("Result = "), 0) << install.Log();

    Configure({{"ConnectionString", "Dsn=qc_no_such_source"}});
    ASSERT_TRUE(Process("four.pdf", "K4ABXY\n"));
    EXPECT_TRUE(install.WaitForLog("pAdoDb->Open Error: Connection String = Dsn=qc_no_such_source\n"));
    EXPECT_TRUE(install.WaitForLog("Document Key = K4XY, File = " + Hot("four.pdf") + ", Result = -2"));
    if (IsPostgres()) {
        EXPECT_TRUE(WaitFor([&] { return ServiceSessions("count(*)") == "0"; }));  // let go at once
    }
    EXPECT_EQ(Counter("/archive/K3XY.pdf"), "1");
    EXPECT_EQ(Counter("/archive/K4XY.pdf"), "0");
}

TEST_P(ServiceConnection, AConnectionUnusedForKeepConnectionSecondsIsClosedAndZeroKeepsNone) {
    if (!IsPostgres()) GTEST_SKIP() << "SQLite has no server whose sessions can be counted";
    AddRow("K1XY", "/archive/a.pdf", 0);
    AddRow("K2XY", "/archive/b.pdf", 0);
    std::string connection = NamedConnectionString();
    // Long enough that the session is still there when a busy machine gets to look.
    StartWith({{"ConnectionString", connection}, {"KeepConnectionSeconds", "5"}});
    ASSERT_TRUE(Process("one.pdf", "K1ABXY\n"));
    EXPECT_EQ(ServiceSessions("count(*)"), "1");
    EXPECT_TRUE(WaitFor([&] { return ServiceSessions("count(*)") == "0"; }));

    Configure({{"ConnectionString", connection}, {"KeepConnectionSeconds", "0"}});
    ASSERT_TRUE(Process("two.pdf", "K2ABXY\n"));
    // The server counts a session until its process has ended; kept, it would stay 60 s.
    EXPECT_TRUE(WaitFor([&] { return ServiceSessions("count(*)") == "0"; }, 20000));
    EXPECT_EQ(Counter("/archive/b.pdf"), "1");
}

TEST_P(ServiceConnection, ASessionEndedByTheServerBetweenDocumentsCostsTheNextDocumentNothing) {
    if (!IsPostgres()) GTEST_SKIP() << "SQLite has no server session to end";
    AddRow("K1XY", "/archive/a.pdf", 0);
    AddRow("K2XY", "/archive/b.pdf", 0);
    StartWith({{"ConnectionString", NamedConnectionString()}});
    ASSERT_TRUE(Process("one.pdf", "K1ABXY\n"));
    std::optional<std::string> ended = ServiceSessions("min(pid)");
    ASSERT_TRUE(ended);
    sql->Execute("SELECT pg_terminate_backend(" + *ended + ", 20000)");
    ASSERT_TRUE(Process("two.pdf", "K2ABXY\n"));
    EXPECT_EQ(install.CountInLog("Result = "), 0) << install.Log();
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
    EXPECT_EQ(Counter("/archive/b.pdf"), "1");
    EXPECT_EQ(install.SignerCalls().size(), 2u);
    EXPECT_EQ(ServiceSessions("count(*)"), "1");
    EXPECT_NE(ServiceSessions("min(pid)"), ended);
}

TEST_P(ServiceConnection, ADatabaseLockedPastQueryTimeoutFailsTheDocumentWithItsKeyAndTheNextGoesThrough) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    AddRow("K2XY", "/archive/b.pdf", 0);
    // The driver named in the string itself: under Wine a DSN lives in the host's configuration, where the
    // service cannot look up its driver (on Windows it reads the DSN's driver from the registry).
    StartWith({{"QueryTimeout", "1"}, {"ConnectionString", database->DsnLessConnectionString()}});
    OdbcClient holder(database->DsnLessConnectionString());
    holder.Execute(IsPostgres() ? "BEGIN" : "BEGIN EXCLUSIVE");
    if (IsPostgres()) holder.Execute("LOCK TABLE " + table + " IN ACCESS EXCLUSIVE MODE");
    ASSERT_TRUE(Process("locked.pdf", "K1ABXY\n"));
    EXPECT_TRUE(install.WaitForLog("Document Key = K1XY, File = " + Hot("locked.pdf") + ", Result = -2"));
    holder.Execute("COMMIT");
    ASSERT_TRUE(Process("free.pdf", "K2ABXY\n"));
    EXPECT_EQ(install.CountInLog("Result = "), 1) << install.Log();
    EXPECT_EQ(Counter("/archive/a.pdf"), "0");
    EXPECT_EQ(Counter("/archive/b.pdf"), "1");
    EXPECT_TRUE(install.SignerCalls().size() == 1u);
}

INSTANTIATE_TEST_SUITE_P(Drivers, ServiceConnection, ::testing::ValuesIn(TestedDrivers()), DriverTestName);
