// Files, profile files and the log where POSIX has its own rules: FIFOs, file systems, permissions,
// the '/' separator and the C library's error texts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "common/platform/platform.h"
#include "service/collector_log.h"
#include "support/program_dir_fixture.h"

using namespace testing_support;

TEST(CollectorLogFormat, LocationRule) {
    EXPECT_EQ(ResolveLogFilePath("QuillCollector.Log", "/opt/qc"), "/opt/qc/QuillCollector.Log");
    EXPECT_EQ(ResolveLogFilePath("/var/log/qc.log", "/opt/qc"), "/var/log/qc.log");
    EXPECT_EQ(ResolveLogFilePath("logs/qc.log", "/opt/qc"), "logs/qc.log");  // relative: current directory
    EXPECT_EQ(ResolveLogFilePath("c:\\logs\\qc.log", "/opt/qc"), "/opt/qc/c:\\logs\\qc.log");
    EXPECT_EQ(ResolveLogFilePath("", "/opt/qc"), "/opt/qc/");
}

TEST(LastError, TextIsTheCLibraryText) {
    EXPECT_EQ(platform::ErrorText(EACCES), "Permission denied");
}

using CollectorLogTest = ProgramDirTest;

TEST_F(CollectorLogTest, CallersLastErrorSurvivesASuccessfulSettingsRead) {
    WriteIni("DetailedLog=0\n");
    testing::internal::CaptureStdout();
    platform::SetLastError(EACCES);
    WriteLog("entry");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(" - entry failed with error 13: Permission denied\r\n"), std::string::npos) << out;
}

TEST(Files, FifoInTheFolderDoesNotBlock) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / "pipe.pdf").c_str(), 0644), 0);
    platform::File file;
    ASSERT_EQ(platform::OpenForSharedRead(dir / "pipe.pdf", file), 0);
    char buffer[16];
    std::size_t got = 0;
    file.Read(buffer, sizeof buffer, got);  // returns at once, with nothing
    EXPECT_EQ(got, 0u);
}

TEST(Files, MoveAcrossFileSystemsCopiesThenDeletes) {
    TempDir disk;
    TempDir memory("/dev/shm");
    struct stat a {
    }, b{};
    stat(disk.path().c_str(), &a);
    stat(memory.path().c_str(), &b);
    if (a.st_dev == b.st_dev) GTEST_SKIP() << "the temporary folder and /dev/shm share a file system";
    std::string content(300000, 'z');
    WriteFile(disk / "doc.pdf", content);
    chmod((disk / "doc.pdf").c_str(), 0604);
    WriteFile(memory / "taken.pdf", "keep");
    EXPECT_EQ(platform::MoveFileNoReplace(disk / "doc.pdf", memory / "taken.pdf"), EEXIST);
    EXPECT_EQ(ReadFile(memory / "taken.pdf"), "keep");
    ASSERT_EQ(platform::MoveFileNoReplace(disk / "doc.pdf", memory / "doc.pdf"), 0);
    EXPECT_FALSE(FileExists(disk / "doc.pdf"));
    EXPECT_EQ(ReadFile(memory / "doc.pdf"), content);
    struct stat moved {};
    stat((memory / "doc.pdf").c_str(), &moved);
    EXPECT_EQ(moved.st_mode & 07777, 0604u);
}

namespace {

bool SameFileSystem(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

TEST(Files, LinksAreNeverFollowed) {
    TempDir dir;
    WriteFile(dir / "secret", "K1ABXY\n");
    chmod((dir / "secret").c_str(), 0600);
    ASSERT_EQ(symlink((dir / "secret").c_str(), (dir / "link.pdf").c_str()), 0);
    ASSERT_EQ(symlink((dir / "created-through-link").c_str(), (dir / "dangling.pdf").c_str()), 0);
    platform::File file;
    EXPECT_EQ(platform::OpenForSharedRead(dir / "link.pdf", file), ELOOP);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(platform::OpenForSharedRead(dir / "dangling.pdf", file), ELOOP);
    EXPECT_FALSE(FileExists(dir / "created-through-link"));
    // Removed as links: the files they name stay as they are.
    EXPECT_EQ(platform::MoveFileNoReplace(dir / "link.pdf", dir / "moved.pdf"), 0);
    EXPECT_TRUE(IsLink(dir / "moved.pdf"));
    EXPECT_EQ(platform::DeleteFile(dir / "moved.pdf"), 0);
    EXPECT_EQ(platform::DeleteFile(dir / "dangling.pdf"), 0);
    EXPECT_EQ(ReadFile(dir / "secret"), "K1ABXY\n");
}

TEST(Files, MoveAcrossFileSystemsCopiesOnlyRegularFiles) {
    TempDir disk;
    TempDir memory("/dev/shm");
    if (SameFileSystem(disk.path(), memory.path()))
        GTEST_SKIP() << "the temporary folder and /dev/shm share a file system";
    ASSERT_EQ(mkfifo((disk / "pipe.pdf").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", (disk / "zero.pdf").c_str()), 0);
    std::vector<std::string> names{"pipe.pdf", "zero.pdf"};
    if (mknod((disk / "device.pdf").c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0)  // /dev/zero, as root
        names.push_back("device.pdf");
    for (const std::string& name : names) {
        EXPECT_EQ(platform::MoveFileNoReplace(disk / name, memory / name), EXDEV) << name;
        EXPECT_FALSE(FileExists(memory / name)) << name;
        struct stat st {};
        EXPECT_EQ(lstat((disk / name).c_str(), &st), 0) << name;  // left where it was
    }
}

namespace {

// As an unprivileged user who may not take a lease on root's fresh file: it may still be written.
int FreshFileOfAnotherUser(const std::string& path) {
    return platform::MayStillBeWritten(path) ? 0 : 1;
}

}  // namespace

TEST(Files, FreshFileThatCannotBeCheckedForAWriterMayStillBeWritten) {
    if (!CanActAsUnprivilegedUser()) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    chmod(dir.path().c_str(), 0755);
    WriteFile(dir / "fresh.pdf", "K1AB");
    EXPECT_FALSE(platform::MayStillBeWritten(dir / "fresh.pdf"));  // root takes the lease: no writer
    EXPECT_EQ(RunAsUnprivilegedUser(FreshFileOfAnotherUser, dir / "fresh.pdf"), 0);
    EXPECT_FALSE(platform::MayStillBeWritten(dir / "missing.pdf"));
}

class ProfileFileTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string ini = dir / "QuillCollector.ini";
};

TEST_F(ProfileFileTest, ReplaceIsAtomicAndKeepsPermissions) {
    WriteFile(ini, "[General]\nA=1\n");
    chmod(ini.c_str(), 0640);
    struct stat before {};
    stat(ini.c_str(), &before);
    ASSERT_EQ(platform::WriteProfileString(ini, "General", "A", "2"), 0);
    struct stat after {};
    stat(ini.c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino);  // a new file renamed over the old one
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(ini), "[General]\nA=2\n");
    int leftovers = 0;
    platform::DirectoryEnumeration e;
    platform::FoundFile f;
    for (int r = e.Start(dir / "*", f); r == 0; r = e.Next(f))
        ++leftovers;
    EXPECT_EQ(leftovers, 1);  // no temporary file left behind
}

TEST_F(ProfileFileTest, Utf16FileIsNotRewrittenAsBytes) {
    const std::string text = std::string("\xFF\xFE[\0G\0]\0\n\0K\0=\0v\0\n\0", 18);
    WriteFile(ini, text);
    EXPECT_EQ(platform::WriteProfileString(ini, "G", "K", "x"), EILSEQ);
    EXPECT_EQ(ReadFile(ini), text);
    EXPECT_EQ(platform::ReadProfileString(ini, "G", "K", "", 4096), "v");
}

// A real full file system: a small tmpfs mounted for the test, which needs root (as in CI). The short
// write and the refusal that follow are made without root in system_call_faults_test.cpp; this one checks
// that a real full file system answers that way.
TEST(LogFileWriter, EntriesAFullDiskRefusedArriveInOrderOnceThereIsRoom) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    TempDir dir;
    if (mount("qc-test", dir.path().c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{dir.path()};
    std::string log = dir / "QuillCollector.Log";
    WriteFile(log, "");
    int filler = open((dir / "filler").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(filler, 0);
    std::string block(1000, 'f');
    while (write(filler, block.data(), block.size()) > 0) {
    }
    close(filler);
    LogFileWriter writer;
    std::string expected;
    for (int i = 0; i < 20; ++i) {
        std::string entry =
            FormatLogEntry({2026, 12, 10, 1, 2, i, 0}, "Document Key = K" + std::to_string(i), 0, "ok");
        expected += entry;
        writer.Append(log, entry, 0, nullptr);
    }
    EXPECT_GT(writer.HeldEntries(), 0u);
    ASSERT_EQ(unlink((dir / "filler").c_str()), 0);
    std::string last = FormatLogEntry({2026, 12, 10, 1, 3, 0, 0}, "room again", 0, "ok");
    writer.Append(log, last, 0, nullptr);
    EXPECT_EQ(writer.HeldEntries(), 0u);
    EXPECT_EQ(ReadFile(log), expected + last);
}

// A deletion the file system refuses as busy for a moment (a share's client that closes the file on the
// server a little late) succeeds once the file is free; one that stays busy is reported busy. A file
// mounted over is busy until it is unmounted, which needs root (as in CI).
TEST(Files, DeletionOfABusyFileIsTriedAgainForAMoment) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting over a file needs root";
    TempDir dir;
    std::string busy = dir / "busy.pdf";
    WriteFile(busy, "K1ABXY\n");
    WriteFile(dir / "cover", "");
    if (mount((dir / "cover").c_str(), busy.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no file can be mounted over here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{busy};
    EXPECT_EQ(platform::DeleteFile(busy), EBUSY);
    EXPECT_EQ(ReadFile(busy), "");  // still there, and still mounted over

    std::thread release([&] {
        SleepMs(150);
        umount2(busy.c_str(), 0);
    });
    EXPECT_EQ(platform::DeleteFile(busy), 0);
    release.join();
    EXPECT_FALSE(FileExists(busy));
}

// The Debian package's log is a link beside the program to the file in /var/opt/quillcollector.
TEST(LogFileWriter, ALogReachedThroughALinkIsSetAsideWhereItLies) {
    TempDir program, logs;
    std::string link = program / "QuillCollector.Log";
    WriteFile(logs / "QuillCollector.Log", "");
    ASSERT_EQ(symlink((logs / "QuillCollector.Log").c_str(), link.c_str()), 0);
    LogFileWriter writer;
    std::string entry = FormatLogEntry({2026, 12, 10, 1, 2, 3, 0}, "entry", 0, "ok");
    writer.Append(link, entry, 1, [] { return 2; });
    writer.Append(link, entry, 0, nullptr);
    EXPECT_EQ(ReadFile(logs / "QuillCollector.Log.1"), entry);
    EXPECT_EQ(ReadFile(logs / "QuillCollector.Log"), entry);
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_FALSE(FileExists(program / "QuillCollector.Log.1"));
}
