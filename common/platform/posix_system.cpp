// POSIX flavour of the platform layer: names, process start-up, errors, time, profile files.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>

#include "common/platform/platform.h"
#include "common/platform/posix_syscalls.h"
#include "common/private_profile.h"

namespace platform {

const char kPathSeparator = '/';
const char* const kDefaultHotFolder = "/var/spool/quillcollector";
const char* const kSignerProgramName = "Sealwright";
const char* const kServiceHostProgramName = "Moorline";
const char* const kServiceProgramName = "QuillCollectorService";

namespace {
const char* const kProfileNewline = "\n";
}

namespace {

std::string ReadProgramPath() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::string deleted = " (deleted)";  // the file was replaced while we run: keep its old path
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

}  // namespace

// Found at the first use, then kept: the settings file and the log are found through it at every use. As
// on Windows, it is the path the program was started from, also when its folder is renamed later.
std::string ProgramPath() {
    static const std::string path = ReadProgramPath();
    return path.empty() ? ReadProgramPath() : path;
}

int LastError() {
    return errno;
}

void SetLastError(int code) {
    errno = code;
}

std::string ErrorText(int code) {
    char buffer[256];
    int saved = errno;
    std::string text = strerror_r(code, buffer, sizeof buffer);  // GNU flavour: returns the text
    errno = saved;
    return text;
}

std::string ResultCodeText(std::uint32_t) {
    return "";
}

LocalTime Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    return {local.tm_year + 1900,
            local.tm_mon + 1,
            local.tm_mday,
            local.tm_hour,
            local.tm_min,
            local.tm_sec,
            static_cast<int>(ts.tv_nsec / 1000000)};
}

void SleepMilliseconds(unsigned milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

int InitializeProcess() {
    // Character classes follow the user's locale (white space in UTF-8 paths); number formats stay "C".
    std::setlocale(LC_CTYPE, "");
    // A closed standard output must not end the service, and a file lease broken by a writer must not
    // deliver the default-fatal SIGIO. Children must stay reapable.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGIO, SIG_IGN);
    std::signal(SIGCHLD, SIG_DFL);
    if (ProgramPath().empty()) return errno != 0 ? errno : ENOENT;
    return 0;
}

// ---- Standard output -------------------------------------------------------------------------------------

namespace {

// Standard output as something that never blocks. A pipe is opened again as its own open file description
// with O_NONBLOCK: setting the flag on descriptor 1 would change it for every process that shares it. A
// socket (a journal) takes MSG_DONTWAIT per write. Files and terminals are written as they are.
struct StandardOutput {
    int fd = STDOUT_FILENO;
    bool socket = false;
};

StandardOutput OpenStandardOutput() {
    StandardOutput out;
    struct stat st {};
    if (fstat(STDOUT_FILENO, &st) != 0) return out;
    out.socket = S_ISSOCK(st.st_mode);
    if (S_ISFIFO(st.st_mode)) {
        int fd = open("/proc/self/fd/1", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) out.fd = fd;  // kept for the life of the process
    }
    return out;
}

}  // namespace

void WriteStandardOutput(const std::string& text) {
    static const StandardOutput out = OpenStandardOutput();
    int saved = errno;
    ssize_t n;
    do
        n = out.socket ? send(out.fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL)
                       : write(out.fd, text.data(), text.size());
    while (n < 0 && errno == EINTR);
    errno = saved;  // a full pipe drops the entry (or the rest of a long one); the log file has it
}

// ---- One service per installation folder ---------------------------------------------------------------

InstallationLock LockInstallationFolder(std::string& name) {
    std::string program = ProgramPath();
    name = program.substr(0, program.rfind(kPathSeparator) + 1) + kServiceProgramName + ".lock";
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS))  // a read-only folder: a lock file set up beforehand
        fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0) return InstallationLock::Unavailable;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return InstallationLock::Taken;  // the descriptor stays open
    bool held = errno == EWOULDBLOCK;
    int error = errno;
    close(fd);
    errno = error;
    return held ? InstallationLock::HeldElsewhere : InstallationLock::Unavailable;
}

// ---- Profile files ---------------------------------------------------------------------------------------

namespace {

int ReadWholeFile(const std::string& path, std::string& text) {
    int fd = Sys().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0);
    if (fd < 0) return errno;
    text.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = Sys().read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int error = n < 0 ? errno : 0;
            close(fd);
            return error;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

bool SameFileState(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// A file changed this recently may change again within the same tick of its file system's clock (2 s on
// FAT) without a trace in its times: its text is read again at every use.
constexpr time_t kSettledSeconds = 3;
// The values looked up in the kept text: the programs ask for a fixed set of keys; more is not kept.
constexpr std::size_t kMostKeptValues = 256;

// The settings are read at every use, some twenty times a document, so the last text read is kept with
// the file's state then (inode, size, times), with the values looked up in it, and taken again while a
// stat shows the same state: every write or replacement changes the change time, which no one can set
// back. Only a text older than a few seconds is kept, so a second write within one tick is seen too.
struct KeptProfile {
    std::mutex mutex;
    std::string path, text;
    struct stat state {};
    std::map<std::pair<std::string, std::string>, std::optional<std::string>> values;
};

KeptProfile& TheKeptProfile() {
    static KeptProfile* kept = new KeptProfile;  // never destroyed: a thread may still read while we exit
    return *kept;
}

std::optional<std::string> FindProfileValue(const std::string& path, const std::string& section,
                                            const std::string& key) {
    KeptProfile& kept = TheKeptProfile();
    std::lock_guard<std::mutex> lock(kept.mutex);
    struct stat before {};
    if (stat(path.c_str(), &before) != 0) return std::nullopt;
    if (!kept.path.empty() && kept.path == path && SameFileState(before, kept.state)) {
        if (kept.values.size() >= kMostKeptValues) kept.values.clear();
        auto [value, isNew] = kept.values.try_emplace({section, key});
        if (isNew) value->second = profile::FindValue(kept.text, section, key);
        return value->second;
    }
    kept.path.clear();
    kept.values.clear();
    std::string text;
    if (ReadWholeFile(path, text) != 0) return std::nullopt;
    int saved = errno;
    struct stat after {};
    if (stat(path.c_str(), &after) == 0 && SameFileState(before, after) &&
        after.st_ctim.tv_sec + kSettledSeconds < time(nullptr)) {
        kept.path = path;
        kept.text = text;
        kept.state = after;
    }
    errno = saved;
    return profile::FindValue(text, section, key);
}

bool HasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

mode_t NewFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

int WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = Sys().write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Replaces the file with `text` so that a reader sees either the old or the new file, never half of one.
int ReplaceFileAtomically(const std::string& path, const std::string& text) {
    char resolved[PATH_MAX];
    std::string target = realpath(path.c_str(), resolved) ? resolved : path;  // write through a link
    struct stat old {};
    bool existed = stat(target.c_str(), &old) == 0;
    std::string temp = target + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int error = WriteAll(fd, text);
    if (error == 0 && fchmod(fd, existed ? (old.st_mode & 07777) : NewFileMode()) != 0) error = errno;
    if (error == 0 && existed && fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not the owner: the replacement keeps our ownership, which is all an unprivileged writer can do.
    }
    if (error == 0 && Sys().fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && Sys().rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) Sys().unlink(temp.c_str());
    errno = error;
    return error;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t size) {
    std::string value = FindProfileValue(path, section, key).value_or(defaultValue);
    if (size == 0) return {};
    if (value.size() > size - 1) value.resize(size - 1);
    return value;
}

int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int defaultValue) {
    std::optional<std::string> value = FindProfileValue(path, section, key);
    if (!value || value->empty()) return defaultValue;
    return profile::ParseInt(*value);
}

int ReplaceFileContent(const std::string& path, const std::string& text) {
    return ReplaceFileAtomically(path, text);
}

int WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value) {
    // A line break would end the entry early and smuggle further lines into the file.
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return errno = EINVAL;
    std::string text;
    int error = ReadWholeFile(path, text);
    if (error != 0 && error != ENOENT) return errno = error;
    if (profile::IsUtf16(text)) return errno = EILSEQ;  // rewritten as bytes it would be lost on reading
    return ReplaceFileAtomically(path, profile::SetValue(text, section, key, value, kProfileNewline));
}

}  // namespace platform
