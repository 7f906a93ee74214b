#include "collect.h"

#include "collector_log.h"
#include "common/platform/platform.h"
#include "common/settings.h"
#include "process_csv_file.h"

namespace {

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + platform::kPathSeparator + name;
}

// Moves the trigger file to the backup folder or deletes it; one that stays goes on the skip list.
void RemoveTriggerFile(const std::string& path, bool useBackupFolder, const std::string& backupFolder,
                       SkipList& skipList) {
    if (useBackupFolder) {
        std::string destination = JoinPath(backupFolder, GetFileNameFromPath(path));
        if (platform::MoveFileNoReplace(path, destination) == 0) return;
        skipList.Add(path);
        WriteLogF("File Can't be moved: %s, %s", path.c_str(), destination.c_str());
        return;
    }
    if (platform::DeleteFile(path) == 0) return;
    skipList.Add(path);
    WriteLogF("File Can't be deleted: %s", path.c_str());
}

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
    if (ProcessCsvFile(path) != 0)
        WriteLogF("ProcessCsvFile Error: FileName = %s", path.c_str());
    else
        WriteDetailedLogF("ProcessCsvFile OK: FileName = %s", path.c_str());
    RemoveTriggerFile(path, useBackupFolder, backupFolder, skipList);
}

}  // namespace

std::string GetFileNameFromPath(const std::string& path) {
    std::size_t cut = path.rfind(platform::kPathSeparator);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

int CollectFiles(SkipList& skipList) {
    std::string folder = ReadSettingString(kGeneralSection, kHotFolderPath, platform::kDefaultHotFolder);
    std::string mask = ReadSettingString(kGeneralSection, kFileTypeMask, kDefaultFileTypeMask);
    platform::DirectoryEnumeration files;
    platform::FoundFile found;
    if (files.Start(JoinPath(folder, mask), found) != 0) return 0;
    WriteDetailedLogF("Start Collect Files.");
    int end = 0;
    while (end == 0) {
        if (!found.isDirectory) HandleTriggerFile(JoinPath(folder, found.name), skipList);
        end = files.Next(found);
    }
    if (end != platform::kNoMoreFiles) WriteLog("FindNextFile");
    return end;
}
