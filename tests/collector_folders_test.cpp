// What a collector does in the hot folder besides processing: the name of its in-progress folder, a
// trigger that is gone when it is to be read, a hot folder that cannot be read, and the takeover of the
// folder of a collector that stopped for good.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/platform/platform.h"
#include "service/collect.h"
#include "service/in_progress.h"
#include "service/process_csv_file.h"
#include "service/takeover.h"
#include "support/program_dir_fixture.h"

using namespace testing_support;

namespace {

class CollectorFolders : public ProgramDirTest {
  protected:
    std::string Log() {
        return FileExists(dir / "QuillCollector.Log") ? ReadFile(dir / "QuillCollector.Log") : "";
    }
};

}  // namespace

TEST(InProgressFolderName, NamesHostAndFolderReadablyAndKeepsInstallationsApart) {
    std::string name = InProgressFolderName("host-1.example", "/opt/quill collector/b");
    EXPECT_EQ(name.rfind("QuillCollector-host-1_example-_opt_quill_collector_b-", 0), 0u) << name;
    EXPECT_EQ(name.size(), std::string("QuillCollector-host-1_example-_opt_quill_collector_b-").size() + 8);
    EXPECT_NE(name, InProgressFolderName("host-1.example", "/opt/quill_collector/b"));  // same once cut
    EXPECT_NE(name, InProgressFolderName("host-2.example", "/opt/quill collector/b"));
    std::string longName = InProgressFolderName("h", "C:\\Program Files\\QuillCollector\\instances\\second");
    EXPECT_NE(longName.find("-llector_instances_second-"), std::string::npos) << longName;
    for (char c : InProgressFolderName("h\xe9/\\:*?\"<>|", "\r\n"))
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') << c;
}

TEST_F(CollectorFolders, TriggerGoneBeforeItIsReadIsPassedOverAndNotCreated) {
    WriteIni("DetailedLog=1\n");
    EXPECT_EQ(ProcessCsvFile(dir / "hot/gone.pdf", dir / "held/gone.pdf"), kProcessFileGone);
    EXPECT_FALSE(FileExists(dir / "held/gone.pdf"));
    std::string log = Log();
    EXPECT_NE(log.find("File gone before it could be read, passed over: " + dir / "hot/gone.pdf"),
              std::string::npos);
    EXPECT_EQ(log.find("Result = "), std::string::npos) << log;
    std::filesystem::create_directory(dir / "held");
    EXPECT_EQ(ProcessCsvFile(dir / "held/gone.pdf"), kProcessFileGone);
    EXPECT_FALSE(FileExists(dir / "held/gone.pdf"));
}

TEST_F(CollectorFolders, UnreadableHotFolderIsReportedOnceAndAgainWhenItIsBack) {
    WriteIni("HotFolderPath=" + dir / "hot" + "\nFileTypeMask=*.pdf\nDetailedLog=0\n");
    SkipList skipList;
    for (int pass = 0; pass < 3; ++pass)
        EXPECT_EQ(CollectFiles(skipList), 0);
    std::string log = Log();
    EXPECT_EQ(CountOf(log, "Hot Folder Can't be read, Error " + std::to_string(kPathNotFound) + " ("), 1)
        << log;
    EXPECT_EQ(CountOf(log, "), Folder = " + dir / "hot" + " failed with error "), 1) << log;
    std::filesystem::create_directory(dir / "hot");  // empty: no news
    for (int pass = 0; pass < 3; ++pass)
        CollectFiles(skipList);
    log = Log();
    EXPECT_EQ(CountOf(log, "Hot Folder can be read again, Folder = " + dir / "hot" + " "), 1) << log;
    EXPECT_EQ(CountOf(log, " - "), 2) << log;
}

// A collector's folder whose heartbeat stands still beyond the bound is emptied back into the hot folder
// by another, also one whose heartbeat is missing (a collector that took it over stopped halfway); a live
// one, and a folder that merely shares the prefix, are left alone.
TEST_F(CollectorFolders, FolderOfAStoppedCollectorIsReturnedAfterTheBound) {
    std::string hot = dir / "hot";
    WriteIni("TakeoverSeconds=1\n");
    std::string dead = hot + platform::kPathSeparator + InProgressFolderName("gone", "/opt/a");
    std::string live = hot + platform::kPathSeparator + InProgressFolderName("alive", "/opt/b");
    std::string half = hot + platform::kPathSeparator + InProgressFolderName("halfway", "/opt/c");
    std::string stranger = hot + platform::kPathSeparator + "QuillCollector-notes";
    for (const std::string& folder : {dead, live, half})
        std::filesystem::create_directories(folder + "/heartbeat");
    std::filesystem::create_directories(stranger);
    WriteFile(dead + "/heartbeat/heartbeat.txt", "1");
    WriteFile(dead + "/a.pdf", "K1");
    WriteFile(dead + "/b.pdf", "K2");
    WriteFile(live + "/c.pdf", "K3");
    WriteFile(half + "/e.pdf", "K5");
    WriteFile(stranger + "/d.pdf", "K4");
    SkipList skipList;
    Takeover takeover;
    int beat = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            WriteFile(live + "/heartbeat/heartbeat.txt", std::to_string(++beat));
            takeover.Look(hot, "QuillCollector-self", skipList);
            return FileExists(hot + "/a.pdf") && FileExists(hot + "/e.pdf");
        },
        15000));
    EXPECT_EQ(ReadFile(hot + "/b.pdf"), "K2");
    EXPECT_FALSE(std::filesystem::exists(dead));
    EXPECT_FALSE(std::filesystem::exists(half));
    EXPECT_TRUE(FileExists(live + "/c.pdf"));
    EXPECT_TRUE(FileExists(stranger + "/d.pdf"));
    std::string log = Log();
    EXPECT_EQ(CountOf(log, "Collector Taken Over: " + dead + ", heartbeat unchanged for "), 1) << log;
    EXPECT_NE(log.find(", 2 file(s) returned to the hot folder"), std::string::npos) << log;
}

TEST_F(CollectorFolders, TakeoverBoundExceedsTheSignersByDefault) {
    WriteIni("");
    EXPECT_EQ(TakeoverSeconds(), 600 + kTakeoverMarginSeconds);
    WriteIni("SignerTimeout=3600\n");
    EXPECT_EQ(TakeoverSeconds(), 3600 + kTakeoverMarginSeconds);
    WriteIni("SignerTimeout=3600\nTakeoverSeconds=42\n");
    EXPECT_EQ(TakeoverSeconds(), 42);
    WriteIni("TakeoverSeconds=-1\n");
    EXPECT_EQ(TakeoverSeconds(), 600 + kTakeoverMarginSeconds);
}
