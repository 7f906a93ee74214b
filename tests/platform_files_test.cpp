#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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
    std::filesystem::create_directory(dir / "folder.pdf");
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
    EXPECT_EQ(e.Start(dir / "*.pdf", f), kFileNotFound);
    EXPECT_EQ(e.Start(dir / "missing/*.pdf", f), kPathNotFound);
}

class SharingTest : public ::testing::TestWithParam<std::string> {
  protected:
    TempDir dir;
};

TEST_P(SharingTest, FileHeldByAnotherProcessCannotBeOpenedMovedOrDeleted) {
    std::string path = dir / "trigger.pdf";
    WriteFile(path, "KEY\n");
    {
        HeldFile holder(GetParam(), path);
        platform::File file;
        EXPECT_EQ(platform::OpenForSharedRead(path, file), kSharingViolation);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(platform::MoveFileNoReplace(path, dir / "moved.pdf"), kSharingViolation);
        EXPECT_EQ(platform::DeleteFile(path), kSharingViolation);
        EXPECT_EQ(platform::LastError(), kSharingViolation);
        EXPECT_TRUE(FileExists(path));
    }
    platform::File file;
    EXPECT_EQ(platform::OpenForSharedRead(path, file), 0);
    file.Close();
    EXPECT_EQ(platform::DeleteFile(path), 0);
}

INSTANTIATE_TEST_SUITE_P(Holders, SharingTest, ::testing::ValuesIn(HolderModes()));

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

TEST(Files, MoveNeverReplacesAndDeleteRefusesFolders) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "new");
    WriteFile(dir / "b.pdf", "old");
    EXPECT_EQ(platform::MoveFileNoReplace(dir / "a.pdf", dir / "b.pdf"), kAlreadyExists);
    EXPECT_EQ(ReadFile(dir / "b.pdf"), "old");
    EXPECT_EQ(platform::MoveFileNoReplace(dir / "a.pdf", dir / "c.pdf"), 0);
    EXPECT_EQ(ReadFile(dir / "c.pdf"), "new");
    EXPECT_EQ(platform::MoveFileNoReplace(dir / "c.pdf", dir / "missing/c.pdf"), kPathNotFound);
    std::filesystem::create_directory(dir / "sub");
    EXPECT_NE(platform::DeleteFile(dir / "sub"), 0);
}
