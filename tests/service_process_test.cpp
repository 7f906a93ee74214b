// The real service program, run from a temporary installation folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/test_support.h"

using namespace testing_support;

namespace {

class ServiceProcessTest : public ::testing::Test {
  protected:
    ServiceProcessTest() { CopyProgram(BinPath("QuillCollectorService"), program); }

    std::unique_ptr<Child> Start() {
        return std::make_unique<Child>(std::vector<std::string>{program}, output, elsewhere.path());
    }
    bool LogHas(const std::string& text) {
        return ReadFile(install / "QuillCollector.Log").find(text) != std::string::npos;
    }

    TempDir install, elsewhere;
    std::string program = install / ExecutableName("QuillCollectorService");
    std::string output = elsewhere / "stdout.txt";
};

const std::regex kStartEntry(
    std::string(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} - QuillCollector Started\. failed with error -?\d+: )") +
    kSystemTextPattern + "\r\n");

}  // namespace

TEST_F(ServiceProcessTest, RunsOnDefaultsWithoutSettingsFile) {
    auto service = Start();
    ASSERT_TRUE(WaitFor([&] { return LogHas("QuillCollector Started."); }));
    SleepMs(200);
    EXPECT_TRUE(service->Running());  // waiting out the default 5000 ms pause
    std::string log = ReadFile(install / "QuillCollector.Log");
    // The default hot folder may be missing here: then its one entry follows.
    std::string start = log.substr(0, log.find("\r\n") + 2);
    EXPECT_TRUE(std::regex_match(start, kStartEntry)) << log;
    // (Windows system texts bring a line end of their own, so an entry may end in two.)
    std::size_t next = log.find_first_not_of("\r\n", start.size());
    EXPECT_TRUE(next == std::string::npos ||
                log.find(" - Hot Folder Can't be read, Error ", next) == next + 23)
        << log;
    EXPECT_EQ(ReadFile(output), log);  // the same entry on standard output
    EXPECT_FALSE(FileExists(elsewhere / "QuillCollector.Log"));
}

TEST_F(ServiceProcessTest, StartEntryIsWrittenWhateverDetailedLogSays) {
    WriteFile(install / "QuillCollector.ini",
              "[General]\nDetailedLog=0\nSamplingFrequency=-5\nLogFile=service.log\n");
    auto service = Start();
    ASSERT_TRUE(
        WaitFor([&] { return ReadFile(install / "service.log").find("Started.") != std::string::npos; }));
    SleepMs(300);
    EXPECT_TRUE(service->Running());  // a negative interval polls without pause but keeps going
}

TEST_F(ServiceProcessTest, EndsOnlyWhenTerminated) {
    WriteFile(install / "QuillCollector.ini", "[General]\nSamplingFrequency=20\n");
    auto service = Start();
    ASSERT_TRUE(WaitFor([&] { return LogHas("Started."); }));
    SleepMs(300);
    ASSERT_TRUE(service->Running());
    service->Kill();
    std::string log = ReadFile(install / "QuillCollector.Log");
    EXPECT_EQ(log.find("Started."), log.rfind("Started."));  // one start entry, however many passes
}

TEST_F(ServiceProcessTest, AnIntervalBeyondTheSignedRangeIsALongPauseNotNone) {
    std::filesystem::create_directory(install / "hot");
    std::filesystem::create_directory(install / "hot/passes.PDF");  // found, and passed over, every pass
    WriteFile(install / "QuillCollector.ini",
              "[General]\nSamplingFrequency=2147483648\nDetailedLog=1\n"
              "HotFolderPath=" +
                  (install / "hot") + "\n");
    auto service = Start();
    ASSERT_TRUE(WaitFor([&] { return LogHas("Start Collect Files."); }));
    SleepMs(500);
    EXPECT_TRUE(service->Running());
    std::string log = ReadFile(install / "QuillCollector.Log");
    EXPECT_EQ(log.find("Start Collect Files."), log.rfind("Start Collect Files."));  // one pass so far
}

TEST_F(ServiceProcessTest, SecondServiceOfTheSameInstallationRefusesToStart) {
    WriteFile(install / "QuillCollector.ini", "[General]\nSamplingFrequency=20\n");
    auto first = Start();
    ASSERT_TRUE(WaitFor([&] { return LogHas("QuillCollector Started."); }));
    const std::string refused = "QuillCollector Not Started: another service runs from this folder (";
    Child second({program}, elsewhere / "second.txt", elsewhere.path());
    EXPECT_EQ(second.Wait(), 1);
    EXPECT_NE(ReadFile(elsewhere / "second.txt").find(refused), std::string::npos);
    EXPECT_TRUE(LogHas(refused));
    EXPECT_TRUE(first->Running());
    first->Kill();
    auto third = Start();  // the lock goes with the process that held it, however it ended
    EXPECT_TRUE(WaitFor([&] {
        std::string log = ReadFile(install / "QuillCollector.Log");
        return log.find("Started.") != log.rfind("Started.");
    }));
}
