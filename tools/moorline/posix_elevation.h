// Writing or removing a unit in the system's unit folder needs root. Run by an administrator who is not
// root (Install Service in the manager), Moorline asks for it as desktop programs do: it runs itself again
// through pkexec, whose polkit action org.quillcollector.moorline (shipped with the Debian package) has an
// administrator authenticate.
#pragma once

#include <string>

#include "tools/moorline/host.h"

namespace moorline {

// Exit code when root is needed and could not be had: pkexec missing, refused, cancelled or unable to ask.
constexpr int kNeedsRoot = 5;

// Whether this process must become root to change `unitDir`: it is not root and may not write there.
bool NeedsRoot(const std::string& unitDir);

// Runs this program again as root through pkexec with the same arguments and returns the exit code of that
// run; kNeedsRoot, with the reason in the log, when it could not be started as root.
int RunAsRoot(int argc, char** argv, const std::string& unitDir, const HostLog& log);

}  // namespace moorline
