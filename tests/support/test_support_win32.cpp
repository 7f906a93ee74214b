// Win32 flavour of the test helpers: CreateProcessA children, Win32 error codes, CR LF profile lines.
#include "common/platform/win32_windows.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "test_support.h"

namespace testing_support {

const int kFileNotFound = ERROR_FILE_NOT_FOUND;
const int kPathNotFound = ERROR_PATH_NOT_FOUND;
const int kAlreadyExists = ERROR_ALREADY_EXISTS;
const int kSharingViolation = ERROR_SHARING_VIOLATION;
const char kPathListSeparator = ';';
const char* const kProfileLineEnd = "\r\n";
// The system's texts bring their own line end (CR LF on Windows, LF in some Wine texts).
const char* const kSystemTextPattern = "[^\r\n]*(?:\r?\n)?";
const bool kOdbcConfigurationFixedAtStart = true;  // the Windows tests run under Wine
const AbnormalEnd kSignerAbnormalEnd = {"TESTSIGNER_EXIT", "-1073741819", -1073741819};

namespace {

// Bytes written to standard output, or to the files that GoogleTest captures it in, stay as written, as
// in the service, which sets its standard output to binary at start: text mode would double every CR.
const bool kBinaryFiles = [] {
    _fmode = _O_BINARY;
    _setmode(_fileno(stdout), _O_BINARY);
    return true;
}();

}  // namespace

const char* const kRenameBlockingHolderMode = "read";

std::vector<std::string> HolderModes() {
    return {"open-write", "exclusive"};
}

namespace {

std::string ModuleDirectory() {
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, n);
    return text.substr(0, text.rfind('\\'));
}

HANDLE AsHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

std::string QuotedCommandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& arg : argv)
        line += (line.empty() ? "\"" : " \"") + arg + "\"";  // test arguments hold no quotes
    return line;
}

}  // namespace

TempDir::TempDir(const std::string& base) {
    std::string root = base;
    if (root.empty()) {
        char temp[MAX_PATH + 1];
        DWORD n = GetTempPathA(sizeof temp, temp);
        root.assign(temp, n);
        if (!root.empty() && root.back() == '\\') root.pop_back();
    }
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = root + "\\qc-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    throw std::runtime_error("cannot create a folder in " + root);
}

std::string BinPath(const std::string& program) {
    return ModuleDirectory() + "\\" + ExecutableName(program);
}

std::string ExecutableName(const std::string& name) {
    return name + ".exe";
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetEnv(const std::string& name, const std::string& value) {
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

void UnsetEnv(const std::string& name) {
    SetEnvironmentVariableA(name.c_str(), nullptr);
}

std::string GetEnv(const std::string& name) {
    char value[32768];
    DWORD n = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

std::string DriverSidePath(const std::string& path) {
    // Wine's own way to name the host file behind a Windows path; absent on Windows itself.
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixFileName) return path;
    std::wstring wide(path.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    char* unixPath = n > 0 ? unixFileName(wide.c_str()) : nullptr;
    if (!unixPath) throw std::runtime_error("no host path for " + path);
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

void SleepMs(int ms) {
    Sleep(static_cast<DWORD>(ms));
}

Child::Child(const std::vector<std::string>& argv, const std::string& outputFile,
             const std::string& workingDir) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) throw std::runtime_error("pipe failed");
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);  // the child must see the end of its input
    HANDLE output = CreateFileA(outputFile.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::string line = QuotedCommandLine(argv);
    PROCESS_INFORMATION started{};
    BOOL ok = output != INVALID_HANDLE_VALUE &&
              CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &started);
    CloseHandle(readEnd);
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    input_ = reinterpret_cast<std::intptr_t>(writeEnd);
    if (!ok) {
        CloseInput();
        throw std::runtime_error("cannot start " + argv[0]);
    }
    CloseHandle(started.hThread);
    process_ = reinterpret_cast<std::intptr_t>(started.hProcess);
}

Child::~Child() {
    CloseInput();
    Kill();
}

void Child::CloseInput() {
    if (input_ != -1) CloseHandle(AsHandle(input_));
    input_ = -1;
}

int Child::Wait() {
    if (reaped_) return -1;
    WaitForSingleObject(AsHandle(process_), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(AsHandle(process_), &code);
    CloseHandle(AsHandle(process_));
    reaped_ = true;
    return static_cast<int>(code);
}

void Child::Kill() {
    if (reaped_) return;
    TerminateProcess(AsHandle(process_), 137);
    Wait();
}

bool Child::Running() {
    if (reaped_) return false;
    return WaitForSingleObject(AsHandle(process_), 0) == WAIT_TIMEOUT;
}

namespace {

// The handles of one process, counted in the system's handle table (Wine's GetProcessHandleCount says 0).
long CountHandlesOf(DWORD processId) {
    struct Entry {
        ULONG processId;  // a 16-bit id and a back-trace index on Windows; the full id under Wine
        UCHAR objectType;
        UCHAR flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
    std::vector<char> buffer(1 << 20);
    NTSTATUS status;
    ULONG length = 0;
    while ((status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &length)) ==
           kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0) return -1;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    long count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        if ((table->entries[i].processId & 0xFFFF) == (processId & 0xFFFF)) ++count;
    return count;
}

}  // namespace

Child::Resources Child::HeldResources() const {
    Resources held;
    held.handles = CountHandlesOf(GetProcessId(AsHandle(process_)));
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(AsHandle(process_), &memory, sizeof memory))
        held.residentKb = static_cast<long>(memory.WorkingSetSize / 1024);
    return held;
}

// ---- Another user ---------------------------------------------------------------------------------------

bool CanActAsUnprivilegedUser() {
    return false;
}

int RunAsUnprivilegedUser(int (*)(const std::string&), const std::string&) {
    throw std::runtime_error("no unprivileged user on Windows");
}

std::vector<std::string> AsUnprivilegedUser(const std::vector<std::string>& argv) {
    return argv;
}

void GiveToUnprivilegedUser(const std::string&) {}

bool TestSignerRunsWith(const std::string&) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = _stricmp(entry.szExeFile, "TestSigner.exe") == 0;
    CloseHandle(snapshot);
    return found;
}

}  // namespace testing_support
