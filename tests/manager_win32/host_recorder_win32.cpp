// Test service host: appends one line about how it was started to host_calls.txt beside itself (its
// command line, current folder, the show state it was asked for and its process id), then stays alive
// while a file named "hold" lies beside it (30 seconds at most), so that a test can see nobody waits for it.
#include "common/platform/win32_windows.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ModuleDirectory() {
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, n);
    return text.substr(0, text.rfind('\\'));
}

}  // namespace

int main() {
    const std::string dir = ModuleDirectory();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char cwd[MAX_PATH * 4] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    std::ostringstream line;
    line << "cmd=<" << GetCommandLineA() << "> cwd=<" << cwd << "> flags=" << startup.dwFlags
         << " show=" << startup.wShowWindow << " pid=" << GetCurrentProcessId() << "\n";
    std::ofstream(dir + "\\host_calls.txt", std::ios::app | std::ios::binary) << line.str();
    const std::string hold = dir + "\\hold";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline &&
           GetFileAttributesA(hold.c_str()) != INVALID_FILE_ATTRIBUTES)
        Sleep(10);
    return 0;
}
