// Between two passes: the pause, ended early by what arrives in the hot folder or by the host's stop request.
#pragma once

#include <chrono>
#include <string>

#include "common/platform/platform.h"

class HotFolderWatch {
  public:
    // No pause (0) means no watch: passes follow each other at once anyway.
    explicit HotFolderWatch(unsigned pauseMs) : pauseMs_(pauseMs) {}

    // Called before each pass, so that nothing arriving during the pass goes unseen: watches the hot
    // folder that the settings name now, and writes one detailed entry whenever watching starts, stops
    // or moves to another folder.
    void FollowSettings();

    // Waits after a pass until the next one is due: the pause is over, a trigger arrived (or arrived
    // during the pass), or a file that the pass may have left to its writer has settled. Returns 0, or
    // platform::kStopRequested.
    int WaitForNextPass();

  private:
    using Clock = std::chrono::steady_clock;

    void NoteWatching(int error, const std::string& folder);
    Clock::time_point NextPassDue(Clock::time_point pauseEnd) const;

    unsigned pauseMs_;
    platform::FolderWatch watch_;
    bool watching_ = false;
    bool noted_ = false;         // the first state is always written
    std::string watchedFolder_;  // as last written in the log
    Clock::time_point passStart_{};
    Clock::time_point lastChange_{};  // when the last change was reported
    bool changeUnsettled_ = false;    // a pass since that change may have left a file to its writer
};
