// The one interface between QuillCollector and the operating system: what both programs need of it (the
// manager's own needs are in manager/os/manager_os.h).
//
// Every call that touches the OS goes through here. The build picks one set of files per OS: posix_*.cpp
// (system: names, start-up, errors, time, profile files; files; process) or win32_*.cpp of the same names;
// file.cpp and wildcard.cpp hold what is the same on every OS. The POSIX files need Linux: renameat2,
// file leases, PR_SET_PDEATHSIG, close_range and pidfd have no portable equivalent. Failures come back
// as values: a native error code (errno on POSIX, the Win32 error code on Windows) where 0 means success.
// A failing call also leaves that code as the thread's last error, because the collector log reports the
// last error with every entry.
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
    // The same, telling how much arrived: a write cut short (a full disk) is a failure with the
    // system's reason, `written` bytes of the buffer being in the file.
    int Write(const char* data, std::size_t size, std::size_t& written);
    // The file's size, from the open file itself (no path lookup).
    int Size(std::uint64_t& size);

    static constexpr std::intptr_t kInvalid = -1;
    explicit File(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t NativeHandle() const { return handle_; }

  private:
    std::intptr_t handle_ = kInvalid;
};

// Opens an existing file for reading, sharing read access only: a missing file is never created (the error
// says it is missing), and a file that another process holds open for writing or write-locked fails with
// a sharing error. A symbolic link is not followed: opening one fails.
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

// True when something (a file, a folder, a link) exists at the path.
bool PathExists(const std::string& path);

// The file a path leads to once every symbolic link on the way is followed; the path as it stands when
// that cannot be told (nothing there) or the system's files are not reached through links (Windows).
std::string FollowLinks(const std::string& path);

// Replaces (or creates) a file with `text` so that a reader sees the old or the new file, never half of one;
// an existing file keeps its permissions.
int ReplaceFileContent(const std::string& path, const std::string& text);

// ---- Folders shared by several collectors ----------------------------------------------------------------

// The name of this machine as the system gives it; empty when it cannot be had.
std::string HostName();

// What a path names, without following a link.
enum class PathKind { Missing, File, Directory, Other };
PathKind LookUpPath(const std::string& path);

// True for the codes that say a file or its folder is not there (ENOENT; ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND).
bool IsNotFound(int error);

// True for the codes that say another process holds the file at the moment (EBUSY, ETXTBSY;
// ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION): the same call may succeed a moment later.
bool IsInUse(int error);

// 0 when the folder can be listed (also when it is empty), otherwise the system's reason.
int ProbeFolder(const std::string& path);

// Creates a folder; 0 also when a folder of that name is there already.
int MakeDirectory(const std::string& path);
// Removes a folder only when it is empty.
int RemoveEmptyDirectory(const std::string& path);

// Renames within one file system in one atomic step: never replaces an existing destination, never
// copies, never waits. Of several processes renaming the same file, one succeeds and the others fail.
// A file that another process holds open for writing is refused with a sharing error, as by a move.
int RenameNoReplace(const std::string& from, const std::string& to);

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
// a stop request (see CatchStopRequests) kStopRequested, both leaving the child running.
constexpr int kWaitTimeout = 258;  // WAIT_TIMEOUT
int WaitChild(ChildProcess& child, int timeoutMs, int& exitCode);

// Ends a child at once and reaps it; on POSIX with its process group (the children it started), on
// Windows the job ends those when this process ends.
void KillChild(ChildProcess& child);

// Starts a program hidden and detached from this process: never waited for, never left as a zombie.
int StartDetachedChild(const std::vector<std::string>& argv, const std::string& workingDirectory);

// ---- Waking between passes -------------------------------------------------------------------------------

// How long after its last change MayStillBeWritten may still hold a file back: a pass that comes this long
// after a reported change finds such a file settled. 0 where the system's share modes tell (Windows).
extern const unsigned kWriterSettleMilliseconds;

// Results of the waits below besides 0, kWaitTimeout and an error code.
constexpr int kFolderChanged = -2;  // a change was reported in the watched folder
constexpr int kStopRequested = -3;  // the host asked the process to stop (see CatchStopRequests)

// From now on the host's stop requests (POSIX: SIGTERM, SIGINT; Windows: Ctrl+C, Ctrl+Break, closing the
// console, shutdown) no longer end the process at once: they are noted, and every wait below (WaitChild,
// FolderWatch::Wait) returns kStopRequested, at once when the request came before the wait. Returns 0 or
// an error code.
int CatchStopRequests();
// The request noted so far, 0 when none: the signal number, or the console event plus one on Windows.
int StopRequest();
// Its name for the log: "SIGTERM", "CTRL_C_EVENT".
std::string StopRequestName(int request);

// Reports what arrives in one folder, not in its subfolders: a file closed after writing or moved in
// (Windows, which does not report a writer's close, reports a file added or changed once the folder has
// been quiet for a moment, and one renamed in at once). Only names that match the mask count. A report
// that events were lost counts as a change. Costs nothing while nothing happens.
class FolderWatch {
  public:
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches `folder` for names matching `mask` instead of what was watched before; a watch that still
    // holds on the same folder is kept as it is. Returns 0, or an error code when the folder cannot be
    // watched (missing, no watches left, a network share that reports nothing); nothing is watched then,
    // but a missing folder made again counts as a change where the system tells. A watch ends when its
    // folder is removed, renamed or unmounted: Wait reports that as a change, and the next Watch tries again.
    int Watch(const std::string& folder, const std::string& mask);
    // Waits at most `timeoutMs` for a change; returns kFolderChanged (and forgets the changes reported so
    // far), kWaitTimeout, kStopRequested, or an error code. Without a watch it waits for a stop request or
    // the time-out only.
    int Wait(unsigned timeoutMs);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// ---- Sockets of this process (bounding a database driver's network waits) --------------------------------

// The native handles of every socket this process holds open, in no particular order.
std::vector<std::intptr_t> OpenSockets();
// Ends both directions of a socket without closing its handle, so that a call blocked on it returns at once
// (its owner then sees the connection lost) and the owner still closes the handle itself.
void ShutDownSocket(std::intptr_t socket);
// Whether something waits to be read on a socket, or its peer has closed it; never waits.
bool SocketHasInput(std::intptr_t socket);

}  // namespace platform
