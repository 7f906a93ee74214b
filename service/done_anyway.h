// A share may report a move or a deletion failed when it answers a request it had already carried out.
#pragma once

#include <string>

// True when a move (to `to`) or a deletion (`to` empty) reported failed has happened all the same: nothing
// is left at `from`, and something (the file, or a link moved as a link) lies at a move's destination.
// The last error stays as it was, for the entry that reports the outcome.
bool HappenedAlthoughReportedFailed(const std::string& from, const std::string& to);
