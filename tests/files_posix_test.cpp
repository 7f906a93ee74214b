// Files, profile files and the log where POSIX has its own rules: FIFOs, file systems, permissions,
// the '/' separator and the C library's error texts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

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
