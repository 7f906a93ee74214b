// Moorline: the stand-in service host. Started with -i it installs the process of section "Process0" of
// Moorline.ini (beside this program) as a service of the system, started at once and with every boot;
// with -u it stops and removes that service. posix_host.cpp does it with systemd, win32_host.cpp with the
// Windows service control manager.
#include "tools/moorline/host.h"

int main(int argc, char** argv) {
    return moorline::RunHost(argc, argv);
}
