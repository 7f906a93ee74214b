// Two collectors on one hot folder that one of them reaches through a real SMB share: a private Samba
// server on 127.0.0.1 exports the installation folder as a guest share, and smbnetfs (a FUSE client)
// mounts it. The other collector works on the exported folder itself. Every trigger is signed and counted
// once, whichever side claims it, although the share's client sees the folder late and caches its
// listings, has neither exclusive renames nor hard links, and closes a file on the server a moment after
// the program closed it (so that a deletion right after the reading may be refused for a moment).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>

#include "common/platform/platform.h"
#include "e2e_fixture.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr int kKeys = 4;
constexpr int kTriggersPerRound = 100;
constexpr int kRoundTimeoutMs = 180000;  // under the sanitizers on two busy cores
constexpr const char* kShare = "qc";
constexpr const char* kOk = "ProcessCsvFile OK: FileName = ";

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port on 127.0.0.1 that nothing listens on now; the server takes it a moment later.
int FreePort() {
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    int port = -1;
    if (sock >= 0 && bind(sock, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(sock, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    if (sock >= 0) close(sock);
    return port;
}

bool SomethingListensOn(int port) {
    int sock = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) return false;
    sockaddr_in address = Loopback(port);
    bool connected = connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(sock);
    return connected;
}

bool Mounted(const std::string& mountPoint) {
    return ReadFile("/proc/mounts").find(" " + mountPoint + " ") != std::string::npos;
}

// Killed with the test, even when a time-out ends it: the server and the mount's client do not outlive it.
std::vector<std::string> EndingWithTheTest(std::vector<std::string> argv) {
    argv.insert(argv.begin(), {"/usr/bin/setpriv", "--pdeathsig", "KILL", "--"});
    return argv;
}

std::string Tail(const std::string& text) {
    return text.size() > 3000 ? text.substr(text.size() - 3000) : text;
}

// The samba server, with a configuration, state and log of its own, exporting one folder to guests.
class SambaServer {
  public:
    // Empty when it listens; otherwise why it does not.
    std::string Start(const std::string& exported) {
        port_ = FreePort();
        if (port_ < 0) return "no free port on 127.0.0.1";
        std::string conf = dir_ / "smb.conf";
        std::string global =
            "[global]\nserver role = standalone server\nmap to guest = Bad User\n"
            "interfaces = 127.0.0.1\nbind interfaces only = yes\nsmb ports = " +
            std::to_string(port_) +
            "\ndisable netbios = yes\nload printers = no\nprintcap name = /dev/null\n"
            "disable spoolss = yes\nlog file = " +
            (dir_ / "smbd.log") + "\n";
        for (const char* folder : {"lock", "state", "cache", "pid", "private", "ncalrpc"}) {
            fs::create_directory(dir_ / folder);
            std::string setting = folder == std::string("private")   ? "private dir"
                                  : folder == std::string("ncalrpc") ? "ncalrpc dir"
                                                                     : std::string(folder) + " directory";
            global += setting + " = " + (dir_ / folder) + "\n";
        }
        WriteFile(conf, global + "[" + kShare + "]\npath = " + exported +
                            "\nguest ok = yes\nguest only = yes\nread only = no\nforce user = root\n");
        // In the foreground smbd leads a process group of its own, with a process for each connection.
        smbd_ = std::make_unique<Child>(
            EndingWithTheTest({"/usr/sbin/smbd", "--foreground", "--debug-stdout", "--configfile=" + conf}),
            dir_ / "smbd.out");
        bool listening = WaitFor([&] { return SomethingListensOn(port_) || !smbd_->Running(); }, 30000);
        if (!listening || !smbd_->Running())
            return "smbd does not listen on 127.0.0.1:" + std::to_string(port_) + ":\n" + Output();
        return "";
    }
    ~SambaServer() {
        if (!smbd_) return;
        pid_t group = static_cast<pid_t>(smbd_->NativeProcess());
        if (smbd_->Running()) kill(-group, SIGTERM);
        if (!WaitFor([&] { return !smbd_->Running(); }, 10000)) smbd_->Kill();
        kill(-group, SIGKILL);  // any connection process left behind
    }
    int Port() const { return port_; }
    std::string Output() { return Tail(ReadFile(dir_ / "smbd.out")) + Tail(ReadFile(dir_ / "smbd.log")); }

  private:
    TempDir dir_;
    int port_ = -1;
    std::unique_ptr<Child> smbd_;
};

// smbnetfs mounted in a folder of its own, with its own configuration (HOME) and no network browsing.
class ShareMount {
  public:
    // Empty when the mount is there; otherwise why it is not.
    std::string Start() {
        fs::create_directories(dir_ / "home/.smb");
        WriteFile(dir_ / "home/.smb/smb.conf", "");  // the client library's: nothing beyond the defaults
        WriteFile(dir_ / "home/.smb/smbnetfs.conf", "smb_query_browsers false\n");
        fs::create_directory(MountPoint());
        std::string home = GetEnv("HOME");
        SetEnv("HOME", dir_ / "home");
        smbnetfs_ = std::make_unique<Child>(EndingWithTheTest({"/usr/bin/smbnetfs", MountPoint(), "-f"}),
                                            dir_ / "smbnetfs.out");
        SetEnv("HOME", home);
        bool mounted = WaitFor([&] { return Mounted(MountPoint()) || !smbnetfs_->Running(); }, 30000);
        if (!mounted || !smbnetfs_->Running()) return "smbnetfs did not mount (FUSE refused?):\n" + Output();
        return "";
    }
    // Unmounted even after a failure; smbnetfs ends with its mount.
    ~ShareMount() {
        if (Mounted(MountPoint()) && umount2(MountPoint().c_str(), 0) != 0)
            umount2(MountPoint().c_str(), MNT_DETACH);
        if (smbnetfs_ && !WaitFor([&] { return !smbnetfs_->Running(); }, 10000)) smbnetfs_->Kill();
    }
    std::string MountPoint() const { return dir_ / "mnt"; }
    std::string Output() { return Tail(ReadFile(dir_ / "smbnetfs.out")); }

  private:
    TempDir dir_;
    std::unique_ptr<Child> smbnetfs_;
};

// A folder exported by a private samba server and mounted through smbnetfs.
class SharedFolder {
  public:
    // Empty when the folder is mounted; otherwise why this machine cannot share and mount it.
    std::string Start(const std::string& exported) {
        if (geteuid() != 0) return "mounting a share through FUSE needs root";
        for (const char* program : {"/usr/sbin/smbd", "/usr/bin/smbnetfs"})
            if (!FileExists(program)) return std::string(program) + " is missing (packages samba, smbnetfs)";
        if (!FileExists("/dev/fuse")) return "this machine has no /dev/fuse";
        if (std::string refused = samba_.Start(exported); !refused.empty()) return refused;
        return mount_.Start();
    }
    // The exported folder as the mount shows it (host:port names the server's port).
    std::string Path() const {
        return mount_.MountPoint() + "/127.0.0.1:" + std::to_string(samba_.Port()) + "/" + kShare;
    }
    std::string Output() { return mount_.Output() + samba_.Output(); }

  private:
    SambaServer samba_;
    ShareMount mount_;  // unmounted before the server stops
};

// The platform's file operations through the share, beside the folder it exports.
class SmbShareFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string refused = shared.Start(exported.path()); !refused.empty()) GTEST_SKIP() << refused;
    }
    TempDir exported;
    SharedFolder shared;  // after the folder: unmounted before the folder goes
};

class SmbShare : public EndToEndTest {
  protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        if (std::string refused = shared.Start(install.Folder()); !refused.empty()) GTEST_SKIP() << refused;
        ASSERT_TRUE(WaitFor([&] { return fs::is_directory(SharedHotFolder()); }, 30000))
            << SharedHotFolder() << " does not show\n"
            << shared.Output();
        SetEnv("TESTSIGNER_RECORD", install / "signer-calls.txt");  // both collectors' signings in one record
        for (int key = 0; key < kKeys; ++key)
            AddRow(Key(key), Document(key));
    }
    // Collectors first, then the client, then the server: nothing outlives the test, even after a failure.
    void TearDown() override {
        remote.Stop();
        install.Stop();
        UnsetEnv("TESTSIGNER_SLEEP_MS");
        EndToEndTest::TearDown();
    }

    // Both collectors keep the triggers in one backup folder on the share, or delete them.
    void Configure(bool useBackupFolder) {
        std::map<std::string, std::string> common{{"UseBackupFolder", useBackupFolder ? "1" : "0"},
                                                  {"TableName", table},
                                                  {"SamplingFrequency", "20"},
                                                  {"TakeoverSeconds", "3600"}};
        install.WriteSettings(common);
        common["HotFolderPath"] = SharedHotFolder();
        common["BackupFolder"] = Shared() + "/backup";
        remote.WriteSettings(common);
    }

    std::string Shared() const { return shared.Path(); }  // the installation folder through the share
    std::string SharedHotFolder() const { return Shared() + "/hot"; }
    static std::string Key(int key) { return "K" + std::to_string(key) + "XY"; }
    static std::string Document(int key) { return "/archive/doc" + std::to_string(key) + ".pdf"; }
    static std::string Name(int trigger) { return "t" + std::to_string(10000 + trigger) + ".pdf"; }

    // Triggers [from, to) arrive whole, each naming one of the keys in turn.
    void Drop(int from, int to) {
        for (int trigger = from; trigger < to; ++trigger)
            install.DropTrigger(Name(trigger), "K" + std::to_string(trigger % kKeys) + "ABXY\n");
    }
    // Drops a round of triggers and waits until every one is gone from the hot folder. The collector on the
    // share starts alone, so that it surely gets some; the other joins once it has processed one. Through
    // the share a trigger takes several times as long: a slower signer beside the folder gives the
    // collector on the share about half of them, so that many moves and deletions go through the share.
    void RunRound(int from) {
        Drop(from, from + kTriggersPerRound);
        if (!remote.Running()) {
            SetEnv("TESTSIGNER_SLEEP_MS", "3");
            remote.Start();
            ASSERT_TRUE(remote.WaitForLog(kOk + SharedHotFolder() + "/", kRoundTimeoutMs))
                << Tail(remote.Log());
            SetEnv("TESTSIGNER_SLEEP_MS", "40");
            install.Start();
        }
        ASSERT_TRUE(WaitFor([&] { return Waiting() == 0; }, kRoundTimeoutMs))
            << Waiting() << " left\n"
            << Tail(remote.Log()) << Tail(install.Log());
    }

    SharedFolder shared;
    ServiceInstallation remote;  // the collector that reaches the hot folder through the share
};

}  // namespace

TEST_P(SmbShare, CollectorsOnTheShareAndOnItsFolderSignEveryTriggerOnce) {
    Configure(true);  // one backup folder on the share for both
    RunRound(0);
    ASSERT_FALSE(HasFatalFailure());
    auto kept = fs::directory_iterator(install.BackupFolder());
    EXPECT_EQ(std::distance(fs::begin(kept), fs::end(kept)), kTriggersPerRound);
    Configure(false);  // deleted
    RunRound(kTriggersPerRound);
    ASSERT_FALSE(HasFatalFailure());
    auto stillKept = fs::directory_iterator(install.BackupFolder());
    EXPECT_EQ(std::distance(fs::begin(stillKept), fs::end(stillKept)), kTriggersPerRound);

    const int triggers = 2 * kTriggersPerRound;
    std::map<std::string, int> byRemote, byLocal;
    AddProcessed(remote.Log(), SharedHotFolder(), byRemote);
    AddProcessed(install.Log(), install.HotFolder(), byLocal);
    std::map<std::string, int> processed = byRemote;
    for (const auto& [name, count] : byLocal)
        processed[name] += count;
    EXPECT_EQ(processed.size(), static_cast<std::size_t>(triggers));
    for (const auto& [name, count] : processed)
        EXPECT_EQ(count, 1) << name;
    for (const char* round : {"t100", "t101"}) {  // each collector did some of each round
        auto inRound = [&](const auto& entry) { return entry.first.rfind(round, 0) == 0; };
        EXPECT_TRUE(std::any_of(byRemote.begin(), byRemote.end(), inRound)) << "share, round " << round;
        EXPECT_TRUE(std::any_of(byLocal.begin(), byLocal.end(), inRound)) << "folder, round " << round;
    }
    EXPECT_EQ(install.SignerCalls().size(), static_cast<std::size_t>(triggers));
    EXPECT_EQ(CounterSum(), triggers);
    for (int key = 0; key < kKeys; ++key)
        EXPECT_EQ(Counter(Document(key)), std::to_string(triggers / kKeys));
    // No failure of any kind, and nothing skip-listed (a file that stays is always logged "Can't be").
    for (const std::string& log : {remote.Log(), install.Log()})
        for (const char* failure : {"Error", "Can't be", "Result = ", "Taken Over", "Timeout", "FindNextFile",
                                    "Log entries lost", "without the lock"})
            EXPECT_EQ(log.find(failure), std::string::npos) << failure << "\n" << Tail(log);
}

// The share has neither exclusive renames nor hard links: a move looks first, and never replaces a file.
TEST_F(SmbShareFiles, MovesNeverReplaceAFile) {
    fs::create_directory(exported / "backup");
    WriteFile(exported / "a.pdf", "K1ABXY\n");
    WriteFile(exported / "backup/a.pdf", "kept");
    std::string through = shared.Path();
    ASSERT_TRUE(WaitFor([&] { return FileExists(through + "/a.pdf"); }, 30000)) << shared.Output();
    EXPECT_EQ(platform::MoveFileNoReplace(through + "/a.pdf", through + "/backup/a.pdf"), kAlreadyExists);
    EXPECT_EQ(platform::RenameNoReplace(through + "/a.pdf", through + "/backup/a.pdf"), kAlreadyExists);
    EXPECT_EQ(ReadFile(exported / "backup/a.pdf"), "kept");
    EXPECT_EQ(platform::MoveFileNoReplace(through + "/a.pdf", through + "/backup/b.pdf"), 0);
    EXPECT_EQ(ReadFile(exported / "backup/b.pdf"), "K1ABXY\n");
    EXPECT_FALSE(FileExists(exported / "a.pdf"));
}

INSTANTIATE_TEST_SUITE_P(Drivers, SmbShare, ::testing::ValuesIn(TestedDrivers()), DriverTestName);
