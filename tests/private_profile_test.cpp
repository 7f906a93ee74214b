#include "common/private_profile.h"

#include <gtest/gtest.h>

#include "common/platform/platform.h"
#include "support/test_support.h"

using profile::FindValue;
using profile::ParseInt;
using profile::SetValue;
using namespace testing_support;

TEST(PrivateProfileRead, NamesBlanksQuotesAndLineEnds) {
    const std::string text =
        "; comment = no\r\n"
        "[general]\r\n"
        "  hotfolderpath  =  /srv/hot  \r\n"
        "Quoted=\"  keeps inner blanks  \"\n"
        "Single='x'\n"
        "Mismatched=\"x'\n"
        ";DetailedLog=1\n"
        "Empty=\n"
        "NoEquals\n"
        "[ Other ]\n"
        "Key=other\n";
    EXPECT_EQ(FindValue(text, "General", "HotFolderPath"), "/srv/hot");
    EXPECT_EQ(FindValue(text, "GENERAL", "quoted"), "  keeps inner blanks  ");
    EXPECT_EQ(FindValue(text, "General", "Single"), "x");
    EXPECT_EQ(FindValue(text, "General", "Mismatched"), "\"x'");
    EXPECT_EQ(FindValue(text, "General", "DetailedLog"), std::nullopt);  // commented out
    EXPECT_EQ(FindValue(text, "General", "Empty"), "");                  // present but empty
    EXPECT_EQ(FindValue(text, "General", "NoEquals"), std::nullopt);
    EXPECT_EQ(FindValue(text, "other", "key"), "other");
    EXPECT_EQ(FindValue(text, "General", "Key"), std::nullopt);
    EXPECT_EQ(FindValue(text, "Missing", "Key"), std::nullopt);
}

TEST(PrivateProfileRead, FirstSectionAndFirstKeyWin) {
    const std::string text = "[General]\nA=1\nA=2\n[General]\nA=3\nB=4\n";
    EXPECT_EQ(FindValue(text, "General", "A"), "1");
    EXPECT_EQ(FindValue(text, "General", "B"), std::nullopt);  // only the first section is looked at
}

TEST(PrivateProfileRead, IntegerForms) {
    EXPECT_EQ(ParseInt("42"), 42);
    EXPECT_EQ(ParseInt("  -17xyz"), -17);
    EXPECT_EQ(ParseInt("+8"), 8);
    EXPECT_EQ(ParseInt("0x1F"), 31);
    EXPECT_EQ(ParseInt("0X1f"), 31);
    EXPECT_EQ(ParseInt("letters"), 0);
    EXPECT_EQ(ParseInt("-"), 0);
    EXPECT_EQ(ParseInt("4294967295"), -1);  // wraps like the Windows reader
}

TEST(PrivateProfileWrite, KeepsEveryOtherLineByteForByte) {
    const std::string text =
        "; top\r\n[General]\r\n  LogFile = old.log ; not a comment\r\nOther=1\r\n\r\n[Next]\r\nX=2\r\n";
    std::string updated = SetValue(text, "general", "logfile", "new.log", "\n");
    EXPECT_EQ(updated, "; top\r\n[General]\r\n  LogFile=new.log\r\nOther=1\r\n\r\n[Next]\r\nX=2\r\n");
}

TEST(PrivateProfileWrite, AddsKeyAtEndOfSectionAndSectionAtEndOfFile) {
    const std::string text = "[General]\nA=1\n\n[Next]\nX=2";
    EXPECT_EQ(SetValue(text, "General", "B", "2", "\r\n"), "[General]\nA=1\nB=2\n\n[Next]\nX=2");
    EXPECT_EQ(SetValue(text, "Next", "Y", "3", "\n"), "[General]\nA=1\n\n[Next]\nX=2\nY=3\n");
    EXPECT_EQ(SetValue(text, "New", "K", "v", "\n"), "[General]\nA=1\n\n[Next]\nX=2\n[New]\nK=v\n");
    EXPECT_EQ(SetValue("", "General", "K", "v", "\n"), "[General]\nK=v\n");
    EXPECT_EQ(SetValue("[General]\r\n", "General", "K", "v", "\n"), "[General]\r\nK=v\r\n");
}

class ProfileFileTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string ini = dir / "QuillCollector.ini";
};

TEST_F(ProfileFileTest, WriteCreatesFileThenReadsBack) {
    ASSERT_EQ(platform::WriteProfileString(ini, "General", "HotFolderPath", "/srv/hot"), 0);
    ASSERT_EQ(platform::WriteProfileString(ini, "General", "DetailedLog", "1"), 0);
    const std::string nl = kProfileLineEnd;
    EXPECT_EQ(ReadFile(ini), "[General]" + nl + "HotFolderPath=/srv/hot" + nl + "DetailedLog=1" + nl);
    EXPECT_EQ(platform::ReadProfileString(ini, "General", "HotFolderPath", "d", 4096), "/srv/hot");
    EXPECT_EQ(platform::ReadProfileInt(ini, "General", "DetailedLog", 5), 1);
    EXPECT_EQ(platform::ReadProfileInt(ini, "General", "Missing", 5), 5);
    EXPECT_EQ(platform::ReadProfileString(dir / "none.ini", "General", "K", "def", 4096), "def");
}

TEST_F(ProfileFileTest, EmptyIntegerValueReadsAsDefault) {
    WriteFile(ini, "[General]\nSamplingFrequency=\nDetailedLog=abc\n");
    EXPECT_EQ(platform::ReadProfileInt(ini, "General", "SamplingFrequency", 5000), 5000);
    EXPECT_EQ(platform::ReadProfileInt(ini, "General", "DetailedLog", 7), 0);
}

TEST_F(ProfileFileTest, LineBreakInValueIsRefusedAndFileUntouched) {
    WriteFile(ini, "[General]\nA=1\n");
    EXPECT_NE(platform::WriteProfileString(ini, "General", "A", "x\n[Evil]\nB=2"), 0);
    EXPECT_EQ(ReadFile(ini), "[General]\nA=1\n");
}
