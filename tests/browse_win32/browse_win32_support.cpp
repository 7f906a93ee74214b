#include "tests/browse_win32/browse_win32_support.h"

namespace browse_testing {

ScriptedChooser::ScriptedChooser() : previous_(SetBrowseChooser(this)) {}

ScriptedChooser::~ScriptedChooser() {
    SetBrowseChooser(previous_);
}

bool ScriptedChooser::ChooseFolder(const FolderChoiceRequest& request, std::string& path) {
    folderRequests.push_back(request);
    if (whileOpen) whileOpen();
    if (confirm) path = folder;
    return confirm;
}

bool ScriptedChooser::ChooseFiles(const FileChoiceRequest& request, std::vector<std::string>& paths) {
    fileRequests.push_back(request);
    if (whileOpen) whileOpen();
    if (confirm) paths = files;
    return confirm;
}

namespace {

constexpr char kHostClass[] = "QcBrowseTestHost";

void RegisterHostClass(WNDPROC proc) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHostClass;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&windowClass);  // fails harmlessly when already registered
}

}  // namespace

HostWindow::HostWindow() {
    RegisterHostClass(&HostWindow::Proc);
    window_ = CreateWindowExA(0, kHostClass, "browse host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400,
                              200, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    SetForegroundWindow(window_);
    SetActiveWindow(window_);
}

HostWindow::~HostWindow() {
    DestroyWindow(window_);
    PumpMessages();
}

std::vector<ParentMessage> HostWindow::Received(UINT message) const {
    std::vector<ParentMessage> found;
    for (const ParentMessage& received : received_)
        if (received.message == message) found.push_back(received);
    return found;
}

LRESULT CALLBACK HostWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* host = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host));
    }
    auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (host && (message == WM_COMMAND || message >= WM_APP))
        host->received_.push_back({message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

WindowedControl::WindowedControl(SIZE size, uint32_t style, UINT notify) {
    SendMessageA(host.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    const RECT rect{0, 0, size.cx, size.cy};
    control.Create(rect, host.Handle(), 1001, style, notify);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void PumpFor(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (static_cast<int>(end - GetTickCount()) > 0) {
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    PumpMessages();
}

RECT ChildRect(HWND child, HWND parent) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace browse_testing
