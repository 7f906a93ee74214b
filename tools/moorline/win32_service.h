// The service mode of the Windows service host: run by the service control manager, it runs the process of
// section "Process0" of Moorline.ini and ends it when the service stops.
#pragma once

#include <string>

#include "tools/moorline/host.h"

namespace moorline {

// The Windows back end's own exit codes (win32_host.cpp tells what they mean).
constexpr int kRefused = 3, kWrongState = 4;

// "error <code>: <the system's text for it>", for a log line that says what failed.
std::string ErrorCodeText(unsigned long code);

// Connects to the service control manager and serves until the service stops. Returns the exit code.
int RunService(const HostLog& log);

}  // namespace moorline
