// The dialog's buttons that act outside it: the service buttons start the service host, the "..." buttons
// open the choosers (answered through the chooser seam), and the program's start-up runs the dialog; also
// the icons the dialog carries.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "manager/dialog_layout.h"
#include "manager/win32/manager_app.h"
#include "tests/browse_win32/browse_win32_support.h"
#include "tests/manager_win32/manager_dlg_fixture.h"

using namespace win32_testing;
using namespace testing_support;

namespace {

const char* const kHostConfig =
    "[Settings]\r\n"
    "ServiceName=QuillCollectorService\r\n"
    "ProcCount=1\r\n"
    "CheckProcess=1\r\n"
    "[Process0]\r\n"
    "CommandLine=QuillCollectorService.exe\r\n"
    "WorkingDir=%DIR%\r\n"
    "PauseStart=1000\r\n"
    "PauseEnd=1000\r\n"
    "UserInterface=No\r\n"
    "Restart=No\r\n";

std::string WithDir(std::string text, const std::string& dir) {
    return text.replace(text.find("%DIR%"), 5, dir);
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return SIZE{0, 0};
    BITMAP bitmap{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return SIZE{bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

}  // namespace

TEST_F(ManagerDialogTest, ServiceButtonsWriteTheHostConfigurationAndStartTheHostWithoutWaiting) {
    CopyProgram(BinPath("HostRecorder"), dir / "Moorline.exe");
    WriteFile(dir / "hold", "");
    WriteFile(dir / "Moorline.ini", "[Other]\r\nKept=yes\r\n[Process0]\r\nRestart=Yes\r\nOwn=1\r\n");
    const std::string calls = dir / "host_calls.txt";
    Run({[&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_TABLE_NAME, "unsaved");
        Click(dialog, IDC_INSTALL_SERVICE);  // returns while the host still runs: nobody waits for it
        EXPECT_TRUE(WaitFor([&] { return FileExists(calls); }));
        Click(dialog, IDC_UNINSTALL_SERVICE);
        EXPECT_TRUE(WaitFor([&] { return ReadFile(calls).find(" -u>") != std::string::npos; }));
        Click(dialog, IDCANCEL);
    }});
    const std::string program = dir / "Moorline.exe";
    DeleteFileA((dir / "hold").c_str());
    EXPECT_TRUE(WaitFor([&] { return DeleteFileA(program.c_str()) != FALSE; })) << "the hosts end";
    CopyProgram(BinPath("HostRecorder"), program);
    EXPECT_FALSE(IniExists()) << "the service buttons do not save the fields";

    const std::string line = "> cwd=<[^>]*> flags=" + std::to_string(STARTF_USESHOWWINDOW) +
                             " show=" + std::to_string(SW_HIDE) + " pid=[0-9]+\n";
    std::string quoted = "\"" + program + "\"";
    std::string pattern =
        "cmd=<" + std::regex_replace(quoted, std::regex(R"([\\.^$|()\[\]{}*+?])"), R"(\$&)");
    EXPECT_TRUE(
        std::regex_match(ReadFile(calls), std::regex(pattern + " -i" + line + pattern + " -u" + line)))
        << ReadFile(calls);
    // The nine values stand in their sections whatever they held; everything else stays.
    std::string config = ReadFile(dir / "Moorline.ini");
    EXPECT_NE(config.find("[Other]\r\nKept=yes\r\n"), std::string::npos) << config;
    EXPECT_NE(config.find("Own=1\r\n"), std::string::npos);
    EXPECT_NE(config.find("Restart=No\r\n"), std::string::npos);
    EXPECT_EQ(config.find("Restart=Yes"), std::string::npos);
    WriteFile(dir / "Moorline.ini", "");
    Run({[](HWND dialog) {
        Click(dialog, IDC_INSTALL_SERVICE);
        Click(dialog, IDCANCEL);
    }});
    EXPECT_EQ(ReadFile(dir / "Moorline.ini"), WithDir(kHostConfig, dir.path()));
}

TEST_F(ManagerDialogTest, CarriesTheApplicationIconInEverySize) {
    for (int size : {16, 24, 32, 48, 64, 256}) {
        HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                                   IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        SIZE got = IconSize(icon);
        EXPECT_EQ(got.cx, size);
        EXPECT_EQ(got.cy, size);
        DestroyIcon(icon);
    }
    Run({[](HWND dialog) {
        HICON big = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
        ASSERT_NE(big, nullptr);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0)), big);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0)), big);
        EXPECT_EQ(IconSize(big).cx, GetSystemMetrics(SM_CXICON));
        Click(dialog, IDCANCEL);
    }});
}

TEST_F(ManagerDialogTest, StartUpRunsTheDialogAndEndsTheProgramAfterIt) {
    CQuillCollectorManagerApp app;
    ModalDriver driver({[&](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), "QuillCollectorManager");
        EXPECT_NE(app.m_pMainWnd, nullptr);
        EXPECT_EQ(app.m_pMainWnd->GetSafeHwnd(), dialog);
        Click(dialog, IDOK);
    }});
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(driver.AllRun());
    EXPECT_TRUE(IniExists());
}

TEST_F(ManagerDialogTest, FolderChooserStartsAtTheFieldAndOnlyAChoiceChangesIt) {
    browse_testing::ScriptedChooser chooser;
    const char* const notAPath = "  <no such folder>  ";
    Run({[&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_HOT_FOLDER_PATH, notAPath);
        chooser.confirm = false;
        Click(dialog, IDC_BROWSE_HOT_FOLDER);
        EXPECT_EQ(ItemText(dialog, IDC_HOT_FOLDER_PATH), notAPath);
        ASSERT_EQ(chooser.folderRequests.size(), 1u);
        EXPECT_EQ(chooser.folderRequests[0].flags, static_cast<UINT>(BIF_EDITBOX));
        EXPECT_EQ(chooser.folderRequests[0].initialPath, notAPath);
        EXPECT_EQ(chooser.folderRequests[0].owner, nullptr) << "a windowless chooser has no owner";

        chooser.confirm = true;
        chooser.folder = "D:\\Spool\\Hot";
        Click(dialog, IDC_BROWSE_HOT_FOLDER);
        EXPECT_EQ(ItemText(dialog, IDC_HOT_FOLDER_PATH), "D:\\Spool\\Hot");
        chooser.folder = "";  // a folder without a file-system path
        Click(dialog, IDC_BROWSE_HOT_FOLDER);
        EXPECT_EQ(ItemText(dialog, IDC_HOT_FOLDER_PATH), "");
        EXPECT_TRUE(chooser.fileRequests.empty());
        Click(dialog, IDCANCEL);
    }});
    EXPECT_FALSE(IniExists()) << "a choice is written only by OK";
}

TEST_F(ManagerDialogTest, SignerChooserAsksForAnExistingProgramAndTakesTheFirstOfSeveral) {
    browse_testing::ScriptedChooser chooser;
    Run({[&](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_SEALWRIGHT, "C:\\Sign\\old.exe");
        chooser.confirm = false;
        Click(dialog, IDC_BROWSE_SEALWRIGHT);
        EXPECT_EQ(ItemText(dialog, IDC_SEALWRIGHT), "C:\\Sign\\old.exe");
        ASSERT_EQ(chooser.fileRequests.size(), 1u);
        const FileChoiceRequest& request = chooser.fileRequests[0];
        EXPECT_TRUE(request.openDialog);
        EXPECT_EQ(request.flags, static_cast<DWORD>(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
        EXPECT_EQ(request.filter, "Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||");
        EXPECT_EQ(request.initialPath, "C:\\Sign\\old.exe");

        chooser.confirm = true;
        chooser.files = {"C:\\Sign\\Sealwright.exe", "C:\\Sign\\Other.exe"};
        Click(dialog, IDC_BROWSE_SEALWRIGHT);
        EXPECT_EQ(ItemText(dialog, IDC_SEALWRIGHT), "C:\\Sign\\Sealwright.exe");
        EXPECT_TRUE(chooser.folderRequests.empty());
        Click(dialog, IDCANCEL);
    }});
}
