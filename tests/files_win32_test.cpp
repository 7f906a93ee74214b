// Files and the log where Windows has its own rules: the backslash, the system's message texts, short
// file-name aliases and share modes that the system enforces.
#include <gtest/gtest.h>

#include "common/platform/platform.h"
#include "service/collector_log.h"
#include "support/program_dir_fixture.h"

using namespace testing_support;

TEST(CollectorLogFormat, LocationRuleWithBackslashes) {
    EXPECT_EQ(ResolveLogFilePath("QuillCollector.Log", "c:\\qc"), "c:\\qc\\QuillCollector.Log");
    EXPECT_EQ(ResolveLogFilePath("d:\\logs\\qc.log", "c:\\qc"), "d:\\logs\\qc.log");
    EXPECT_EQ(ResolveLogFilePath("logs\\qc.log", "c:\\qc"), "logs\\qc.log");  // relative: current directory
    EXPECT_EQ(ResolveLogFilePath("d:/logs/qc.log", "c:\\qc"),
              "c:\\qc\\d:/logs/qc.log");  // '/' does not count
    EXPECT_EQ(ResolveLogFilePath("", "c:\\qc"), "c:\\qc\\");
}

TEST(LastError, TextComesFromTheSystemAndLeavesTheCodeAlone) {
    platform::SetLastError(5);
    EXPECT_FALSE(platform::ErrorText(2).empty());    // the wording is the system's own
    EXPECT_EQ(platform::ErrorText(0x2000FFFF), "");  // no text: the piece stays empty
    EXPECT_EQ(platform::LastError(), 5);
}

TEST(DirectoryEnumeration, NameMatchedOnlyThroughItsShortAliasIsPassedOver) {
    TempDir dir;
    WriteFile(dir / "report.pdfx", "not a trigger file");
    WriteFile(dir / "b.pdf", "1");
    platform::DirectoryEnumeration e;
    platform::FoundFile f;
    std::vector<std::string> names;
    int result = e.Start(dir / "*.pdf", f);
    for (; result == 0; result = e.Next(f))
        names.push_back(f.name);
    EXPECT_EQ(result, platform::kNoMoreFiles);
    EXPECT_EQ(names, std::vector<std::string>{"b.pdf"});
}

using CollectorLogTest = ProgramDirTest;

TEST_F(CollectorLogTest, LogFileHeldByAWriterLeavesStandardOutputOnly) {
    std::string logFile = dir / "QuillCollector.Log";
    WriteFile(logFile, "earlier\r\n");
    std::string out;
    {
        HeldFile writer("open-write", logFile);
        testing::internal::CaptureStdout();
        WriteLog("while held");
        out = testing::internal::GetCapturedStdout();
    }
    EXPECT_NE(out.find("while held"), std::string::npos);
    EXPECT_EQ(ReadFile(logFile), "earlier\r\n");
    testing::internal::CaptureStdout();
    WriteLog("after release");
    testing::internal::GetCapturedStdout();
    EXPECT_NE(ReadFile(logFile).find("after release"), std::string::npos);
}
