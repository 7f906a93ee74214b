// Signer invocation where Windows differs from POSIX: the signer splits its own command line, and the
// system's program search includes the current directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/platform/platform.h"
#include "support/signer_fixture.h"

using namespace testing_support;

TEST(ArgumentQuoting, QuotesAndTrailingBackslashesCannotPass) {
    EXPECT_TRUE(platform::ArgumentSurvivesQuoting(""));
    EXPECT_TRUE(platform::ArgumentSurvivesQuoting("c:\\arc\\a b.pdf"));
    EXPECT_TRUE(platform::ArgumentSurvivesQuoting("\\\\server\\share\\x.pdf"));
    EXPECT_FALSE(platform::ArgumentSurvivesQuoting("c:\\arc\\\"x\".pdf"));
    EXPECT_FALSE(platform::ArgumentSurvivesQuoting("\""));
    EXPECT_FALSE(platform::ArgumentSurvivesQuoting("c:\\arc\\"));
}

TEST_F(SignFileTest, ValueWithADoubleQuoteIsRefusedWithoutStartingTheSigner) {
    WriteIni("Sealwright=TestSigner\nDetailedLog=1\n");
    EXPECT_EQ(Sign("c:\\arc\\a\" \"b.pdf"), -1);
    EXPECT_NE(log.find("SignFile Refused: a value holds a double quote or ends in a backslash, Command = "
                       "\"TestSigner\" \"c:\\arc\\a\" \"b.pdf\" failed with error "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("SignFile ExitCode = -1"), std::string::npos) << log;
    EXPECT_EQ(Sign("c:\\arc\\a.pdf", "10.0.0.1", "ch\"an"), -1);
    EXPECT_FALSE(FileExists(record));  // no signer ran
}

TEST_F(SignFileTest, ValueEndingInABackslashIsRefused) {
    EXPECT_EQ(Sign("c:\\arc\\a.pdf", "10.0.0.1", "chan\\"), -1);
    EXPECT_NE(log.find("SignFile Refused"), std::string::npos) << log;
    EXPECT_FALSE(FileExists(record));
}

TEST_F(SignFileTest, BackslashesInsideValuesPassExactly) {
    EXPECT_EQ(Sign(" c:\\arc\\a b\\doc.pdf ", "10.0.0.1", "ch\\\\an"), 0);
    EXPECT_EQ(ReadFile(record), "<c:\\arc\\a b\\doc.pdf> <10.0.0.1> <9000> <ch\\\\an>\n");
}

TEST_F(SignFileTest, ExitCodesOf2147483648AndMoreComeOutNegative) {
    SetEnv("TESTSIGNER_EXIT", "-5");
    EXPECT_EQ(Sign("c:\\arc\\a.pdf"), -5);
}

TEST_F(SignFileTest, BareNameIsSearchedInTheCurrentDirectoryAndInPath) {
    TempDir pathDir, cwdDir;
    CopyProgram(BinPath("TestSigner"), pathDir / "PathSigner.exe");
    CopyProgram(BinPath("TestSigner"), cwdDir / "CwdSigner.exe");
    std::string oldPath = GetEnv("PATH");
    SetEnv("PATH", pathDir.path() + kPathListSeparator + oldPath);
    std::filesystem::path oldCwd = std::filesystem::current_path();
    std::filesystem::current_path(cwdDir.path());
    WriteIni("Sealwright=PathSigner\n");
    int viaPath = Sign("c:\\arc\\a.pdf");
    WriteIni("Sealwright=CwdSigner.exe\n");
    int viaCwd = Sign("c:\\arc\\a.pdf");
    std::filesystem::current_path(oldCwd);
    SetEnv("PATH", oldPath);
    EXPECT_EQ(viaPath, 0);
    EXPECT_EQ(viaCwd, 0);
}
