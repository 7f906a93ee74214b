#include "collect.h"

#include "collector_log.h"
#include "common/platform/platform.h"
#include "common/settings.h"
#include "done_anyway.h"
#include "in_progress.h"
#include "process_csv_file.h"
#include "takeover.h"

namespace {

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + platform::kPathSeparator + name;
}

// What a pass keeps for the next one: this collector's in-progress folder, what it saw of the others,
// and whether the hot folder could be read (so that a missing folder is reported once, not every pass).
struct CollectorState {
    InProgressFolder inProgress;
    Takeover takeover;
    bool hotFolderUnreadable = false;
};

CollectorState& State() {
    static CollectorState state;
    return state;
}

// A trigger file where it was found (named in the log) and where this collector holds it while it
// works on it (its in-progress folder; the same path when it could not be claimed).
struct Trigger {
    std::string found;
    std::string held;
};

// Moves the trigger file to the backup folder or deletes it; one that stays goes on the skip list, and
// the entry names the place where it stays. The collector looks before it concludes: a removal reported
// failed that happened all the same is logged as such, and nothing is skip-listed for it.
void RemoveTriggerFile(const Trigger& trigger, bool useBackupFolder, const std::string& backupFolder,
                       SkipList& skipList) {
    if (useBackupFolder) {
        std::string destination = JoinPath(backupFolder, GetFileNameFromPath(trigger.found));
        if (platform::MoveFileNoReplace(trigger.held, destination) == 0) return;
        if (HappenedAlthoughReportedFailed(trigger.held, destination)) {
            WriteLogF("File moved although the system reported a failure: %s, %s", trigger.held.c_str(),
                      destination.c_str());
            return;
        }
        skipList.Add(trigger.found);
        WriteLogF("File Can't be moved: %s, %s", trigger.held.c_str(), destination.c_str());
        return;
    }
    if (platform::DeleteFile(trigger.held) == 0) return;
    if (HappenedAlthoughReportedFailed(trigger.held, "")) {
        WriteLogF("File deleted although the system reported a failure: %s", trigger.held.c_str());
        return;
    }
    skipList.Add(trigger.found);
    WriteLogF("File Can't be deleted: %s", trigger.held.c_str());
}

void ProcessAndRemove(const Trigger& trigger, bool useBackupFolder, const std::string& backupFolder,
                      SkipList& skipList) {
    int result = ProcessCsvFile(trigger.found, trigger.held);
    if (result == kProcessFileGone) return;
    if (result != kProcessOk)
        WriteLogF("ProcessCsvFile Error: FileName = %s", trigger.found.c_str());
    else
        WriteDetailedLogF("ProcessCsvFile OK: FileName = %s", trigger.found.c_str());
    RemoveTriggerFile(trigger, useBackupFolder, backupFolder, skipList);
}

// A trigger found in the hot folder: checked for its writer, claimed, processed and removed.
void HandleTriggerFile(const std::string& path, SkipList& skipList) {
    WriteDetailedLogF("Start Processing File = %s", path.c_str());
    std::string backupFolder = ReadSettingString(kGeneralSection, kBackupFolder, "");
    bool useBackupFolder = ReadSettingInt(kGeneralSection, kUseBackupFolder, 0) != 0;
    if (skipList.Contains(path)) return;
    // Read only what its writer has finished: where that cannot be checked, a fresh file waits a pass.
    if (platform::MayStillBeWritten(path)) {
        WriteDetailedLogF("File may still be written, left for a later pass: %s", path.c_str());
        return;
    }
    State().inProgress.Beat();
    Trigger trigger{path, path};
    switch (State().inProgress.ClaimTrigger(path, trigger.held)) {
        case InProgressFolder::Claim::Gone:
            WriteDetailedLogF("File gone or taken by another collector, passed over: %s", path.c_str());
            return;
        case InProgressFolder::Claim::NotClaimed:
            trigger.held = path;  // worked on where it lies, as a collector alone always could
            break;
        case InProgressFolder::Claim::Taken:
            break;
    }
    ProcessAndRemove(trigger, useBackupFolder, backupFolder, skipList);
}

// Finishes what this collector still holds from an earlier pass: left by a crash, or by a rename that
// was reported failed although it happened.
void FinishHeldTriggers(const std::string& hotFolder, SkipList& skipList) {
    InProgressFolder& folder = State().inProgress;
    platform::DirectoryEnumeration files;
    platform::FoundFile found;
    for (int end = files.Start(JoinPath(folder.Path(), "*"), found); end == 0; end = files.Next(found)) {
        if (found.isDirectory) continue;
        Trigger trigger{JoinPath(hotFolder, found.name), JoinPath(folder.Path(), found.name)};
        WriteDetailedLogF("Start Processing File = %s", trigger.found.c_str());
        if (skipList.Contains(trigger.found)) continue;
        folder.Beat();
        ProcessAndRemove(trigger, ReadSettingInt(kGeneralSection, kUseBackupFolder, 0) != 0,
                         ReadSettingString(kGeneralSection, kBackupFolder, ""), skipList);
    }
}

// False, after one entry that names the folder and the system's reason, when the hot folder cannot be
// read; one entry again once it can. An empty folder is no news.
bool HotFolderReadable(const std::string& folder, bool enumerationStarted) {
    int error = enumerationStarted ? 0 : platform::ProbeFolder(folder);
    bool& unreadable = State().hotFolderUnreadable;
    if (error != 0 && !unreadable) {
        // The reason goes into the text: the entry's own error code is whatever the settings read left.
        std::string reason = platform::ErrorText(error);
        while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
            reason.pop_back();
        platform::SetLastError(error);
        WriteLogF("Hot Folder Can't be read, Error %d (%s), Folder = %s", error, reason.c_str(),
                  folder.c_str());
    } else if (error == 0 && unreadable) {
        platform::SetLastError(0);
        WriteLogF("Hot Folder can be read again, Folder = %s", folder.c_str());
    }
    unreadable = error != 0;
    return !unreadable;
}

}  // namespace

void KeepClaimsAlive() {
    State().inProgress.Beat();
}

std::string GetFileNameFromPath(const std::string& path) {
    std::size_t cut = path.rfind(platform::kPathSeparator);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

int CollectFiles(SkipList& skipList) {
    std::string folder = ReadSettingString(kGeneralSection, kHotFolderPath, platform::kDefaultHotFolder);
    std::string mask = ReadSettingString(kGeneralSection, kFileTypeMask, kDefaultFileTypeMask);
    platform::DirectoryEnumeration files;
    platform::FoundFile found;
    bool started = files.Start(JoinPath(folder, mask), found) == 0;
    if (!HotFolderReadable(folder, started)) return 0;
    InProgressFolder& inProgress = State().inProgress;
    inProgress.Prepare(folder);
    if (inProgress.Exists()) {
        inProgress.Beat();
        FinishHeldTriggers(folder, skipList);
    }
    State().takeover.Look(folder, inProgress.Name(), skipList);
    if (!started) {
        inProgress.RemoveIfEmpty();
        return 0;
    }
    WriteDetailedLogF("Start Collect Files.");
    int end = 0;
    while (end == 0) {
        if (!found.isDirectory) HandleTriggerFile(JoinPath(folder, found.name), skipList);
        end = files.Next(found);
    }
    if (end != platform::kNoMoreFiles) WriteLog("FindNextFile");
    int saved = platform::LastError();
    inProgress.RemoveIfEmpty();
    platform::SetLastError(saved);
    return end;
}
