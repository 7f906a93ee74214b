// The PostgreSQL server stops while the service runs and comes back: files fail while it is down, the
// service keeps polling, later files succeed, and no counter is raised twice. Runs alone: it stops the
// server every other database test uses.
#include "e2e_fixture.h"

using namespace testing_support;

using ServiceServerRestart = EndToEndTest;

TEST_P(ServiceServerRestart, FilesFailWhileTheServerIsDownAndSucceedAfterwards) {
    AddRow("K1XY", "/archive/before.pdf", 0);
    AddRow("K2XY", "/archive/during.pdf", 0);
    AddRow("K3XY", "/archive/after.pdf", 0);
    StartWith({{"UseBackupFolder", "1"}});
    ASSERT_TRUE(Process("before.pdf", "K1ABXY\n"));

    postgres_server::Stop();
    bool failed = Process("during.pdf", "K2ABXY\n") && install.WaitForLog("Result = -2");
    SleepMs(300);
    bool polling = install.Running();
    postgres_server::Start();
    ASSERT_TRUE(failed) << install.Log();
    ASSERT_TRUE(polling);
    EXPECT_TRUE(
        install.WaitForLog("pAdoDb->Open Error: Connection String = Dsn=test;uid=someuser;pwd=****\n"));
    EXPECT_TRUE(FileExists(Backup("during.pdf")));  // kept for a later run by hand

    sql = std::make_unique<OdbcClient>(database->DsnLessConnectionString());
    ASSERT_TRUE(Process("after.pdf", "K3ABXY\n"));
    EXPECT_EQ(Counter("/archive/before.pdf"), "1");
    EXPECT_EQ(Counter("/archive/during.pdf"), "0");
    EXPECT_EQ(Counter("/archive/after.pdf"), "1");
    EXPECT_EQ(install.SignerCalls().size(), 2u);
}

TEST_P(ServiceServerRestart, TheConnectionKeptAcrossARestartCostsTheNextDocumentNothing) {
    AddRow("K1XY", "/archive/first.pdf", 0);
    AddRow("K2XY", "/archive/second.pdf", 0);
    StartWith();
    ASSERT_TRUE(Process("first.pdf", "K1ABXY\n"));
    postgres_server::Stop();
    postgres_server::Start();
    sql = std::make_unique<OdbcClient>(database->DsnLessConnectionString());
    ASSERT_TRUE(Process("second.pdf", "K2ABXY\n"));
    EXPECT_EQ(install.CountInLog("Result = "), 0) << install.Log();
    EXPECT_EQ(Counter("/archive/first.pdf"), "1");
    EXPECT_EQ(Counter("/archive/second.pdf"), "1");
}

INSTANTIATE_TEST_SUITE_P(Drivers, ServiceServerRestart, ::testing::Values(DatabaseDriver::PostgreSQL),
                         DriverTestName);
