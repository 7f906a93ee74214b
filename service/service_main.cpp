#include "service_main.h"

#include <cstdio>

#include "collect.h"
#include "collector_log.h"
#include "common/platform/platform.h"
#include "common/settings.h"
#include "single_service.h"
#include "skip_list.h"

namespace {

constexpr int kDefaultSamplingFrequencyMs = 5000;

// A negative interval is read as no pause; an unsigned pause would sleep for weeks.
unsigned PauseMilliseconds(int samplingFrequency) {
    return samplingFrequency > 0 ? static_cast<unsigned>(samplingFrequency) : 0u;
}

[[noreturn]] void PollForever(SkipList& skipList, unsigned pauseMs) {
    for (;;) {
        CollectFiles(skipList);
        platform::SleepMilliseconds(pauseMs);
    }
}

}  // namespace

int RunService() {
    SkipList skipList;
    if (platform::InitializeProcess() != 0) {
        std::fputs("Fatal Error: MFC initialization failed\n", stdout);
        std::fflush(stdout);
        return 1;
    }
    if (!TakeInstallationLock()) return 1;
    WriteLog("QuillCollector Started.");
    int samplingFrequency = ReadSettingInt(kGeneralSection, kSamplingFrequency, kDefaultSamplingFrequencyMs);
    PollForever(skipList, PauseMilliseconds(samplingFrequency));
}
