// The Win32 desktop for the manager: the signer chooser's filter and the system menu of its window.
#include "common/platform/win32_windows.h"

#include "manager/os/manager_os.h"

namespace manager_os {

const char* const kSignerFileFilter = "Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||";

bool AppendSystemMenuItem(std::uintptr_t window, unsigned commandId, const std::string& text) {
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window), FALSE);
    if (!menu) return false;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, commandId, text.c_str());
    return true;
}

bool SystemMenuCommand(const void* nativeMessage, unsigned& command) {
    const auto* message = static_cast<const MSG*>(nativeMessage);
    if (!message || message->message != WM_SYSCOMMAND) return false;
    command = static_cast<unsigned>(message->wParam);
    return true;
}

}  // namespace manager_os
