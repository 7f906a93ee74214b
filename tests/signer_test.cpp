#include "service/signer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "service/log_text.h"
#include "support/program_dir_fixture.h"
#include "support/signer_fixture.h"

using namespace testing_support;

TEST(SignerCommandLine, BothFormsQuoteEveryValueAndPutTheChannelLast) {
    SignerCommand local = BuildSignerCommand("/opt/qc/Sealwright", "/arc/a b.pdf", "chan", "", "8080");
    EXPECT_EQ(local.text, "\"/opt/qc/Sealwright\" \"/arc/a b.pdf\"");
    EXPECT_EQ(local.arguments, (std::vector<std::string>{"/opt/qc/Sealwright", "/arc/a b.pdf"}));
    SignerCommand remote = BuildSignerCommand("Sealwright", "/arc/a.pdf", "chan", "10.0.0.1", "");
    EXPECT_EQ(remote.text, "\"Sealwright\" \"/arc/a.pdf\" \"10.0.0.1\" \"\" \"chan\"");
    EXPECT_EQ(remote.arguments,
              (std::vector<std::string>{"Sealwright", "/arc/a.pdf", "10.0.0.1", "", "chan"}));
}

TEST(SignerCommandLine, TrimsAsciiAndUnicodeWhiteSpace) {
    EXPECT_EQ(TrimWhiteSpace(" \t/arc/a b.pdf\r\n "), "/arc/a b.pdf");
    EXPECT_EQ(TrimWhiteSpace("\xC2\xA0\xE3\x80\x80/arc/x.pdf\xE2\x80\xAF"), "/arc/x.pdf");
    EXPECT_EQ(TrimWhiteSpace("/arc/\xC3\xA9.pdf"), "/arc/\xC3\xA9.pdf");  // é is not a space
    EXPECT_EQ(TrimWhiteSpace(" \xC2\xA0 "), "");
}

TEST_F(SignFileTest, PassesTrimmedArgumentsExactlyAndReturnsTheExitCode) {
    EXPECT_EQ(Sign("  /arc/it's a; $(x) & %PATH%.pdf \n"), 0);
    EXPECT_EQ(Sign("/arc/b.pdf", "10.1.2.3"), 0);
    EXPECT_EQ(ReadFile(record), "</arc/it's a; $(x) & %PATH%.pdf>\n</arc/b.pdf> <10.1.2.3> <9000> <chan>\n");
    EXPECT_EQ(log, "");  // nothing logged without DetailedLog
}

TEST_F(SignFileTest, ExitCodesComeBackAsTheResult) {
    SetEnv("TESTSIGNER_EXIT", "3 255 0");
    EXPECT_EQ(Sign("/arc/a.pdf"), 3);
    EXPECT_EQ(Sign("/arc/a.pdf"), 255);
    EXPECT_EQ(Sign("/arc/a.pdf"), 0);
}

TEST_F(SignFileTest, EmptyPathStartsNothingAndLogsNothing) {
    WriteIni("Sealwright=TestSigner\nDetailedLog=1\n");
    EXPECT_EQ(Sign(" \t\r\n"), -1);
    EXPECT_EQ(log, "");
    EXPECT_FALSE(FileExists(record));
}

TEST_F(SignFileTest, ProgramThatCannotStartGivesMinusOneAndTheDetailedEntry) {
    WriteIni("Sealwright=" + (dir / "NoSuchSigner") + "\nDetailedLog=1\n");
    EXPECT_EQ(Sign("/arc/a.pdf"), -1);
    EXPECT_NE(log.find("SignFile ExitCode = -1, Command = \"" + EscapeForLog(dir / "NoSuchSigner") +
                       "\" \"/arc/a.pdf\""),
              std::string::npos)
        << log;
    WriteIni("Sealwright=\n");  // present but empty: no program at all
    EXPECT_EQ(Sign("/arc/a.pdf"), -1);
}

TEST_F(SignFileTest, ProgramPathWithBlanks) {
    std::filesystem::create_directory(dir / "signer dir");
    std::string signer = dir / ("signer dir/" + ExecutableName("Test Signer"));
    CopyProgram(BinPath("TestSigner"), signer);
    WriteIni("Sealwright=" + signer + "\nDetailedLog=1\n");
    EXPECT_EQ(Sign("/arc/a.pdf"), 0);
    EXPECT_NE(log.find("SignFile ExitCode = 0"), std::string::npos);
}

TEST_F(SignFileTest, SignerThatOverrunsItsTimeIsStopped) {
    WriteIni("Sealwright=TestSigner\nSignerTimeout=1\n");
    SetEnv("TESTSIGNER_SLEEP", "60");
    EXPECT_EQ(Sign("/arc/slow.pdf"), -1);
    EXPECT_NE(
        log.find("SignFile Timeout after 1 s, signer stopped, Command = \"TestSigner\" \"/arc/slow.pdf\""),
        std::string::npos)
        << log;
}

TEST_F(SignFileTest, ALargeBoundOrNoneLetsASlowSignerFinish) {
    SetEnv("TESTSIGNER_SLEEP", "1");
    for (const char* timeout : {"4294968", "0"}) {  // the first wrapped to 704 ms in 32 bits
        WriteIni(std::string("Sealwright=TestSigner\nSignerTimeout=") + timeout + "\n");
        EXPECT_EQ(Sign("/arc/slow.pdf"), 0) << "SignerTimeout " << timeout;
        EXPECT_EQ(log.find("Timeout"), std::string::npos) << log;
    }
}
