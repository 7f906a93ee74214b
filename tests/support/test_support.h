// Shared helpers of the tests: temporary folders, whole-file access, child programs.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testing_support {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
  public:
    explicit TempDir(const std::string& base = "");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::string BinPath(const std::string& program);  // a program of this build
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void CopyProgram(const std::string& from, const std::string& to);

// A program started by a test with its standard input on a pipe and its output in a file.
class Child {
  public:
    Child(const std::vector<std::string>& argv, const std::string& outputFile,
          const std::string& workingDir = "");
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    pid_t pid() const { return pid_; }
    void CloseInput();  // ends programs that wait for their input
    int Wait();         // exit code, or 128 + signal
    void Kill();        // SIGKILL and reap
    bool Running();

  private:
    pid_t pid_ = -1;
    int input_ = -1;
    bool reaped_ = false;
};

// Polls `condition` every 10 ms for at most `timeoutMs`.
template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 10000);
void SleepMs(int ms);

// A FileHolder child holding `path` in `mode` (open-write, fcntl-lock, flock); ready when constructed.
class HeldFile {
  public:
    HeldFile(const std::string& mode, const std::string& path);
    ~HeldFile();

  private:
    std::string output_;
    Child* child_;
};

}  // namespace testing_support

template <typename Condition>
bool testing_support::WaitFor(Condition condition, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        if (condition()) return true;
        SleepMs(10);
    }
    return condition();
}
