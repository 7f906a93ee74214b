#include "in_progress.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/platform/platform.h"
#include "common/settings.h"
#include "common/text_format.h"

namespace {

constexpr std::size_t kNamePartLength = 24;
constexpr auto kBeatInterval = std::chrono::seconds(1);
constexpr unsigned kRetryPauseMs = 50;

std::string Join(const std::string& folder, const std::string& name) {
    return folder + platform::kPathSeparator + name;
}

// Letters, digits, '-' and '_' stay; anything else becomes '_'. A long part keeps its end, where an
// installation folder's path says most.
std::string NamePart(const std::string& text) {
    std::string part;
    for (unsigned char c : text)
        part += (c < 0x80 && (std::isalnum(c) || c == '-' || c == '_')) ? static_cast<char>(c) : '_';
    if (part.size() > kNamePartLength) part = part.substr(part.size() - kNamePartLength);
    return part.empty() ? "_" : part;
}

std::uint32_t Fnv1a(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

}  // namespace

std::string InProgressFolderName(const std::string& hostName, const std::string& installationFolder) {
    char hash[9];
    std::snprintf(hash, sizeof hash, "%08x",
                  static_cast<unsigned>(Fnv1a(hostName + '\n' + installationFolder)));
    return kInProgressPrefix + NamePart(hostName) + "-" + NamePart(installationFolder) + "-" + hash;
}

InProgressFolder::InProgressFolder()
    : name_(InProgressFolderName(platform::HostName(), GetProgramDirectory())) {}

void InProgressFolder::Prepare(const std::string& hotFolder) {
    if (hotFolder == hotFolder_) return;
    hotFolder_ = hotFolder;
    path_ = Join(hotFolder, name_);
    ready_ = false;
}

bool InProgressFolder::Exists() {
    ready_ = platform::LookUpPath(path_) == platform::PathKind::Directory &&
             platform::MakeDirectory(Join(path_, kHeartbeatFolder)) == 0;
    return ready_;
}

bool InProgressFolder::Make() {
    if (ready_) return true;
    int saved = platform::LastError();
    ready_ =
        platform::MakeDirectory(path_) == 0 && platform::MakeDirectory(Join(path_, kHeartbeatFolder)) == 0;
    if (ready_) Beat(true);
    platform::SetLastError(saved);
    return ready_;
}

void InProgressFolder::RemoveIfEmpty() {
    if (!ready_) return;
    int saved = platform::LastError();
    platform::DirectoryEnumeration entries;
    platform::FoundFile found;
    for (int end = entries.Start(Join(path_, "*"), found); end == 0; end = entries.Next(found))
        if (!found.isDirectory) {
            platform::SetLastError(saved);
            return;  // a trigger that stays: the heartbeat keeps it from being taken over
        }
    std::string beats = Join(path_, kHeartbeatFolder);
    std::vector<std::string> names;
    for (int end = entries.Start(Join(beats, "*"), found); end == 0; end = entries.Next(found))
        if (!found.isDirectory) names.push_back(found.name);
    for (const std::string& name : names)
        platform::DeleteFile(Join(beats, name));
    platform::RemoveEmptyDirectory(beats);
    platform::RemoveEmptyDirectory(path_);
    ready_ = false;
    platform::SetLastError(saved);
}

InProgressFolder::Claim InProgressFolder::ClaimTrigger(const std::string& found, std::string& held) {
    std::size_t cut = found.rfind(platform::kPathSeparator);
    held = Join(path_, cut == std::string::npos ? found : found.substr(cut + 1));
    if (!Make()) return Claim::NotClaimed;
    int error = platform::RenameNoReplace(found, held);
    if (error == 0) return Claim::Taken;
    if (platform::LookUpPath(found) != platform::PathKind::Missing) {
        // Windows refuses a rename while another collector's rename of the same file is under way: a
        // moment later the file is gone, or the refusal stands (its writer holds it).
        platform::SleepMilliseconds(kRetryPauseMs);
        error = platform::RenameNoReplace(found, held);
        if (error == 0) return Claim::Taken;
    }
    // A share may report a rename that happened as failed: what lies where is the answer.
    platform::PathKind source = platform::LookUpPath(found);
    platform::PathKind target = platform::LookUpPath(held);
    // Only this collector writes into its folder: a file there under the name is the one just renamed.
    if (source == platform::PathKind::Missing)
        return target == platform::PathKind::File ? Claim::Taken : Claim::Gone;
    ready_ = false;  // our folder may have been taken away: made again for one more try
    if (platform::IsNotFound(error) && target == platform::PathKind::Missing && Make() &&
        platform::RenameNoReplace(found, held) == 0)
        return Claim::Taken;  // our folder had been taken away and is back
    platform::SetLastError(error);
    return Claim::NotClaimed;
}

void InProgressFolder::Beat(bool now) {
    auto time = std::chrono::steady_clock::now();
    if (!ready_ || (!now && time - lastBeat_ < kBeatInterval)) return;
    lastBeat_ = time;
    int saved = platform::LastError();
    platform::LocalTime t = platform::Now();
    std::string text = StrPrintf("%lld %04d-%02d-%02d %02d:%02d:%02d.%03d %s %s\n", ++beats_, t.year, t.month,
                                 t.day, t.hour, t.minute, t.second, t.millisecond,
                                 platform::HostName().c_str(), GetProgramDirectory().c_str());
    std::string beat = Join(Join(path_, kHeartbeatFolder), kHeartbeatFile);
    if (platform::ReplaceFileContent(beat, text) != 0) ready_ = false;  // made again at the next pass
    platform::SetLastError(saved);
}
