// The about box, opened from its button and from the system menu, and the versions of program files read
// with the system's version library.
#include <gtest/gtest.h>

#include <string>

#include "common/platform/platform.h"
#include "manager/dialog_layout.h"
#include "manager/file_version.h"
#include "tests/manager_win32/manager_dlg_fixture.h"

using namespace win32_testing;
using testing_support::BinPath;
using testing_support::ProjectVersion;

namespace {

void ExpectAboutBoxAndClose(HWND about) {
    EXPECT_EQ(WindowText(about), "About QuillCollectorManager");
    EXPECT_EQ(ItemText(about, IDC_VERSION), "Version: " + ProjectVersion());
    PostKey(GetDlgItem(about, IDOK), VK_ESCAPE);
}

std::string MenuText(HMENU menu, UINT command) {
    char text[128] = "";
    GetMenuStringA(menu, command, text, sizeof text, MF_BYCOMMAND);
    return text;
}

}  // namespace

TEST_F(ManagerDialogTest, AboutBoxOpensFromItsButtonAndFromTheSystemMenu) {
    Run({[](HWND dialog) {
             HMENU menu = GetSystemMenu(dialog, FALSE);
             const int count = GetMenuItemCount(menu);
             EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
             EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
             EXPECT_EQ(MenuText(menu, IDM_ABOUTBOX), "&About QuillCollectorManager...");
             Click(dialog, IDC_ABOUT);  // the next step closes the box
         },
         ExpectAboutBoxAndClose,
         [](HWND dialog) {
             EXPECT_EQ(WindowText(dialog), "QuillCollectorManager");
             SendMessageA(dialog, WM_SYSCOMMAND, IDM_ABOUTBOX | 0x3, 0);  // the low bits are the system's
         },
         ExpectAboutBoxAndClose,
         [](HWND dialog) {
             EXPECT_EQ(WindowText(dialog), "QuillCollectorManager");
             Click(dialog, IDCANCEL);
         }});
}

TEST(FileVersion, ComesFromTheFirstTranslationOfTheVersionResource) {
    EXPECT_EQ(VersionLabelText(platform::ProgramPath()), "Version: " + ProjectVersion());
    EXPECT_EQ(VersionLabelText(BinPath("VersionProbe")), "Version: 2.1.0.7{beta}");
    char buffer[8];
    ASSERT_TRUE(GetFileVersionString(BinPath("VersionProbe"), buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "2, 1, 0");  // cut to the buffer, parentheses already replaced
    EXPECT_EQ(VersionLabelText(BinPath("HostRecorder")), "Version: ");  // no version resource
    EXPECT_EQ(VersionLabelText(BinPath("NoSuchProgram")), "Version: ");
}
