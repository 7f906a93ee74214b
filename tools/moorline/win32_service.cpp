// The service mode: the service control manager starts "Moorline.exe --service"; this program reports the
// service's states, starts WorkingDir\CommandLine hidden after PauseStart ms and watches it. The collector
// has no stop request of its own, so a stop or shutdown ends it with TerminateProcess and gives it PauseEnd
// ms to be gone. It runs in a job object that kills on close, so a signer it started ends with it.
//
// CheckProcess 1: a collector that ends by itself is logged, then started again (Restart Yes) or the
// service stops with ERROR_PROCESS_ABORTED (Restart No). CheckProcess 0: it is logged only when the
// service stops. UserInterface has no effect: a service has no desktop of the user's.
#include "tools/moorline/win32_service.h"

#include "common/platform/win32_windows.h"

#include <mutex>
#include <string>

#include "common/platform/platform.h"
#include "common/text_format.h"

namespace moorline {

namespace {

constexpr DWORD kPendingHintMs = 10000;
constexpr DWORD kMaxJobProcesses = 64;
constexpr DWORD kLeastRestartPauseMs = 1000;  // a collector that ends at once must not start in a busy loop

struct Handle {
    HANDLE handle = nullptr;
    Handle() = default;
    explicit Handle(HANDLE h) : handle(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    void Reset(HANDLE h = nullptr) {
        if (handle) CloseHandle(handle);
        handle = h;
    }
};

// The one service of this process; the control handler runs on the dispatcher's thread, the service's
// work on the thread of ServiceMain.
struct Service {
    const HostLog* log = nullptr;
    HostConfig config;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    std::mutex statusLock;  // both threads report states
    SERVICE_STATUS status{};
    Handle stopRequested;
    int exitCode = kDone;
} service;

void Report(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHint = 0) {
    std::lock_guard<std::mutex> lock(service.statusLock);
    SERVICE_STATUS& s = service.status;
    s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    s.dwCurrentState = state;
    s.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    s.dwWin32ExitCode = exitCode;
    s.dwWaitHint = waitHint;
    s.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : s.dwCheckPoint + 1;
    SetServiceStatus(service.statusHandle, &s);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            Report(SERVICE_STOP_PENDING, NO_ERROR,
                   static_cast<DWORD>(service.config.pauseEnd) + kPendingHintMs);
            SetEvent(service.stopRequested.handle);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// Runs the collector until the service is asked to stop; the result is the service's exit code.
class Supervisor {
  public:
    explicit Supervisor(const HostLog& log, const HostConfig& config)
        : log_(log), config_(config), program_(config.workingDir + "\\" + config.commandLine) {}

    DWORD Run() {
        if (DWORD error = CreateJob(); error != NO_ERROR) return error;
        for (bool first = true;; first = false) {
            DWORD pause = static_cast<DWORD>(config_.pauseStart);
            if (!first && pause < kLeastRestartPauseMs) pause = kLeastRestartPauseMs;
            if (WaitForSingleObject(service.stopRequested.handle, pause) == WAIT_OBJECT_0)
                return NO_ERROR;  // asked to stop before the collector ran
            if (DWORD error = Start(); error != NO_ERROR) return error;
            if (first) Report(SERVICE_RUNNING);
            if (WaitForStopOrEnd()) {
                EndCollector();
                return NO_ERROR;
            }
            // What the collector left running stays in the job and ends with the service.
            if (!*ParseYesNo(config_.restart)) return ERROR_PROCESS_ABORTED;
            log_.Write("Restart is Yes: starting " + program_ + " again");
        }
    }

  private:
    DWORD CreateJob() {
        job_.Reset(CreateJobObjectA(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (job_.handle &&
            SetInformationJobObject(job_.handle, JobObjectExtendedLimitInformation, &limits, sizeof limits))
            return NO_ERROR;
        DWORD error = GetLastError();
        log_.Write("cannot create the job object that holds " + program_ + ": " + ErrorCodeText(error));
        return error;
    }

    // Starts the collector suspended, puts it into the job, then lets it run: a child it starts at once is
    // in the job too.
    DWORD Start() {
        std::string commandLine = "\"" + program_ + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION started{};
        if (!CreateProcessA(program_.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                            CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, config_.workingDir.c_str(),
                            &startup, &started)) {
            DWORD error = GetLastError();
            log_.Write("cannot start " + program_ + " in " + config_.workingDir + ": " +
                       ErrorCodeText(error));
            return error;
        }
        process_.Reset(started.hProcess);
        Handle thread(started.hThread);
        if (!AssignProcessToJobObject(job_.handle, process_.handle)) {
            DWORD error = GetLastError();
            TerminateProcess(process_.handle, 1);
            log_.Write("cannot put " + program_ + " into its job object: " + ErrorCodeText(error));
            return error;
        }
        ResumeThread(thread.handle);
        log_.Write(StrPrintf("started %s (process %lu)", program_.c_str(), started.dwProcessId));
        return NO_ERROR;
    }

    // True when the service is to stop; false when the watched collector ended by itself.
    bool WaitForStopOrEnd() {
        HANDLE handles[] = {service.stopRequested.handle, process_.handle};
        DWORD count = config_.checkProcess ? 2 : 1;
        if (WaitForMultipleObjects(count, handles, FALSE, INFINITE) == WAIT_OBJECT_0) return true;
        DWORD code = 0;
        GetExitCodeProcess(process_.handle, &code);
        log_.Write(StrPrintf("%s ended by itself with exit code %lu", program_.c_str(), code));
        return false;
    }

    void EndCollector() {
        DWORD code = 0;
        if (GetExitCodeProcess(process_.handle, &code) && code != STILL_ACTIVE) {
            log_.Write(StrPrintf("%s had ended by itself with exit code %lu", program_.c_str(), code));
        } else if (!TerminateProcess(process_.handle, 1)) {
            log_.Write("cannot end " + program_ + ": " + ErrorCodeText(GetLastError()));
        } else if (WaitForSingleObject(process_.handle, static_cast<DWORD>(config_.pauseEnd)) !=
                   WAIT_OBJECT_0) {
            log_.Write(StrPrintf("%s did not end within %d ms", program_.c_str(), config_.pauseEnd));
        } else {
            log_.Write("ended " + program_);
        }
        EndJobProcesses();  // a running signer
    }

    // Ends every process left in the job, one by one. Closing the job would end them as well, but Wine
    // then also ends the process that closed it; the handle stays open until this program exits, when
    // the job ends whatever is still in it.
    void EndJobProcesses() {
        struct {
            JOBOBJECT_BASIC_PROCESS_ID_LIST list;
            ULONG_PTR more[kMaxJobProcesses];
        } ids{};
        ids.list.NumberOfAssignedProcesses = kMaxJobProcesses + 1;
        if (!QueryInformationJobObject(job_.handle, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr)) {
            log_.Write("cannot list the processes of the job: " + ErrorCodeText(GetLastError()));
            return;
        }
        for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i) {
            DWORD id = static_cast<DWORD>(ids.list.ProcessIdList[i]);
            Handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (!process.handle || !TerminateProcess(process.handle, 1)) continue;  // ended meanwhile
            WaitForSingleObject(process.handle, static_cast<DWORD>(config_.pauseEnd));
            log_.Write(StrPrintf("ended process %lu that %s had started", id, program_.c_str()));
        }
    }

    const HostLog& log_;
    const HostConfig& config_;
    const std::string program_;
    Handle job_;
    Handle process_;
};

void WINAPI ServiceMain(DWORD, char**) {
    service.statusHandle =
        RegisterServiceCtrlHandlerExA(service.config.serviceName.c_str(), OnControl, nullptr);
    if (!service.statusHandle) {
        service.log->Write("cannot take the service's control requests: " + ErrorCodeText(GetLastError()));
        service.exitCode = kWrongState;
        return;
    }
    Report(SERVICE_START_PENDING, NO_ERROR, static_cast<DWORD>(service.config.pauseStart) + kPendingHintMs);
    Supervisor supervisor(*service.log, service.config);  // its job is closed after the last report
    DWORD result = supervisor.Run();
    service.log->Write(result == NO_ERROR ? std::string("service stopped")
                                          : "service stopped: " + ErrorCodeText(result));
    Report(SERVICE_STOPPED, result);
}

}  // namespace

std::string ErrorCodeText(unsigned long code) {
    std::string text = platform::ErrorText(static_cast<int>(code));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return StrPrintf("error %lu: %s", code, text.c_str());
}

int RunService(const HostLog& log) {
    service.log = &log;
    if (!ReadHostConfig(log, service.config)) return kBadConfig;
    if (!ParseYesNo(service.config.restart)) service.config.restart = "No";
    service.stopRequested.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::string name = service.config.serviceName;
    SERVICE_TABLE_ENTRYA table[] = {{name.data(), ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        log.Write(
            "--service is the service control manager's to start (Moorline.exe -i installs the service): " +
            ErrorCodeText(GetLastError()));
        return kUsage;
    }
    return service.exitCode;
}

}  // namespace moorline
