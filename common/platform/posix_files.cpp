// POSIX flavour of the platform layer: directory enumeration and files, with an emulation of the one
// Windows sharing rule that matters here (a file held open for writing cannot be opened, moved or deleted).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/platform/platform.h"
#include "common/platform/posix_syscalls.h"

namespace platform {

// ---- Directory enumeration -------------------------------------------------------------------------------

struct DirectoryEnumeration::State {
    DIR* dir = nullptr;
    std::string mask;
    ~State() {
        if (dir) closedir(dir);
    }
};

DirectoryEnumeration::DirectoryEnumeration() = default;
DirectoryEnumeration::~DirectoryEnumeration() = default;

namespace {

bool IsDirectoryEntry(DIR* dir, const dirent& entry) {
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return entry.d_type == DT_DIR;
    struct stat st {};
    int saved = errno;
    bool isDir = fstatat(dirfd(dir), entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    errno = saved;
    return isDir;
}

}  // namespace

int DirectoryEnumeration::Start(const std::string& pattern, FoundFile& first) {
    state_.reset();
    std::size_t cut = pattern.rfind(kPathSeparator);
    std::string folder = cut == std::string::npos ? "." : pattern.substr(0, cut == 0 ? 1 : cut);
    auto state = std::make_unique<State>();
    state->mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    state->dir = opendir(folder.c_str());  // close-on-exec by the C library
    if (!state->dir) return errno;
    state_ = std::move(state);
    int result = Next(first);
    if (result == kNoMoreFiles) {
        state_.reset();
        return errno = ENOENT;  // nothing matches: the enumeration does not start
    }
    return result;
}

int DirectoryEnumeration::Next(FoundFile& next) {
    if (!state_) return errno = EBADF;
    for (;;) {
        errno = 0;
        dirent* entry = readdir(state_->dir);
        if (!entry) return errno != 0 ? errno : kNoMoreFiles;
        if (!MatchesMask(entry->d_name, state_->mask)) continue;
        next.name = entry->d_name;
        next.isDirectory = IsDirectoryEntry(state_->dir, *entry);
        return 0;
    }
}

// ---- Files ---------------------------------------------------------------------------------------------

void File::Close() {
    if (handle_ == kInvalid) return;
    int saved = errno;
    close(static_cast<int>(handle_));
    errno = saved;
    handle_ = kInvalid;
}

int File::Read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    ssize_t n;
    do
        n = Sys().read(static_cast<int>(handle_), buffer, size);
    while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    got = static_cast<std::size_t>(n);
    return 0;
}

int File::Write(const char* data, std::size_t size) {
    ssize_t n;
    do
        n = Sys().write(static_cast<int>(handle_), data, size);
    while (n < 0 && errno == EINTR);
    return n < 0 ? errno : 0;
}

int File::Write(const char* data, std::size_t size, std::size_t& written) {
    written = 0;
    while (written < size) {  // one write normally; a second one only after a short one, for its reason
        ssize_t n = Sys().write(static_cast<int>(handle_), data + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return errno = ENOSPC;
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

int File::Size(std::uint64_t& size) {
    struct stat st {};
    if (fstat(static_cast<int>(handle_), &st) != 0) return errno;
    size = static_cast<std::uint64_t>(st.st_size);
    return 0;
}

namespace {

constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;  // a FIFO in the folder must not block us

enum class WriterCheck { NoWriter, WriterOpen, CannotTell };

// Whether another process holds the file open for writing: a read lease cannot be had while any writer has
// it open. Leases need ownership or CAP_LEASE and a file system that has them; without one we cannot tell.
WriterCheck CheckForWriter(int fd) {
    if (fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        fcntl(fd, F_SETLEASE, F_UNLCK);
        return WriterCheck::NoWriter;
    }
    return errno == EAGAIN ? WriterCheck::WriterOpen : WriterCheck::CannotTell;
}

bool HasWriterOpen(int fd) {
    return CheckForWriter(fd) == WriterCheck::WriterOpen;
}

bool HasWriteLock(int fd) {
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    if (fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) return true;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    flock(fd, LOCK_UN);
    return false;
}

bool IsHeldWithoutSharing(int fd) {
    int saved = errno;
    bool held = HasWriterOpen(fd) || HasWriteLock(fd);
    errno = saved;
    return held;
}

// Fails with EBUSY when another process holds the file; 0 when it may be moved or deleted. Only a regular
// file is opened for the check: opening a FIFO or a device has effects of its own, and a link is moved or
// deleted as a link. A file we may not read cannot be checked, and a rename or unlink needs no read access,
// so it is left to them.
int CheckNotHeld(const std::string& path, const struct stat& st) {
    if (!S_ISREG(st.st_mode)) return 0;
    int fd = Sys().open(path.c_str(), O_RDONLY | O_NOFOLLOW | kOpenFlags, 0);
    if (fd < 0) return errno == ENOENT ? ENOENT : 0;
    bool held = IsHeldWithoutSharing(fd);
    close(fd);
    return held ? EBUSY : 0;
}

int CheckNotHeld(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return errno;
    return CheckNotHeld(path, st);
}

int CopyContents(int from, int to) {
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = Sys().read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = Sys().write(to, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return errno;
            done += w;
        }
    }
}

// Ends a move whose destination is complete by removing its source; when that fails, the destination goes
// again and the source stays. A removal reported failed although it happened (a share answering a request
// it had already carried out) completed the move: the destination is then the only copy and stays.
int RemoveMovedSource(const std::string& from, const std::string& to) {
    if (Sys().unlink(from.c_str()) == 0) return 0;
    int error = errno;
    struct stat st {};
    if (lstat(from.c_str(), &st) != 0 && errno == ENOENT) return 0;
    Sys().unlink(to.c_str());
    return errno = error;
}

// A move to another file system: copy into a new destination, flush it, then remove the source. Only a
// regular file is copied, never what a link points to: a FIFO would block the copy for ever and a device
// would fill the destination; anything else stays where it is (EXDEV, as the rename said).
int CopyThenDelete(const std::string& from, const std::string& to) {
    int in = Sys().open(from.c_str(), O_RDONLY | O_NOFOLLOW | kOpenFlags, 0);
    if (in < 0) return errno == ELOOP ? EXDEV : errno;
    struct stat st {};
    if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(in);
        return EXDEV;
    }
    int out = Sys().open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (out < 0) {
        int error = errno;
        close(in);
        return error;
    }
    int error = CopyContents(in, out);
    if (error == 0 && fchmod(out, st.st_mode & 07777) != 0) error = errno;
    timespec times[2] = {st.st_atim, st.st_mtim};
    if (error == 0) futimens(out, times);
    if (error == 0 && Sys().fsync(out) != 0) error = errno;
    if (close(out) != 0 && error == 0) error = errno;
    close(in);
    if (error == 0) return RemoveMovedSource(from, to);
    Sys().unlink(to.c_str());
    return error;
}

// A file system with neither an exclusive rename nor hard links (a share through smbnetfs): a look whether
// the destination exists, then a plain rename. A file that appears there between the look and the rename
// is replaced; that gap is the price of a file system without either primitive.
int RenameAfterLook(const std::string& from, const std::string& to) {
    struct stat st {};
    if (lstat(to.c_str(), &st) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return Sys().rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool LacksExclusiveRename(int error) {
    return error == EINVAL || error == ENOSYS;
}

bool LacksHardLinks(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS;
}

int RenameOrLinkNoReplace(const std::string& from, const std::string& to) {
    if (Sys().renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (!LacksExclusiveRename(errno)) return errno;
    // The file system has no exclusive rename: a hard link cannot replace anything either.
    if (Sys().link(from.c_str(), to.c_str()) != 0)
        return LacksHardLinks(errno) ? RenameAfterLook(from, to) : errno;
    return RemoveMovedSource(from, to);
}

}  // namespace

int OpenForSharedRead(const std::string& path, File& out) {
    out.Close();
    // A link is never followed: it could make us read a file we were not given, or create one elsewhere.
    int fd = Sys().open(path.c_str(), O_RDONLY | O_NOFOLLOW | kOpenFlags, 0);
    if (fd < 0) return errno;
    if (IsHeldWithoutSharing(fd)) {
        close(fd);
        return errno = EBUSY;
    }
    out = File(fd);
    return 0;
}

int OpenForAppend(const std::string& path, File& out) {
    out.Close();
    int fd = Sys().open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | kOpenFlags, 0666);
    if (fd < 0) return errno;
    out = File(fd);
    return 0;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    int saved = errno;
    bool exists = lstat(path.c_str(), &st) == 0;
    errno = saved;
    return exists;
}

std::string FollowLinks(const std::string& path) {
    int saved = errno;
    char* real = realpath(path.c_str(), nullptr);
    errno = saved;
    if (!real) return path;
    std::string result(real);
    std::free(real);
    return result;
}

int MoveFileNoReplace(const std::string& from, const std::string& to) {
    struct stat st {};
    int error = lstat(from.c_str(), &st) == 0 ? CheckNotHeld(from, st) : errno;
    if (error == 0) error = RenameOrLinkNoReplace(from, to);
    if (error == EXDEV && S_ISREG(st.st_mode)) error = CopyThenDelete(from, to);
    return errno = error;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    // The sharing rule of a move holds here too: a file its writer still holds stays where it is.
    int error = CheckNotHeld(from);
    if (error != 0) return errno = error;
    if (Sys().renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (!LacksExclusiveRename(errno)) return errno;
    // A file system without exclusive renames (FUSE, some shares): the destination lies in a folder that
    // only the caller writes to, so a look first is enough; the rename itself still has one winner.
    return errno = RenameAfterLook(from, to);
}

namespace {

long long Nanoseconds(const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// A writer that is done no longer changes the file; one second without a change is taken as done. The
// status change time counts too: a writer cannot set it back, and a rename into the folder sets it.
bool ChangedWithinASecond(const struct stat& st) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    long long changed = std::max(Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim));
    // A time ahead of our clock counts as just changed.
    return Nanoseconds(now) - changed < kWriterSettleMilliseconds * 1000000LL;
}

}  // namespace

bool MayStillBeWritten(const std::string& path) {
    int saved = errno;
    struct stat st {};
    bool fresh = lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ChangedWithinASecond(st);
    if (fresh) {
        int fd = Sys().open(path.c_str(), O_RDONLY | O_NOFOLLOW | kOpenFlags, 0);
        if (fd >= 0) {  // unreadable: nobody can tell, so it waits its second like the others
            fresh = CheckForWriter(fd) == WriterCheck::CannotTell;
            close(fd);
        }
    }
    errno = saved;
    return fresh;
}

namespace {

// A share's client may close a file on the server a moment after its program closed it (smbnetfs does),
// and until then the server refuses to delete it (EBUSY). A few more tries, within a second in all.
constexpr int kBusyRetries = 5;
constexpr int kFirstBusyPauseMs = 25;  // doubled after each try: 775 ms in all

int UnlinkWhenNoLongerBusy(const std::string& path) {
    for (int retry = 0, pauseMs = kFirstBusyPauseMs;; ++retry, pauseMs *= 2) {
        if (Sys().unlink(path.c_str()) == 0) return 0;
        if (errno != EBUSY || retry == kBusyRetries) return errno;
        SleepMilliseconds(static_cast<unsigned>(pauseMs));
    }
}

}  // namespace

int DeleteFile(const std::string& path) {
    int error = CheckNotHeld(path);
    if (error == 0) error = UnlinkWhenNoLongerBusy(path);
    return errno = error;
}

}  // namespace platform
