// One collection pass over the hot folder: every trigger file found is processed, then moved to the backup
// folder or deleted. Files that cannot be removed go on the skip list and are left alone from then on.
#pragma once

#include <string>

#include "skip_list.h"

// The trigger files' mask when FileTypeMask is missing.
inline constexpr const char* kDefaultFileTypeMask = "*.PDF";

// Returns 0 when the enumeration could not be started, otherwise the code with which it ended
// (platform::kNoMoreFiles normally).
int CollectFiles(SkipList& skipList);

// Refreshes this collector's heartbeat (at most once a second), so that other collectors do not take back a
// trigger still in hand while its rows are signed one after another.
void KeepClaimsAlive();

// The part of a path after its last separator, or the whole path when it has none.
std::string GetFileNameFromPath(const std::string& path);
