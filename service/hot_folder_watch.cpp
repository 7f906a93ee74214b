#include "hot_folder_watch.h"

#include <algorithm>

#include "collect.h"
#include "collector_log.h"
#include "common/settings.h"

void HotFolderWatch::FollowSettings() {
    passStart_ = Clock::now();
    if (pauseMs_ == 0) return;
    std::string folder = ReadSettingString(kGeneralSection, kHotFolderPath, platform::kDefaultHotFolder);
    std::string mask = ReadSettingString(kGeneralSection, kFileTypeMask, kDefaultFileTypeMask);
    NoteWatching(watch_.Watch(folder, mask), folder);
}

void HotFolderWatch::NoteWatching(int error, const std::string& folder) {
    bool watching = error == 0;
    if (noted_ && watching == watching_ && (!watching || folder == watchedFolder_)) return;
    noted_ = true;
    watching_ = watching;
    watchedFolder_ = folder;
    platform::SetLastError(error);  // the entry shows the reason
    if (watching)
        WriteDetailedLogF("Hot folder watched, a trigger arriving there starts the next pass: %s",
                          folder.c_str());
    else
        WriteDetailedLogF("Hot folder not watched, passes follow the pause of %u ms: %s", pauseMs_,
                          folder.c_str());
}

// A file that the pass found still fresh from its writer is taken once it has settled; the pause stays
// the upper bound.
HotFolderWatch::Clock::time_point HotFolderWatch::NextPassDue(Clock::time_point pauseEnd) const {
    if (!changeUnsettled_) return pauseEnd;
    auto settled = lastChange_ + std::chrono::milliseconds(platform::kWriterSettleMilliseconds);
    if (settled <= passStart_) return pauseEnd;  // the pass came after it had settled
    // A little beyond, for the file system's coarser clock.
    return std::min(pauseEnd, settled + std::chrono::milliseconds(20));
}

int HotFolderWatch::WaitForNextPass() {
    Clock::time_point now = Clock::now();
    Clock::time_point due = NextPassDue(now + std::chrono::milliseconds(pauseMs_));
    changeUnsettled_ = false;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
    auto waitMs = static_cast<unsigned>(std::max<long long>(left, 0));  // due already: look at once
    int woken = watch_.Wait(waitMs);
    if (woken == platform::kFolderChanged) {
        lastChange_ = Clock::now();
        changeUnsettled_ = platform::kWriterSettleMilliseconds > 0;
        return 0;
    }
    if (woken == platform::kStopRequested) return woken;
    // A wait that failed at once sleeps out the pause rather than spin.
    if (woken != platform::kWaitTimeout && Clock::now() < due) platform::SleepMilliseconds(waitMs);
    return 0;
}
