#include "common/private_profile.h"

#include <gtest/gtest.h>

#include <vector>

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
    EXPECT_EQ(ParseInt("0X1f"), 0);  // the prefix is lower case only, as for the system
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

TEST(PrivateProfileRead, Utf16FileReadsAsUtf8) {
    const char utf16[] =
        "\xFF\xFE[\0G\0]\0\n\0K\0=\0\xFC\0\xAC\x20\x3D\xD8\x00\xDE\n\0";  // u-umlaut, euro sign, a face
    EXPECT_EQ(FindValue(std::string(utf16, sizeof utf16 - 1), "g", "k"),
              "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST_F(ProfileFileTest, LineBreakInValueIsRefusedAndFileUntouched) {
    WriteFile(ini, "[General]\nA=1\n");
    EXPECT_NE(platform::WriteProfileString(ini, "General", "A", "x\n[Evil]\nB=2"), 0);
    EXPECT_EQ(ReadFile(ini), "[General]\nA=1\n");
}

// Odd settings files read through the platform's profile functions: our reader on POSIX, the system's
// own under Windows (Wine in the test runs). One table for both flavours, so that every difference
// between them fails on one side; the few deliberate ones are marked with the flavour they belong to.
namespace {

struct OddProfile {
    const char* what;
    std::string content;
    const char* section;
    const char* key;
    const char* value;  // nullptr: missing, the default comes back
};

const char* const kMissing = "<default>";
const std::string kUtf16Profile = [] {
    std::string text = "\xFF\xFE";
    for (char c : std::string("[General]\r\nHot=/srv/hot\r\n"))
        text += std::string(1, c) + '\0';
    return text;
}();
const std::string kZeroInValue = std::string("[General]\nA=1") + '\0' + "2\nB=3\n";

const std::vector<OddProfile> kOddProfiles = {
    {"UTF-8 byte-order mark", "\xEF\xBB\xBF[General]\r\nA=1\r\n", "General", "A", "1"},
    {"CR-only line ends", "[General]\rA=1\rB=2\r", "General", "B", "2"},
    {"mixed line ends", "[General]\n\rA=1\r\n\n\rB=2", "General", "B", "2"},
    {"section without ']' is no section", "[General]\nA=1\n[Other\nB=2\n", "Other", "B", nullptr},
    {"keys after it stay in the section before", "[General]\nA=1\n[Other\nB=2\n", "General", "B", "2"},
    {"text after ']'", "[General] ; note\nA=1\n", "General", "A", "1"},
    {"blanks in the section line", "[ \tGeneral \t]\nA=1\n", "General", "A", "1"},
    {"key without '=' wins and reads as missing", "[General]\nA\nA=2\n", "General", "A", nullptr},
    {"vertical tab, form feed, Ctrl-Z are blanks", "[General]\n\vA\f=\f1\x1a\n", "General", "A", "1"},
    {"a zero byte ends the value", kZeroInValue, "General", "A", "1"},
    {"the line after a zero byte is read", kZeroInValue, "General", "B", "3"},
    {"equals signs in the value", "[General]\nA = b=c \n", "General", "A", "b=c"},
    {"single quote alone", "[General]\nA=\"\n", "General", "A", "\""},
    {"quotes around blanks", "[General]\nA= \"  \" \n", "General", "A", "  "},
    {"empty value", "[General]\nA=\n", "General", "A", ""},
    {"blanks inside a key name", "[General]\nHot  Folder = x\n", "General", "Hot  Folder", "x"},
    {"key before any section", "A=1\n[General]\nB=2\n", "General", "A", nullptr},
    {"commented key", "[General]\n;A=1\n", "General", "A", nullptr},
    {"first of two sections only", "[General]\nA=1\n[general]\nB=2\n", "General", "B", nullptr},
    {"'[' line with '=' is a key", "[General]\n[A=1\n", "General", "[A", "1"},
    {"brackets in a section name", "[[General]]\nA=1\n", "[General]", "A", "1"},
    {"the name ends at the last ']'", "[General] ; a]\nA=1\n", "General", "A", nullptr},
    {"UTF-16 with its mark", kUtf16Profile, "General", "Hot", "/srv/hot"},
};

struct OddNumber {
    const char* text;
    int value;
};

const std::vector<OddNumber> kOddNumbers = {
    {"0X10", 0},  {"0x10", 16},  {"0xFf", 255},     {"-0x10", -16},     {"0b101", 5},
    {"0o17", 15}, {"0B1", 0},    {"0O7", 0},        {"017", 17},        {"+7", 7},
    {"- 7", 0},   {"12abc", 12}, {"4294967296", 0}, {"4294967295", -1}, {"2147483648", -2147483647 - 1},
    {"0x", 0},    {"x1", 0},     {"\t 9", 9},       {"1 2", 1},         {"0b2", 0},
};

}  // namespace

TEST_F(ProfileFileTest, OddFilesReadAsTheSystemReadsThem) {
    for (const OddProfile& odd : kOddProfiles) {
        WriteFile(ini, odd.content);
        std::string value = platform::ReadProfileString(ini, odd.section, odd.key, kMissing, 4096);
        EXPECT_EQ(value, odd.value ? odd.value : kMissing) << odd.what;
    }
}

TEST_F(ProfileFileTest, OddNumbersReadAsTheSystemReadsThem) {
    for (const OddNumber& odd : kOddNumbers) {
        WriteFile(ini, std::string("[General]\nN=") + odd.text + "\n");
        EXPECT_EQ(platform::ReadProfileInt(ini, "General", "N", 77), odd.value) << odd.text;
    }
}
