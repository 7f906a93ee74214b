// The watch of the hot folder on the real file system: what wakes the pause, and what does not.
#include <chrono>
#include <filesystem>

#include "common/platform/platform.h"
#include "service/hot_folder_watch.h"
#include "tests/support/program_dir_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr unsigned kLongMs = 60000;
// Long enough for a report to arrive (and, on Windows, for the folder to fall quiet) on a busy machine.
constexpr unsigned kReportMs = 10000;
constexpr unsigned kNothingMs = 300;

}  // namespace

TEST(FolderWatch, ArrivalsMatchingTheMaskWakeAndNothingElseDoes) {
    TempDir dir;
    fs::create_directory(dir / "hot");
    fs::create_directory(dir / "hot/sub");
    platform::FolderWatch watch;
    ASSERT_EQ(watch.Watch(dir / "hot", "*.PDF"), 0);
    EXPECT_EQ(watch.Wait(0), platform::kWaitTimeout);

    WriteFile(dir / "hot/written.pdf", "K");  // in place
    EXPECT_EQ(watch.Wait(kReportMs), platform::kFolderChanged);
    WriteFile(dir / "elsewhere.pdf", "K");
    fs::rename(dir / "elsewhere.pdf", dir / "hot/renamed.pdf");
    EXPECT_EQ(watch.Wait(kReportMs), platform::kFolderChanged);

    WriteFile(dir / "hot/notes.txt", "K");                             // another mask
    WriteFile(dir / "hot/sub/deeper.pdf", "K");                        // a subfolder
    fs::rename(dir / "hot/written.pdf", dir / "hot/sub/claimed.pdf");  // taken away
    fs::remove(dir / "hot/renamed.pdf");
    EXPECT_EQ(watch.Wait(kNothingMs), platform::kWaitTimeout);
}

TEST(FolderWatch, MissingFolderIsNotWatchedAndAnotherFolderIsWatchedInstead) {
    TempDir dir;
    platform::FolderWatch watch;
    EXPECT_NE(watch.Watch(dir / "missing", "*.PDF"), 0);
    EXPECT_EQ(watch.Wait(0), platform::kWaitTimeout);
    fs::create_directory(dir / "first");
    fs::create_directory(dir / "second");
    ASSERT_EQ(watch.Watch(dir / "first", "*.PDF"), 0);
    ASSERT_EQ(watch.Watch(dir / "second", "*.PDF"), 0);
    WriteFile(dir / "first/old.pdf", "K");
    EXPECT_EQ(watch.Wait(kNothingMs), platform::kWaitTimeout);
    WriteFile(dir / "second/new.pdf", "K");
    EXPECT_EQ(watch.Wait(kReportMs), platform::kFolderChanged);
}

class HotFolderWatchTest : public ProgramDirTest {};

TEST_F(HotFolderWatchTest, PassLongerThanTheSettleTimeIsFollowedAtOnceNotAPauseLater) {
    if (platform::kWriterSettleMilliseconds == 0)
        GTEST_SKIP() << "the system's share modes tell: nothing settles";
    fs::create_directory(dir / "hot");
    WriteIni("HotFolderPath=" + (dir / "hot") + "\n");
    HotFolderWatch hotFolder(kLongMs);
    hotFolder.FollowSettings();
    WriteFile(dir / "hot/fresh.pdf", "K");
    ASSERT_EQ(hotFolder.WaitForNextPass(), 0);  // woken by the arrival
    hotFolder.FollowSettings();
    SleepMs(static_cast<int>(platform::kWriterSettleMilliseconds) + 200);  // a slow pass
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(hotFolder.WaitForNextPass(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kReportMs));
}
