#include "service/collector_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "support/program_dir_fixture.h"

using namespace testing_support;

namespace {

// timestamp, " - ", text, " failed with error ", code, ": ", system text, CR LF
const std::regex kEntryShape(
    R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3} - ([\s\S]*) failed with error (-?\d+): ([^\r\n]*)\r\n)");

}  // namespace

TEST(CollectorLogFormat, EntryKeepsTextAndShowsNegativeCodes) {
    platform::LocalTime t{2026, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(FormatLogEntry(t, "100% done\nnext %s", -2147483647 - 1, "Some text"),
              "2026-01-02 03:04:05.006 - 100% done\nnext %s failed with error -2147483648: Some text\r\n");
}

TEST(CollectorLogFormat, LocationRule) {
    EXPECT_EQ(ResolveLogFilePath("QuillCollector.Log", "/opt/qc"), "/opt/qc/QuillCollector.Log");
    EXPECT_EQ(ResolveLogFilePath("/var/log/qc.log", "/opt/qc"), "/var/log/qc.log");
    EXPECT_EQ(ResolveLogFilePath("logs/qc.log", "/opt/qc"), "logs/qc.log");  // relative: current directory
    EXPECT_EQ(ResolveLogFilePath("c:\\logs\\qc.log", "/opt/qc"), "/opt/qc/c:\\logs\\qc.log");
    EXPECT_EQ(ResolveLogFilePath("", "/opt/qc"), "/opt/qc/");
}

using CollectorLogTest = ProgramDirTest;

TEST_F(CollectorLogTest, AppendsEntriesBesideTheProgramAndOnStandardOutput) {
    WriteFile(dir / "QuillCollector.Log", "earlier\r\n");
    WriteIni("DetailedLog=0\n");  // a successful settings read leaves the caller's last error standing
    testing::internal::CaptureStdout();
    platform::SetLastError(13);
    WriteLog("first 50% \n line");
    WriteLogF("second %d", 2);
    std::string out = testing::internal::GetCapturedStdout();
    std::string file = ReadFile(dir / "QuillCollector.Log");
    EXPECT_EQ(file, "earlier\r\n" + out);
    std::smatch m;
    std::string first = out.substr(0, out.find("\r\n") + 2);
    ASSERT_TRUE(std::regex_match(first, m, kEntryShape)) << first;
    EXPECT_EQ(m[1], "first 50% \n line");
    EXPECT_EQ(m[2], "13");
    EXPECT_EQ(m[3], "Permission denied");
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
