// The settings dialog as a user meets it: that every control carries its setting and its clicks, what
// Enter, Esc and the close box write, and stored values through the system's profile functions.
#include <memory>
#include <sstream>
#include <string>

#include "tests/manager/settings_binding_case.h"
#include "tests/manager_win32/manager_dlg_fixture.h"

using namespace win32_testing;
using namespace settings_binding;
using testing_support::HeldFile;
using testing_support::WriteFile;

namespace {

const char* const kDefaultFile =
    "[General]\r\n"
    "HotFolderPath=c:\\temp\r\n"
    "FileTypeMask=*.PDF\r\n"
    "SamplingFrequency=5000\r\n"
    "DetailedLog=0\r\n"
    "LogFile=QuillCollector.Log\r\n"
    "UseBackupFolder=0\r\n"
    "BackupFolder=\r\n"
    "Sealwright=\r\n"
    "ConnectionString=Dsn=test;uid=someuser;pwd=7305\r\n"
    "TableName=BRXADTA.ARC001\r\n"
    "VellumSignType=0\r\n"
    "VellumChannel=\r\n"
    "VellumIPAddress=\r\n"
    "VellumPort=\r\n";

void ExpectRemoteControlsEnabled(HWND dialog, bool enabled) {
    for (int id : kRemoteControls)
        EXPECT_EQ(IsEnabled(dialog, id), enabled) << "control " << id;
}

}  // namespace

// A new installation gets the Windows defaults, written by the system's profile functions.
TEST_F(ManagerDialogTest, NewInstallationShowsTheDefaultsAndEnterWritesThemAll) {
    INT_PTR result = Run({[](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), "QuillCollectorManager");
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_HOT_FOLDER_PATH);
        EXPECT_EQ(ItemText(dialog, IDC_HOT_FOLDER_PATH), "c:\\temp");
        PressEnterIn(dialog, IDC_PORT);
    }});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Ini(), kDefaultFile);
}

// Every control once, both ways, and every click that enables or disables others; the rules themselves
// are tested on the shared form (tests/manager/settings_form_test.cpp).
TEST_F(ManagerDialogTest, EveryControlCarriesItsSettingAndItsClicks) {
    WriteIni(StoredLines("\r\n"));
    INT_PTR result = Run({[](HWND dialog) {
        for (const EditCase& edit : kEveryEdit)
            EXPECT_EQ(ItemText(dialog, edit.id), edit.stored) << edit.key;
        EXPECT_TRUE(IsChecked(dialog, IDC_DETAILED_LOG));
        EXPECT_TRUE(IsChecked(dialog, IDC_USE_BACKUP_FOLDER));
        EXPECT_TRUE(IsChecked(dialog, IDC_REMOTE_SIGNATURE));
        EXPECT_FALSE(IsChecked(dialog, IDC_LOCAL_SIGNATURE));
        EXPECT_TRUE(IsEnabled(dialog, IDC_LOG_FILE));
        EXPECT_TRUE(IsEnabled(dialog, IDC_BACKUP_FOLDER));
        ExpectRemoteControlsEnabled(dialog, true);

        for (const EditCase& edit : kEveryEdit)
            SetDlgItemTextA(dialog, edit.id, edit.typed);
        Click(dialog, IDC_DETAILED_LOG);
        EXPECT_FALSE(IsEnabled(dialog, IDC_LOG_FILE));
        Click(dialog, IDC_USE_BACKUP_FOLDER);
        EXPECT_FALSE(IsEnabled(dialog, IDC_BACKUP_FOLDER));
        Click(dialog, IDC_LOCAL_SIGNATURE);
        EXPECT_FALSE(IsChecked(dialog, IDC_REMOTE_SIGNATURE)) << "the choices exclude each other";
        ExpectRemoteControlsEnabled(dialog, false);
        Click(dialog, IDC_REMOTE_SIGNATURE);
        EXPECT_FALSE(IsChecked(dialog, IDC_LOCAL_SIGNATURE));
        ExpectRemoteControlsEnabled(dialog, true);
        Click(dialog, IDC_LOCAL_SIGNATURE);
        PressEnterIn(dialog, IDC_SAMPLING_FREQUENCY);
    }});
    EXPECT_EQ(result, IDOK);
    const std::string ini = Ini();
    std::istringstream saved(SavedLines("\n"));
    for (std::string line; std::getline(saved, line);)
        EXPECT_NE(ini.find(line + "\r\n"), std::string::npos) << line << " in\n" << ini;
}

TEST_F(ManagerDialogTest, EscAndTheCloseBoxWriteNothing) {
    EXPECT_EQ(Run({[](HWND dialog) {
                  SetDlgItemTextA(dialog, IDC_TABLE_NAME, "changed");
                  PostKey(GetDlgItem(dialog, IDC_TABLE_NAME), VK_ESCAPE);
              }}),
              IDCANCEL);
    EXPECT_FALSE(IniExists());
    EXPECT_EQ(Run({[](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }}), IDCANCEL);
    EXPECT_FALSE(IniExists());
}

TEST_F(ManagerDialogTest, StoredValuesAreShownCutAndWrittenBackByteForByte) {
    std::string longPath(5000, 'p');
    std::string windows1252;  // every byte above ASCII, as a Windows-1252 name holds them
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        windows1252 += static_cast<char>(byte);
    WriteIni("HotFolderPath=" + longPath + "\r\nTableName=" + windows1252 +
             "\r\nVellumSignType=2\r\nDetailedLog=7\r\nUseBackupFolder=-1\r\nOther=kept\r\n");
    Run({[](HWND dialog) {
        EXPECT_EQ(ItemText(dialog, IDC_HOT_FOLDER_PATH).size(), 4095u);
        EXPECT_FALSE(IsChecked(dialog, IDC_LOCAL_SIGNATURE));
        EXPECT_FALSE(IsChecked(dialog, IDC_REMOTE_SIGNATURE));
        ExpectRemoteControlsEnabled(dialog, false);
        EXPECT_TRUE(IsChecked(dialog, IDC_DETAILED_LOG));
        EXPECT_TRUE(IsChecked(dialog, IDC_USE_BACKUP_FOLDER));
        Click(dialog, IDOK);
    }});
    const std::string ini = Ini();
    EXPECT_NE(ini.find("HotFolderPath=" + std::string(4095, 'p') + "\r\n"), std::string::npos);
    EXPECT_EQ(ini.find(std::string(4096, 'p')), std::string::npos);
    EXPECT_NE(ini.find("TableName=" + windows1252 + "\r\n"), std::string::npos) << "code page " << GetACP();
    EXPECT_NE(ini.find("VellumSignType=0\r\n"), std::string::npos);
    EXPECT_NE(ini.find("DetailedLog=1\r\n"), std::string::npos);
    EXPECT_NE(ini.find("UseBackupFolder=1\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Other=kept\r\n"), std::string::npos);
}

// Another program holding the settings file without sharing makes every write fail, as a read-only file
// does for an ordinary user (the tests run as root, whom Wine lets write a read-only file).
TEST_F(ManagerDialogTest, FailedSaveKeepsTheDialogOpenAndSaysWhyInOneMessageBox) {
    WriteIni("TableName=old\r\n");
    const std::string ini = dir / "QuillCollector.ini";
    auto holder = std::make_unique<HeldFile>("exclusive", ini);
    HWND settings = nullptr;
    std::string message;
    EXPECT_EQ(Run({[&](HWND dialog) {
                       settings = dialog;
                       SetDlgItemTextA(dialog, IDC_TABLE_NAME, "new");
                       Click(dialog, IDOK);  // the next step answers the message box
                       EXPECT_EQ(FrontWindow(), dialog) << "the dialog stays open";
                       EXPECT_EQ(ItemText(dialog, IDC_TABLE_NAME), "new");
                       holder.reset();
                       PressEnterIn(dialog, IDC_TABLE_NAME);
                   },
                   [&](HWND box) {
                       EXPECT_NE(box, settings);
                       EXPECT_EQ(GetWindow(box, GW_OWNER), settings);
                       EXPECT_EQ(WindowText(box), "QuillCollectorManager");
                       message = ItemText(box, 0xFFFF);  // the message box's text
                       SendMessageA(box, WM_COMMAND, IDOK, 0);
                   }}),
              IDOK);
    EXPECT_NE(message.find("The settings could not be written to\n" + ini), std::string::npos) << message;
    EXPECT_NE(Ini().find("TableName=new"), std::string::npos);
}
