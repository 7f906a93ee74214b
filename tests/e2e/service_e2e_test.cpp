#include <cstdint>
#include <cstdlib>

#include "common/platform/platform.h"
#include "e2e_fixture.h"

using namespace testing_support;

class ServiceEndToEnd : public EndToEndTest {};

// The table of the installation's defaults on PostgreSQL (schema brxadta).
class ServiceEndToEndDefaultTable : public ServiceEndToEnd {
  protected:
    ServiceEndToEndDefaultTable() {
        if (IsPostgres()) table = "BRXADTA.ARC001";
    }
};

TEST_P(ServiceEndToEndDefaultTable, KeyExampleIsSignedByTheRealSignerAndCounted) {
    // openssl cannot run under Wine: scripts/windows.sh checks the Windows signer from the Linux side.
    if (platform::kPathSeparator != '/') GTEST_SKIP() << "openssl runs on the Linux side only";
    CopyProgram(BinPath("Sealwright"), install / ExecutableName("Sealwright"));
    std::string keys = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=e2e -keyout '" +
                       (install / "Sealwright.key") + "' -out '" + (install / "Sealwright.crt") +
                       "' 2>/dev/null";
    ASSERT_EQ(std::system(keys.c_str()), 0);
    std::string document = install / "archive document.pdf";
    WriteFile(document, "%PDF-1.4 archived\n");
    AddRow("AP15566778890", document, 41);
    StartWith({{"Sealwright", "Sealwright"}});

    ASSERT_TRUE(Process("job.PDF", "AP0 5566 7788 XY90\n")) << install.Log();
    EXPECT_EQ(Counter(document), "42");
    std::string verify = "openssl cms -verify -binary -content '" + document + "' -in '" + document +
                         ".p7s' -inform DER -noverify -out /dev/null 2>/dev/null";
    EXPECT_EQ(std::system(verify.c_str()), 0);
    EXPECT_TRUE(install.WaitForLog("ProcessCsvFile OK: FileName = " + Logged(Hot("job.PDF"))));
    EXPECT_NE(install.Log().find("WHERE RCBCDE = 'AP15566778890'"), std::string::npos);
}

TEST_P(ServiceEndToEnd, EveryMatchingRowIsSignedAndCountedOnce) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    AddRow("K1XY", "/archive/b.pdf", std::nullopt);  // NULL counter becomes 1
    AddRow("K1XY", "/archive/c.pdf", 40000);
    AddRow("K2XY", "/archive/other.pdf", 7);
    StartWith();
    ASSERT_TRUE(Process("one.pdf", "K1ABXY\n")) << install.Log();
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
    EXPECT_EQ(Counter("/archive/b.pdf"), "1");
    EXPECT_EQ(Counter("/archive/c.pdf"), "40001");
    EXPECT_EQ(Counter("/archive/other.pdf"), "7");
    EXPECT_EQ(install.SignerCalls().size(), 3u);
    EXPECT_EQ(install.CountInLog("Number of results from Query = 3"), 1);
    EXPECT_EQ(install.CountInLog("NumAffected = 1"), 3);
}

TEST_P(ServiceEndToEnd, FailuresAreLoggedAndTheTriggerFileIsRemovedAllTheSame) {
    AddRow("K1XY", "/archive/a.pdf", 5);
    AddRow("K1XY", "/archive/b.pdf", 5);
    AddRow("K1XY", "/archive/c.pdf", 5);
    install.SetSignerExitCodes("0 3");
    StartWith({{"UseBackupFolder", "1"}});

    ASSERT_TRUE(Process("nothing.pdf", "NOSUCHKEY\n"));  // no row: -5
    EXPECT_TRUE(
        install.WaitForLog("File Can't be signed, Error -5, No file name was returned from SQL Query"));
    EXPECT_TRUE(install.WaitForLog("ProcessCsvFile Error: FileName = " + Logged(Hot("nothing.pdf"))));
    EXPECT_TRUE(
        install.WaitForLog("Document Key = NOSUCEY, File = " + Logged(Hot("nothing.pdf")) + ", Result = -5"));
    ASSERT_TRUE(Process("crlf.pdf", "NO\\SUCH\tKEY\r\n"));  // the record shows them escaped
    EXPECT_TRUE(install.WaitForLog("Document Key = NO\\\\SUCH\\tY\\r, File = " + Logged(Hot("crlf.pdf")) +
                                   ", Result = -5"));

    ASSERT_TRUE(Process("second-fails.pdf", "K1ABXY\n"));  // the signer fails on the second row: -3
    std::vector<std::string> calls = install.SignerCalls();
    ASSERT_EQ(calls.size(), 2u);
    int counted = 0;
    for (const char* file : {"/archive/a.pdf", "/archive/b.pdf", "/archive/c.pdf"})
        counted += Counter(file) == "6";
    EXPECT_EQ(counted, 1);
    EXPECT_EQ(Counter(calls[0].substr(1, calls[0].size() - 2)), "6");  // the one signed first
    EXPECT_TRUE(install.WaitForLog("Result = -3"));
    EXPECT_TRUE(FileExists(Backup("nothing.pdf")));
    EXPECT_TRUE(FileExists(Backup("second-fails.pdf")));
}

TEST_P(ServiceEndToEnd, TheLogIsSetAsideAtItsLimitKeepingTheChosenNumberOfOldFiles) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith({{"DetailedLog", "1"}, {"LogFileLimitKB", "1"}, {"LogFilesKept", "2"}});
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(Process("doc" + std::to_string(i) + ".pdf", "K1ABXY\n"));
    for (const char* old : {"QuillCollector.Log.1", "QuillCollector.Log.2"}) {
        std::string text = ReadFile(install / old);
        EXPECT_GE(text.size(), 1024u) << old;  // set aside once it had reached the limit, whole entries only
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << old;
    }
    EXPECT_FALSE(FileExists(install / "QuillCollector.Log.3"));
    EXPECT_EQ(Counter("/archive/a.pdf"), "6");
}

TEST_P(ServiceEndToEnd, ConnectionAndQueryFailuresGiveMinusTwo) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith({{"ConnectionString", "Driver=No Such Driver;Pwd=secret"}});
    ASSERT_TRUE(Process("bad-connection.pdf", "K1ABXY\n"));
    EXPECT_TRUE(
        install.WaitForLog("pAdoDb->Open Error: Connection String = Driver=No Such Driver;Pwd=****\n"));
    EXPECT_TRUE(install.WaitForLog("Result = -2"));

    Configure({{"TableName", "NoSuchTable"}});
    ASSERT_TRUE(Process("bad-table.pdf", "K1ABXY\n"));
    EXPECT_TRUE(
        install.WaitForLog("pRs->Open Error: Query = SELECT RCAFNM,RCCODE FROM NoSuchTable WHERE RCBCDE = "
                           "'K1XY'\nCADORecordset Error"));
    EXPECT_EQ(install.CountInLog("Result = -2"), 2);
    EXPECT_TRUE(install.SignerCalls().empty());
    EXPECT_EQ(Counter("/archive/a.pdf"), "0");
}

TEST_P(ServiceEndToEnd, QuotesAndSemicolonsInKeysMatchOnlyThemselves) {
    AddRow("A'OR'1'='1;--\\", "/archive/quoted.pdf", 0);
    AddRow("PLAIN", "/archive/plain.pdf", 0);
    StartWith();
    ASSERT_TRUE(Process("quoted.pdf", "A' OR '1'='1;-ZZ-\\\n"));  // key: A'OR'1'='1;-- and a backslash
    EXPECT_EQ(Counter("/archive/quoted.pdf"), "1");
    EXPECT_EQ(Counter("/archive/plain.pdf"), "0");
    EXPECT_EQ(install.SignerCalls(), std::vector<std::string>{"</archive/quoted.pdf>"});
}

TEST_P(ServiceEndToEnd, BackupCollisionPutsTheFileOnTheSkipList) {
    StartWith({{"UseBackupFolder", "1"}});
    WriteFile(Backup("taken.pdf"), "earlier");
    install.DropTrigger("taken.pdf", "K9ABXY\n");
    ASSERT_TRUE(install.WaitForLog("File Can't be moved: "));
    // It stays where the service holds it, away from other collectors, and the entry names that place.
    std::string moveFailed =
        "File Can't be moved: " + Logged(Held("taken.pdf")) + ", " + Logged(Backup("taken.pdf"));
    ASSERT_TRUE(install.WaitForLog(moveFailed)) << install.Log();
    int processingEntries = install.CountInLog("Start Processing File = " + Logged(Hot("taken.pdf")));
    ASSERT_TRUE(WaitFor([&] {
        return install.CountInLog("Start Processing File = " + Logged(Hot("taken.pdf"))) >=
               processingEntries + 3;
    }));
    EXPECT_EQ(install.CountInLog("Number of results from Query"), 1);  // processed once only
    EXPECT_EQ(install.CountInLog(moveFailed), 1);
    EXPECT_TRUE(FileExists(Held("taken.pdf")));
    EXPECT_EQ(ReadFile(Backup("taken.pdf")), "earlier");
    install.DropTrigger("taken.pdf", "K9ABXY\n");  // a new one under the same name waits too, as before
    ASSERT_TRUE(WaitFor([&] {
        return install.CountInLog("Start Processing File = " + Hot("taken.pdf")) >= processingEntries + 6;
    }));
    EXPECT_EQ(install.CountInLog("Number of results from Query"), 1);
    EXPECT_TRUE(FileExists(Hot("taken.pdf")));
}

TEST_P(ServiceEndToEnd, MaskLetterCaseSubfoldersAndOtherFiles) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith();
    std::filesystem::create_directory(Hot("folder.PDF"));
    WriteFile(Hot("notes.txt"), "K1ABXY\n");
    ASSERT_TRUE(Process("lower.pdf", "K1ABXY\n"));
    SleepMs(200);
    EXPECT_TRUE(FileExists(Hot("notes.txt")));
    EXPECT_TRUE(std::filesystem::is_directory(Hot("folder.PDF")));
    EXPECT_EQ(install.CountInLog("folder.PDF"), 0);
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
}

TEST_P(ServiceEndToEnd, DetailedLogChangedWhileTheServiceRuns) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith({{"DetailedLog", "0"}});
    ASSERT_TRUE(Process("quiet.pdf", "K1ABXY\n"));
    EXPECT_EQ(install.CountInLog("Start Processing File"), 0);
    EXPECT_EQ(install.CountInLog("Number of results from Query = 1"), 1);  // always written
    Configure({{"DetailedLog", "1"}});
    ASSERT_TRUE(Process("loud.pdf", "K1ABXY\n"));
    EXPECT_TRUE(install.WaitForLog("Start Processing File = " + Logged(Hot("loud.pdf"))));
    EXPECT_TRUE(install.WaitForLog("Sign OK: Update Query = UPDATE " + table +
                                   " SET RCCODE = 2 WHERE RCAFNM = "
                                   "'/archive/a.pdf', NumAffected = 1"));
}

TEST_P(ServiceEndToEnd, RemoteSigningHandsTheVellumSettingsToTheSigner) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith({{"VellumSignType", "0"},
               {"VellumChannel", "ch"},
               {"VellumIPAddress", "10.0.0.9"},
               {"VellumPort", "77"}});
    ASSERT_TRUE(Process("local.pdf", "K1ABXY\n"));
    Configure({{"VellumSignType", "1"},
               {"VellumChannel", "ch"},
               {"VellumIPAddress", "10.0.0.9"},
               {"VellumPort", "77"}});
    ASSERT_TRUE(Process("remote.pdf", "K1ABXY\n"));
    EXPECT_EQ(install.SignerCalls(),
              (std::vector<std::string>{"</archive/a.pdf>", "</archive/a.pdf> <10.0.0.9> <77> <ch>"}));
    EXPECT_TRUE(install.WaitForLog("SignType = 1, Channel = ch, IPAddress = 10.0.0.9, Port = 77\n"));
}

TEST_P(ServiceEndToEnd, CountersBeyondThirtyTwoBitsGoOnAndTheLargestIsNotSigned) {
    if (IsPostgres()) sql->Execute("ALTER TABLE " + table + " ALTER COLUMN RCCODE TYPE BIGINT");
    AddRow("K1XY", "/archive/a.pdf", 2147483647);
    AddRow("K2XY", "/archive/top.pdf", INT64_MAX);
    StartWith();
    ASSERT_TRUE(Process("first.pdf", "K1ABXY\n"));
    ASSERT_TRUE(Process("second.pdf", "K1ABXY\n"));
    EXPECT_EQ(Counter("/archive/a.pdf"), "2147483649");
    EXPECT_TRUE(install.WaitForLog("Update Query = UPDATE " + table +
                                   " SET RCCODE = 2147483649 WHERE RCAFNM = '/archive/a.pdf'"));
    ASSERT_TRUE(Process("top.pdf", "K2ABXY\n"));
    EXPECT_TRUE(install.WaitForLog(
        "File Can't be signed, Error -4, Row 1 can't be read: RCCODE 9223372036854775807 cannot be raised"));
    EXPECT_EQ(install.SignerCalls().size(), 2u);
    EXPECT_EQ(Counter("/archive/top.pdf"), "9223372036854775807");
}

// The counter column declared as a decimal, a floating or a text type: whole numbers are counted, any
// other value is refused with what it is and why, and its document is not signed.
TEST_P(ServiceEndToEnd, CountersOfEveryNumericKindAndOfTextAreRaised) {
    StartWith();
    for (std::string type : {"NUMERIC", "DOUBLE PRECISION", "TEXT"}) {
        SCOPED_TRACE(type);
        sql->Execute("DROP TABLE " + table);
        sql->Execute("CREATE TABLE " + table + " (RCBCDE VARCHAR(64), RCAFNM VARCHAR(512), RCCODE " + type +
                     ")");
        bool text = type == "TEXT";
        sql->Execute("INSERT INTO " + table + " VALUES ('K1XY', '/archive/whole.pdf', " +
                     (text ? "' +7 '" : "7") + "), ('K2XY', '/archive/half.pdf', " +
                     (text ? "'7.5'" : "7.5") + ")");
        int calls = static_cast<int>(install.SignerCalls().size());
        ASSERT_TRUE(Process("whole.pdf", "K1ABXY\n")) << install.Log();
        std::optional<std::string> counted = Counter("/archive/whole.pdf");
        ASSERT_TRUE(counted);
        EXPECT_EQ(std::stod(*counted), 8) << *counted;
        ASSERT_TRUE(Process("half.pdf", "K2ABXY\n"));
        EXPECT_TRUE(install.WaitForLog("Row 1 can't be read: RCCODE '7.5' is not a whole number"));
        EXPECT_EQ(install.SignerCalls().size(), calls + 1u);
        EXPECT_EQ(std::stod(Counter("/archive/half.pdf").value_or("0")), 7.5);
        EXPECT_TRUE(
            install.WaitForLog("Document Key = K2XY, File = " + Logged(Hot("half.pdf")) + ", Result = -4"));
    }
    EXPECT_EQ(install.CountInLog("RCCODE '7.5' is not a whole number"), 3);
    EXPECT_EQ(install.CountInLog("Result = -4"), 3);
}

// A table whose trigger refuses the update of one row: the rows before it stay counted, the failure is
// logged with the driver's text (password masked) and the document's key stays on record.
TEST_P(ServiceEndToEnd, RejectedUpdateIsAFailureWithTheDriversText) {
    for (const char* file : {"/archive/a.pdf", "/archive/b.pdf", "/archive/c.pdf"})
        AddRow("K1XY", file, 5);
    std::string refuse = IsPostgres() ? "brxadta.refuse" + UniqueSuffix() : "";
    if (IsPostgres()) {
        sql->Execute(
            "CREATE FUNCTION " + refuse +
            "() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION 'counting refused'; END$$");
        sql->Execute("CREATE TRIGGER refuse BEFORE UPDATE ON " + table +
                     " FOR EACH ROW WHEN (OLD.RCAFNM = '/archive/b.pdf') EXECUTE FUNCTION " + refuse + "()");
    } else {
        sql->Execute(
            "CREATE TRIGGER refuse BEFORE UPDATE ON " + table +
            " WHEN OLD.RCAFNM = '/archive/b.pdf' BEGIN SELECT RAISE(ABORT, 'counting refused'); END");
    }
    StartWith({{"DetailedLog", "0"}});
    bool processed = Process("refused.pdf", "K1ABXY\n");
    if (IsPostgres()) sql->Execute("DROP FUNCTION " + refuse + "() CASCADE");
    ASSERT_TRUE(processed);

    std::vector<std::string> calls = install.SignerCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "</archive/b.pdf>");  // nothing after the refused row
    for (std::size_t i = 0; i + 1 < calls.size(); ++i)
        EXPECT_EQ(Counter(calls[i].substr(1, calls[i].size() - 2)), "6") << calls[i];
    EXPECT_EQ(Counter("/archive/b.pdf"), "5");
    EXPECT_TRUE(install.WaitForLog("File Can't be counted, Error -4, Update Query = UPDATE " + table +
                                   " SET RCCODE = 6 WHERE RCAFNM = '/archive/b.pdf'\nConnection String = "
                                   "Dsn=test;uid=someuser;pwd=****\nCADODataBase Error"));
    EXPECT_TRUE(install.WaitForLog("counting refused"));
    EXPECT_TRUE(
        install.WaitForLog("Document Key = K1XY, File = " + Logged(Hot("refused.pdf")) + ", Result = -4"));
    EXPECT_TRUE(install.WaitForLog("ProcessCsvFile Error: FileName = " + Logged(Hot("refused.pdf"))));
    EXPECT_EQ(install.CountInLog("7305"), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, ServiceEndToEndDefaultTable, ::testing::ValuesIn(TestedDrivers()),
                         DriverTestName);
INSTANTIATE_TEST_SUITE_P(Drivers, ServiceEndToEnd, ::testing::ValuesIn(TestedDrivers()), DriverTestName);
