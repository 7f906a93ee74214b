// A settings dialog shown on the offscreen platform, with the program directory in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <memory>
#include <string>

#include "manager/dialog_layout.h"
#include "manager/qt/control_id.h"
#include "manager/qt/manager_dlg.h"
#include "tests/support/program_dir_fixture.h"

class ManagerDialogTest : public ProgramDirTest {
  protected:
    // Shows a new dialog and waits until it is the active window, as after start-up.
    CQuillCollectorManagerDlg& Open() {
        dialog = std::make_unique<CQuillCollectorManagerDlg>();
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return *dialog;
    }
    QLineEdit* Edit(int id) const { return FindControl<QLineEdit>(dialog.get(), id); }
    QAbstractButton* Button(int id) const { return FindControl<QAbstractButton>(dialog.get(), id); }
    QWidget* Control(int id) const { return FindControl<QWidget>(dialog.get(), id); }
    std::string FieldText(int id) const { return Edit(id)->text().toStdString(); }
    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
    std::string Ini() const { return testing_support::ReadFile(dir / "QuillCollector.ini"); }
    bool IniExists() const { return testing_support::FileExists(dir / "QuillCollector.ini"); }

    std::unique_ptr<CQuillCollectorManagerDlg> dialog;
};
