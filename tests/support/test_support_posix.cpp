// POSIX flavour of the test helpers: posix_spawn children, mkdtemp folders, errno codes.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "test_support.h"

extern char** environ;

namespace testing_support {

namespace fs = std::filesystem;

const int kFileNotFound = ENOENT;
const int kPathNotFound = ENOENT;
const int kAlreadyExists = EEXIST;
const int kSharingViolation = EBUSY;
const char kPathListSeparator = ':';
const char* const kProfileLineEnd = "\n";
const char* const kSystemTextPattern = "[^\r\n]*";
const bool kOdbcConfigurationFixedAtStart = false;
const AbnormalEnd kSignerAbnormalEnd = {"TESTSIGNER_SIGNAL", "9", 128 + 9};

TempDir::TempDir(const std::string& base) {
    std::string root = base.empty() ? fs::temp_directory_path().string() : base;
    std::string pattern = root + "/qc-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed in " + root);
    path_ = pattern;
}

const char* const kRenameBlockingHolderMode = "fcntl-lock";

std::vector<std::string> HolderModes() {
    return {"open-write", "fcntl-lock", "flock"};
}

std::string BinPath(const std::string& program) {
    return std::string(QC_BIN_DIR) + "/" + program;
}

std::string ExecutableName(const std::string& name) {
    return name;
}

bool FileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

void SetEnv(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string& name) {
    unsetenv(name.c_str());
}

std::string GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(getpid());
}

std::string DriverSidePath(const std::string& path) {
    return path;
}

void SleepMs(int ms) {
    usleep(static_cast<useconds_t>(ms) * 1000);
}

Child::Child(const std::vector<std::string>& argv, const std::string& outputFile,
             const std::string& workingDir) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (!workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    int error = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[0]);
    input_ = pipeFds[1];
    if (error != 0) {
        CloseInput();
        throw std::runtime_error("cannot start " + argv[0]);
    }
    process_ = pid;
}

Child::~Child() {
    CloseInput();
    Kill();
}

void Child::CloseInput() {
    if (input_ >= 0) close(static_cast<int>(input_));
    input_ = -1;
}

int Child::Wait() {
    int status = 0;
    if (reaped_) return -1;
    while (waitpid(static_cast<pid_t>(process_), &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Child::Kill() {
    if (reaped_) return;
    kill(static_cast<pid_t>(process_), SIGKILL);
    Wait();
}

bool Child::Running() {
    if (reaped_) return false;
    int status = 0;
    if (waitpid(static_cast<pid_t>(process_), &status, WNOHANG) == process_) reaped_ = true;
    return !reaped_;
}

Child::Resources Child::HeldResources() const {
    Resources held;
    std::string proc = "/proc/" + std::to_string(process_);
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(proc + "/fd"))
        ++held.handles;
    std::ifstream status(proc + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) held.residentKb = std::stol(line.substr(6));
    return held;
}

// ---- Another user ---------------------------------------------------------------------------------------

namespace {
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
}  // namespace

bool CanActAsUnprivilegedUser() {
    return geteuid() == 0;
}

int RunAsUnprivilegedUser(int (*action)(const std::string&), const std::string& argument) {
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
            setresuid(kNobody, kNobody, kNobody) != 0)
            _exit(255);
        _exit(action(argument));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> AsUnprivilegedUser(const std::vector<std::string>& argv) {
    std::vector<std::string> wrapped{"/usr/bin/setpriv", "--reuid=" + std::to_string(kNobody),
                                     "--regid=" + std::to_string(kNoGroup), "--clear-groups", "--"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

void GiveToUnprivilegedUser(const std::string& path) {
    lchown(path.c_str(), kNobody, kNoGroup);
    for (const auto& entry : fs::recursive_directory_iterator(path))
        lchown(entry.path().c_str(), kNobody, kNoGroup);
}

bool TestSignerRunsWith(const std::string& argument) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string stat = ReadFile(entry.path() / "stat");
        std::size_t state = stat.rfind(") ");
        if (state == std::string::npos || stat.compare(state + 2, 1, "Z") == 0) continue;
        std::string cmdline = ReadFile(entry.path() / "cmdline");
        std::vector<std::string> args;
        std::istringstream in(cmdline);
        for (std::string arg; std::getline(in, arg, '\0');)
            args.push_back(arg);
        if (args.empty() || fs::path(args[0]).filename() != "TestSigner") continue;
        for (std::size_t i = 1; i < args.size(); ++i)
            if (args[i] == argument) return true;
    }
    return false;
}

}  // namespace testing_support
