// The service against what only POSIX has: links, FIFOs and devices in the hot folder, another user's
// trigger files, a standard output nobody reads, the host's stop signals.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "e2e_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Whether a process is there and not a zombie.
bool ProcessLives(const std::string& pid) {
    std::string stat = ReadFile("/proc/" + pid + "/stat");
    std::size_t state = stat.rfind(')');
    return state != std::string::npos && state + 2 < stat.size() && stat[state + 2] != 'Z';
}

class ServicePosixFaults : public EndToEndTest {
  protected:
    // Sends the signal and gives the service's exit code once it has ended, -1 when it goes on.
    int StopService(int signal) {
        std::string pid = std::to_string(install.Service().NativeProcess());
        kill(static_cast<pid_t>(install.Service().NativeProcess()), signal);
        if (!WaitFor([&] { return !ProcessLives(pid); }, 10000)) return -1;
        return install.Service().Wait();
    }
};

bool IsOnOtherFileSystem(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev != sb.st_dev;
}

}  // namespace

TEST_P(ServicePosixFaults, LinkTriggerIsNeitherReadNorFollowedAndIsRemoved) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    WriteFile(install / "secret.txt", "K1ABXY\n");  // a key: read through the link, it would be signed
    chmod((install / "secret.txt").c_str(), 0600);
    StartWith();
    ASSERT_EQ(symlink((install / "secret.txt").c_str(), Hot("link.pdf").c_str()), 0);
    ASSERT_EQ(symlink((install / "made-through-link").c_str(), Hot("dangling.pdf").c_str()), 0);
    ASSERT_TRUE(install.WaitUntilGone(Hot("link.pdf")));
    ASSERT_TRUE(install.WaitUntilGone(Hot("dangling.pdf")));
    std::string loop = std::to_string(ELOOP);
    EXPECT_TRUE(install.WaitForLog("File Can't be opened, Error " + loop + ", File = " + Hot("link.pdf")));
    EXPECT_TRUE(
        install.WaitForLog("File Can't be opened, Error " + loop + ", File = " + Hot("dangling.pdf")));
    EXPECT_EQ(install.CountInLog("K1ABXY"), 0);
    EXPECT_EQ(ReadFile(install / "secret.txt"), "K1ABXY\n");
    EXPECT_FALSE(FileExists(install / "made-through-link"));
    EXPECT_EQ(Counter("/archive/a.pdf"), "0");
}

TEST_P(ServicePosixFaults, MoveToAnotherFileSystemTakesOnlyRegularFiles) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    TempDir backup("/dev/shm");
    if (!IsOnOtherFileSystem(install.HotFolder(), backup.path()))
        GTEST_SKIP() << "the hot folder and /dev/shm share a file system";
    StartWith({{"UseBackupFolder", "1"}, {"BackupFolder", backup.path()}});
    ASSERT_EQ(mkfifo(Hot("pipe.pdf").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", Hot("zero.pdf").c_str()), 0);
    ASSERT_TRUE(install.WaitForLog("File Can't be moved: "));  // from the service's own folder
    for (const char* name : {"pipe.pdf", "zero.pdf"})
        EXPECT_TRUE(install.WaitForLog("File Can't be moved: " + Held(name) + ", " + backup / name)) << name;
    ASSERT_TRUE(Process("doc.pdf", "K1ABXY\n"));  // the service goes on
    EXPECT_EQ(ReadFile(backup / "doc.pdf"), "K1ABXY\n");
    EXPECT_FALSE(FileExists(backup / "pipe.pdf"));
    EXPECT_FALSE(FileExists(backup / "zero.pdf"));
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
}

TEST_P(ServicePosixFaults, FileOfAnotherUserIsNotReadWhileItsWriterWrites) {
    if (!CanActAsUnprivilegedUser()) GTEST_SKIP() << "needs root to run the service as another user";
    AddRow("K1XY", "/archive/a.pdf", 0);
    Configure();
    GiveToUnprivilegedUser(install.Folder());
    install.Start(AsUnprivilegedUser({}));
    ASSERT_TRUE(install.WaitForLog("QuillCollector Started."));
    {
        // Written in place by root, a piece every 100 ms for half a second, so that the service meets the
        // file half written; the service may not take a lease on root's file. Each piece comes well inside
        // the second in which a changed file counts as still written, also on a busy machine.
        std::ofstream writer(Hot("slow.pdf"), std::ios::binary);
        for (const char* piece : {"K1", "A", "B", "X", "Y\n"}) {
            writer << piece << std::flush;
            SleepMs(100);
        }
    }
    ASSERT_TRUE(install.WaitUntilGone(Hot("slow.pdf")));
    EXPECT_GT(install.CountInLog("File may still be written, left for a later pass: " + Hot("slow.pdf")), 0);
    EXPECT_EQ(install.CountInLog("Document Key = "), 0);  // no half-read key failed
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
}

// Whatever comes from outside (a file name, a value read from the table) cannot start a line of its own.
TEST_P(ServicePosixFaults, OutsideTextNeverForgesALogLine) {
    const std::string forged = "\r\n2026-12-10 00:00:00.000 - Document Key = FORGED, File = y, Result = -5";
    AddRow("K1XY", "/archive/a.pdf" + forged, 0);
    StartWith();
    ASSERT_TRUE(Process("a.pdf", "K1ABXY\n"));
    ASSERT_TRUE(Process("x.txt" + forged + ".pdf", "K3ABXY\n"));
    std::string log = install.Log();
    const std::string shown = "\\r\\n2026-12-10 00:00:00.000 - Document Key = FORGED";
    EXPECT_GT(install.CountInLog("Sign File: /archive/a.pdf" + shown), 0) << log;
    EXPECT_GT(install.CountInLog("File = " + Hot("x.txt") + shown), 0) << log;
    std::size_t lines = 0;
    for (std::size_t start = 0, end; start < log.size(); start = end + 1, ++lines) {
        end = log.find_first_of("\r\n", start);
        if (end == std::string::npos) end = log.size();
        EXPECT_NE(log.compare(start, 23, "2026-12-10 00:00:00.000"), 0) << log.substr(start, end - start);
    }
    EXPECT_GT(lines, 5u);
}

TEST_P(ServicePosixFaults, StandardOutputNobodyReadsNeverHoldsTheService) {
    std::string pipe = install / "stdout.fifo";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // there, but never reads
    ASSERT_GE(reader, 0);
    fs::create_directory(Hot("folder.pdf"));  // every pass logs "Start Collect Files."
    Configure({{"SamplingFrequency", "0"}});
    install.Start({}, pipe);
    // The pipe holds 64 KB, some 800 entries: far more entries than that reach the log.
    EXPECT_TRUE(WaitFor([&] { return install.CountInLog("Start Collect Files.") > 5000; }, 30000));
    EXPECT_TRUE(install.Running());
    install.Stop();
    close(reader);
}

TEST_P(ServicePosixFaults, FileLeftToItsWriterIsTakenOnceSettledNotAPauseLater) {
    if (!CanActAsUnprivilegedUser()) GTEST_SKIP() << "needs root to run the service as another user";
    AddRow("K1XY", "/archive/a.pdf", 0);
    Configure({{"SamplingFrequency", "60000"}});
    GiveToUnprivilegedUser(install.Folder());
    install.Start(AsUnprivilegedUser({}));
    ASSERT_TRUE(install.WaitForLog("Hot folder watched"));
    // Root's file: the service may not take a lease on it, so the pass that its close wakes leaves it.
    WriteFile(Hot("fresh.pdf"), "K1ABXY\n");
    ASSERT_TRUE(install.WaitUntilGone(Hot("fresh.pdf"), 15000)) << install.Log();
    EXPECT_EQ(install.CountInLog("File may still be written, left for a later pass: " + Hot("fresh.pdf")), 1);
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
}

TEST_P(ServicePosixFaults, StopSignalEndsTheSignerWithItsChildrenAndIsLogged) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    std::string signer = install / "worker-signer.sh";
    std::string workerPid = install / "worker.pid";
    WriteFile(signer, "#!/bin/sh\nsleep 30 &\necho $! > '" + workerPid + ".new'\nmv '" + workerPid +
                          ".new' '" + workerPid + "'\nwait\n");
    chmod(signer.c_str(), 0755);
    StartWith({{"Sealwright", signer}, {"SamplingFrequency", "60000"}});
    install.DropTrigger("doc.pdf", "K1ABXY\n");
    ASSERT_TRUE(WaitFor([&] { return FileExists(workerPid); }, 15000)) << install.Log();
    std::string pid = ReadFile(workerPid);
    pid.erase(pid.find_last_not_of("\n") + 1);
    ASSERT_TRUE(ProcessLives(pid));

    ASSERT_EQ(StopService(SIGTERM), 0);
    EXPECT_TRUE(WaitFor([&] { return !ProcessLives(pid); }, 5000));
    EXPECT_EQ(
        install.CountInLog("SignFile Stopped with the service, signer stopped, Command = \"" + signer + "\""),
        1);
    EXPECT_EQ(install.CountInLog("QuillCollector Stopped. Signal = SIGTERM"), 1);
    EXPECT_TRUE(FileExists(Held("doc.pdf")));  // not signed: still held, finished at the next start
    EXPECT_EQ(Counter("/archive/a.pdf"), "0");
}

TEST_P(ServicePosixFaults, StopSignalEndsThePauseAtOnce) {
    StartWith({{"SamplingFrequency", "60000"}});
    ASSERT_TRUE(install.WaitForLog("Hot folder watched"));
    ASSERT_EQ(StopService(SIGINT), 0);  // a signal that still ended it would give 128 + 2
    EXPECT_EQ(install.CountInLog("QuillCollector Stopped. Signal = SIGINT"), 1);
}

INSTANTIATE_TEST_SUITE_P(Drivers, ServicePosixFaults, ::testing::Values(DatabaseDriver::SQLite),
                         DriverTestName);
