#include "tests/manager_win32/modal_driver.h"

#include <vector>

namespace win32_testing {

namespace {

constexpr UINT kTickMs = 10;
constexpr int kIdleTicksBeforeClosing = 500;  // five seconds without a step for the window in front

ModalDriver* activeDriver = nullptr;  // one driver at a time: the thread timer carries no data

BOOL CALLBACK FindFront(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

}  // namespace

HWND FrontWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFront, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string WindowText(HWND window) {
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1);
    int got = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

std::string ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PostKey(HWND control, WPARAM key) {
    UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    PostMessageA(control, WM_KEYDOWN, key, 1 | static_cast<LPARAM>(scan) << 16);
    PostMessageA(control, WM_KEYUP, key, 1 | static_cast<LPARAM>(scan) << 16 | 0xC0000000);
}

ModalDriver::ModalDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
    activeDriver = this;
    timer_ = SetTimer(nullptr, 0, kTickMs, OnTimer);
}

ModalDriver::~ModalDriver() {
    KillTimer(nullptr, timer_);
    activeDriver = nullptr;
}

void CALLBACK ModalDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (activeDriver) activeDriver->Tick();
}

void ModalDriver::Tick() {
    HWND front = FrontWindow();
    if (!front) return;
    if (next_ < steps_.size()) {
        idleTicks_ = 0;
        Step step = steps_[next_++];  // before it runs: a step may come back here in a nested loop
        step(front);
        return;
    }
    if (++idleTicks_ < kIdleTicksBeforeClosing) return;
    idleTicks_ = 0;
    leftOpen_.push_back(WindowText(front));
    PostMessageA(front, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace win32_testing
