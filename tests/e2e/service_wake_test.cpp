// The pause between passes ends when a trigger arrives: with a pause far longer than the waits here,
// only the watch of the hot folder can get a trigger processed in time.
#include <filesystem>

#include "e2e_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr const char* kLongPause = "60000";
// Far below the long pause, and generous for a busy machine under the sanitizers.
constexpr int kPromptlyMs = 15000;
constexpr const char* kWatched = "Hot folder watched, a trigger arriving there starts the next pass: ";
constexpr const char* kNotWatched = "Hot folder not watched, passes follow the pause of ";

class ServiceWake : public EndToEndTest {
  protected:
    void StartWatching(std::map<std::string, std::string> settings = {}) {
        settings.emplace("SamplingFrequency", kLongPause);
        StartWith(std::move(settings));
        ASSERT_TRUE(install.WaitForLog(kWatched + install.HotFolder())) << install.Log();
    }
    void WriteInPlace(const std::string& name, const std::string& content) { WriteFile(Hot(name), content); }
};

}  // namespace

TEST_P(ServiceWake, TriggerWrittenInPlaceOrRenamedInIsTakenAtOnce) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWatching();
    WriteInPlace("written.pdf", "K1ABXY\n");
    ASSERT_TRUE(install.WaitUntilGone(Hot("written.pdf"), kPromptlyMs)) << install.Log();
    install.DropTrigger("renamed.pdf", "K1ABXY\n");
    ASSERT_TRUE(install.WaitUntilGone(Hot("renamed.pdf"), kPromptlyMs)) << install.Log();
    EXPECT_EQ(Counter("/archive/a.pdf"), "2");
    // Files that do not match the mask, and subfolders, wake nothing and are left alone.
    WriteInPlace("notes.txt", "K1ABXY\n");
    fs::create_directory(Hot("sub"));
    WriteFile(Hot("sub/deeper.pdf"), "K1ABXY\n");
    install.DropTrigger("third.pdf", "K1ABXY\n");
    ASSERT_TRUE(install.WaitUntilGone(Hot("third.pdf"), kPromptlyMs)) << install.Log();
    EXPECT_TRUE(FileExists(Hot("notes.txt")));
    EXPECT_TRUE(FileExists(Hot("sub/deeper.pdf")));
    EXPECT_EQ(install.CountInLog(kWatched), 1);
}

TEST_P(ServiceWake, HotFolderRemovedAndMadeAgainIsWatchedAgain) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWatching();
    ASSERT_TRUE(RemoveHotFolder());
    // Linux lets the folder go at once; Windows keeps it, pending deletion, until the watch lets go of it.
    WaitFor([&] { return install.CountInLog(kNotWatched) == 1; }, 3000);
    fs::create_directory(install.HotFolder());
    install.DropTrigger("back.pdf", "K1ABXY\n");
    ASSERT_TRUE(install.WaitUntilGone(Hot("back.pdf"), kPromptlyMs)) << install.Log();
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
    EXPECT_LE(install.CountInLog(kNotWatched), 1);
}

TEST_P(ServiceWake, ChangedHotFolderIsWatchedFromTheNextPass) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWatching();
    std::string other = install / "other-hot";
    fs::create_directory(other);
    Configure({{"SamplingFrequency", kLongPause}, {"HotFolderPath", other}});
    // The old folder's watch wakes the next pass, which reads the new setting; the file that woke it
    // lies outside the new folder and stays.
    WriteInPlace("wakes.pdf", "K1ABXY\n");
    ASSERT_TRUE(install.WaitForLog(kWatched + other, kPromptlyMs)) << install.Log();
    WriteFile(install / "incoming/moved.pdf", "K1ABXY\n");
    RenameReplacing(install / "incoming/moved.pdf", install / "other-hot/moved.pdf");
    ASSERT_TRUE(install.WaitUntilGone(install / "other-hot/moved.pdf", kPromptlyMs)) << install.Log();
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
    EXPECT_TRUE(FileExists(Hot("wakes.pdf")));
}

TEST_P(ServiceWake, FolderThatCannotBeWatchedIsStillCollectedByThePause) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    // Neither the folder nor its parent exists: nothing can report their coming.
    std::string hot = install / "not-yet/hot";
    StartWith({{"SamplingFrequency", "300"}, {"HotFolderPath", hot}});
    ASSERT_TRUE(install.WaitForLog(std::string(kNotWatched) + "300 ms: " + hot)) << install.Log();
    SleepMs(1000);  // passes go on without another entry
    EXPECT_EQ(install.CountInLog(kNotWatched), 1);
    fs::create_directories(hot);
    WriteFile(install / "not-yet/hot/late.pdf", "K1ABXY\n");
    ASSERT_TRUE(install.WaitUntilGone(install / "not-yet/hot/late.pdf", kPromptlyMs)) << install.Log();
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
    EXPECT_EQ(install.CountInLog(kNotWatched), 1);
}

INSTANTIATE_TEST_SUITE_P(Drivers, ServiceWake, ::testing::Values(DatabaseDriver::SQLite), DriverTestName);
