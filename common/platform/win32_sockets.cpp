// Sockets of this process on Windows: socket handles are kernel handles, whose values are multiples of 4;
// every value up to a bound is asked whether it is a socket (getsockopt fails with WSAENOTSOCK for one that
// is not). Winsock is started for the asking, and stopped again.
#include <winsock2.h>

#include "common/platform/platform.h"

namespace platform {

namespace {

constexpr std::intptr_t kHighestHandleAsked = 0x4000;

}  // namespace

std::vector<std::intptr_t> OpenSockets() {
    std::vector<std::intptr_t> sockets;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return sockets;
    for (std::intptr_t value = 4; value <= kHighestHandleAsked; value += 4) {
        int type = 0;
        int length = sizeof type;
        if (getsockopt(static_cast<SOCKET>(value), SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type),
                       &length) == 0)
            sockets.push_back(value);
    }
    WSACleanup();
    return sockets;
}

void ShutDownSocket(std::intptr_t socket) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
    shutdown(static_cast<SOCKET>(socket), SD_BOTH);
    WSACleanup();
}

bool SocketHasInput(std::intptr_t socket) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return true;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(socket), &readable);
    timeval now{0, 0};
    bool input = select(0, &readable, nullptr, nullptr, &now) != 0;
    WSACleanup();
    return input;
}

}  // namespace platform
