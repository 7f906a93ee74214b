// The settings dialog run modally, as the program runs it, with the program directory in a fresh folder
// and the test's steps played on the windows in front.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "manager/dialog_layout.h"
#include "manager/win32/manager_dlg.h"
#include "tests/manager_win32/modal_driver.h"
#include "tests/support/program_dir_fixture.h"

class ManagerDialogTest : public ProgramDirTest {
  protected:
    // Runs a new dialog until it closes; the result of DoModal.
    INT_PTR Run(std::vector<win32_testing::Step> steps) {
        win32_testing::ModalDriver driver(std::move(steps));
        CQuillCollectorManagerDlg dialog;
        INT_PTR result = dialog.DoModal();
        EXPECT_TRUE(driver.AllRun()) << driver.StepsRun() << " steps run";
        EXPECT_TRUE(driver.LeftOpen().empty()) << "left open: " << driver.LeftOpen().front();
        return result;
    }
    std::string Ini() const { return testing_support::ReadFile(dir / "QuillCollector.ini"); }
    bool IniExists() const { return testing_support::FileExists(dir / "QuillCollector.ini"); }
};

inline bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

inline bool IsEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// Enter typed in an edit box: the dialog manager turns it into the default button's command.
inline void PressEnterIn(HWND dialog, int id) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
    win32_testing::PostKey(GetDlgItem(dialog, id), VK_RETURN);
}
