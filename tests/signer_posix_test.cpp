// Signer invocation where POSIX differs from Windows: argv passed exactly, signals, program search.
#include <gtest/gtest.h>
#include <unistd.h>

#include "common/platform/platform.h"
#include "support/signer_fixture.h"

using namespace testing_support;

TEST_F(SignFileTest, QuotesInValuesPassExactly) {
    EXPECT_TRUE(platform::ArgumentSurvivesQuoting("it's \"quoted\"\\"));
    EXPECT_EQ(Sign("  /arc/it's \"quoted\"; $(x).pdf \n"), 0);
    EXPECT_EQ(Sign("/arc/b\\", "10.1.2.3"), 0);
    EXPECT_EQ(ReadFile(record), "</arc/it's \"quoted\"; $(x).pdf>\n</arc/b\\> <10.1.2.3> <9000> <chan>\n");
    EXPECT_EQ(log, "");  // nothing logged without DetailedLog
}

TEST_F(SignFileTest, SignalsComeBackAs128PlusTheSignal) {
    SetEnv("TESTSIGNER_SIGNAL", "9");
    EXPECT_EQ(Sign("/arc/a.pdf"), 128 + 9);
}

TEST_F(SignFileTest, BareNameIsSearchedInPathButNotInTheCurrentDirectory) {
    TempDir pathDir, cwdDir;
    CopyProgram(BinPath("TestSigner"), pathDir / "PathSigner");
    CopyProgram(BinPath("TestSigner"), cwdDir / "CwdSigner");
    std::string oldPath = GetEnv("PATH");
    SetEnv("PATH", pathDir.path() + ":" + oldPath);
    char oldCwd[4096];
    ASSERT_TRUE(getcwd(oldCwd, sizeof oldCwd));
    ASSERT_EQ(chdir(cwdDir.path().c_str()), 0);
    WriteIni("Sealwright=PathSigner\n");
    int viaPath = Sign("/arc/a.pdf");
    WriteIni("Sealwright=CwdSigner\n");
    int viaCwd = Sign("/arc/a.pdf");
    ASSERT_EQ(chdir(oldCwd), 0);
    SetEnv("PATH", oldPath);
    EXPECT_EQ(viaPath, 0);
    EXPECT_EQ(viaCwd, -1);
}
