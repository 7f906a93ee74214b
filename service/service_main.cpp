#include "service_main.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "collect.h"
#include "collector_log.h"
#include "common/platform/platform.h"
#include "common/settings.h"
#include "hot_folder_watch.h"
#include "single_service.h"
#include "skip_list.h"
#include "wide_setting.h"

namespace {

constexpr unsigned kDefaultSamplingFrequencyMs = 5000;
// The longest pause: one below the value that makes the Windows sleep wait for ever.
constexpr std::int64_t kLongestPauseMs = 4294967294;

[[noreturn]] void PollForever(SkipList& skipList, unsigned pauseMs) {
    HotFolderWatch hotFolder(pauseMs);
    for (;;) {
        hotFolder.FollowSettings();
        CollectFiles(skipList);
        if (hotFolder.WaitForNextPass() == platform::kStopRequested) EndOnStopRequest();
    }
}

void CatchStopRequests() {
    if (int error = platform::CatchStopRequests(); error != 0) {
        platform::SetLastError(error);
        WriteLog("Stop requests cannot be caught: the service ends without a stop entry");
    }
}

}  // namespace

unsigned PauseMilliseconds(const WideSetting& samplingFrequency) {
    switch (samplingFrequency.form) {
        case WideSetting::Missing:
            return kDefaultSamplingFrequencyMs;
        case WideSetting::NotANumber:
            return 0;
        case WideSetting::Number:
            break;
    }
    if (samplingFrequency.value < 0) return 0;
    return static_cast<unsigned>(std::min(samplingFrequency.value, kLongestPauseMs));
}

void EndOnStopRequest() {
    platform::SetLastError(0);
    WriteLogF("QuillCollector Stopped. Signal = %s",
              platform::StopRequestName(platform::StopRequest()).c_str());
    std::fflush(nullptr);
    std::_Exit(0);
}

int RunService() {
    SkipList skipList;
    if (platform::InitializeProcess() != 0) {
        std::fputs("Fatal Error: MFC initialization failed\n", stdout);
        std::fflush(stdout);
        return 1;
    }
    if (!TakeInstallationLock()) return 1;
    WriteLog("QuillCollector Started.");
    CatchStopRequests();
    PollForever(skipList, PauseMilliseconds(ReadWideSetting(kSamplingFrequency)));
}
