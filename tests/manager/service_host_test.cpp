#include "manager/service_host.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "tests/support/program_dir_fixture.h"

using namespace testing_support;

namespace {

std::string ExpectedNewConfig(const std::string& programDir) {
    return "[Settings]\n"
           "ServiceName=QuillCollectorService\n"
           "ProcCount=1\n"
           "CheckProcess=1\n"
           "[Process0]\n"
           "CommandLine=QuillCollectorService\n"
           "WorkingDir=" +
           programDir +
           "\n"
           "PauseStart=1000\n"
           "PauseEnd=1000\n"
           "UserInterface=No\n"
           "Restart=No\n";
}

// One start of the test host, as it recorded it.
struct HostCall {
    std::string line;
    int pid = 0;
};

class ServiceHostTest : public ProgramDirTest {
  protected:
    void SetUp() override { CopyProgram(BinPath("HostRecorder"), dir / "Moorline"); }

    std::vector<HostCall> WaitForCalls(std::size_t count, const std::string& folder) {
        std::vector<HostCall> calls;
        WaitFor([&] {
            calls.clear();
            std::istringstream lines(ReadFile(folder + "/host_calls.txt"));
            for (std::string line; std::getline(lines, line);)
                calls.push_back({line, std::stoi(line.substr(line.rfind("pid=") + 4))});
            return calls.size() >= count;
        });
        return calls;
    }
    static bool Gone(int pid) { return !FileExists("/proc/" + std::to_string(pid)); }
};

}  // namespace

TEST_F(ServiceHostTest, NewConfigHoldsTheNineKeysInTheirOrder) {
    WriteServiceHostConfig();
    EXPECT_EQ(ReadFile(dir / "Moorline.ini"), ExpectedNewConfig(dir.path()));
}

TEST_F(ServiceHostTest, ExistingConfigKeepsOtherKeysAndSectionsAndGetsTheNineValues) {
    WriteFile(dir / "Moorline.ini",
              "; written by hand\n"
              "[Settings]\n"
              "ServiceName=SomethingElse\n"
              "LogLevel=3\n"
              "\n"
              "[process0]\n"
              "restart = Yes\n"
              "CommandLine=old.exe -x\n"
              "[Process1]\n"
              "CommandLine=second\n");
    WriteServiceHostConfig();
    EXPECT_EQ(ReadFile(dir / "Moorline.ini"),
              "; written by hand\n"
              "[Settings]\n"
              "ServiceName=QuillCollectorService\n"
              "LogLevel=3\n"
              "ProcCount=1\n"
              "CheckProcess=1\n"
              "\n"
              "[process0]\n"
              "restart=No\n"
              "CommandLine=QuillCollectorService\n"
              "WorkingDir=" +
                  dir.path() +
                  "\n"
                  "PauseStart=1000\n"
                  "PauseEnd=1000\n"
                  "UserInterface=No\n"
                  "[Process1]\n"
                  "CommandLine=second\n");
}

TEST_F(ServiceHostTest, InstallAndUninstallWriteTheSameValuesAndStartTheHostWithTheirSwitch) {
    RunServiceHost("-i");
    std::string afterInstall = ReadFile(dir / "Moorline.ini");
    WriteFile(dir / "Moorline.ini", "");
    RunServiceHost("-u");
    EXPECT_EQ(ReadFile(dir / "Moorline.ini"), afterInstall);
    EXPECT_EQ(afterInstall, ExpectedNewConfig(dir.path()));

    std::vector<HostCall> calls = WaitForCalls(2, dir.path());
    ASSERT_EQ(calls.size(), 2u);
    // Either start may record first: they run side by side.
    std::string both = calls[0].line + "\n" + calls[1].line;
    EXPECT_NE(both.find("<" + dir / "Moorline" + "> <-i> cwd="), std::string::npos) << both;
    EXPECT_NE(both.find("<" + dir / "Moorline" + "> <-u> cwd="), std::string::npos) << both;
}

TEST_F(ServiceHostTest, HostRunsHiddenAndDetachedAndIsNotWaitedForButReaped) {
    WriteFile(dir / "hold", "");  // the host stays until this goes
    RunServiceHost("-i");         // returns although the host is still running
    std::vector<HostCall> calls = WaitForCalls(1, dir.path());
    ASSERT_EQ(calls.size(), 1u);
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    EXPECT_EQ(calls[0].line.substr(0, calls[0].line.find(" pid=")),
              "<" + dir / "Moorline" + "> <-i> cwd=" + cwd + " stdin=/dev/null session=own fds=3");
    EXPECT_FALSE(Gone(calls[0].pid));
    unlink((dir / "hold").c_str());
    EXPECT_TRUE(WaitFor([&] { return Gone(calls[0].pid); })) << "the host was left as a zombie";
}

TEST_F(ServiceHostTest, ProgramDirectoryWithBlanksStaysOneArgument) {
    std::string folder = dir / "Quill Apps";
    mkdir(folder.c_str(), 0755);
    CopyProgram(BinPath("HostRecorder"), folder + "/Moorline");
    SetProgramDirectoryForTesting(folder);
    RunServiceHost("-u");
    std::vector<HostCall> calls = WaitForCalls(1, folder);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].line.substr(0, calls[0].line.find(" cwd=")), "<" + folder + "/Moorline> <-u>");
    EXPECT_EQ(ReadFile(folder + "/Moorline.ini"), ExpectedNewConfig(folder));
}

TEST_F(ServiceHostTest, MissingHostReportsNothingAndTheConfigIsStillWritten) {
    unlink((dir / "Moorline").c_str());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    RunServiceHost("-i");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ReadFile(dir / "Moorline.ini"), ExpectedNewConfig(dir.path()));
}

TEST_F(ServiceHostTest, UnwritableConfigStillStartsTheHost) {
    mkdir((dir / "Moorline.ini").c_str(), 0755);  // no file can be written there, whoever runs the test
    RunServiceHost("-i");
    std::vector<HostCall> calls = WaitForCalls(1, dir.path());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].line.find("<-i>"), std::string::npos);
}
