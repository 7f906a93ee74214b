// Whole-file replacement, which only POSIX callers need (the POSIX service host writes its unit file with
// it); the profile writer of posix_system.cpp uses the same replacement.
#pragma once

#include <string>

namespace platform {

// Replaces (or creates) a file with `text` so that a reader sees the old or the new file, never half of one;
// an existing file keeps its permissions.
int ReplaceFileContent(const std::string& path, const std::string& text);

}  // namespace platform
