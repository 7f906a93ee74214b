#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "common/platform/platform.h"
#include "support/test_support.h"

using namespace testing_support;

TEST(WildcardMask, MatchesLikeWindows) {
    EXPECT_TRUE(platform::MatchesMask("doc.pdf", "*.PDF"));
    EXPECT_TRUE(platform::MatchesMask("DOC.Pdf", "*.pdf"));
    EXPECT_FALSE(platform::MatchesMask("doc.pdfx", "*.PDF"));
    EXPECT_TRUE(platform::MatchesMask("noext", "*.*"));
    EXPECT_TRUE(platform::MatchesMask("a.b.c", "*.*"));
    EXPECT_TRUE(platform::MatchesMask("k1.txt", "k?.TXT"));
    EXPECT_FALSE(platform::MatchesMask("k12.txt", "k?.txt"));
    EXPECT_TRUE(platform::MatchesMask("abc", "*a*b*c*"));
    EXPECT_FALSE(platform::MatchesMask(".", "*"));
    EXPECT_FALSE(platform::MatchesMask("..", "*.*"));
    EXPECT_FALSE(platform::MatchesMask(std::string(200, 'a'), std::string(50, '*') + "b"));
}

TEST(DirectoryEnumeration, ReportsMatchesDirectoriesAndTheEndCode) {
    TempDir dir;
    WriteFile(dir / "one.PDF", "1");
    WriteFile(dir / "two.pdf", "2");
    WriteFile(dir / "skip.txt", "3");
    mkdir((dir / "folder.pdf").c_str(), 0755);
    platform::DirectoryEnumeration e;
    platform::FoundFile f;
    std::vector<std::string> files, dirs;
    int result = e.Start(dir / "*.PDF", f);
    for (; result == 0; result = e.Next(f))
        (f.isDirectory ? dirs : files).push_back(f.name);
    EXPECT_EQ(result, platform::kNoMoreFiles);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"one.PDF", "two.pdf"}));
    EXPECT_EQ(dirs, std::vector<std::string>{"folder.pdf"});
}

TEST(DirectoryEnumeration, DoesNotStartWithoutMatchOrFolder) {
    TempDir dir;
    platform::DirectoryEnumeration e;
    platform::FoundFile f;
    EXPECT_EQ(e.Start(dir / "*.pdf", f), ENOENT);
    EXPECT_EQ(e.Start(dir / "missing/*.pdf", f), ENOENT);
}

class SharingTest : public ::testing::TestWithParam<const char*> {
  protected:
    TempDir dir;
};

TEST_P(SharingTest, FileHeldByAnotherProcessCannotBeOpenedMovedOrDeleted) {
    std::string path = dir / "trigger.pdf";
    WriteFile(path, "KEY\n");
    {
        HeldFile holder(GetParam(), path);
        platform::File file;
        EXPECT_EQ(platform::OpenForSharedRead(path, file), EBUSY);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(platform::MoveFileNoReplace(path, dir / "moved.pdf"), EBUSY);
        EXPECT_EQ(platform::DeleteFile(path), EBUSY);
        EXPECT_EQ(platform::LastError(), EBUSY);
        EXPECT_TRUE(FileExists(path));
    }
    platform::File file;
    EXPECT_EQ(platform::OpenForSharedRead(path, file), 0);
    file.Close();
    EXPECT_EQ(platform::DeleteFile(path), 0);
}

INSTANTIATE_TEST_SUITE_P(Holders, SharingTest, ::testing::Values("open-write", "fcntl-lock", "flock"));

TEST(Files, SharedReadCreatesMissingFileAndReadsOnce) {
    TempDir dir;
    platform::File file;
    ASSERT_EQ(platform::OpenForSharedRead(dir / "vanished.pdf", file), 0);
    char buffer[16];
    std::size_t got = 99;
    EXPECT_EQ(file.Read(buffer, sizeof buffer, got), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(FileExists(dir / "vanished.pdf"));
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

TEST(Files, MoveNeverReplacesAndDeleteRefusesFolders) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "new");
    WriteFile(dir / "b.pdf", "old");
    EXPECT_EQ(platform::MoveFileNoReplace(dir / "a.pdf", dir / "b.pdf"), EEXIST);
    EXPECT_EQ(ReadFile(dir / "b.pdf"), "old");
    EXPECT_EQ(platform::MoveFileNoReplace(dir / "a.pdf", dir / "c.pdf"), 0);
    EXPECT_EQ(ReadFile(dir / "c.pdf"), "new");
    EXPECT_EQ(platform::MoveFileNoReplace(dir / "c.pdf", dir / "missing/c.pdf"), ENOENT);
    mkdir((dir / "sub").c_str(), 0755);
    EXPECT_NE(platform::DeleteFile(dir / "sub"), 0);
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
