// Win32: version information, the VERSIONINFO resource of a program file,
// read with the system's version library.
#include "common/platform/win32_windows.h"

#include <winver.h>

#include "manager/os/manager_os.h"

namespace manager_os {

const char* const kVersionSection = ".rsrc";  // where a program file's resources lie

std::size_t FileVersionInfoSize(const std::string& path) {
    DWORD ignored = 0;
    return GetFileVersionInfoSizeA(path.c_str(), &ignored);
}

bool ReadFileVersionInfo(const std::string& path, std::size_t size, void* block) {
    if (!block || size > MAXDWORD) return false;
    return GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(size), block) != FALSE;
}

bool QueryVersionValue(const void* block, const std::string& subBlock, const void*& value,
                       std::size_t& length) {
    void* found = nullptr;
    UINT foundLength = 0;
    if (!VerQueryValueA(block, subBlock.c_str(), &found, &foundLength)) return false;
    value = found;
    length = foundLength;
    return true;
}

}  // namespace manager_os
