// The service against what only POSIX has: links, FIFOs and devices in the hot folder, another user's
// trigger files, a standard output nobody reads.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "e2e_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

using ServicePosixFaults = EndToEndTest;

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
        // Written in place by root, in two steps; the service may not take a lease on root's file.
        std::ofstream writer(Hot("slow.pdf"), std::ios::binary);
        writer << "K1A" << std::flush;
        SleepMs(500);
        writer << "BXY\n" << std::flush;
    }
    ASSERT_TRUE(install.WaitUntilGone(Hot("slow.pdf")));
    EXPECT_GT(install.CountInLog("File may still be written, left for a later pass: " + Hot("slow.pdf")), 0);
    EXPECT_EQ(install.CountInLog("Document Key = "), 0);  // no half-read key failed
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
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

INSTANTIATE_TEST_SUITE_P(Drivers, ServicePosixFaults, ::testing::Values(DatabaseDriver::SQLite),
                         DriverTestName);
