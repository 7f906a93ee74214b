#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "common/platform/platform.h"
#include "common/text_format.h"
#include "tools/moorline/host.h"

namespace moorline {

namespace {

constexpr std::size_t kValueSize = 65536;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

HostLog::HostLog(std::string folder, std::string action)
    : folder_(std::move(folder)), action_(std::move(action)) {}

void HostLog::Write(const std::string& text) const {
    platform::LocalTime t = platform::Now();
    std::string line =
        StrPrintf("%04d-%02d-%02d %02d:%02d:%02d.%03d Moorline %s: %s\n", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond, action_.c_str(), text.c_str());
    platform::File log;
    if (platform::OpenForAppend(folder_ + platform::kPathSeparator + "Moorline.log", log) == 0)
        log.Write(line.data(), line.size());
    std::fputs(line.c_str(), stderr);
}

bool ReadHostConfig(const HostLog& log, HostConfig& config) {
    const std::string ini = log.Folder() + platform::kPathSeparator + "Moorline.ini";
    std::error_code error;
    if (!std::filesystem::is_regular_file(ini, error)) {
        log.Write("there is no file " + ini + "; nothing done");
        return false;
    }
    auto text = [&](const char* section, const char* key, const char* defaultValue) {
        return platform::ReadProfileString(ini, section, key, defaultValue, kValueSize);
    };
    auto number = [&](const char* section, const char* key, int defaultValue) {
        return platform::ReadProfileInt(ini, section, key, defaultValue);
    };
    config.procCount = number("Settings", "ProcCount", 1);
    if (config.procCount != 1) {
        log.Write(
            StrPrintf("Moorline.ini: ProcCount %d, but this host runs exactly one process; nothing done",
                      config.procCount));
        return false;
    }
    config.serviceName = text("Settings", "ServiceName", "");
    config.checkProcess = number("Settings", "CheckProcess", 1) != 0;
    config.commandLine = text("Process0", "CommandLine", "");
    config.workingDir = text("Process0", "WorkingDir", "");
    config.pauseStart = std::max(0, number("Process0", "PauseStart", 0));
    config.pauseEnd = std::max(0, number("Process0", "PauseEnd", 0));
    config.userInterface = text("Process0", "UserInterface", "No");
    config.restart = text("Process0", "Restart", "No");
    return true;
}

std::optional<bool> ParseYesNo(const std::string& value) {
    std::string v = Lower(value);
    if (v == "no" || v == "0" || v == "false") return false;
    if (v == "yes" || v == "1" || v == "true") return true;
    return std::nullopt;
}

}  // namespace moorline
