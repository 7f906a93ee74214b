// Installing and removing the collector service through the outside service host, which lies beside the
// manager and reads its instructions from Moorline.ini there.
#pragma once

#include <string>

// Writes Moorline.ini and starts the service host from the program directory with `serviceSwitch` ("-i"
// to install, "-u" to remove), hidden and detached. Returns at once; nothing is reported, whatever happens.
void RunServiceHost(const std::string& serviceSwitch);

// Writes the nine values of Moorline.ini beside the manager, keeping every other key and section.
void WriteServiceHostConfig();
