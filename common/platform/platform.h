// The one interface between QuillCollector and the operating system.
//
// Every call that touches the OS goes through here; one implementation file per OS (posix.cpp, win32.cpp)
// is picked by the build. Failures come back as values: a native error code (errno on POSIX, the Win32
// error code on Windows) where 0 means success. A failing call also leaves that code as the thread's last
// error, because the collector log reports the last error with every entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// ---- OS-dependent names and defaults --------------------------------------------------------------------

extern const char kPathSeparator;
extern const char* const kDefaultHotFolder;        // "/var/spool/quillcollector", "c:\temp"
extern const char* const kSignerProgramName;       // "Sealwright", "Sealwright.exe"
extern const char* const kServiceHostProgramName;  // "Moorline", "Moorline.exe"
extern const char* const kServiceProgramName;      // "QuillCollectorService", "QuillCollectorService.exe"
// The signer chooser's filter, programs first: "Programs (*)|*|All Files (*.*)|*.*||" (POSIX programs
// carry no extension, so only "*" shows them), "Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||".
extern const char* const kSignerFileFilter;

// The normal end code of a directory enumeration on every OS (ERROR_NO_MORE_FILES).
constexpr int kNoMoreFiles = 18;

// ---- Process, errors, time -----------------------------------------------------------------------------

// Full path of the running executable as the OS reports it; empty when it cannot be found.
std::string ProgramPath();

// The calling thread's last system error code, and a way to set it.
int LastError();
void SetLastError(int code);

// The system's message text for a code, as the system gives it (on Windows with its own CR LF).
std::string ErrorText(int code);

// The system's message text for a COM result code (HRESULT), as the system gives it; empty where the
// system has none. POSIX has no message table for these codes: there it is always empty.
std::string ResultCodeText(std::uint32_t code);

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
LocalTime Now();

void SleepMilliseconds(unsigned milliseconds);

// Process-wide start-up: locale, signal dispositions. Returns 0 or an error code.
int InitializeProcess();

// Writes a text to standard output without ever waiting for its reader: what cannot be written at once
// (a pipe whose reader stopped) is dropped. No result: standard output is a copy of the log.
void WriteStandardOutput(const std::string& text);

// ---- One service per installation folder ---------------------------------------------------------------

enum class InstallationLock {
    Taken,          // held until this process ends
    HeldElsewhere,  // another process holds it
    Unavailable     // it cannot be made here (the cause is the last error)
};
// Takes the lock that lets one service run per installation folder: an exclusive lock on a file beside
// the program on POSIX, a named mutex derived from the program's folder on Windows. `name` receives the
// lock file's path or the mutex name.
InstallationLock LockInstallationFolder(std::string& name);

// ---- Directory enumeration -----------------------------------------------------------------------------

struct FoundFile {
    std::string name;  // the entry's long name, no folder
    bool isDirectory = false;
};

// Enumerates the entries of one folder whose names match a Windows-style mask, in the directory's own order.
class DirectoryEnumeration {
  public:
    DirectoryEnumeration();
    ~DirectoryEnumeration();
    DirectoryEnumeration(const DirectoryEnumeration&) = delete;
    DirectoryEnumeration& operator=(const DirectoryEnumeration&) = delete;

    // pattern = folder + separator + mask. Returns 0 with the first match in `first`, or an error code
    // (also when nothing matches).
    int Start(const std::string& pattern, FoundFile& first);
    // Returns 0 with the next match, kNoMoreFiles at the normal end, or another error code.
    int Next(FoundFile& next);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Windows mask matching: '*' and '?', ASCII letters without regard to case, "*.*" matches every name, and
// a dot that ends the mask (or only stars follow) may match the end of a name ("*.", "doc.*").
bool MatchesMask(const std::string& name, const std::string& mask);

// ---- Files ---------------------------------------------------------------------------------------------

// An open file; closed by the destructor. Move-only.
class File {
  public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool IsOpen() const { return handle_ != kInvalid; }
    void Close();

    // One read of at most `size` bytes; `got` receives the count.
    int Read(char* buffer, std::size_t size, std::size_t& got);
    // One write of the whole buffer (appending when opened for appending).
    int Write(const char* data, std::size_t size);

    static constexpr std::intptr_t kInvalid = -1;
    explicit File(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t NativeHandle() const { return handle_; }

  private:
    std::intptr_t handle_ = kInvalid;
};

// Opens for reading, sharing read access only: creates the file empty when it is missing, and fails with
// a sharing error when another process holds it open for writing or write-locked. A symbolic link is not
// followed: opening one fails.
int OpenForSharedRead(const std::string& path, File& out);

// True when another process may still be writing the file and that cannot be ruled out: the writer
// check of OpenForSharedRead cannot be made here (POSIX without a lease for us: not the owner, no
// CAP_LEASE, a file system without leases) and the file changed within the last second. Always false
// where the system's share modes tell (Windows).
bool MayStillBeWritten(const std::string& path);

// Opens for appending (log files): creates the file when it is missing, keeps its contents.
int OpenForAppend(const std::string& path, File& out);

// Moves a file; never replaces an existing destination; copies across file systems, but only a regular
// file (a link is moved as a link, never through it). Needs no read access to the file.
int MoveFileNoReplace(const std::string& from, const std::string& to);

// Deletes a file (not a folder).
int DeleteFile(const std::string& path);

// ---- Private-profile (INI) files ------------------------------------------------------------------------

// At most size - 1 characters of the value are returned, like a caller's buffer of `size` bytes.
std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t size);
int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int defaultValue);
int WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value);

// ---- Child processes -----------------------------------------------------------------------------------

struct ChildProcess;  // opaque; owned through ChildHandle
struct ChildDeleter {
    void operator()(ChildProcess* child) const noexcept;
};
using ChildHandle = std::unique_ptr<ChildProcess, ChildDeleter>;

// Starts a program hidden (standard input from the null device, output inherited, no other handles).
// argv[0] names the program: a bare name is searched in the program directory, then in PATH.
// `commandLine` is the Windows command line of the same call; the POSIX flavour passes argv exactly.
int StartHiddenChild(const std::vector<std::string>& argv, const std::string& commandLine, ChildHandle& out);

// True when `value`, put between double quotes on the command line of StartHiddenChild, reaches the
// started program unchanged. POSIX passes argv exactly; a Windows program splits its command line itself,
// so there a double quote in a value, or a backslash before the closing quote, would change the arguments.
bool ArgumentSurvivesQuoting(const std::string& value);

// Waits at most `timeoutMs` (negative: no bound) for the child to end. Returns 0 with the exit code
// (128 + signal for a child ended by a signal on POSIX), or an error code; a time-out gives kWaitTimeout and
// leaves the child running.
constexpr int kWaitTimeout = 258;  // WAIT_TIMEOUT
int WaitChild(ChildProcess& child, int timeoutMs, int& exitCode);

// Ends a child at once and reaps it.
void KillChild(ChildProcess& child);

// Starts a program hidden and detached from this process: never waited for, never left as a zombie.
int StartDetachedChild(const std::vector<std::string>& argv, const std::string& workingDirectory);

// ---- Whole files -----------------------------------------------------------------------------------------

// Replaces (or creates) a file with `text` so that a reader sees the old or the new file, never half of one;
// an existing file keeps its permissions.
int ReplaceFileContent(const std::string& path, const std::string& text);

// ---- Version information of program files ----------------------------------------------------------------

// The version information block of a file (see version_block.h for its layout; on POSIX it is the ELF
// section kVersionSection). Size in bytes, or 0 when the file has none or cannot be read.
extern const char* const kVersionSection;
std::size_t FileVersionInfoSize(const std::string& path);
// Copies the block of `path` into `block`, which has room for `size` bytes (as FileVersionInfoSize gave).
bool ReadFileVersionInfo(const std::string& path, std::size_t size, void* block);
// Finds a value in a block read by ReadFileVersionInfo: "\" for the fixed part,
// "\VarFileInfo\Translation", "\StringFileInfo\040904E4\FileVersion"; names compared without regard
// to case. `length` is the value's size in bytes (for a text with its terminating zero).
bool QueryVersionValue(const void* block, const std::string& subBlock, const void*& value,
                       std::size_t& length);

// ---- Window system menu (the manager) --------------------------------------------------------------------

// Appends a separator and then an item with `commandId` and `text` to the system menu of the native window
// `window`. False when the window has no system menu, as no window has on POSIX.
bool AppendSystemMenuItem(std::uintptr_t window, unsigned commandId, const std::string& text);
// The command word of a system-menu message among a window's native messages (WM_SYSCOMMAND on
// Windows). False for every other message, and always on POSIX.
bool SystemMenuCommand(const void* nativeMessage, unsigned& command);

// ---- Sockets of this process (bounding a database driver's network waits) --------------------------------

// The native handles of every socket this process holds open, in no particular order.
std::vector<std::intptr_t> OpenSockets();
// Ends both directions of a socket without closing its handle, so that a call blocked on it returns at once
// (its owner then sees the connection lost) and the owner still closes the handle itself.
void ShutDownSocket(std::intptr_t socket);
// Whether something waits to be read on a socket, or its peer has closed it; never waits.
bool SocketHasInput(std::intptr_t socket);

}  // namespace platform
