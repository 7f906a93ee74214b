// Win32 flavour of the platform layer: directory enumeration and files. The system's own share modes
// give the sharing rules: a file that another process holds open for writing cannot be opened for
// reading here, and one held without delete sharing cannot be moved or deleted.
#include "common/platform/win32_windows.h"

#include "common/platform/platform.h"

namespace platform {

namespace {

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

// ---- Directory enumeration -------------------------------------------------------------------------------

struct DirectoryEnumeration::State {
    HANDLE find = INVALID_HANDLE_VALUE;
    std::string mask;
    WIN32_FIND_DATAA data{};
    bool pending = false;  // `data` holds an entry not yet looked at
    ~State() {
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
    }
};

DirectoryEnumeration::DirectoryEnumeration() = default;
DirectoryEnumeration::~DirectoryEnumeration() {
    DWORD saved = GetLastError();  // closing must not hide the code that ended the enumeration
    state_.reset();
    ::SetLastError(saved);
}

namespace {

// The mask is what follows the folder: after the last separator the system itself would honour.
std::string MaskOf(const std::string& pattern) {
    std::size_t cut = pattern.find_last_of("\\/:");
    return cut == std::string::npos ? pattern : pattern.substr(cut + 1);
}

}  // namespace

int DirectoryEnumeration::Start(const std::string& pattern, FoundFile& first) {
    state_.reset();
    auto state = std::make_unique<State>();
    state->mask = MaskOf(pattern);
    state->find = FindFirstFileA(pattern.c_str(), &state->data);
    if (state->find == INVALID_HANDLE_VALUE) return FailureCode(ERROR_FILE_NOT_FOUND);
    state->pending = true;
    state_ = std::move(state);
    int result = Next(first);
    if (result == kNoMoreFiles) {
        state_.reset();
        ::SetLastError(ERROR_FILE_NOT_FOUND);  // nothing matches: the enumeration does not start
        return ERROR_FILE_NOT_FOUND;
    }
    return result;
}

// The system also matches a mask against the short 8.3 alias of a name ("*.pdf" finds "a.pdfx" through
// A~1.PDF); only entries whose own name matches count, so no other file is ever processed and removed.
int DirectoryEnumeration::Next(FoundFile& next) {
    if (!state_) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return ERROR_INVALID_HANDLE;
    }
    for (;;) {
        if (!state_->pending && !FindNextFileA(state_->find, &state_->data))
            return FailureCode(ERROR_NO_MORE_FILES);
        state_->pending = false;
        if (!MatchesMask(state_->data.cFileName, state_->mask)) continue;
        next.name = state_->data.cFileName;
        next.isDirectory = (state_->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return 0;
    }
}

// ---- Files ---------------------------------------------------------------------------------------------

void File::Close() {
    if (handle_ == kInvalid) return;
    DWORD saved = GetLastError();
    CloseHandle(AsHandle(handle_));
    ::SetLastError(saved);
    handle_ = kInvalid;
}

int File::Read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    DWORD n = 0;
    DWORD wanted = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    if (!ReadFile(AsHandle(handle_), buffer, wanted, &n, nullptr)) return FailureCode(ERROR_READ_FAULT);
    got = n;
    return 0;
}

int File::Write(const char* data, std::size_t size) {
    DWORD n = 0;
    DWORD wanted = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    if (!WriteFile(AsHandle(handle_), data, wanted, &n, nullptr)) return FailureCode(ERROR_WRITE_FAULT);
    return 0;
}

int File::Write(const char* data, std::size_t size, std::size_t& written) {
    written = 0;
    while (written < size) {
        DWORD n = 0;
        std::size_t left = size - written;
        DWORD wanted = left > MAXDWORD ? MAXDWORD : static_cast<DWORD>(left);
        BOOL ok = WriteFile(AsHandle(handle_), data + written, wanted, &n, nullptr);
        written += n;
        if (!ok) return FailureCode(ERROR_WRITE_FAULT);
        if (n == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return ERROR_DISK_FULL;
        }
    }
    return 0;
}

int File::Size(std::uint64_t& size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(AsHandle(handle_), &value)) return FailureCode(ERROR_INVALID_HANDLE);
    size = static_cast<std::uint64_t>(value.QuadPart);
    return 0;
}

namespace {

int Open(const std::string& path, DWORD access, DWORD disposition, DWORD flags, File& out) {
    out.Close();
    HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FailureCode(ERROR_OPEN_FAILED);
    out = File(reinterpret_cast<std::intptr_t>(h));
    return 0;
}

// The reparse tag of a file opened as itself; 0 for a plain file.
DWORD ReparseTag(const File& file) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!GetFileInformationByHandleEx(AsHandle(file.NativeHandle()), FileAttributeTagInfo, &info,
                                      sizeof info))
        return 0;
    return (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? info.ReparseTag : 0;
}

}  // namespace

// A link is not followed: it could make us read a file we were not given, or create one elsewhere.
int OpenForSharedRead(const std::string& path, File& out) {
    int error = Open(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, out);
    if (error != 0) return error;
    DWORD tag = ReparseTag(out);
    if (tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT) {
        out.Close();
        ::SetLastError(ERROR_CANT_ACCESS_FILE);
        return ERROR_CANT_ACCESS_FILE;
    }
    if (tag == 0) return 0;
    return Open(path, GENERIC_READ, OPEN_EXISTING, 0, out);  // deduplicated or cloud files: their data, through the system
}

bool MayStillBeWritten(const std::string& /*path*/) {
    return false;  // a writer's share mode refuses our open; nothing to guess
}

int OpenForAppend(const std::string& path, File& out) {
    int error = Open(path, GENERIC_WRITE, OPEN_ALWAYS, 0, out);
    if (error != 0) return error;
    DWORD saved = GetLastError();  // OPEN_ALWAYS tells whether the file existed; keep that
    LONG high = 0;                 // with the high part, a log beyond 4 GB is still appended to
    ::SetLastError(NO_ERROR);
    if (SetFilePointer(AsHandle(out.NativeHandle()), 0, &high, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        error = FailureCode(ERROR_SEEK);
        out.Close();
        return error;
    }
    ::SetLastError(saved);
    return 0;
}

int MoveFileNoReplace(const std::string& from, const std::string& to) {
    // Never replaces the destination; a move to another volume copies, then deletes the source.
    return MoveFileA(from.c_str(), to.c_str()) ? 0 : FailureCode(ERROR_GEN_FAILURE);
}

int DeleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) ? 0 : FailureCode(ERROR_GEN_FAILURE);
}

std::string FollowLinks(const std::string& path) {
    return path;
}

bool PathExists(const std::string& path) {
    DWORD saved = GetLastError();
    bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    ::SetLastError(saved);
    return exists;
}

}  // namespace platform
