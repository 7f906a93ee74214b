// POSIX flavour of the platform layer: names, process start-up, errors, time, profile files.
#include <fcntl.h>
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

#include "common/platform/platform.h"
#include "common/private_profile.h"

namespace platform {

const char kPathSeparator = '/';
const char* const kDefaultHotFolder = "/var/spool/quillcollector";
const char* const kSignerProgramName = "Sealwright";
const char* const kServiceHostProgramName = "Moorline";
const char* const kServiceProgramName = "QuillCollectorService";
const char* const kSignerFileFilter = "Programs (*)|*|All Files (*.*)|*.*||";

namespace {
const char* const kProfileNewline = "\n";
}

std::string ProgramPath() {
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

// ---- Profile files ---------------------------------------------------------------------------------------

namespace {

int ReadWholeFile(const std::string& path, std::string& text) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    text.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int error = n < 0 ? errno : 0;
            close(fd);
            return error;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

std::optional<std::string> FindProfileValue(const std::string& path, const std::string& section,
                                            const std::string& key) {
    std::string text;
    if (ReadWholeFile(path, text) != 0) return std::nullopt;
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
        ssize_t n = write(fd, text.data() + done, text.size() - done);
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
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) unlink(temp.c_str());
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
    return ReplaceFileAtomically(path, profile::SetValue(text, section, key, value, kProfileNewline));
}

}  // namespace platform
