// Win32 flavour of the platform layer: names, process start-up, errors, time, profile files.
// ANSI calls throughout: texts are byte strings in the system code page.
#include "common/platform/win32_windows.h"

#include <fcntl.h>
#include <io.h>

#include <clocale>
#include <cstdio>
#include <vector>

#include "common/platform/platform.h"

namespace platform {

const char kPathSeparator = '\\';
const char* const kDefaultHotFolder = "c:\\temp";
const char* const kSignerProgramName = "Sealwright.exe";
const char* const kServiceHostProgramName = "Moorline.exe";
const char* const kServiceProgramName = "QuillCollectorService.exe";

std::string ProgramPath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);  // cut short: the path is longer than the buffer
    }
}

int LastError() {
    return static_cast<int>(GetLastError());
}

void SetLastError(int code) {
    ::SetLastError(static_cast<DWORD>(code));
}

std::string ErrorText(int code) {
    return ResultCodeText(static_cast<std::uint32_t>(code));
}

std::string ResultCodeText(std::uint32_t code) {
    DWORD saved = GetLastError();
    char* text = nullptr;
    DWORD n = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
        code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = n > 0 && text ? std::string(text, n) : std::string();  // no text: left empty
    if (text) LocalFree(text);
    ::SetLastError(saved);
    return result;
}

LocalTime Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

void SleepMilliseconds(unsigned milliseconds) {
    Sleep(milliseconds);
}

int InitializeProcess() {
    std::setlocale(LC_CTYPE, "");
    // Log entries end in CR LF on standard output as in the file; text mode would double the CR.
    _setmode(_fileno(stdout), _O_BINARY);
    // An unattended service must not stop on a "no disk in drive" box for a removable hot folder.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (ProgramPath().empty()) return LastError() != 0 ? LastError() : ERROR_FILE_NOT_FOUND;
    return 0;
}

void WriteStandardOutput(const std::string& text) {
    DWORD saved = GetLastError();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    ::SetLastError(saved);
}

// ---- One service per installation folder ---------------------------------------------------------------

namespace {

// The folder's path in one letter case, hashed: a mutex name holds no backslash and has a length limit.
std::string MutexNameFor(const std::string& folder) {
    std::string lower = folder;
    if (!lower.empty()) CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : lower)
        hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string("Global\\QuillCollectorService-") + hex;
}

}  // namespace

InstallationLock LockInstallationFolder(std::string& name) {
    std::string program = ProgramPath();
    name = MutexNameFor(program.substr(0, program.rfind(kPathSeparator)));
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());  // kept open until the process ends
    if (!mutex) return InstallationLock::Unavailable;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return InstallationLock::Taken;
    CloseHandle(mutex);
    ::SetLastError(ERROR_ALREADY_EXISTS);
    return InstallationLock::HeldElsewhere;
}

// ---- Profile files ---------------------------------------------------------------------------------------

namespace {

bool HasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t size) {
    if (size == 0) return {};
    std::vector<char> buffer(size, '\0');
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                       static_cast<DWORD>(size), path.c_str());
    return std::string(buffer.data(), n);
}

int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int defaultValue) {
    return static_cast<int>(GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, path.c_str()));
}

int WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value) {
    // A line break would end the entry early and smuggle further lines into the file.
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    if (WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str())) return 0;
    return LastError() != 0 ? LastError() : ERROR_WRITE_FAULT;  // a failure never reads as success
}

}  // namespace platform
