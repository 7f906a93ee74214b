// Win32 flavour of the platform layer: the host's stop requests (console control events).
#include <string>

#include "common/platform/platform.h"
#include "common/platform/win32_stop.h"

namespace platform {

namespace {

// How long the handler holds the request, so that the main thread can write its stop entry and end the
// process first: the system ends the process as soon as the handler of a closing console returns.
constexpr DWORD kHandlerHoldMs = 4000;

volatile LONG stopRequest = 0;  // the console event plus one
HANDLE stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            break;
        default:
            return FALSE;  // a user's logoff is not ours to act on
    }
    InterlockedCompareExchange(&stopRequest, static_cast<LONG>(event) + 1, 0);
    SetEvent(stopEvent);
    Sleep(kHandlerHoldMs);
    return TRUE;
}

}  // namespace

int CatchStopRequests() {
    if (stopEvent) return 0;
    HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // lives as long as we do
    if (!created) return FailureCode(ERROR_INVALID_HANDLE);
    stopEvent = created;
    if (!SetConsoleCtrlHandler(OnConsoleControl, TRUE)) return FailureCode(ERROR_INVALID_FUNCTION);
    return 0;
}

int StopRequest() {
    return static_cast<int>(stopRequest);
}

std::string StopRequestName(int request) {
    switch (request - 1) {
        case CTRL_C_EVENT:
            return "CTRL_C_EVENT";
        case CTRL_BREAK_EVENT:
            return "CTRL_BREAK_EVENT";
        case CTRL_CLOSE_EVENT:
            return "CTRL_CLOSE_EVENT";
        case CTRL_SHUTDOWN_EVENT:
            return "CTRL_SHUTDOWN_EVENT";
        default:
            return std::to_string(request);
    }
}

HANDLE StopRequestEvent() {
    return stopEvent;
}

}  // namespace platform
