// POSIX flavour of the platform layer: the host's stop requests (SIGTERM, SIGINT).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "common/platform/platform.h"
#include "common/platform/posix_stop.h"

namespace platform {

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT};

volatile sig_atomic_t stopRequest = 0;
// The handler writes one byte here and nobody reads it: once a stop is requested, every wait that
// watches the reading end wakes at once.
int stopPipe[2] = {-1, -1};

void OnStopSignal(int signal) {
    int saved = errno;
    if (stopRequest == 0) stopRequest = signal;
    char byte = 0;
    [[maybe_unused]] ssize_t written = write(stopPipe[1], &byte, 1);  // a full pipe is awake already
    errno = saved;
}

}  // namespace

int CatchStopRequests() {
    if (stopPipe[0] >= 0) return 0;
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return errno;
    struct sigaction caught {};
    caught.sa_handler = OnStopSignal;
    caught.sa_flags = SA_RESTART;  // calls in progress (a database driver's) go on undisturbed
    sigfillset(&caught.sa_mask);
    for (int signal : kStopSignals)
        if (sigaction(signal, &caught, nullptr) != 0) return errno;
    return 0;
}

int StopRequest() {
    return stopRequest;
}

std::string StopRequestName(int request) {
    if (request == SIGTERM) return "SIGTERM";
    if (request == SIGINT) return "SIGINT";
    const char* name = sigabbrev_np(request);
    return name ? std::string("SIG") + name : std::to_string(request);
}

int StopRequestDescriptor() {
    return stopPipe[0];
}

}  // namespace platform
