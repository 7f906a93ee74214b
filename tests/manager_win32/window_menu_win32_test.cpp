// The manager's entry in a window's system menu, on a real Win32 window.
#include <gtest/gtest.h>

#include "common/platform/win32_windows.h"
#include "manager/os/manager_os.h"

namespace {

constexpr unsigned kAboutCommand = 0x0010;

std::string MenuText(HMENU menu, unsigned command) {
    char text[128] = "";
    GetMenuStringA(menu, command, text, sizeof text, MF_BYCOMMAND);
    return text;
}

}  // namespace

TEST(SystemMenu, EntryFollowsASeparatorAtTheEndOfTheMenu) {
    HWND window = CreateWindowExA(0, "STATIC", "system menu", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, 0,
                                  200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    HMENU menu = GetSystemMenu(window, FALSE);
    ASSERT_NE(menu, nullptr);
    const int before = GetMenuItemCount(menu);

    EXPECT_TRUE(manager_os::AppendSystemMenuItem(reinterpret_cast<std::uintptr_t>(window), kAboutCommand,
                                                 "&About QuillCollectorManager..."));
    menu = GetSystemMenu(window, FALSE);
    ASSERT_EQ(GetMenuItemCount(menu), before + 2);
    EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(before), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(menu, before + 1), kAboutCommand);
    EXPECT_EQ(MenuText(menu, kAboutCommand), "&About QuillCollectorManager...");
    DestroyWindow(window);
}

TEST(SystemMenu, OnlySystemCommandsAreRead) {
    MSG message{};
    message.message = WM_SYSCOMMAND;
    message.wParam = kAboutCommand | 0x3;  // the low four bits are the system's own
    unsigned command = 0;
    EXPECT_TRUE(manager_os::SystemMenuCommand(&message, command));
    EXPECT_EQ(command, kAboutCommand | 0x3);
    message.message = WM_COMMAND;
    EXPECT_FALSE(manager_os::SystemMenuCommand(&message, command));
    EXPECT_FALSE(manager_os::SystemMenuCommand(nullptr, command));
}
