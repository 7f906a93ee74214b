#include "tools/moorline/posix_elevation.h"

#include <unistd.h>

#include <vector>

#include "common/platform/platform.h"
#include "common/text_format.h"

namespace moorline {

namespace {

// An absolute path: a bare name would be searched beside this program first.
constexpr const char* kPkexec = "/usr/bin/pkexec";
constexpr int kPkexecNotAuthorized = 126;  // the administrator refused or cancelled
constexpr int kPkexecFailed = 127;         // not authorized, or no authentication agent to ask with
// An authentication dialog may stay open for a while, but not for ever.
constexpr int kAuthenticationTimeoutMs = 10 * 60 * 1000;

std::string WhyNot(int exitCode) {
    if (exitCode == kPkexecNotAuthorized) return "the authentication was refused or cancelled";
    if (exitCode == kPkexecFailed) return "pkexec was not authorized or found no authentication agent to ask";
    return StrPrintf("pkexec ended with exit code %d", exitCode);
}

}  // namespace

bool NeedsRoot(const std::string& unitDir) {
    return geteuid() != 0 && access(unitDir.c_str(), W_OK) != 0;
}

int RunAsRoot(int argc, char** argv, const std::string& unitDir, const HostLog& log) {
    const std::string needs = "changing " + unitDir + " needs root";
    if (access(kPkexec, X_OK) != 0) {
        log.Write(needs + ", and " + kPkexec + " is not installed to ask for it: run Moorline as root");
        return kNeedsRoot;
    }
    std::vector<std::string> command{kPkexec, platform::ProgramPath()};
    command.insert(command.end(), argv + 1, argv + argc);
    log.Write(needs + ": asking for it through pkexec");
    platform::ChildHandle child;
    if (platform::StartHiddenChild(command, "", child) != 0) {
        log.Write(needs + ", and pkexec cannot be run: " + platform::ErrorText(platform::LastError()));
        return kNeedsRoot;
    }
    int exitCode = 0;
    if (int error = platform::WaitChild(*child, kAuthenticationTimeoutMs, exitCode); error != 0) {
        platform::KillChild(*child);
        log.Write(needs + (error == platform::kWaitTimeout
                               ? ", and nobody authenticated within ten minutes"
                               : ", and pkexec cannot be waited for: " + platform::ErrorText(error)));
        return kNeedsRoot;
    }
    if (exitCode == kPkexecNotAuthorized || exitCode == kPkexecFailed) {
        log.Write(needs + ", and " + WhyNot(exitCode) + ": run Moorline as root");
        return kNeedsRoot;
    }
    return exitCode;  // the run as root has logged its own steps
}

}  // namespace moorline
