// Several collectors, each from an installation folder of its own, on one hot folder and one database:
// every trigger is processed by one of them, every signing counted once, a collector killed mid-run
// signs at most the trigger it held again, and the triggers of one that stopped for good are taken over.
#include <climits>
#include <filesystem>
#include <map>
#include <sstream>

#include "e2e_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr int kKeys = 5;

class Farm : public EndToEndTest {
  protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        // Four on the PostgreSQL server; two on SQLite (a file that all of them write), as under Wine.
        collectors = IsPostgres() ? 4 : 2;
        triggers = IsPostgres() ? 2000 : 150;
        others.resize(static_cast<std::size_t>(collectors - 1));
        for (auto& other : others)
            other = std::make_unique<ServiceInstallation>();
        SetEnv("TESTSIGNER_RECORD", install / "signer-calls.txt");  // one record of all signings
        SetEnv("TESTSIGNER_SLEEP_MS", "3");
        for (int key = 0; key < kKeys; ++key)
            AddRow(Key(key), Document(key), key == 0 ? std::nullopt : std::optional<long long>(0));
        WriteAllSettings("3600");
    }
    void TearDown() override {
        for (auto& other : others)
            other->Stop();
        UnsetEnv("TESTSIGNER_SLEEP_MS");
        EndToEndTest::TearDown();
    }

    static std::string Key(int key) { return "K" + std::to_string(key) + "XY"; }
    static std::string Document(int key) { return "/archive/doc" + std::to_string(key) + ".pdf"; }
    static std::string Name(int trigger) { return "t" + std::to_string(10000 + trigger) + ".pdf"; }

    ServiceInstallation& Collector(int index) { return index == 0 ? install : *others[index - 1]; }
    void WriteAllSettings(const std::string& takeoverSeconds) {
        for (int i = 0; i < collectors; ++i)
            Collector(i).WriteSettings({{"HotFolderPath", install.HotFolder()},
                                        {"TableName", table},
                                        {"SamplingFrequency", "20"},
                                        {"TakeoverSeconds", takeoverSeconds}});
    }
    void StartAll() {
        for (int i = 0; i < collectors; ++i)
            Collector(i).Start();
    }

    // Triggers [from, to) arrive whole, each naming one of the keys in turn.
    void Drop(int from, int to) {
        for (int trigger = from; trigger < to; ++trigger)
            install.DropTrigger(Name(trigger), "K" + std::to_string(trigger % kKeys) + "ABXY\n");
    }
    bool WaitUntilWaitingAtMost(int count, int timeoutMs) {
        for (int waited = 0; waited < timeoutMs; waited += 100) {
            if (Waiting() <= count) return true;
            SleepMs(100);
        }
        return false;
    }

    std::string AllLogs() {
        std::string logs;
        for (int i = 0; i < collectors; ++i)
            logs += Collector(i).Log();
        return logs;
    }
    // How often each trigger was processed to the end, by any collector.
    std::map<std::string, int> Processed(const std::string& logs) {
        std::map<std::string, int> processed;
        AddProcessed(logs, install.HotFolder(), processed);
        return processed;
    }
    static std::string TakeoverEntries(const std::string& logs) {
        std::string entries;
        for (std::size_t at = logs.find("Collector Taken Over"); at != std::string::npos;
             at = logs.find("Collector Taken Over", at + 1))
            entries += logs.substr(at, logs.find('\n', at) - at + 1);
        return entries;
    }
    int Signings() { return static_cast<int>(install.SignerCalls().size()); }

    static void ExpectNoFailure(const std::string& logs) {
        for (const char* failure :
             {"ProcessCsvFile Error", "Can't be", "Com Error", "Result = ", "Taken Over"}) {
            std::size_t at = logs.find(failure);
            EXPECT_EQ(at, std::string::npos) << failure << "\n"
                                             << logs.substr(at > 2000 ? at - 2000 : 0, 3000);
        }
    }

    int collectors = 0;
    int triggers = 0;
    std::vector<std::unique_ptr<ServiceInstallation>> others;
};

}  // namespace

TEST_P(Farm, EveryTriggerOnceEverySigningCountedAndNothingLostWhenCollectorsDie) {
    const int timeoutMs = 240000;
    Drop(0, triggers);
    StartAll();
    ASSERT_TRUE(WaitUntilWaitingAtMost(0, timeoutMs)) << Waiting() << " left\n" << AllLogs().substr(0, 4000);
    std::string logs = AllLogs();
    std::map<std::string, int> processed = Processed(logs);
    EXPECT_EQ(processed.size(), static_cast<std::size_t>(triggers));
    for (const auto& [name, count] : processed)
        EXPECT_EQ(count, 1) << name;
    ExpectNoFailure(logs);
    for (int i = 0; i < collectors; ++i)
        EXPECT_GT(Processed(Collector(i).Log()).size(), 0u) << "collector " << i << " did nothing";
    EXPECT_EQ(Signings(), triggers);
    EXPECT_EQ(CounterSum(), triggers);
    for (int key = 0; key < kKeys; ++key)  // the NULL counter too
        EXPECT_EQ(Counter(Document(key)), std::to_string(triggers / kKeys + (key < triggers % kKeys)));

    // Killed in the middle of its work and started again: it finishes what it held; that one trigger may
    // be signed and counted twice, nothing else.
    int second = triggers / 5;
    Drop(triggers, triggers + second);
    ASSERT_TRUE(WaitUntilWaitingAtMost(second * 2 / 3, timeoutMs));
    Collector(1).Stop();
    Collector(1).Start();
    ASSERT_TRUE(WaitUntilWaitingAtMost(0, timeoutMs)) << Waiting() << " left";
    int total = triggers + second;
    processed = Processed(AllLogs());
    EXPECT_EQ(processed.size(), static_cast<std::size_t>(total));
    int twice = 0;
    for (const auto& [name, count] : processed)
        twice += count - 1;
    EXPECT_LE(twice, 1);
    EXPECT_GE(CounterSum(), total);
    EXPECT_LE(CounterSum(), Signings());
    EXPECT_LE(Signings(), total + 1);
    ExpectNoFailure(AllLogs());

    // Killed for good while it held triggers: another collector returns them once the heartbeat has stood
    // still for longer than the bound, and they are processed once.
    WriteAllSettings("2");
    ServiceInstallation& dead = Collector(collectors - 1);
    dead.Stop();
    std::string held;
    for (const auto& entry : fs::directory_iterator(install.HotFolder()))
        if (entry.is_directory() &&
            ReadFile(entry.path().string() + "/heartbeat/heartbeat.txt").find(dead.Folder()) !=
                std::string::npos)
            held = entry.path().string();
    if (held.empty()) {  // it had nothing in hand and had removed its folder: one as it would make it
        held = (fs::path(install.HotFolder()) / "QuillCollector-stopped-collector-00000000").string();
        fs::create_directories(held + "/heartbeat");
        WriteFile(held + "/heartbeat/heartbeat.txt", "1 " + dead.Folder());
    }
    for (int trigger = total; trigger < total + 3; ++trigger) {
        WriteFile(install / ("incoming/" + Name(trigger)), "K1ABXY\n");
        fs::rename(install / ("incoming/" + Name(trigger)), held + "/" + Name(trigger));
    }
    long long countedBefore = CounterSum();
    ASSERT_TRUE(WaitUntilWaitingAtMost(0, 60000)) << Waiting() << " left";
    logs = AllLogs();
    // One of the collectors takes it over, although all of them reach the bound at about the same moment.
    EXPECT_EQ(CountOf(logs, "Collector Taken Over: " + held + ", "), 1) << TakeoverEntries(logs);
    EXPECT_NE(logs.find(", 3 file(s) returned to the hot folder"), std::string::npos)
        << TakeoverEntries(logs);
    processed = Processed(logs);
    for (int trigger = total; trigger < total + 3; ++trigger)
        EXPECT_EQ(processed[Name(trigger)], 1) << Name(trigger);
    EXPECT_EQ(CounterSum(), countedBefore + 3);
    EXPECT_FALSE(fs::exists(held));
}

INSTANTIATE_TEST_SUITE_P(Drivers, Farm, ::testing::ValuesIn(TestedDrivers()), DriverTestName);
