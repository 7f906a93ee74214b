// The dialog's buttons that act: the two choosers, the service buttons, the about box from its button and
// from the window menu, and the program's start-up that runs the dialog.

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "common/platform/platform.h"

#include "manager/browse/qt/browse_chooser.h"
#include "manager/qt/about_dlg.h"
#include "manager/qt/manager_app.h"
#include "manager/settings_form.h"
#include "tests/browse/browse_test_support.h"
#include "tests/manager/manager_dlg_fixture.h"
#include "tests/manager/unprivileged_user.h"

using namespace testing_support;
using browse_testing::ModalDriver;
using browse_testing::ScriptedChooser;

namespace {

const char* const kNotAPath = "  <no such folder>  ";

void ExpectAnswered(const ModalDriver& driver, int steps) {
    EXPECT_TRUE(driver.Problems().isEmpty()) << driver.Problems().join('\n').toStdString();
    EXPECT_EQ(driver.StepsRun(), steps);
}

// The names that a file dialog's model shows in a folder, after its filter.
QStringList ShownNames(const QFileSystemModel& model, const QString& folder) {
    QStringList names;
    const QModelIndex root = model.index(folder);
    for (int row = 0; row < model.rowCount(root); ++row)
        names << model.index(row, 0, root).data().toString();
    return names;
}

// A modal step: the widget must be an about box, which is then closed.
void CloseAboutBox(QWidget* modal) {
    EXPECT_NE(qobject_cast<CAboutDlg*>(modal), nullptr) << modal->metaObject()->className();
    browse_testing::Reject(modal);
}

}  // namespace

TEST_F(ManagerDialogTest, FolderChooserStartsAtTheFieldAndOnlyAChoiceChangesIt) {
    ScriptedChooser chooser;
    Open();
    Edit(IDC_HOT_FOLDER_PATH)->setText(kNotAPath);
    chooser.confirm = false;
    Click(IDC_BROWSE_HOT_FOLDER);
    EXPECT_EQ(FieldText(IDC_HOT_FOLDER_PATH), kNotAPath);
    ASSERT_EQ(chooser.folderRequests.size(), 1u);
    EXPECT_EQ(chooser.folderRequests[0].flags, BIF_EDITBOX);  // virtual folders can be chosen too
    EXPECT_EQ(chooser.folderRequests[0].initialPath, kNotAPath);

    chooser.confirm = true;
    chooser.folder = "/srv/spool";
    Click(IDC_BROWSE_HOT_FOLDER);
    EXPECT_EQ(FieldText(IDC_HOT_FOLDER_PATH), "/srv/spool");
    chooser.folder = "";  // a folder without a file-system path
    Click(IDC_BROWSE_HOT_FOLDER);
    EXPECT_EQ(FieldText(IDC_HOT_FOLDER_PATH), "");
    EXPECT_TRUE(chooser.fileRequests.empty());
    EXPECT_FALSE(IniExists()) << "a choice is written only by OK";
}

TEST_F(ManagerDialogTest, SignerChooserAsksForAnExistingProgram) {
    ScriptedChooser chooser;
    Open();
    Edit(IDC_SEALWRIGHT)->setText("/opt/sign/old");
    chooser.confirm = false;
    Click(IDC_BROWSE_SEALWRIGHT);
    EXPECT_EQ(FieldText(IDC_SEALWRIGHT), "/opt/sign/old");
    ASSERT_EQ(chooser.fileRequests.size(), 1u);
    const FileChoiceRequest& request = chooser.fileRequests[0];
    EXPECT_TRUE(request.openDialog);
    EXPECT_EQ(request.flags, OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    EXPECT_EQ(request.filter, "Programs (*)|*|All Files (*.*)|*.*||");
    EXPECT_EQ(request.initialPath, "/opt/sign/old");

    chooser.confirm = true;
    chooser.files = QStringList{"/opt/sign/Sealwright"};
    Click(IDC_BROWSE_SEALWRIGHT);
    EXPECT_EQ(FieldText(IDC_SEALWRIGHT), "/opt/sign/Sealwright");
    EXPECT_TRUE(chooser.folderRequests.empty());
}

TEST_F(ManagerDialogTest, CancelledRealFileDialogLeavesTheField) {
    Open();
    Edit(IDC_SEALWRIGHT)->setText(kNotAPath);
    bool sawFileDialog = false;
    ModalDriver driver({[&](QWidget* modal) {
        sawFileDialog = qobject_cast<QFileDialog*>(modal) != nullptr;
        browse_testing::Reject(modal);
    }});
    Click(IDC_BROWSE_SEALWRIGHT);
    ExpectAnswered(driver, 1);
    EXPECT_TRUE(sawFileDialog);
    EXPECT_EQ(FieldText(IDC_SEALWRIGHT), kNotAPath);
}

// A Linux signer has no extension: the chooser's first filter must show it. A field that names a folder
// opens that folder, with nothing in the name field.
TEST_F(ManagerDialogTest, RealSignerChooserOpensAFolderValueAndShowsProgramsWithoutAnExtension) {
    const std::string tools = dir / "tools";
    ASSERT_TRUE(std::filesystem::create_directory(tools));
    WriteFile(tools + "/Sealwright", "#!/bin/sh\n");
    std::filesystem::permissions(tools + "/Sealwright", std::filesystem::perms::owner_all);
    WriteFile(tools + "/notes.txt", "");
    Open();
    Edit(IDC_SEALWRIGHT)->setText(QString::fromStdString(tools));
    QString name, directory, filter;
    QStringList shown;
    ModalDriver driver({[&](QWidget* modal) {
        auto* fileDialog = qobject_cast<QFileDialog*>(modal);
        if (!fileDialog) return browse_testing::Reject(modal);
        name = browse_testing::NameField(fileDialog);
        directory = fileDialog->directory().absolutePath();
        filter = fileDialog->selectedNameFilter();
        auto* model = fileDialog->findChild<QFileSystemModel*>();
        (void)QTest::qWaitFor([&] {  // the model fills in the background; checked below
            shown = ShownNames(*model, directory);
            return shown.contains("Sealwright");
        });
        browse_testing::TypeName(fileDialog, "Sealwright");
        browse_testing::Accept(fileDialog);
    }});
    Click(IDC_BROWSE_SEALWRIGHT);
    ExpectAnswered(driver, 1);
    EXPECT_EQ(name.toStdString(), "");
    EXPECT_EQ(directory.toStdString(), tools);
    EXPECT_TRUE(filter.startsWith("Programs")) << filter.toStdString();
    EXPECT_TRUE(shown.contains("Sealwright")) << shown.join(' ').toStdString();
    EXPECT_EQ(FieldText(IDC_SEALWRIGHT), tools + "/Sealwright");
}

TEST_F(ManagerDialogTest, ServiceButtonsStartTheHostWithoutSavingTheFields) {
    CopyProgram(BinPath("HostRecorder"), dir / "Moorline");
    WriteIni("TableName=T1\n");
    Open();
    Edit(IDC_TABLE_NAME)->setText("T2");
    Click(IDC_INSTALL_SERVICE);
    Click(IDC_UNINSTALL_SERVICE);
    std::string calls;
    EXPECT_TRUE(WaitFor([&] {
        calls = ReadFile(dir / "host_calls.txt");
        return std::count(calls.begin(), calls.end(), '\n') == 2;
    })) << calls;
    EXPECT_NE(calls.find("<" + dir / "Moorline" + "> <-i>"), std::string::npos) << calls;
    EXPECT_NE(calls.find("<" + dir / "Moorline" + "> <-u>"), std::string::npos) << calls;
    EXPECT_TRUE(FileExists(dir / "Moorline.ini"));
    EXPECT_EQ(Ini(), "[General]\nTableName=T1\n");
    EXPECT_TRUE(dialog->isVisible());
}

// An administrator without root in a folder that is not his: OK says which file and why, in one box, and
// keeps every edit; the service buttons stay silent, as the host's own log says what went wrong.
TEST_F(ManagerDialogTest, FailedSaveKeepsTheDialogOpenAndSaysWhichFileAndWhy) {
    WriteIni("TableName=T1\n");
    Open();
    Edit(IDC_TABLE_NAME)->setText("T2");
    FolderMode folder(dir.path(), 0555);
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    {
        UnprivilegedUser user;
        ModalDriver driver({[&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                title = box->windowTitle();
                text = box->text();
                icon = box->icon();
            }
            browse_testing::Answer(modal, QMessageBox::Ok);
        }});
        Click(IDOK);
        Click(IDC_INSTALL_SERVICE);  // no Moorline here, and Moorline.ini cannot be written either
        Click(IDC_UNINSTALL_SERVICE);
        ExpectAnswered(driver, 1);
    }
    EXPECT_EQ(title, "QuillCollectorManager");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(text.toStdString(),
              SaveFailureMessage({dir / "QuillCollector.ini", platform::ErrorText(EACCES)}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(FieldText(IDC_TABLE_NAME), "T2");
    EXPECT_EQ(Ini(), "[General]\nTableName=T1\n");

    folder.Set(0700);  // the administrator mends the folder and tries again
    Click(IDOK);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_NE(Ini().find("TableName=T2\n"), std::string::npos);
}

TEST_F(ManagerDialogTest, AboutButtonOpensTheAboutBoxEveryTime) {
    Open();
    ModalDriver driver({CloseAboutBox, CloseAboutBox});
    Click(IDC_ABOUT);
    Click(IDC_ABOUT);
    ExpectAnswered(driver, 2);
    EXPECT_TRUE(dialog->isVisible());
}

// Linux windows have no system menu: the about entry is in the dialog's context menu.
TEST_F(ManagerDialogTest, ContextMenuOfTheDialogHoldsTheAboutEntry) {
    Open();
    QStringList entries;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* action : menu->actions())
            entries << action->text();
        menu->setActiveAction(menu->actions().value(0));
        QTest::keyClick(menu, Qt::Key_Return);
        menu->close();  // never left open, should the entry not have been taken
    });
    ModalDriver driver({CloseAboutBox});
    // Labels and the group box leave the menu to the dialog; the edit boxes keep their own.
    QWidget* label = Control(IDC_HOT_FOLDER_LABEL);
    const QPoint at(2, 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, label->mapToGlobal(at));
    QApplication::sendEvent(label, &event);
    EXPECT_EQ(entries, QStringList{"&About QuillCollectorManager..."});
    ExpectAnswered(driver, 1);
}

TEST_F(ManagerDialogTest, StartUpRunsTheDialogModallyAndEndsWhenItCloses) {
    CQuillCollectorManagerApp app;
    {
        QString title;
        ModalDriver driver({[&](QWidget* modal) {
            title = modal->windowTitle();
            EXPECT_NE(qobject_cast<CQuillCollectorManagerDlg*>(modal), nullptr);
            browse_testing::Reject(modal);
        }});
        EXPECT_FALSE(app.InitInstance());
        ExpectAnswered(driver, 1);
        EXPECT_EQ(title, "QuillCollectorManager");
        EXPECT_FALSE(IniExists());
    }
    ModalDriver saving({[](QWidget* modal) {
        QMetaObject::invokeMethod(FindControl<QAbstractButton>(modal, IDOK), "click", Qt::QueuedConnection);
    }});
    EXPECT_FALSE(app.InitInstance());
    ExpectAnswered(saving, 1);
    EXPECT_NE(Ini().find("VellumPort=\n"), std::string::npos);
}
