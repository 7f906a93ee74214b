// Shared helpers of the tests: temporary folders, whole-file access, child programs, and what the OS
// gives for the same event (error codes, line ends), so that one test states one behaviour on every OS.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
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
    // A path inside the folder; '/' in `name` stands for the native separator.
    std::string operator/(const std::string& name) const;

  private:
    std::string path_;
};

std::string BinPath(const std::string& program);      // a program of this build, by its bare name
std::string ExecutableName(const std::string& name);  // name with the OS's program suffix
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
int CountOf(const std::string& text, const std::string& what);  // non-overlapping occurrences
bool FileExists(const std::string& path);
void CopyProgram(const std::string& from, const std::string& to);
// Renames a file, replacing the destination. Windows refuses while another process has the destination
// open (a reader of a settings file, for a moment): this tries again for up to 10 s.
void RenameReplacing(const std::string& from, const std::string& to);
void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);
std::string GetEnv(const std::string& name);
unsigned long ProcessId();  // of this process
// The project's version as CMake's project() has it ("1.0.4.0"), its four numbers, and the text a version
// resource writes for it ("1, 0, 4, 0").
std::string ProjectVersion();
std::array<unsigned, 4> ProjectVersionNumbers();
std::string ProjectVersionText();
// A path as the ODBC drivers see it. Under Wine they are the host's programs: they need the Unix path.
std::string DriverSidePath(const std::string& path);

// ---- What the OS gives ---------------------------------------------------------------------------------

extern const int kFileNotFound;      // a file, or a match of a mask, is missing
extern const int kPathNotFound;      // the folder is missing
extern const int kAlreadyExists;     // a move would replace a file
extern const int kSharingViolation;  // another process holds the file without sharing
extern const char kPathListSeparator;
extern const char* const kProfileLineEnd;     // line end of lines the profile writer adds
extern const char* const kSystemTextPattern;  // regex of the system text piece of a log entry
std::vector<std::string> HolderModes();       // the ways FileHolder can hold a file
// A way FileHolder holds a file that others may still append to but not rename: a reader without delete
// sharing on Windows, a write lock on POSIX.
extern const char* const kRenameBlockingHolderMode;

// The ODBC configuration (ODBCSYSINI) that a test program and the programs it starts see is the one the
// program started with, whatever it changes in its environment: under Wine, whose driver manager is the
// host's unixODBC reading the Unix environment of the first Wine process.
extern const bool kOdbcConfigurationFixedAtStart;

// How the test signer is made to end abnormally, and the exit code its parent then sees: killed by
// SIGKILL on POSIX (128 + 9); on Windows, which has no signals, the code that a crash by access
// violation leaves (0xC0000005, negative as an int).
struct AbnormalEnd {
    const char* variable;  // TESTSIGNER_SIGNAL or TESTSIGNER_EXIT
    const char* value;
    int exitCode;
};
extern const AbnormalEnd kSignerAbnormalEnd;

// ---- Another user ---------------------------------------------------------------------------------------

// Whether the tests can act as an unprivileged user for real: on POSIX when they run as root (as in CI);
// never on Windows, where share modes make the cases that need one moot.
bool CanActAsUnprivilegedUser();
// Runs `action` in a child process as that user (nobody); its result, 0 to 255, is the exit code.
int RunAsUnprivilegedUser(int (*action)(const std::string&), const std::string& argument);
// `argv` run as that user.
std::vector<std::string> AsUnprivilegedUser(const std::vector<std::string>& argv);
// Makes a folder and everything in it belong to that user.
void GiveToUnprivilegedUser(const std::string& path);

// Whether a test signer is still running with `argument` among its arguments (zombies do not count).
// Windows cannot show another process's arguments to us here: there any running test signer counts.
bool TestSignerRunsWith(const std::string& argument);

// ---- Child programs ------------------------------------------------------------------------------------

// A program started by a test with its standard input on a pipe and its output in a file.
class Child {
  public:
    Child(const std::vector<std::string>& argv, const std::string& outputFile,
          const std::string& workingDir = "");
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    void CloseInput();  // ends programs that wait for their input
    int Wait();         // exit code, or 128 + signal
    void Kill();        // ends it at once and reaps it
    bool Running();
    std::intptr_t NativeProcess() const { return process_; }  // pid or process handle
    // What the running child holds: open descriptors or handles, and resident memory (working set).
    struct Resources {
        long handles = 0;
        long residentKb = 0;
    };
    Resources HeldResources() const;

  private:
    std::intptr_t process_ = -1;  // pid or process handle
    std::intptr_t input_ = -1;    // descriptor or handle of the pipe's writing end
    bool reaped_ = false;
};

// Polls `condition` every 10 ms until it holds or `timeoutMs` have passed on the steady clock (however long
// each look takes); true when it held. The default bound is generous, for busy machines and the sanitizers:
// a wait that should end ends as soon as its condition holds.
template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 30000);
void SleepMs(int ms);

// A FileHolder child holding `path` in one of HolderModes(); ready when constructed.
class HeldFile {
  public:
    HeldFile(const std::string& mode, const std::string& path);
    ~HeldFile();

  private:
    TempDir outputDir_;
    Child* child_;
};

}  // namespace testing_support

template <typename Condition>
bool testing_support::WaitFor(Condition condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        SleepMs(10);
    }
    return condition();
}
