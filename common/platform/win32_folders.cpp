// Win32 flavour of the platform layer: what several collectors sharing one hot folder need of it.
#include "common/platform/win32_windows.h"

#include <string>

#include "common/platform/platform.h"

namespace platform {

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size)) return {};
    return std::string(name, size);
}

PathKind LookUpPath(const std::string& path) {
    DWORD saved = GetLastError();
    DWORD attributes = GetFileAttributesA(path.c_str());
    PathKind kind = PathKind::File;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        kind = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::Missing
                                                                              : PathKind::Other;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        kind = PathKind::Directory;
    } else if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        kind = PathKind::Other;
    }
    ::SetLastError(saved);
    return kind;
}

bool IsNotFound(int error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsInUse(int error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

int ProbeFolder(const std::string& path) {
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
        return 0;
    }
    int error = FailureCode(ERROR_PATH_NOT_FOUND);
    // A drive's root may hold nothing at all: it is there and can be listed.
    return error == ERROR_FILE_NOT_FOUND ? 0 : error;
}

int MakeDirectory(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return 0;
    int error = FailureCode(ERROR_GEN_FAILURE);
    if (error == ERROR_ALREADY_EXISTS && LookUpPath(path) == PathKind::Directory) {
        ::SetLastError(0);
        return 0;
    }
    return error;
}

int RemoveEmptyDirectory(const std::string& path) {
    return RemoveDirectoryA(path.c_str()) ? 0 : FailureCode(ERROR_GEN_FAILURE);
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING nothing is replaced, without MOVEFILE_COPY_ALLOWED nothing copied.
    return MoveFileExA(from.c_str(), to.c_str(), 0) ? 0 : FailureCode(ERROR_GEN_FAILURE);
}

// Written beside the file under a name of this process, then put in its place in one rename: a reader
// (another collector reading a heartbeat) sees the old or the new text.
int ReplaceFileContent(const std::string& path, const std::string& text) {
    std::string temp = path + ".new-" + std::to_string(GetCurrentProcessId());
    HANDLE h =
        CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FailureCode(ERROR_OPEN_FAILED);
    DWORD written = 0;
    bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size() && FlushFileBuffers(h);
    int error = ok ? 0 : FailureCode(ERROR_WRITE_FAULT);
    CloseHandle(h);
    if (error == 0 &&
        !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = FailureCode(ERROR_GEN_FAILURE);
    if (error != 0) {
        DeleteFileA(temp.c_str());
        ::SetLastError(static_cast<DWORD>(error));
    }
    return error;
}

}  // namespace platform
