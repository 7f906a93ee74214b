// POSIX flavour of the platform layer: waking on what arrives in a folder (inotify), and on stop requests.
#include <poll.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

#include "common/platform/platform.h"
#include "common/platform/posix_stop.h"

namespace platform {

const unsigned kWriterSettleMilliseconds = 1000;

namespace {

// What a trigger's writer does last: closes the file it wrote, or renames a finished file in.
constexpr std::uint32_t kArrivals = IN_CLOSE_WRITE | IN_MOVED_TO;
// What ends a watch on the folder itself.
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

// File systems whose server does not report what other hosts write (magic numbers of statfs).
constexpr long kNetworkFileSystems[] = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x73757245,  // Coda
    0x5346414F,  // AFS
    0x00C36400,  // Ceph
    0x01021997,  // 9P
};

bool IsNetworkFileSystem(const std::string& folder) {
    struct statfs fs {};
    if (statfs(folder.c_str(), &fs) != 0) return false;
    for (long type : kNetworkFileSystems)
        if (static_cast<long>(static_cast<std::uint32_t>(fs.f_type)) == type) return true;
    return false;
}

std::string ParentOf(const std::string& folder) {
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == kPathSeparator)
        trimmed.pop_back();
    std::size_t cut = trimmed.rfind(kPathSeparator);
    if (cut == std::string::npos) return ".";
    return cut == 0 ? std::string(1, kPathSeparator) : trimmed.substr(0, cut);
}

std::string LastNameOf(const std::string& folder) {
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == kPathSeparator)
        trimmed.pop_back();
    std::size_t cut = trimmed.rfind(kPathSeparator);
    return cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
}

}  // namespace

struct FolderWatch::State {
    int fd = -1;           // the inotify instance, made at the first Watch
    int folderWatch = -1;  // on the watched folder while the watch holds
    int parentWatch = -1;  // on its parent while the folder is missing, to see it come back
    std::string folder, mask;

    ~State() {
        if (fd >= 0) close(fd);
    }
    void Forget(int& watch) {
        if (watch >= 0) inotify_rm_watch(fd, watch);
        watch = -1;
    }
    bool Counts(const inotify_event& event) {
        if (event.mask & IN_Q_OVERFLOW) return true;  // events were lost: look now
        if (event.wd == folderWatch && folderWatch >= 0) {
            if (event.mask & kFolderGone) {
                if (!(event.mask & IN_IGNORED)) Forget(folderWatch);
                folderWatch = -1;
                return true;  // look now: the next Watch sees why
            }
            return (event.mask & kArrivals) && !(event.mask & IN_ISDIR) && event.len > 0 &&
                   MatchesMask(event.name, mask);
        }
        if (event.wd == parentWatch && parentWatch >= 0) {
            if (event.mask & kFolderGone) parentWatch = -1;
            return (event.mask & IN_ISDIR) && event.len > 0 && LastNameOf(folder) == event.name;
        }
        return false;
    }
    // Reads every event queued; true when one of them counts.
    bool ReadEvents() {
        alignas(inotify_event) char buffer[16 * 1024];
        bool changed = false;
        for (;;) {
            ssize_t got = read(fd, buffer, sizeof buffer);
            if (got <= 0) return changed;  // EAGAIN: all read
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                changed = Counts(*event) || changed;
                at += sizeof(inotify_event) + event->len;
            }
        }
    }
};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() = default;

int FolderWatch::Watch(const std::string& folder, const std::string& mask) {
    int saved = errno;
    State& s = *state_;
    s.mask = mask;
    if (s.folder != folder) {
        s.Forget(s.folderWatch);
        s.Forget(s.parentWatch);
        s.folder = folder;
    }
    if (s.folderWatch >= 0) return 0;
    if (s.fd < 0) s.fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (s.fd < 0) return errno;
    if (IsNetworkFileSystem(folder)) return errno = EREMOTE;
    s.folderWatch =
        inotify_add_watch(s.fd, folder.c_str(), kArrivals | kFolderGone | IN_ONLYDIR | IN_EXCL_UNLINK);
    if (s.folderWatch >= 0) {
        s.Forget(s.parentWatch);
        errno = saved;
        return 0;
    }
    int error = errno;
    if (error == ENOENT && s.parentWatch < 0)
        s.parentWatch =
            inotify_add_watch(s.fd, ParentOf(folder).c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
    return errno = error;
}

int FolderWatch::Wait(unsigned timeoutMs) {
    using Clock = std::chrono::steady_clock;
    State& s = *state_;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd watched[2] = {{StopRequestDescriptor(), POLLIN, 0}, {s.fd, POLLIN, 0}};
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left < 0) left = 0;
        int ready = poll(watched, 2, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready < 0 && errno != EINTR) return errno;
        if (watched[0].revents != 0) return kStopRequested;
        if (watched[1].revents != 0 && s.ReadEvents()) return kFolderChanged;
        if (ready == 0 && Clock::now() >= deadline) break;
    }
    errno = ETIMEDOUT;
    return kWaitTimeout;
}

}  // namespace platform
