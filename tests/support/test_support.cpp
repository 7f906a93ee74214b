#include "test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir(const std::string& base) {
    std::string root = base.empty() ? fs::temp_directory_path().string() : base;
    std::string pattern = root + "/qc-test-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed in " + root);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string BinPath(const std::string& program) {
    return std::string(QC_BIN_DIR) + "/" + program;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

void CopyProgram(const std::string& from, const std::string& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
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
    int error = posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[0]);
    input_ = pipeFds[1];
    if (error != 0) {
        close(input_);
        throw std::runtime_error("cannot start " + argv[0]);
    }
}

Child::~Child() {
    CloseInput();
    Kill();
}

void Child::CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

int Child::Wait() {
    int status = 0;
    if (reaped_) return -1;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Child::Kill() {
    if (reaped_) return;
    kill(pid_, SIGKILL);
    Wait();
}

bool Child::Running() {
    if (reaped_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) reaped_ = true;
    return !reaped_;
}

HeldFile::HeldFile(const std::string& mode, const std::string& path) {
    output_ = (fs::temp_directory_path() / "qc-holder-XXXXXX").string();
    int fd = mkstemp(output_.data());
    if (fd >= 0) close(fd);
    child_ = new Child({BinPath("FileHolder"), mode, path}, output_);
    if (!WaitFor(
            [&] { return ReadFile(output_).find("ready") != std::string::npos || !child_->Running(); }) ||
        !child_->Running())
        throw std::runtime_error("FileHolder did not hold " + path);
}

HeldFile::~HeldFile() {
    child_->CloseInput();
    child_->Wait();
    delete child_;
    std::remove(output_.c_str());
}

}  // namespace testing_support
