// What both back ends of the service host share: the nine keys of Moorline.ini, the log beside the
// program, the exit codes every flavour gives. Each back end (posix_host.cpp: systemd, win32_host.cpp:
// the service control manager) implements RunHost.
#pragma once

#include <optional>
#include <string>

namespace moorline {

// Exit codes 0 to 2 mean the same on every OS; 3 and 4 are the back end's (see its file).
constexpr int kDone = 0, kUsage = 1, kBadConfig = 2;

// Sections "Settings" and "Process0" of Moorline.ini, as the manager writes them.
struct HostConfig {
    std::string serviceName;
    int procCount = 1;
    bool checkProcess = true;
    std::string commandLine;  // the program's file name in workingDir
    std::string workingDir;
    int pauseStart = 0;  // ms before the program is started
    int pauseEnd = 0;    // ms the program is given to end when the service stops
    std::string userInterface;
    std::string restart;  // Yes or No
};

// One line per action, appended to Moorline.log beside the program and written to standard error.
class HostLog {
  public:
    // `folder` holds Moorline.ini and Moorline.log; `action` names the run in every line ("-i", "service").
    HostLog(std::string folder, std::string action);
    void Write(const std::string& text) const;
    const std::string& Folder() const { return folder_; }

  private:
    std::string folder_;
    std::string action_;
};

// Reads Moorline.ini from the log's folder. False, with the reason logged, when the file is missing or
// asks for more than the one process a host runs.
bool ReadHostConfig(const HostLog& log, HostConfig& config);

// Moorline's Yes or No (also 1/0, true/false, in any case); nothing for any other text.
std::optional<bool> ParseYesNo(const std::string& value);

// The back end: parses the command line and does what it asks. Returns the exit code.
int RunHost(int argc, char** argv);

}  // namespace moorline
