// Watching the other collectors of a hot folder: the in-progress folder of one whose heartbeat has not
// changed for longer than the takeover bound is emptied back into the hot folder, so that the triggers a
// collector claimed before it stopped for good are processed by the others.
#pragma once

#include <chrono>
#include <map>
#include <string>

#include "skip_list.h"

// Seconds a heartbeat may stand still before its folder is taken over: TakeoverSeconds, by default the
// signer's bound plus a margin (a collector refreshes its heartbeat between two signer runs, and waits
// for the database in between); 0: never.
inline constexpr int kTakeoverMarginSeconds = 300;
int TakeoverSeconds();

class Takeover {
  public:
    // Looks at every other collector's folder in `hotFolder` (at most once a second) and empties those
    // whose heartbeat has stood still for longer than the bound. `ownName` is this collector's folder.
    void Look(const std::string& hotFolder, const std::string& ownName, SkipList& skipList);

  private:
    struct Seen {
        std::string beat;
        std::chrono::steady_clock::time_point since;
        bool seenThisLook = false;
    };
    void Watch(const std::string& hotFolder, const std::string& name, int boundSeconds, SkipList& skipList);
    void Empty(const std::string& hotFolder, const std::string& name, int stillSeconds, SkipList& skipList);

    std::map<std::string, Seen> seen_;  // by folder name; forgotten when a folder is gone
    std::chrono::steady_clock::time_point lastLook_{};
};
