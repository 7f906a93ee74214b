// Sockets of this process on Linux: found among the descriptors listed in /proc/self/fd.
#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdlib>

#include "common/platform/platform.h"

namespace platform {

std::vector<std::intptr_t> OpenSockets() {
    std::vector<std::intptr_t> sockets;
    DIR* directory = opendir("/proc/self/fd");
    if (!directory) return sockets;
    int own = dirfd(directory);
    while (dirent* entry = readdir(directory)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
        int descriptor = std::atoi(entry->d_name);
        struct stat status;
        if (descriptor != own && fstat(descriptor, &status) == 0 && S_ISSOCK(status.st_mode))
            sockets.push_back(descriptor);
    }
    closedir(directory);
    return sockets;
}

void ShutDownSocket(std::intptr_t socket) {
    shutdown(static_cast<int>(socket), SHUT_RDWR);
}

bool SocketHasInput(std::intptr_t socket) {
    pollfd entry{static_cast<int>(socket), POLLIN, 0};
    return poll(&entry, 1, 0) != 0;  // readable, closed, or in error
}

}  // namespace platform
