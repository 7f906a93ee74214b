// The systemd unit that the service host writes for one process of Moorline.ini.
#pragma once

#include <optional>
#include <string>

namespace moorline {

struct UnitSettings {
    std::string serviceName;  // the unit is <serviceName>.service
    std::string workingDir;   // absolute folder of the program
    std::string commandLine;  // the program's file name in that folder
    std::string restart;      // Moorline's Yes or No
};

// A text that says what is wrong with a service name (it becomes a file name), or nothing.
std::optional<std::string> CheckServiceName(const std::string& serviceName);

// A text that says what is wrong with the settings, or nothing when a unit can be written from them.
std::optional<std::string> CheckUnitSettings(const UnitSettings& settings);

// The unit file's content; the settings must have passed CheckUnitSettings.
std::string RenderUnit(const UnitSettings& settings);

// systemd's Restart= value for Moorline's Restart value, or nothing for a value that has none.
std::optional<std::string> SystemdRestart(const std::string& value);

}  // namespace moorline
