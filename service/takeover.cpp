#include "takeover.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "collector_log.h"
#include "common/platform/platform.h"
#include "common/settings.h"
#include "in_progress.h"
#include "signer.h"
#include "wide_setting.h"

namespace {

constexpr auto kLookInterval = std::chrono::seconds(1);
constexpr std::size_t kHeartbeatReadSize = 1024;

std::string Join(const std::string& folder, const std::string& name) {
    return folder + platform::kPathSeparator + name;
}

// The names of the entries of `folder` (files, or folders) whose names match `mask`.
std::vector<std::string> List(const std::string& folder, const std::string& mask, bool folders) {
    std::vector<std::string> names;
    platform::DirectoryEnumeration entries;
    platform::FoundFile found;
    for (int end = entries.Start(Join(folder, mask), found); end == 0; end = entries.Next(found))
        if (found.isDirectory == folders && found.name != "." && found.name != "..")
            names.push_back(found.name);
    return names;
}

// The heartbeat's text; empty when it cannot be read (which counts as a heartbeat that does not change).
std::string ReadHeartbeat(const std::string& folder) {
    platform::File file;
    if (platform::OpenForSharedRead(Join(Join(folder, kHeartbeatFolder), kHeartbeatFile), file) != 0)
        return {};
    char buffer[kHeartbeatReadSize];
    std::size_t got = 0;
    if (file.Read(buffer, sizeof buffer, got) != 0) got = 0;
    return std::string(buffer, got);
}

// Another collector taking the same folder over may be listing it at this moment, which Windows answers
// with a refusal: without its heartbeat the folder would never be looked at again.
void RemoveFolderOnceLetGo(const std::string& folder) {
    constexpr int kTries = 20;
    constexpr unsigned kPauseMs = 50;
    for (int tries = 1; platform::RemoveEmptyDirectory(folder) != 0 && tries < kTries; ++tries) {
        if (platform::LookUpPath(folder) == platform::PathKind::Missing || !List(folder, "*", false).empty())
            return;  // gone, or holds a file that could not be returned: nothing to wait for
        platform::SleepMilliseconds(kPauseMs);
    }
}

enum class Claim { Ours, Others, NotNow };

// Only the collector that deletes a folder's heartbeat empties it: collectors that reach the bound at the
// same moment would otherwise share its files out, each logging a takeover of its own. A heartbeat that was
// already missing for the whole bound is no one's (the collector never wrote it, or the one that took the
// folder over stopped halfway), and the folder is emptied all the same.
Claim ClaimFolder(const std::string& folder, bool beatMissingAllAlong) {
    std::string beat = Join(Join(folder, kHeartbeatFolder), kHeartbeatFile);
    if (platform::DeleteFile(beat) == 0) return Claim::Ours;
    if (platform::LookUpPath(beat) != platform::PathKind::Missing) return Claim::NotNow;  // held a moment
    return beatMissingAllAlong ? Claim::Ours : Claim::Others;
}

}  // namespace

int TakeoverSeconds() {
    WideSetting bound = ReadWideSetting(kTakeoverSeconds);
    if (bound.form == WideSetting::Number && bound.value >= 0)
        return static_cast<int>(std::min<std::int64_t>(bound.value, INT_MAX));
    int signerMs = SignerTimeoutMilliseconds(ReadWideSetting(kSignerTimeout));
    int signerSeconds = signerMs < 0 ? kDefaultSignerTimeoutSeconds : signerMs / 1000;
    return std::min(signerSeconds, INT_MAX - kTakeoverMarginSeconds) + kTakeoverMarginSeconds;
}

void Takeover::Look(const std::string& hotFolder, const std::string& ownName, SkipList& skipList) {
    auto now = std::chrono::steady_clock::now();
    if (now - lastLook_ < kLookInterval) return;
    lastLook_ = now;
    int saved = platform::LastError();
    int bound = TakeoverSeconds();
    for (auto& [name, seen] : seen_)
        seen.seenThisLook = false;
    for (const std::string& name : List(hotFolder, std::string(kInProgressPrefix) + "*", true))
        if (name != ownName && platform::LookUpPath(Join(Join(hotFolder, name), kHeartbeatFolder)) ==
                                   platform::PathKind::Directory)
            Watch(hotFolder, name, bound, skipList);
    std::erase_if(seen_, [](const auto& entry) { return !entry.second.seenThisLook; });
    platform::SetLastError(saved);
}

// Time is measured on this collector's own clock from the moment it saw the heartbeat change, so clocks
// that differ between hosts do not matter.
void Takeover::Watch(const std::string& hotFolder, const std::string& name, int boundSeconds,
                     SkipList& skipList) {
    auto now = std::chrono::steady_clock::now();
    std::string beat = ReadHeartbeat(Join(hotFolder, name));
    auto [entry, isNew] = seen_.try_emplace(name, Seen{beat, now});
    Seen& seen = entry->second;
    seen.seenThisLook = true;
    if (!isNew && seen.beat != beat) seen = Seen{beat, now, true};
    auto still = std::chrono::duration_cast<std::chrono::seconds>(now - seen.since).count();
    if (boundSeconds == 0 || still <= boundSeconds) return;
    switch (ClaimFolder(Join(hotFolder, name), seen.beat.empty())) {
        case Claim::NotNow:
            return;  // at the next look
        case Claim::Ours:
            Empty(hotFolder, name, static_cast<int>(still), skipList);
            break;
        case Claim::Others:
            break;
    }
    seen.since = now;  // what could not be returned is tried again after another bound, not every pass
}

void Takeover::Empty(const std::string& hotFolder, const std::string& name, int stillSeconds,
                     SkipList& skipList) {
    std::string folder = Join(hotFolder, name);
    int returned = 0;
    for (const std::string& file : List(folder, "*", false)) {
        std::string from = Join(folder, file), to = Join(hotFolder, file);
        if (skipList.Contains(from)) continue;
        int error = platform::RenameNoReplace(from, to);
        if (error == 0) {
            ++returned;
        } else if (platform::LookUpPath(from) != platform::PathKind::Missing) {
            skipList.Add(from);
            platform::SetLastError(error);
            WriteLogF("File Can't be moved: %s, %s", from.c_str(), to.c_str());
        }
    }
    std::string beats = Join(folder, kHeartbeatFolder);
    for (const std::string& file : List(beats, "*", false))
        platform::DeleteFile(Join(beats, file));
    platform::RemoveEmptyDirectory(beats);
    RemoveFolderOnceLetGo(folder);
    platform::SetLastError(0);
    WriteLogF("Collector Taken Over: %s, heartbeat unchanged for %d s, %d file(s) returned to the hot folder",
              folder.c_str(), stillSeconds, returned);
}
