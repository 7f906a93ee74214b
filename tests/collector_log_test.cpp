#include "service/collector_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "support/program_dir_fixture.h"

using namespace testing_support;

namespace {

// timestamp, " - ", text, " failed with error ", code, ": ", system text, CR LF
const std::regex kEntryShape(
    std::string(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} - ([\s\S]*) failed with error (-?\d+): ()") +
    kSystemTextPattern + ")\r\n");

}  // namespace

TEST(CollectorLogFormat, EntryKeepsTextAndShowsNegativeCodes) {
    platform::LocalTime t{2026, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(FormatLogEntry(t, "100% done\nnext %s", -2147483647 - 1, "Some text"),
              "2026-01-02 03:04:05.006 - 100% done\nnext %s failed with error -2147483648: Some text\r\n");
}

using CollectorLogTest = ProgramDirTest;

TEST_F(CollectorLogTest, AppendsEntriesBesideTheProgramAndOnStandardOutput) {
    WriteFile(dir / "QuillCollector.Log", "earlier\r\n");
    testing::internal::CaptureStdout();
    WriteLog("first 50% \n line");
    std::string first = testing::internal::GetCapturedStdout();
    testing::internal::CaptureStdout();
    WriteLogF("second %d", 2);
    std::string second = testing::internal::GetCapturedStdout();
    EXPECT_EQ(ReadFile(dir / "QuillCollector.Log"), "earlier\r\n" + first + second);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(first, m, kEntryShape)) << first;
    EXPECT_EQ(m[1], "first 50% \n line");
    EXPECT_EQ(m[3], platform::ErrorText(std::stoi(m[2])));  // the text belongs to the code shown
    EXPECT_NE(second.find(" - second 2 failed with error "), std::string::npos) << second;
}

TEST_F(CollectorLogTest, LogFileValueWithSeparatorIsUsedAsItStands) {
    TempDir other;
    WriteIni("LogFile=" + (other / "collector.log") + "\n");
    testing::internal::CaptureStdout();
    WriteLog("to the other folder");
    testing::internal::GetCapturedStdout();
    EXPECT_NE(ReadFile(other / "collector.log").find("to the other folder"), std::string::npos);
    EXPECT_FALSE(FileExists(dir / "QuillCollector.Log"));
}

TEST_F(CollectorLogTest, UnopenableLogFileLeavesStandardOutputOnly) {
    for (const std::string& value : {std::string(""), dir / "missing/folder/x.log", dir.path()}) {
        WriteIni("LogFile=" + value + "\n");
        testing::internal::CaptureStdout();
        WriteLog("still running");
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(std::regex_match(out, kEntryShape)) << value << ": " << out;
    }
}

TEST_F(CollectorLogTest, DetailedMessagesFollowTheSettingAtEachCall) {
    testing::internal::CaptureStdout();
    WriteDetailedLogF("hidden %d", 1);
    WriteIni("DetailedLog=2\n");
    WriteDetailedLogF("shown %d", 2);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("hidden"), std::string::npos);
    EXPECT_NE(out.find("shown 2"), std::string::npos);
}
