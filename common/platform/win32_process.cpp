// Win32 flavour of the platform layer: child processes, started hidden with CreateProcessA.
#include "common/platform/win32_windows.h"

#include <vector>

#include "common/platform/platform.h"
#include "common/platform/win32_stop.h"

namespace platform {

struct ChildProcess {
    HANDLE process = nullptr;
    bool ended = false;  // waited for to its end, or stopped
};

namespace {

// A killed child gets this long to be gone before its handle is let go.
constexpr DWORD kKillWaitMs = 30000;

// One argument as the C runtime of the started program splits it again: quoted when it holds blanks or
// quotes, with backslashes doubled before a quote.
std::string QuoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        for (; i < arg.size() && arg[i] == '\\'; ++i)
            ++backslashes;
        if (i == arg.size()) {
            quoted.append(backslashes * 2, '\\');
            break;
        }
        if (arg[i] == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        quoted += arg[i];
    }
    return quoted + '"';
}

std::string BuildCommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        if (i > 0) line += ' ';
        line += i == 0 ? "\"" + argv[0] + "\"" : QuoteArgument(argv[i]);  // a program name holds no quote
    }
    return line;
}

// The job of every hidden child: the system closes it when this process ends, however it ends, and the
// job then ends the children and their own children. A signer left running after the service was killed
// would go on with its document beside the restarted service.
HANDLE ChildrenJob() {
    static const HANDLE job = [] {
        HANDLE created = CreateJobObjectA(nullptr, nullptr);  // never closed: it lives as long as we do
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (created &&
            !SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            CloseHandle(created);
            created = nullptr;
        }
        return created;
    }();
    return job;
}

enum class Lifetime { EndsWithUs, Detached };

// Names the job a child is born in, so that no moment exists in which we could be killed with the child
// started and outside the job (Windows 10 and later; elsewhere Initialize or Update fails).
class JobAttribute {
  public:
    explicit JobAttribute(HANDLE job) : job_(job) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        list_ = list;
        if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_JOB_LIST, &job_, sizeof job_, nullptr,
                                       nullptr)) {
            DeleteProcThreadAttributeList(list_);
            list_ = nullptr;
        }
    }
    ~JobAttribute() {
        if (list_) DeleteProcThreadAttributeList(list_);
    }
    JobAttribute(const JobAttribute&) = delete;
    JobAttribute& operator=(const JobAttribute&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return list_; }

  private:
    HANDLE job_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Starts the command line hidden: no application name (the first quoted value names the program, found
// by the system's own search), no inherited handles, our environment. A child that ends with us is born
// in our job; where the system cannot name the job at creation, it starts suspended and runs once it is
// in the job (where no job can be had, it runs all the same).
int StartHidden(const std::string& commandLine, const std::string& workingDirectory, Lifetime lifetime,
                PROCESS_INFORMATION& started) {
    std::vector<char> buffer(commandLine.begin(), commandLine.end());  // CreateProcessA may write to it
    buffer.push_back('\0');
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    HANDLE job = lifetime == Lifetime::EndsWithUs ? ChildrenJob() : nullptr;
    JobAttribute bornInJob(job);
    startup.lpAttributeList = job ? bornInJob.List() : nullptr;
    bool joinLater = job && !startup.lpAttributeList;
    DWORD flags = startup.lpAttributeList ? EXTENDED_STARTUPINFO_PRESENT : (joinLater ? CREATE_SUSPENDED : 0);
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup.StartupInfo,
                        &started))
        return FailureCode(ERROR_FILE_NOT_FOUND);
    if (joinLater) {
        DWORD saved = GetLastError();
        AssignProcessToJobObject(job, started.hProcess);
        ResumeThread(started.hThread);
        ::SetLastError(saved);
    }
    CloseHandle(started.hThread);
    return 0;
}

}  // namespace

void ChildDeleter::operator()(ChildProcess* child) const noexcept {
    if (!child) return;
    DWORD saved = GetLastError();
    if (!child->ended) KillChild(*child);  // never leave a child running behind us
    CloseHandle(child->process);
    ::SetLastError(saved);
    delete child;
}

int StartHiddenChild(const std::vector<std::string>& argv, const std::string& commandLine, ChildHandle& out) {
    PROCESS_INFORMATION started{};
    int error = StartHidden(commandLine.empty() ? BuildCommandLine(argv) : commandLine, "",
                            Lifetime::EndsWithUs, started);
    if (error != 0) return error;
    out.reset(new ChildProcess{started.hProcess, false});
    return 0;
}

bool ArgumentSurvivesQuoting(const std::string& value) {
    return value.find('"') == std::string::npos && (value.empty() || value.back() != '\\');
}

int WaitChild(ChildProcess& child, int timeoutMs, int& exitCode) {
    if (child.ended) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return ERROR_INVALID_HANDLE;
    }
    HANDLE waitedFor[2] = {child.process, StopRequestEvent()};
    DWORD waited = WaitForMultipleObjects(waitedFor[1] ? 2 : 1, waitedFor, FALSE,
                                          timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (waited == WAIT_OBJECT_0 + 1) {
        ::SetLastError(ERROR_OPERATION_ABORTED);
        return kStopRequested;
    }
    if (waited == WAIT_TIMEOUT) {
        ::SetLastError(WAIT_TIMEOUT);
        return kWaitTimeout;
    }
    if (waited != WAIT_OBJECT_0) return FailureCode(ERROR_INVALID_HANDLE);
    child.ended = true;
    DWORD code = 0;
    if (!GetExitCodeProcess(child.process, &code)) return FailureCode(ERROR_INVALID_HANDLE);
    exitCode = static_cast<int>(code);  // codes of 2147483648 and more come out negative
    return 0;
}

void KillChild(ChildProcess& child) {
    if (child.ended) return;
    DWORD saved = GetLastError();
    TerminateProcess(child.process, 1);
    WaitForSingleObject(child.process, kKillWaitMs);
    child.ended = true;
    ::SetLastError(saved);
}

int StartDetachedChild(const std::vector<std::string>& argv, const std::string& workingDirectory) {
    if (argv.empty()) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    PROCESS_INFORMATION started{};
    int error = StartHidden(BuildCommandLine(argv), workingDirectory, Lifetime::Detached, started);
    if (error != 0) return error;
    CloseHandle(started.hProcess);  // never waited for; the system keeps no zombie
    return 0;
}

}  // namespace platform
