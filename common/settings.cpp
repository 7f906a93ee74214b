#include "settings.h"

#include "common/platform/platform.h"
#include "common/text_format.h"

namespace {

constexpr std::size_t kValueBufferSize = 4096;

std::string& DirectoryOverride() {
    static std::string directory;
    return directory;
}

}  // namespace

std::string GetProgramDirectory() {
    if (!DirectoryOverride().empty()) return DirectoryOverride();
    std::string path = platform::ProgramPath();
    std::size_t cut = path.rfind(platform::kPathSeparator);
    return cut == std::string::npos ? path : path.substr(0, cut);
}

void SetProgramDirectoryForTesting(const std::string& directory) {
    DirectoryOverride() = directory;
}

std::string GetSettingsFilePath() {
    return GetProgramDirectory() + platform::kPathSeparator + "QuillCollector.ini";
}

std::string ReadSettingString(const std::string& section, const std::string& key,
                              const std::string& defaultValue) {
    return platform::ReadProfileString(GetSettingsFilePath(), section, key, defaultValue, kValueBufferSize);
}

int ReadSettingInt(const std::string& section, const std::string& key, int defaultValue) {
    return platform::ReadProfileInt(GetSettingsFilePath(), section, key, defaultValue);
}

int WriteSettingString(const std::string& section, const std::string& key, const std::string& value) {
    return platform::WriteProfileString(GetSettingsFilePath(), section, key, value);
}

int WriteSettingInt(const std::string& section, const std::string& key, int value) {
    return WriteSettingString(section, key, StrPrintf("%d", value));
}
