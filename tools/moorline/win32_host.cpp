// The service host's Windows back end: the process of section "Process0" of Moorline.ini becomes a service
// of the service control manager, which runs this program in its service mode (win32_service.cpp).
//
//   Moorline.exe -i          register the service named by ServiceName (own process, automatic start,
//                            binary path: this program, quoted, with --service) and start it
//   Moorline.exe -u          stop the service (waiting PauseEnd ms and half a minute at most) and remove it
//   Moorline.exe --service   the service mode; only the service control manager starts it so
//
// Every action is appended as one line to Moorline.log beside this program and written to standard error.
//
// Exit codes:
//   0  done (-u of a service that is not installed: there was nothing to do)
//   1  wrong command line, or --service not started by the service control manager
//   2  Moorline.ini missing, or a value in it that no service can be made of
//   3  the service control manager refused a step (access denied, the service exists already, ...)
//   4  the service did not reach the running or the stopped state (its own lines in the log say why)
#include "common/platform/win32_windows.h"

#include <cstdio>
#include <optional>
#include <string>

#include "common/platform/platform.h"
#include "common/settings.h"
#include "common/text_format.h"
#include "tools/moorline/host.h"
#include "tools/moorline/win32_service.h"

namespace moorline {

namespace {

constexpr DWORD kStateWaitMs = 30000;  // on top of PauseStart or PauseEnd
constexpr DWORD kPollMs = 100;

struct ServiceHandle {
    SC_HANDLE handle;
    explicit ServiceHandle(SC_HANDLE h) : handle(h) {}
    ~ServiceHandle() {
        if (handle) CloseServiceHandle(handle);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
};

int Refused(const HostLog& log, const std::string& what) {
    log.Write(what + ": " + ErrorCodeText(GetLastError()));
    return kRefused;
}

std::optional<std::string> CheckServiceConfig(const HostConfig& c) {
    if (c.serviceName.empty() || c.serviceName.size() > 256 ||
        c.serviceName.find_first_of("/\\") != std::string::npos)
        return "ServiceName \"" + c.serviceName +
               "\" is not a service name (1 to 256 characters, no / or \\)";
    if (c.workingDir.empty()) return "WorkingDir is empty";
    if (c.commandLine.empty()) return "CommandLine is empty";
    if (!ParseYesNo(c.restart)) return "Restart \"" + c.restart + "\" is neither Yes nor No";
    return std::nullopt;
}

// Reads Moorline.ini and checks that a service can be made of it; false, with the reason logged, if not.
bool ReadServiceConfig(const HostLog& log, HostConfig& config) {
    if (!ReadHostConfig(log, config)) return false;
    std::optional<std::string> problem = CheckServiceConfig(config);
    if (problem) log.Write("Moorline.ini: " + *problem + "; nothing done");
    return !problem;
}

// Polls the service while it reports that it is starting, for `timeoutMs` at most; false when the status
// cannot be read.
bool WaitWhileStarting(SC_HANDLE service, DWORD timeoutMs, SERVICE_STATUS& status) {
    for (DWORD waited = 0;; waited += kPollMs) {
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState != SERVICE_START_PENDING || waited >= timeoutMs) return true;
        Sleep(kPollMs);
    }
}

std::string ExitCodeText(const SERVICE_STATUS& status) {
    if (status.dwWin32ExitCode == ERROR_SERVICE_SPECIFIC_ERROR)
        return StrPrintf("service exit code %lu", status.dwServiceSpecificExitCode);
    return ErrorCodeText(status.dwWin32ExitCode);
}

int StartAndWait(const HostLog& log, const HostConfig& config, SC_HANDLE service) {
    if (!StartServiceA(service, 0, nullptr))
        return Refused(log, "cannot start service " + config.serviceName);
    SERVICE_STATUS status{};
    if (!WaitWhileStarting(service, static_cast<DWORD>(config.pauseStart) + kStateWaitMs, status))
        return Refused(log, "cannot read the state of service " + config.serviceName);
    if (status.dwCurrentState == SERVICE_RUNNING) {
        log.Write("service " + config.serviceName + " is running");
        return kDone;
    }
    log.Write("service " + config.serviceName +
              (status.dwCurrentState == SERVICE_STOPPED ? " did not start (" + ExitCodeText(status) + ")"
                                                        : " did not report running in time") +
              "; it stays registered until Moorline -u");
    return kWrongState;
}

// Asks the service to stop and waits until it has. A service that is starting, or already stopping,
// takes no stop request: it is asked again once it runs.
int StopAndWait(const HostLog& log, const HostConfig& config, SC_HANDLE service) {
    const DWORD bound = static_cast<DWORD>(config.pauseEnd) + kStateWaitMs;
    bool asked = false;
    for (DWORD waited = 0;; waited += kPollMs) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status))
            return Refused(log, "cannot read the state of service " + config.serviceName);
        if (status.dwCurrentState == SERVICE_STOPPED) return kDone;
        bool takesStop = status.dwCurrentState == SERVICE_RUNNING || status.dwCurrentState == SERVICE_PAUSED;
        if (!asked && takesStop) {
            if (ControlService(service, SERVICE_CONTROL_STOP, &status))
                asked = true;
            else if (GetLastError() != ERROR_SERVICE_CANNOT_ACCEPT_CTRL &&
                     GetLastError() != ERROR_SERVICE_NOT_ACTIVE &&
                     GetLastError() != ERROR_INVALID_SERVICE_CONTROL)
                return Refused(log, "cannot stop service " + config.serviceName);
        }
        if (waited >= bound) {
            log.Write(StrPrintf("service %s did not stop within %lu ms (state %lu); not removed",
                                config.serviceName.c_str(), bound, status.dwCurrentState));
            return kWrongState;
        }
        Sleep(kPollMs);
    }
}

int Install(const HostLog& log) {
    HostConfig config;
    if (!ReadServiceConfig(log, config)) return kBadConfig;
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager.handle) return Refused(log, "cannot open the service control manager");
    const std::string binary = "\"" + platform::ProgramPath() + "\" --service";
    ServiceHandle service(CreateServiceA(manager.handle, config.serviceName.c_str(),
                                         config.serviceName.c_str(),
                                         SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_CHANGE_CONFIG,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                         binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service.handle) {
        if (GetLastError() == ERROR_SERVICE_EXISTS)
            return Refused(log, "service " + config.serviceName +
                                    " exists already (Moorline -u removes it); nothing done");
        return Refused(log, "cannot register service " + config.serviceName);
    }
    std::string description =
        "Runs " + config.workingDir + "\\" + config.commandLine + ", hosted by Moorline.";
    SERVICE_DESCRIPTIONA text{description.data()};
    ChangeServiceConfig2A(service.handle, SERVICE_CONFIG_DESCRIPTION, &text);  // shown only; optional
    log.Write("registered service " + config.serviceName + " (automatic start): " + binary);
    return StartAndWait(log, config, service.handle);
}

int Uninstall(const HostLog& log) {
    HostConfig config;
    if (!ReadServiceConfig(log, config)) return kBadConfig;
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.handle) return Refused(log, "cannot open the service control manager");
    ServiceHandle service(OpenServiceA(manager.handle, config.serviceName.c_str(),
                                       SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service.handle) {
        if (GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST)
            return Refused(log, "cannot open service " + config.serviceName);
        log.Write("service " + config.serviceName + " is not installed, nothing done");
        return kDone;
    }
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.handle, &status))
        return Refused(log, "cannot read the state of service " + config.serviceName);
    if (status.dwCurrentState != SERVICE_STOPPED) {
        if (int result = StopAndWait(log, config, service.handle); result != kDone) return result;
        log.Write("service " + config.serviceName + " stopped");
    }
    if (!DeleteService(service.handle)) return Refused(log, "cannot remove service " + config.serviceName);
    log.Write("removed service " + config.serviceName);
    return kDone;
}

}  // namespace

int RunHost(int argc, char** argv) {
    std::string action = argc == 2 ? argv[1] : "";
    if (action != "-i" && action != "-u" && action != "--service") {
        std::fputs("usage: Moorline.exe -i|-u\n", stderr);
        return kUsage;
    }
    platform::InitializeProcess();
    if (action == "--service") return RunService(HostLog(GetProgramDirectory(), "service"));
    HostLog log(GetProgramDirectory(), action);
    return action == "-i" ? Install(log) : Uninstall(log);
}

}  // namespace moorline
