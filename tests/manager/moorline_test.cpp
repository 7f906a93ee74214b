// The stand-in service host, run as a real program on a real unit folder. systemd does not run here, so
// the steps that talk to it are checked with a recording program in place of systemctl.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "common/settings.h"
#include "manager/service_host.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

const char* const kUnit = "QuillCollectorService.service";

class MoorlineTest : public ::testing::Test {
  protected:
    MoorlineTest() {
        mkdir(host.c_str(), 0755);
        mkdir(units.c_str(), 0755);
        CopyProgram(BinPath("Moorline"), host + "/Moorline");
    }
    ~MoorlineTest() override {
        unsetenv("TESTSIGNER_RECORD");
        unsetenv("TESTSIGNER_EXIT");
    }

    void WriteConfig(const std::string& processLines,
                     const std::string& serviceName = "QuillCollectorService") {
        WriteFile(host + "/Moorline.ini", "[Settings]\nServiceName=" + serviceName +
                                              "\nProcCount=1\nCheckProcess=1\n[Process0]\n" + processLines);
    }
    // Runs the host with the given arguments; its standard error lands in `output`.
    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), {host + "/Moorline", "--unit-dir", units, "--user", user});
        std::string outputFile = dir / "output.txt";
        unlink(outputFile.c_str());
        Child child(args, outputFile);
        child.CloseInput();
        int code = child.Wait();
        output = ReadFile(outputFile);
        return code;
    }
    // A recording program in place of systemctl, failing on the calls `exitCodes` says.
    std::string FakeSystemctl(const std::string& exitCodes = "0") {
        setenv("TESTSIGNER_RECORD", (dir / "systemctl.txt").c_str(), 1);
        setenv("TESTSIGNER_EXIT", exitCodes.c_str(), 1);
        return BinPath("TestSigner");
    }

    TempDir dir;
    std::string host = dir / "Quill 100%";  // blanks and a percent sign that systemd must not expand
    std::string units = dir / "units";
    std::string user = "qc-test-no-such-user";  // the service runs as root, as without the package
    std::string output;
};

}  // namespace

TEST_F(MoorlineTest, InstallWritesTheUnitFromTheManagersConfig) {
    SetProgramDirectoryForTesting(host);
    WriteServiceHostConfig();
    SetProgramDirectoryForTesting("");
    ASSERT_EQ(Run({"--systemd=no", "-i"}), 0) << output;
    EXPECT_EQ(ReadFile(units + "/" + kUnit),
              "# Written by Moorline -i; Moorline -u removes it.\n"
              "[Unit]\n"
              "Description=QuillCollectorService, run by Moorline\n"
              "Wants=network-online.target\n"
              "After=network-online.target\n"
              "\n"
              "[Service]\n"
              "Type=exec\n"
              "WorkingDirectory=" +
                  dir.path() +
                  "/Quill 100%%\n"
                  "ExecStart=\"" +
                  dir.path() +
                  "/Quill 100%%/QuillCollectorService\"\n"
                  "Restart=no\n"
                  "# KillMode stays control-group: stopping the service also stops a signer it has started.\n"
                  "\n"
                  "[Install]\n"
                  "WantedBy=multi-user.target\n");
    struct stat st {};
    ASSERT_EQ(stat((units + "/" + kUnit).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(MoorlineTest, WithoutSystemdTheUnitIsWrittenAndRemovedAndItSaysSo) {
    WriteConfig("CommandLine=QuillCollectorService\nWorkingDir=/opt/quill\nRestart=Yes\n");
    ASSERT_EQ(Run({"--systemd=no", "-i"}), 0);
    EXPECT_NE(
        ReadFile(units + "/" + kUnit).find("ExecStart=/opt/quill/QuillCollectorService\nRestart=always\n"),
        std::string::npos);
    EXPECT_NE(
        output.find("Moorline -i: wrote " + units + "/" + kUnit +
                    " for /opt/quill/QuillCollectorService, run as root: there is no unprivileged user " +
                    user + "\n"),
        std::string::npos)
        << output;
    EXPECT_NE(output.find("Moorline -i: systemd is not running here: " + std::string(kUnit) +
                          " was neither enabled nor started\n"),
              std::string::npos)
        << output;

    ASSERT_EQ(Run({"--systemd=no", "-u"}), 0);
    EXPECT_FALSE(FileExists(units + "/" + kUnit));
    EXPECT_NE(output.find("systemd is not running here: " + std::string(kUnit) + " was neither stopped"),
              std::string::npos);
    ASSERT_EQ(Run({"--systemd=no", "-u"}), 0);
    EXPECT_NE(output.find("is not installed, nothing done"), std::string::npos) << output;

    // The same lines, one per action, are kept in Moorline.log beside the host.
    std::string log = ReadFile(host + "/Moorline.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 5) << log;
    EXPECT_NE(log.find(output), std::string::npos);
}

TEST_F(MoorlineTest, WhereTheUserExistsTheServiceRunsAsThatUserInsideItsProtections) {
    user = "nobody";
    if (getpwnam(user.c_str()) == nullptr) GTEST_SKIP() << "there is no user nobody here";
    WriteConfig("CommandLine=QuillCollectorService\nWorkingDir=/opt/quill\n");
    ASSERT_EQ(Run({"--systemd=no", "-i"}), 0) << output;
    EXPECT_NE(
        output.find("for /opt/quill/QuillCollectorService, run as user nobody with the unit's protections\n"),
        std::string::npos)
        << output;
    std::string unit = ReadFile(units + "/" + kUnit);
    // The lines that the service's work depends on; the package test measures the whole unit's exposure.
    for (const char* line : {"\nUser=nobody\n", "\nUMask=0007\n", "\nNoNewPrivileges=yes\n",
                             "\nCapabilityBoundingSet=CAP_LEASE\n", "\nAmbientCapabilities=CAP_LEASE\n",
                             "\nProtectSystem=full\n", "\nSystemCallFilter=@system-service\n",
                             "\nRestrictAddressFamilies=AF_UNIX AF_INET AF_INET6\n"})
        EXPECT_NE(unit.find(line), std::string::npos) << line << " is missing from\n" << unit;
    EXPECT_LT(unit.find("\nUser="), unit.find("[Install]"));
    EXPECT_EQ(unit.find("ProtectHome"), std::string::npos) << "archive documents may lie in /home";

    // root is no unprivileged user: its unit is the plain one.
    user = "root";
    ASSERT_EQ(Run({"--systemd=no", "-i"}), 0) << output;
    EXPECT_EQ(ReadFile(units + "/" + kUnit).find("User="), std::string::npos);
    EXPECT_NE(output.find("run as root: there is no unprivileged user root"), std::string::npos) << output;
}

TEST_F(MoorlineTest, AutomaticModeSeesThatSystemdIsNotRunning) {
    struct stat st {};
    if (stat("/run/systemd/system", &st) == 0) GTEST_SKIP() << "systemd runs on this machine";
    WriteConfig("CommandLine=QuillCollectorService\nWorkingDir=/opt/quill\n");
    ASSERT_EQ(Run({"-i"}), 0);
    EXPECT_NE(output.find("neither enabled nor started"), std::string::npos) << output;
}

TEST_F(MoorlineTest, WithSystemdTheUnitIsReloadedEnabledStartedAndLaterStoppedDisabledRemoved) {
    WriteConfig("CommandLine=QuillCollectorService\nWorkingDir=/opt/quill\n");
    std::string systemctl = FakeSystemctl();
    ASSERT_EQ(Run({"--systemd=yes", "--systemctl", systemctl, "-i"}), 0) << output;
    ASSERT_EQ(Run({"--systemd=yes", "--systemctl", systemctl, "-u"}), 0) << output;
    EXPECT_FALSE(FileExists(units + "/" + kUnit));
    EXPECT_EQ(ReadFile(dir / "systemctl.txt"),
              "<daemon-reload>\n"
              "<enable> <QuillCollectorService.service>\n"
              "<start> <QuillCollectorService.service>\n"
              "<stop> <QuillCollectorService.service>\n"
              "<disable> <QuillCollectorService.service>\n"
              "<daemon-reload>\n");
    EXPECT_NE(output.find("Moorline -u: systemctl daemon-reload: done"), std::string::npos) << output;
}

TEST_F(MoorlineTest, FailingSystemctlStopsTheStepsWithExitCodeFour) {
    WriteConfig("CommandLine=QuillCollectorService\nWorkingDir=/opt/quill\n");
    std::string systemctl = FakeSystemctl("0 5 0");  // enable fails
    EXPECT_EQ(Run({"--systemd=yes", "--systemctl", systemctl, "-i"}), 4);
    EXPECT_NE(output.find("systemctl enable QuillCollectorService.service: failed with exit code 5"),
              std::string::npos)
        << output;
    EXPECT_EQ(ReadFile(dir / "systemctl.txt"), "<daemon-reload>\n<enable> <QuillCollectorService.service>\n");

    // A service that cannot be stopped keeps its unit file.
    unlink((dir / "systemctl.txt").c_str());
    setenv("TESTSIGNER_EXIT", "1", 1);
    EXPECT_EQ(Run({"--systemd=yes", "--systemctl", systemctl, "-u"}), 4);
    EXPECT_TRUE(FileExists(units + "/" + kUnit));
    EXPECT_EQ(Run({"--systemd=yes", "--systemctl", dir / "no-such-systemctl", "-u"}), 4);
    EXPECT_NE(output.find("cannot run"), std::string::npos) << output;
}

TEST_F(MoorlineTest, BadConfigChangesNothingAndGivesExitCodeTwo) {
    EXPECT_EQ(Run({"--systemd=no", "-i"}), 2);  // no Moorline.ini at all
    EXPECT_NE(output.find("there is no file " + host + "/Moorline.ini"), std::string::npos) << output;
    const std::pair<std::string, std::string> bad[] = {
        {"../escape", "CommandLine=Q\nWorkingDir=/opt/quill\n"},
        {"Quill@x", "CommandLine=Q\nWorkingDir=/opt/quill\n"},
        {"QuillCollectorService", "CommandLine=Q\nWorkingDir=relative/path\n"},
        {"QuillCollectorService", "CommandLine=\nWorkingDir=/opt/quill\n"},
        {"QuillCollectorService", "CommandLine=Q\nWorkingDir=/opt/quill\nRestart=Sometimes\n"},
    };
    for (const auto& [name, lines] : bad) {
        WriteConfig(lines, name);
        EXPECT_EQ(Run({"--systemd=no", "-i"}), 2) << name << " " << lines;
        EXPECT_NE(output.find("nothing done"), std::string::npos) << output;
    }
    WriteFile(host + "/Moorline.ini", "[Settings]\nServiceName=Q\nProcCount=2\n");
    EXPECT_EQ(Run({"--systemd=no", "-i"}), 2);
    EXPECT_NE(output.find("ProcCount 2"), std::string::npos) << output;
    EXPECT_FALSE(FileExists(dir / "escape.service"));
    EXPECT_TRUE(std::filesystem::is_empty(units)) << "a unit file was written";
}

TEST_F(MoorlineTest, WrongCommandLineOrUnitFolderGiveTheirExitCodes) {
    WriteConfig("CommandLine=QuillCollectorService\nWorkingDir=/opt/quill\n");
    EXPECT_EQ(Run({}), 1);
    EXPECT_EQ(Run({"-x"}), 1);
    EXPECT_EQ(Run({"-i", "-u"}), 1);
    EXPECT_NE(output.find("usage: Moorline"), std::string::npos);
    EXPECT_EQ(Run({"--systemd=no", "--unit-dir", dir / "missing", "-i"}), 3);
    EXPECT_NE(output.find("cannot write " + dir / "missing/" + kUnit), std::string::npos) << output;
}
