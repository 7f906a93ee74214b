// The service under bad conditions: it reports what went wrong, loses nothing it could keep, and goes on.
#include <filesystem>
#include <random>

#include "e2e_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

class ServiceFaults : public EndToEndTest {
  protected:
    void DropSparseTrigger(const std::string& name, const std::string& head, std::uintmax_t size) {
        WriteFile(install / ("incoming/" + name), head);
        fs::resize_file(install / ("incoming/" + name), size);
        fs::rename(install / ("incoming/" + name), Hot(name));
    }
};

}  // namespace

TEST_P(ServiceFaults, UnwritableLogLeavesTheEntriesOnStandardOutput) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith({{"LogFile", install / "no such folder/collector.log"}});
    ASSERT_TRUE(Process("a.pdf", "K1ABXY\n"));
    EXPECT_TRUE(WaitFor(
        [&] { return install.Output().find("ProcessCsvFile OK: FileName = ") != std::string::npos; }));
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
    EXPECT_TRUE(install.Running());
}

TEST_P(ServiceFaults, HotFolderDeletedAndCreatedAgain) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith();
    ASSERT_TRUE(RemoveHotFolder());
    SleepMs(300);
    ASSERT_TRUE(install.Running());
    fs::create_directory(install.HotFolder());
    ASSERT_TRUE(Process("back.pdf", "K1ABXY\n"));
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
    // Said once while it was gone, with the system's reason, and once when it was back.
    EXPECT_EQ(install.CountInLog("Hot Folder Can't be read, Error " + std::to_string(kPathNotFound) + " ("),
              1)
        << install.Log();
    EXPECT_EQ(install.CountInLog("), Folder = " + install.HotFolder() + " failed with error "), 1);
    EXPECT_EQ(install.CountInLog("Hot Folder can be read again, Folder = " + install.HotFolder() + " "), 1);
}

TEST_P(ServiceFaults, GarbageAndHugeSettingsFiles) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    std::mt19937 random(7);
    std::string garbage(64 * 1024, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    install.WriteRawSettings(garbage);
    install.Start();
    ASSERT_TRUE(install.WaitForLog("QuillCollector Started."));  // on the defaults
    SleepMs(200);
    ASSERT_TRUE(install.Running());

    // The settings first, then 50 MB that are no settings at all: every read still finds its key.
    std::string content = "[General]\nHotFolderPath=" + install.HotFolder() + "\nFileTypeMask=*.pdf\n" +
                          "TableName=" + table + "\nSealwright=TestSigner\nSamplingFrequency=50\n[Junk]\n";
    std::string junk(4096, 'j');
    junk.back() = '\n';
    for (int i = 0; i < 50 * 256; ++i)
        content += junk;
    install.WriteRawSettings(content);
    ASSERT_TRUE(Process("big-ini.pdf", "K1ABXY\n"));
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
}

TEST_P(ServiceFaults, OnlyTheStartOfAHugeTriggerFileIsRead) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith();
    DropSparseTrigger("huge.pdf", "K1ABXY", std::uintmax_t{1} << 30);  // the zeros after the key end its text
    ASSERT_TRUE(install.WaitUntilGone(Hot("huge.pdf")));
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
}

TEST_P(ServiceFaults, SignerEndedAbnormallyIsAFailedSigning) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    SetEnv(kSignerAbnormalEnd.variable, kSignerAbnormalEnd.value);
    StartWith();
    bool processed = Process("killed.pdf", "K1ABXY\n");
    UnsetEnv(kSignerAbnormalEnd.variable);
    ASSERT_TRUE(processed);
    std::string code = std::to_string(kSignerAbnormalEnd.exitCode);
    EXPECT_TRUE(install.WaitForLog("Sign File: /archive/a.pdf, Return Value: " + code + "\n"));
    EXPECT_TRUE(install.WaitForLog("File Can't be signed, Error " + code + ", File = /archive/a.pdf"));
    EXPECT_EQ(Counter("/archive/a.pdf"), "0");
}

TEST_P(ServiceFaults, TriggerHeldOpenByItsWriterIsNeverReadHalfWritten) {
    AddRow("K1XY", "/archive/a.pdf", 0);
    StartWith();
    {
        // The writer creates the file in the hot folder and holds it while it writes. (Windows lets no
        // one else write to it or rename it meanwhile: the file stays empty until the writer is done.)
        HeldFile writer(HolderModes().front(), Hot("held.pdf"));
        ASSERT_TRUE(install.WaitForLog("File Can't be deleted: " + Logged(Hot("held.pdf"))));
        EXPECT_TRUE(install.WaitForLog("File Can't be opened, Error " + std::to_string(kSharingViolation) +
                                       ", File = " + Logged(Hot("held.pdf"))));
    }
    WriteFile(Hot("held.pdf"), "K1ABXY\n");
    int processing = install.CountInLog("Start Processing File = " + Logged(Hot("held.pdf")));
    ASSERT_TRUE(WaitFor([&] {
        return install.CountInLog("Start Processing File = " + Logged(Hot("held.pdf"))) > processing + 2;
    }));
    EXPECT_EQ(install.CountInLog("File Can't be opened"), 1);  // on the skip list until the restart
    EXPECT_TRUE(install.SignerCalls().empty());
    install.Stop();
    install.Start();
    ASSERT_TRUE(install.WaitUntilGone(Hot("held.pdf")));
    EXPECT_EQ(Counter("/archive/a.pdf"), "1");
}

TEST_P(ServiceFaults, TenThousandTriggerFilesLeaveNoDescriptorsOrMemoryBehind) {
    const int kFiles = 10000;
    const int kPassBoundMs = 600000;  // inside the 660 s that CTest gives each end-to-end test
    // Under AddressSanitizer freed memory waits in a quarantine of up to 256 MB; without it the figures
    // show what the service itself keeps. The normal build ignores the variable.
    std::string sanitizerOptions = GetEnv("ASAN_OPTIONS");
    SetEnv("ASAN_OPTIONS", sanitizerOptions + (sanitizerOptions.empty() ? "" : ":") + "quarantine_size_mb=0");
    // Each batch arrives in a folder of its own: on Windows a removed folder that the service watches
    // stays, pending deletion, until the service watches another.
    int batches = 0;
    auto arrive = [&](int first, int count) {
        std::string arrivals = install / ("arrivals" + std::to_string(batches++));
        Configure({{"DetailedLog", "0"}, {"HotFolderPath", arrivals}});
        if (!install.Running()) install.Start();
        fs::create_directory(install / "batch");
        for (int i = first; i < first + count; ++i)
            WriteFile(install / ("batch/t" + std::to_string(i) + ".pdf"), "NOKEYXY\n");
        fs::rename(install / "batch", arrivals);  // all of them at once, for one pass
        return WaitFor([&] { return fs::is_empty(arrivals); }, kPassBoundMs) &&
               WaitFor([&] {  // Windows refuses while the service enumerates the folder
                   std::error_code busy;
                   return fs::remove(arrivals, busy);
               });
    };
    // The folder can go while the service still ends its pass over it, its enumeration handle open: read
    // the figures once two readings a moment apart agree, so a pass in progress is not taken for a leak.
    auto settled = [&] {
        Child::Resources now = install.ServiceResources(), last;
        WaitFor([&] {
            last = now;
            SleepMs(100);
            now = install.ServiceResources();
            return now.handles == last.handles;
        });
        return now;
    };
    ASSERT_TRUE(arrive(0, 100));  // everything loaded that a pass needs
    Child::Resources before = settled();
    ASSERT_GT(before.handles, 0);  // the figures can be read at all
    ASSERT_TRUE(arrive(100, kFiles));
    Child::Resources after = settled();
    SetEnv("ASAN_OPTIONS", sanitizerOptions);
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_LT(after.residentKb - before.residentKb, 4096)
        << before.residentKb << " kB before, " << after.residentKb;
    EXPECT_EQ(install.CountInLog("Result = -5"), kFiles + 100);
}

TEST_P(ServiceFaults, SignerEndsWithAKilledService) {
    std::string document = "/archive/orphan-" + UniqueSuffix() + ".pdf";
    AddRow("K1XY", document, 0);
    SetEnv("TESTSIGNER_SLEEP", "60");
    StartWith();
    UnsetEnv("TESTSIGNER_SLEEP");  // the service has it
    install.DropTrigger("orphan.pdf", "K1ABXY\n");
    ASSERT_TRUE(WaitFor([&] { return !install.SignerCalls().empty(); }));
    ASSERT_TRUE(WaitFor([&] { return TestSignerRunsWith(document); }));
    install.Stop();  // killed, as a service host or an administrator kills it
    EXPECT_TRUE(WaitFor([&] { return !TestSignerRunsWith(document); }));
    EXPECT_EQ(Counter(document), "0");
}

INSTANTIATE_TEST_SUITE_P(Drivers, ServiceFaults, ::testing::Values(DatabaseDriver::SQLite), DriverTestName);
