// The systemd unit that the service host writes for one process of Moorline.ini.
#pragma once

#include <optional>
#include <string>

#include "tools/moorline/host.h"

namespace moorline {

// The unit is <ServiceName>.service; it runs WorkingDir/CommandLine in WorkingDir, restarted or not.

// A text that says what is wrong with a service name (it becomes a file name), or nothing.
std::optional<std::string> CheckServiceName(const std::string& serviceName);

// A text that says what is wrong with the settings, or nothing when a unit can be written from them.
std::optional<std::string> CheckUnitSettings(const HostConfig& settings);

// The unit file's content; the settings must have passed CheckUnitSettings. With a `user`, the service runs
// as that unprivileged user inside the protections it can live with; without one it runs as root.
std::string RenderUnit(const HostConfig& settings, const std::optional<std::string>& user);

// systemd's Restart= value for Moorline's Restart value, or nothing for a value that has none.
std::optional<std::string> SystemdRestart(const std::string& value);

}  // namespace moorline
