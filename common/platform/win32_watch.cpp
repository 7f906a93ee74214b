// Win32 flavour of the platform layer: waking on what arrives in a folder (ReadDirectoryChangesW), and
// on stop requests.
#include <algorithm>
#include <chrono>
#include <string>

#include "common/platform/platform.h"
#include "common/platform/win32_stop.h"

namespace platform {

const unsigned kWriterSettleMilliseconds = 0;

namespace {

// Windows reports a file added or written, not its writer's close: such a change counts once the folder
// has been quiet this long, so that a trigger written in place is not read while its writer still writes.
constexpr DWORD kQuietMs = 100;

std::string Trimmed(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

std::string ParentOf(const std::string& folder) {
    std::string trimmed = Trimmed(folder);
    std::size_t cut = trimmed.find_last_of("\\/");
    if (cut == std::string::npos) return ".";
    std::string parent = trimmed.substr(0, cut + 1);  // "c:\" keeps its separator
    return parent.size() > 1 && parent[parent.size() - 2] != ':' ? parent.substr(0, cut) : parent;
}

std::string LastNameOf(const std::string& folder) {
    std::string trimmed = Trimmed(folder);
    std::size_t cut = trimmed.find_last_of("\\/");
    return cut == std::string::npos ? trimmed : trimmed.substr(cut + 1);
}

bool IsNetworkFolder(const std::string& folder) {
    if (folder.rfind("\\\\", 0) == 0 || folder.rfind("//", 0) == 0) return true;
    char volume[MAX_PATH];
    return GetVolumePathNameA(folder.c_str(), volume, MAX_PATH) && GetDriveTypeA(volume) == DRIVE_REMOTE;
}

std::string Narrow(const WCHAR* name, DWORD bytes) {
    int chars = static_cast<int>(bytes / sizeof(WCHAR));
    int size = WideCharToMultiByte(CP_ACP, 0, name, chars, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, name, chars, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// What a reading of changes found.
enum class Found { Nothing, Arrival, Settling, FolderGone };

// One folder's changes read asynchronously into a buffer, the request renewed after each reading.
class ChangeReader {
  public:
    ~ChangeReader() { Close(); }

    int Open(const std::string& folder, DWORD filter) {
        Close();
        // Every sharing allowed: the folder may still be renamed or removed while we watch it.
        handle_ = CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) return FailureCode(ERROR_PATH_NOT_FOUND);
        event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        filter_ = filter;
        if (!event_ || !Request()) {
            int error = FailureCode(ERROR_INVALID_FUNCTION);
            Close();
            return error;
        }
        return 0;
    }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CancelIo(handle_);
            DWORD ignored = 0;
            GetOverlappedResult(handle_, &overlapped_, &ignored, TRUE);  // the buffer is ours again
            CloseHandle(handle_);
        }
        if (event_) CloseHandle(event_);
        handle_ = INVALID_HANDLE_VALUE;
        event_ = nullptr;
    }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Event() const { return event_; }

    // Reads what the completed request brought: `judge` says what each entry means. The request is
    // renewed; a failed one ends the reader and counts as the folder gone.
    template <typename Judge>
    Found Take(Judge judge) {
        DWORD bytes = 0;
        bool done = GetOverlappedResult(handle_, &overlapped_, &bytes, FALSE);
        Found found = Found::Nothing;
        if (!done && GetLastError() != ERROR_NOTIFY_ENUM_DIR) {
            Close();
            return Found::FolderGone;
        }
        if (!done || bytes == 0) {
            found = Found::Arrival;  // more changes than the buffer held: look now
        } else {
            for (DWORD offset = 0;;) {
                const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer_ + offset);
                found = std::max(found, judge(entry->Action, Narrow(entry->FileName, entry->FileNameLength)));
                if (entry->NextEntryOffset == 0) break;
                offset += entry->NextEntryOffset;
            }
        }
        if (!Request()) {
            Close();
            return Found::FolderGone;
        }
        return found;
    }

  private:
    bool Request() {
        ResetEvent(event_);
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event_;
        return ReadDirectoryChangesW(handle_, buffer_, sizeof buffer_, FALSE, filter_, nullptr, &overlapped_,
                                     nullptr);
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
    DWORD filter_ = 0;
    OVERLAPPED overlapped_{};
    alignas(DWORD) BYTE buffer_[16 * 1024];
};

}  // namespace

// The folder itself for files arriving; its parent for the folder being removed, renamed or made again.
struct FolderWatch::State {
    ChangeReader folderReader, parentReader;
    std::string folder, mask;

    Found JudgeFolder(DWORD action, const std::string& name) const {
        if (!MatchesMask(name, mask)) return Found::Nothing;
        if (action == FILE_ACTION_RENAMED_NEW_NAME) return Found::Arrival;
        if (action == FILE_ACTION_ADDED || action == FILE_ACTION_MODIFIED) return Found::Settling;
        return Found::Nothing;  // removals and renames away: nothing new to take
    }
    Found JudgeParent(DWORD, const std::string& name) const {
        return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, LastNameOf(folder).c_str(),
                              -1) == CSTR_EQUAL
                   ? Found::FolderGone
                   : Found::Nothing;
    }
};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() = default;

int FolderWatch::Watch(const std::string& folder, const std::string& mask) {
    DWORD saved = GetLastError();
    State& s = *state_;
    s.mask = mask;
    // The folder's handle is let go before every pass: a folder removed while we hold it stays, pending
    // deletion, until we do (and Wine reports no change at all meanwhile). The pass that follows lists
    // the folder, so nothing that arrives in between is missed.
    s.folderReader.Close();
    if (s.folder != folder || !s.parentReader.IsOpen()) {
        s.folder = folder;
        s.parentReader.Close();
        if (IsNetworkFolder(folder)) {
            ::SetLastError(ERROR_NOT_SUPPORTED);
            return ERROR_NOT_SUPPORTED;
        }
        s.parentReader.Open(ParentOf(folder), FILE_NOTIFY_CHANGE_DIR_NAME);
    }
    int error = s.folderReader.Open(
        folder, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
    ::SetLastError(error == 0 ? saved : static_cast<DWORD>(error));
    return error;
}

int FolderWatch::Wait(unsigned timeoutMs) {
    using Clock = std::chrono::steady_clock;
    State& s = *state_;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Clock::time_point quietFrom{};
    bool settling = false;
    for (;;) {
        Clock::time_point now = Clock::now();
        Clock::time_point until =
            settling ? std::min(deadline, quietFrom + std::chrono::milliseconds(kQuietMs)) : deadline;
        auto left = std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(until - now).count());
        HANDLE waited[3];
        DWORD count = 0;
        HANDLE stop = StopRequestEvent();
        if (stop) waited[count++] = stop;
        if (s.folderReader.IsOpen()) waited[count++] = s.folderReader.Event();
        if (s.parentReader.IsOpen()) waited[count++] = s.parentReader.Event();
        DWORD ready =
            count == 0 ? (Sleep(static_cast<DWORD>(left)), WAIT_TIMEOUT)
                       : WaitForMultipleObjects(count, waited, FALSE,
                                                static_cast<DWORD>(std::min<long long>(left, INFINITE - 1)));
        if (ready == WAIT_TIMEOUT) {
            if (settling && Clock::now() >= until) return kFolderChanged;  // quiet now
            if (Clock::now() >= deadline) break;
            continue;
        }
        if (ready >= WAIT_OBJECT_0 + count) return FailureCode(ERROR_INVALID_HANDLE);
        HANDLE signalled = waited[ready - WAIT_OBJECT_0];
        if (signalled == stop) return kStopRequested;
        Found found = Found::Nothing;
        if (signalled == s.folderReader.Event())
            found = s.folderReader.Take([&](DWORD a, const std::string& n) { return s.JudgeFolder(a, n); });
        else
            found = s.parentReader.Take([&](DWORD a, const std::string& n) { return s.JudgeParent(a, n); });
        if (found == Found::FolderGone) {
            s.folderReader.Close();  // a folder removed stays pending while a handle holds it
            return kFolderChanged;
        }
        if (found == Found::Arrival) return kFolderChanged;
        if (found == Found::Settling) {
            settling = true;
            quietFrom = Clock::now();
        }
    }
    ::SetLastError(WAIT_TIMEOUT);
    return kWaitTimeout;
}

}  // namespace platform
