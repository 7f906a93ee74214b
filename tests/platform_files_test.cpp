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

TEST(Files, SharedReadNeverCreatesAMissingFile) {
    TempDir dir;
    platform::File file;
    int error = platform::OpenForSharedRead(dir / "vanished.pdf", file);
    EXPECT_EQ(error, kFileNotFound);
    EXPECT_TRUE(platform::IsNotFound(error));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(FileExists(dir / "vanished.pdf"));
    EXPECT_TRUE(platform::IsNotFound(platform::OpenForSharedRead(dir / "missing/vanished.pdf", file)));
}

// Of the collectors renaming one trigger into folders of their own, exactly one gets it; a folder made
// twice is no error, and only an empty one is removed.
TEST(Files, RenameNoReplaceGivesAFileToOneTaker) {
    TempDir dir;
    EXPECT_EQ(platform::MakeDirectory(dir / "one"), 0);
    EXPECT_EQ(platform::MakeDirectory(dir / "one"), 0);
    EXPECT_EQ(platform::MakeDirectory(dir / "two"), 0);
    EXPECT_EQ(platform::LookUpPath(dir / "one"), platform::PathKind::Directory);
    WriteFile(dir / "a.pdf", "key");
    EXPECT_EQ(platform::LookUpPath(dir / "a.pdf"), platform::PathKind::File);
    EXPECT_EQ(platform::RenameNoReplace(dir / "a.pdf", dir / "one/a.pdf"), 0);
    EXPECT_TRUE(platform::IsNotFound(platform::RenameNoReplace(dir / "a.pdf", dir / "two/a.pdf")));
    EXPECT_EQ(platform::LookUpPath(dir / "a.pdf"), platform::PathKind::Missing);
    EXPECT_EQ(platform::LookUpPath(dir / "two/a.pdf"), platform::PathKind::Missing);
    WriteFile(dir / "a.pdf", "other");
    EXPECT_EQ(platform::RenameNoReplace(dir / "a.pdf", dir / "one/a.pdf"), kAlreadyExists);
    EXPECT_EQ(ReadFile(dir / "one/a.pdf"), "key");
    EXPECT_NE(platform::RemoveEmptyDirectory(dir / "one"), 0);
    EXPECT_EQ(platform::RemoveEmptyDirectory(dir / "two"), 0);
    EXPECT_EQ(platform::LookUpPath(dir / "two"), platform::PathKind::Missing);
    EXPECT_EQ(platform::ProbeFolder(dir / "one"), 0);
    EXPECT_TRUE(platform::IsNotFound(platform::ProbeFolder(dir / "two")));
    EXPECT_FALSE(platform::HostName().empty());
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
