// Failures of the file system that cannot be had on demand (a write that fails, a full disk, a rename
// refused, or reported failed although it happened, as a share may report it), made by replacing one
// system call of the platform layer: the collector log, the claim of a trigger, and its move or delete.
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "common/platform/platform.h"
#include "common/platform/posix_syscalls_for_tests.h"
#include "service/collect.h"
#include "service/collector_log.h"
#include "service/in_progress.h"
#include "support/program_dir_fixture.h"

using namespace testing_support;
using platform::RealSystemCalls;
using platform::ReplaceSystemCall;
using platform::SystemCalls;

namespace {

// One fault: the calls on paths inside `within` that end in `name` fail with `error`.
struct Fault {
    std::string within;
    std::string name;
    int error = 0;
    bool happens = false;  // the real call is made before the failure is reported
    int failures = -1;     // calls that fail before the call works again; -1: all of them
    std::size_t room = 0;  // a write: bytes still taken before it fails (a disk filling up)

    bool Hits(const std::string& path) {
        bool match = path.find(within) != std::string::npos && path.size() >= name.size() &&
                     path.compare(path.size() - name.size(), name.size(), name) == 0;
        if (!match || failures == 0) return false;
        if (failures > 0) --failures;
        return true;
    }
    int Fail() const {
        errno = error;
        return -1;
    }
};

// The replacements are plain functions: their faults live here, one per call.
Fault writeFault, renameFault, unlinkFault, openFault, mkdirFault;

std::string PathOf(int fd) {
    char path[PATH_MAX];
    ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : "";
}

ssize_t FaultyWrite(int fd, const void* data, std::size_t size) {
    if (!writeFault.Hits(PathOf(fd))) return RealSystemCalls().write(fd, data, size);
    if (writeFault.room == 0) return writeFault.Fail();
    std::size_t taken = std::min(size, writeFault.room);
    writeFault.room -= taken;
    return RealSystemCalls().write(fd, data, taken);
}

int FaultyRename(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
    if (!renameFault.Hits(to)) return RealSystemCalls().renameat2(fromFolder, from, toFolder, to, flags);
    if (renameFault.happens) RealSystemCalls().renameat2(fromFolder, from, toFolder, to, flags);
    return renameFault.Fail();
}

int FaultyUnlink(const char* path) {
    if (!unlinkFault.Hits(path)) return RealSystemCalls().unlink(path);
    if (unlinkFault.happens) RealSystemCalls().unlink(path);
    return unlinkFault.Fail();
}

int FaultyOpen(const char* path, int flags, mode_t mode) {
    if (!openFault.Hits(path)) return RealSystemCalls().open(path, flags, mode);
    return openFault.Fail();
}

int FaultyMkdir(const char* path, mode_t mode) {
    if (!mkdirFault.Hits(path)) return RealSystemCalls().mkdir(path, mode);
    return mkdirFault.Fail();
}

class SystemCallFaults : public ProgramDirTest {
  protected:
    ~SystemCallFaults() override {
        platform::RestoreSystemCalls();
        writeFault = renameFault = unlinkFault = openFault = mkdirFault = Fault{};
    }
    std::string Log() {
        return FileExists(dir / "QuillCollector.Log") ? ReadFile(dir / "QuillCollector.Log") : "";
    }
};

class LogFaults : public SystemCallFaults {
  protected:
    void SetUp() override {
        WriteIni("DetailedLog=0\n");
        // Entries an earlier test in this process left held arrive now, before the fault.
        Logged("start");
        before = Log();
        writeFault.within = std::filesystem::canonical(log).string();
        ReplaceSystemCall(&SystemCalls::write, FaultyWrite);
    }
    // Writes one entry; what standard output got.
    std::string Logged(const std::string& text) {
        testing::internal::CaptureStdout();
        WriteLogF("%s", text);
        return testing::internal::GetCapturedStdout();
    }
    std::string log = dir / "QuillCollector.Log";
    std::string before;
};

// ---- A trigger claimed, then moved or deleted ------------------------------------------------------------

// One trigger in a hot folder; the database is out of reach (no such driver), so every processing of the
// trigger ends at once with its key on record: one "Document Key = K1," entry each time it is processed,
// which is where it would be signed.
class TriggerFaults : public SystemCallFaults {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(hot);
        std::filesystem::create_directories(backup);
        WriteFile(hot + "/k1.pdf", "K1\n");
        Settings(true);
    }
    void Settings(bool useBackupFolder) {
        WriteIni("HotFolderPath=" + hot +
                 "\nFileTypeMask=*.pdf\nUseBackupFolder=" + (useBackupFolder ? "1" : "0") +
                 "\nBackupFolder=" + backup + "\nConnectionString=Driver={No Such Driver}\nDetailedLog=0\n");
    }
    void Passes(int count) {
        testing::internal::CaptureStdout();
        for (int pass = 0; pass < count; ++pass)
            CollectFiles(skipList);
        testing::internal::GetCapturedStdout();
    }
    int Processings() { return CountOf(Log(), " - Document Key = K1, "); }
    // Where this collector holds the trigger, when it still does.
    std::string Held() {
        for (const auto& entry : std::filesystem::directory_iterator(hot))
            if (entry.path().filename().string().rfind(kInProgressPrefix, 0) == 0 &&
                FileExists(entry.path() / "k1.pdf"))
                return (entry.path() / "k1.pdf").string();
        return "";
    }
    // Every place where a copy of the trigger lies.
    int Copies() { return FileExists(hot + "/k1.pdf") + !Held().empty() + FileExists(backup + "/k1.pdf"); }

    std::string hot = dir / "hot";
    std::string backup = dir / "backup";
    const std::string inProgress = std::string("/") + kInProgressPrefix;
    SkipList skipList;
};

struct RenameCase {
    int error;
    bool happens;
    int failures;
};

void PrintTo(const RenameCase& c, std::ostream* out) {
    *out << strerrorname_np(c.error) << (c.happens ? " after the call was made" : "") << ", failures "
         << c.failures;
}

std::string CaseName(const testing::TestParamInfo<RenameCase>& info) {
    return std::string(strerrorname_np(info.param.error)) + (info.param.happens ? "ButDone" : "") +
           (info.param.failures == 1   ? "Once"
            : info.param.failures == 2 ? "Twice"
                                       : "");
}

}  // namespace

// ---- The collector log -----------------------------------------------------------------------------------

TEST_F(LogFaults, EntriesAFailingFileRefusesAreOnStandardOutputAndFollowInOrderOnceItTakesThem) {
    writeFault.error = EIO;
    std::string shown;
    for (int i = 1; i <= 3; ++i)
        shown += Logged("Document Key = K" + std::to_string(i));
    EXPECT_EQ(CountOf(shown, " - Document Key = K"), 3) << shown;
    EXPECT_EQ(Log(), before);
    platform::RestoreSystemCalls();
    shown += Logged("the file takes entries again");
    EXPECT_EQ(Log(), before + shown);
}

// As on a full disk: the file takes the start of an entry, then refuses with ENOSPC. The rest of that entry
// is completed, not repeated, once there is room.
TEST_F(LogFaults, AnEntryAFullDiskCutShortIsCompletedOnceThereIsRoom) {
    writeFault.error = ENOSPC;
    writeFault.room = 30;
    std::string shown;
    for (int i = 1; i <= 3; ++i)
        shown += Logged("Document Key = K" + std::to_string(i));
    EXPECT_EQ(Log(), before + shown.substr(0, 30));
    writeFault.room = 1;  // room for one byte more: the next entry still waits behind the cut one
    shown += Logged("still full");
    EXPECT_EQ(Log(), before + shown.substr(0, 31));
    platform::RestoreSystemCalls();
    shown += Logged("room again");
    EXPECT_EQ(Log(), before + shown);
}

// A share that reports the renames and the deletion of a rotation failed although it carried them out: the
// log counts as set aside, and no note says that it could not be.
TEST_F(SystemCallFaults, ARotationReportedFailedAlthoughDoneCountsAsDone) {
    std::string log = dir / "rotating.log";
    renameFault = {log + ".", "", EIO, true};
    unlinkFault = {log + ".", "", EIO, true};
    ReplaceSystemCall(&SystemCalls::renameat2, FaultyRename);
    ReplaceSystemCall(&SystemCalls::unlink, FaultyUnlink);
    LogFileWriter writer;
    for (int i = 0; i < 4; ++i) {  // each entry fills the log: set aside after each, the oldest deleted
        std::string entry = "entry " + std::to_string(i) + "\r\n";
        writer.Append(log, entry, entry.size(), [] { return 2; });
    }
    EXPECT_FALSE(FileExists(log)) << ReadFile(log);
    EXPECT_EQ(ReadFile(log + ".1"), "entry 3\r\n");
    EXPECT_EQ(ReadFile(log + ".2"), "entry 2\r\n");
    EXPECT_FALSE(FileExists(log + ".3"));
}

// The claim (the rename into the collector's own folder) refused, refused once, reported failed although
// it happened, or refused twice for want of the folder (taken away, made again): the collector looks
// before it concludes, and the trigger is processed once, in the pass that found it.
class ClaimFaults : public TriggerFaults, public testing::WithParamInterface<RenameCase> {};

TEST_P(ClaimFaults, TheTriggerIsProcessedOnceAndMovedToTheBackupFolder) {
    renameFault = {inProgress, "/k1.pdf", GetParam().error, GetParam().happens, GetParam().failures};
    ReplaceSystemCall(&SystemCalls::renameat2, FaultyRename);
    Passes(1);  // done in the pass that found it, not left in the collector's folder for the next one
    EXPECT_EQ(ReadFile(backup + "/k1.pdf"), "K1\n");
    Passes(2);
    EXPECT_EQ(Processings(), 1) << Log();
    EXPECT_EQ(Copies(), 1);
    EXPECT_EQ(Log().find("Can't be"), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(Renames, ClaimFaults,
                         testing::Values(RenameCase{EACCES, false, -1}, RenameCase{EBUSY, false, 1},
                                         RenameCase{EIO, true, -1}, RenameCase{ENOENT, true, -1},
                                         RenameCase{ENOENT, false, 2}),
                         CaseName);

// A hot folder in which the collector may not make its folder: the trigger is worked on where it lies.
TEST_F(TriggerFaults, AFolderOfItsOwnThatCannotBeMadeLeavesTheTriggerWhereItLies) {
    mkdirFault = {inProgress, "", EACCES};
    ReplaceSystemCall(&SystemCalls::mkdir, FaultyMkdir);
    Passes(2);
    EXPECT_EQ(Processings(), 1) << Log();
    EXPECT_EQ(ReadFile(backup + "/k1.pdf"), "K1\n");
    EXPECT_EQ(Copies(), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(hot), std::filesystem::directory_iterator{}),
              0);
}

// The move to the backup folder refused: the trigger stays in the collector's folder, the entry names it
// and the system's reason, and it is never processed again.
class MoveRefused : public TriggerFaults, public testing::WithParamInterface<RenameCase> {};

TEST_P(MoveRefused, TheTriggerStaysHeldNamedAndSkipped) {
    renameFault = {backup + "/", "/k1.pdf", GetParam().error};
    ReplaceSystemCall(&SystemCalls::renameat2, FaultyRename);
    Passes(3);
    EXPECT_EQ(Processings(), 1) << Log();
    std::string held = Held();
    ASSERT_NE(held, "");
    EXPECT_EQ(ReadFile(held), "K1\n");
    EXPECT_EQ(Copies(), 1);
    EXPECT_EQ(CountOf(Log(), " - File Can't be moved: " + held + ", " + backup +
                                 "/k1.pdf failed with error " + std::to_string(GetParam().error) + ": "),
              1)
        << Log();
}

INSTANTIATE_TEST_SUITE_P(Renames, MoveRefused,
                         testing::Values(RenameCase{EACCES, false, -1}, RenameCase{EBUSY, false, -1}),
                         CaseName);

// A rename that a share reports failed although it happened: the trigger lies in the backup folder, the
// entry says so, and nothing is skip-listed, so a later trigger of the same name is processed.
TEST_F(TriggerFaults, MoveReportedFailedAlthoughDoneIsLoggedAsDone) {
    renameFault = {backup + "/", "/k1.pdf", EIO, true};
    ReplaceSystemCall(&SystemCalls::renameat2, FaultyRename);
    Passes(1);
    std::string log = Log();
    EXPECT_EQ(ReadFile(backup + "/k1.pdf"), "K1\n");
    EXPECT_EQ(Copies(), 1);
    EXPECT_EQ(CountOf(log, " - File moved although the system reported a failure: "), 1) << log;
    EXPECT_NE(log.find(", " + backup + "/k1.pdf failed with error " + std::to_string(EIO) + ": "),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Can't be"), std::string::npos) << log;
    platform::RestoreSystemCalls();
    WriteFile(hot + "/k1.pdf", "K2\n");
    Passes(2);
    EXPECT_EQ(Processings(), 1);
    EXPECT_EQ(CountOf(Log(), " - Document Key = K2, "), 1) << Log();
}

// A move to another file system (the rename says EXDEV) copies the trigger, or one without exclusive
// renames (EINVAL) links it; then the source is removed. A removal reported failed although it happened
// completed the move: the copy is the only one left and stays.
class MoveBySecondName : public TriggerFaults, public testing::WithParamInterface<RenameCase> {};

TEST_P(MoveBySecondName, ASourceRemovalReportedFailedAlthoughDoneKeepsTheOnlyCopy) {
    renameFault = {backup + "/", "/k1.pdf", GetParam().error};
    unlinkFault = {inProgress, "/k1.pdf", EIO, true};
    ReplaceSystemCall(&SystemCalls::renameat2, FaultyRename);
    ReplaceSystemCall(&SystemCalls::unlink, FaultyUnlink);
    Passes(2);
    EXPECT_EQ(Processings(), 1) << Log();
    EXPECT_EQ(ReadFile(backup + "/k1.pdf"), "K1\n");
    EXPECT_EQ(Copies(), 1);
    EXPECT_EQ(Log().find("File Can't be moved"), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(Renames, MoveBySecondName,
                         testing::Values(RenameCase{EXDEV, false, -1}, RenameCase{EINVAL, false, -1}),
                         CaseName);

// The delete (no backup folder) refused, or reported failed although it happened: the entry says which.
class DeleteFaults : public TriggerFaults, public testing::WithParamInterface<RenameCase> {};

TEST_P(DeleteFaults, TheTriggerIsProcessedOnceAndTheEntrySaysWhatHappened) {
    Settings(false);
    unlinkFault = {inProgress, "/k1.pdf", GetParam().error, GetParam().happens};
    ReplaceSystemCall(&SystemCalls::unlink, FaultyUnlink);
    Passes(3);
    EXPECT_EQ(Processings(), 1) << Log();
    EXPECT_EQ(Copies(), GetParam().happens ? 0 : 1);
    std::string entry = GetParam().happens ? " - File deleted although the system reported a failure: "
                                           : " - File Can't be deleted: ";
    EXPECT_EQ(CountOf(Log(), entry + hot + inProgress), 1) << Log();
    EXPECT_EQ(CountOf(Log(), "/k1.pdf failed with error " + std::to_string(GetParam().error) + ": "), 1)
        << Log();
}

INSTANTIATE_TEST_SUITE_P(Unlinks, DeleteFaults,
                         testing::Values(RenameCase{EACCES, false, -1}, RenameCase{EIO, true, -1}), CaseName);

// ---- Files that this user may not read ------------------------------------------------------------------

// A file whose owner may not read it (open refused, as for a file of mode 0) is still moved and deleted:
// the sharing check cannot be made and is left to the rename and the unlink, which need no read access.
TEST_F(SystemCallFaults, AFileThatCannotBeOpenedIsStillMovedAndDeleted) {
    WriteFile(dir / "closed.pdf", "K1ABXY\n");
    WriteFile(dir / "closed2.pdf", "K1ABXY\n");
    openFault = {dir.path(), "closed.pdf", EACCES};
    ReplaceSystemCall(&SystemCalls::open, FaultyOpen);
    EXPECT_EQ(platform::MoveFileNoReplace(dir / "closed.pdf", dir / "moved.pdf"), 0);
    openFault.name = "closed2.pdf";
    EXPECT_EQ(platform::DeleteFile(dir / "closed2.pdf"), 0);
    EXPECT_TRUE(FileExists(dir / "moved.pdf"));
    EXPECT_FALSE(FileExists(dir / "closed2.pdf"));
    EXPECT_FALSE(FileExists(dir / "closed.pdf"));
}
