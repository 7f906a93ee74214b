// Win32 flavour of the platform layer: what several collectors sharing one hot folder need of it.
#include "common/platform/win32_windows.h"

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

}  // namespace platform
