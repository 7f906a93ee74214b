#include "manager/service_host.h"

#include <vector>

#include "common/platform/platform.h"
#include "common/settings.h"

namespace {

const char* const kServiceHostConfigName = "Moorline.ini";
const char* const kSettingsSection = "Settings";
const char* const kProcessSection = "Process0";

std::string InProgramDirectory(const std::string& name) {
    return GetProgramDirectory() + platform::kPathSeparator + name;
}

}  // namespace

void RunServiceHost(const std::string& serviceSwitch) {
    // An argument vector rather than a command line, so that a program directory with blanks stays whole.
    std::vector<std::string> argv{InProgramDirectory(platform::kServiceHostProgramName), serviceSwitch};
    WriteServiceHostConfig();
    // The manager's own environment and current directory; the host finds its file beside itself.
    platform::StartDetachedChild(argv, "");
}

void WriteServiceHostConfig() {
    const std::string path = InProgramDirectory(kServiceHostConfigName);
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } values[] = {
        {kSettingsSection, "ServiceName", "QuillCollectorService"},
        {kSettingsSection, "ProcCount", "1"},
        {kSettingsSection, "CheckProcess", "1"},
        {kProcessSection, "CommandLine", platform::kServiceProgramName},
        {kProcessSection, "WorkingDir", GetProgramDirectory()},
        {kProcessSection, "PauseStart", "1000"},
        {kProcessSection, "PauseEnd", "1000"},
        {kProcessSection, "UserInterface", "No"},
        {kProcessSection, "Restart", "No"},
    };
    for (const auto& entry : values)
        platform::WriteProfileString(path, entry.section, entry.key, entry.value);
}
