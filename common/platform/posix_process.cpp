// POSIX flavour of the platform layer: child processes, started without a shell.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "common/platform/platform.h"
#include "common/platform/posix_stop.h"

extern char** environ;

namespace platform {

struct ChildProcess {
    pid_t pid = -1;
    bool reaped = false;
};

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string DirectoryOf(const std::string& path) {
    std::size_t cut = path.rfind(kPathSeparator);
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// A bare name is looked for beside our own program, then along PATH (never in the current directory);
// a name with a separator is a path.
std::string ResolveProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find(kPathSeparator) != std::string::npos) return name;
    std::string besideUs = DirectoryOf(ProgramPath()) + kPathSeparator + name;
    if (IsExecutableFile(besideUs)) return besideUs;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t start = 0; start <= dirs.size();) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() &&
            dir[0] == kPathSeparator) {  // relative PATH entries would search the current directory
            std::string candidate = dir + kPathSeparator + name;
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return {};
}

std::vector<char*> ArgumentVector(const std::vector<std::string>& argv) {
    std::vector<char*> result;
    for (const std::string& arg : argv)
        result.push_back(const_cast<char*>(arg.c_str()));
    result.push_back(nullptr);
    return result;
}

class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        // Hidden: nothing to read, output as ours, no descriptor of ours beyond the standard three.
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addclosefrom_np(&actions, 3);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t reset;
        sigemptyset(&reset);
        sigaddset(&reset, SIGPIPE);
        sigaddset(&reset, SIGIO);
        posix_spawnattr_setsigdefault(&attributes, &reset);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    void SetFlags(short flags) { posix_spawnattr_setflags(&attributes, flags); }
    void ChangeDirectory(const std::string& dir) {
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    }

    int Spawn(const std::vector<std::string>& argv, pid_t& pid) {
        std::string program = ResolveProgram(argv.empty() ? std::string() : argv[0]);
        if (program.empty()) return ENOENT;
        std::vector<char*> args = ArgumentVector(argv);
        return posix_spawn(&pid, program.c_str(), &actions, &attributes, args.data(), environ);
    }

  private:
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// A hidden child that ends with us: a signer left running after the service was killed would go on with
// its document beside the restarted service. The death signal has to be asked for in the child itself,
// which posix_spawn cannot do, so the child is started by vfork: between vfork and exec it makes only
// system calls on values prepared before, as posix_spawn's own child does.
struct HiddenStart {
    const char* program;
    char* const* argv;
    pid_t parent;
    volatile int error = 0;  // set by the child when it cannot exec; memory is shared under vfork
};

[[noreturn]] void RunHiddenChild(HiddenStart& start) {
    setpgid(0, 0);  // its own group, so that stopping it takes its own children with it
    // Fires when the thread that started it ends: the service starts signers from its one thread.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != start.parent) _exit(127);  // we were gone before the request took hold
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    // Nothing of ours may run here, nor stay ignored in the program.
    for (int signal : {SIGPIPE, SIGIO, SIGTERM, SIGINT})
        sigaction(signal, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    int input = open("/dev/null", O_RDONLY);  // hidden: nothing to read
    if (input < 0 || (input != STDIN_FILENO && dup2(input, STDIN_FILENO) < 0)) {
        start.error = errno;
        _exit(127);
    }
    syscall(SYS_close_range, 3u, ~0u, 0u);  // no descriptor of ours beyond the standard three
    execve(start.program, start.argv, environ);
    start.error = errno;
    _exit(127);
}

int StartEndingWithUs(const std::vector<std::string>& argv, pid_t& pid) {
    std::string program = ResolveProgram(argv.empty() ? std::string() : argv[0]);
    if (program.empty()) return ENOENT;
    std::vector<char*> args = ArgumentVector(argv);
    HiddenStart start{program.c_str(), args.data(), getpid()};
    // No signal may be handled in the child while it borrows our memory: it blocks them all until it has
    // set every signal that we handle back to the default.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    pid = vfork();
    if (pid == 0) RunHiddenChild(start);
    int error = pid < 0 ? errno : start.error;
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (pid > 0 && error != 0) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    return error;
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

int Reap(ChildProcess& child, int options, int& exitCode) {
    int status = 0;
    pid_t done;
    do
        done = waitpid(child.pid, &status, options);
    while (done < 0 && errno == EINTR);
    if (done < 0) return errno;
    if (done == 0) return kWaitTimeout;
    child.reaped = true;
    exitCode = ExitCodeOf(status);
    return 0;
}

// Waits for the child's end, or a stop request, without a busy loop where the kernel offers process
// descriptors. A negative time-out waits without bound.
int WaitBounded(ChildProcess& child, int timeoutMs, int& exitCode) {
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, child.pid, 0));
    if (pidfd >= 0) {
        pollfd watched[2] = {{pidfd, POLLIN, 0}, {StopRequestDescriptor(), POLLIN, 0}};
        int ready;
        do
            ready = poll(watched, 2, timeoutMs);
        while (ready < 0 && errno == EINTR && StopRequest() == 0);
        close(pidfd);
        if (watched[0].revents == 0 && StopRequest() != 0) return kStopRequested;
        return ready == 0 ? kWaitTimeout : Reap(child, 0, exitCode);
    }
    for (int waited = 0;; waited += 10) {
        int result = Reap(child, WNOHANG, exitCode);
        if (result != kWaitTimeout) return result;
        if (StopRequest() != 0) return kStopRequested;
        if (timeoutMs >= 0 && waited >= timeoutMs) return result;
        SleepMilliseconds(10);
    }
}

}  // namespace

void ChildDeleter::operator()(ChildProcess* child) const noexcept {
    if (child && !child->reaped) KillChild(*child);  // never leave a child behind unreaped
    delete child;
}

int StartHiddenChild(const std::vector<std::string>& argv, const std::string& /*commandLine*/,
                     ChildHandle& out) {
    pid_t pid = -1;
    int error = StartEndingWithUs(argv, pid);
    if (error != 0) return errno = error;
    out.reset(new ChildProcess{pid, false});
    return 0;
}

bool ArgumentSurvivesQuoting(const std::string& /*value*/) {
    return true;  // the argument vector reaches the child as it stands; the quoted text is only shown
}

int WaitChild(ChildProcess& child, int timeoutMs, int& exitCode) {
    if (child.reaped) return errno = ECHILD;
    int result = WaitBounded(child, timeoutMs, exitCode);
    if (result == kWaitTimeout) errno = ETIMEDOUT;
    if (result == kStopRequested) errno = EINTR;
    if (result > 0 && result != kWaitTimeout) errno = result;
    return result;
}

void KillChild(ChildProcess& child) {
    if (child.reaped) return;
    int saved = errno;
    kill(-child.pid, SIGKILL);
    kill(child.pid, SIGKILL);
    int ignored = 0;
    Reap(child, 0, ignored);
    errno = saved;
}

int StartDetachedChild(const std::vector<std::string>& argv, const std::string& workingDirectory) {
    SpawnSetup setup;
    setup.SetFlags(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    if (!workingDirectory.empty()) setup.ChangeDirectory(workingDirectory);
    pid_t pid = -1;
    int error = setup.Spawn(argv, pid);
    if (error != 0) return errno = error;
    // Nobody waits for the result, but the process must not linger as a zombie.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}

}  // namespace platform
