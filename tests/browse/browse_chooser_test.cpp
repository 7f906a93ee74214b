// The real Qt choosers behind Browse, answered through their own widgets on the offscreen platform.
#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

#include "browse_test_support.h"
#include "manager/browse/qt/browse_ctrl.h"
#include "tests/support/test_support.h"

using namespace browse_testing;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Runs Browse on `control` while `steps` answer the dialogs; fails the test on an unexpected dialog.
int BrowseWith(CBrowseCtrl& control, std::vector<ModalDriver::Step> steps) {
    const size_t expected = steps.size();
    ModalDriver driver(std::move(steps));
    const int result = control.Browse();
    EXPECT_TRUE(driver.Problems().isEmpty()) << driver.Problems().join('\n').toStdString();
    EXPECT_EQ(driver.StepsRun(), static_cast<int>(expected));
    return result;
}

QFileDialog* FileDialog(QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    EXPECT_NE(dialog, nullptr) << "expected a file dialog, got " << modal->metaObject()->className();
    return dialog;
}

void ExpectMessageBox(QWidget* modal, const char* containing, int answer) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    EXPECT_NE(box, nullptr) << "expected a message box, got " << modal->metaObject()->className();
    if (box) {
        EXPECT_TRUE(box->text().contains(QLatin1String(containing))) << box->text().toStdString();
    }
    Answer(modal, answer);
}

}  // namespace

TEST(BrowseChooser, FilterConversion) {
    EXPECT_EQ(ConvertFileFilter(QStringLiteral("All Files (*.*)|*.*||")),
              QStringList{QStringLiteral("All Files (*.*) (*)")});
    EXPECT_EQ(
        ConvertFileFilter(QStringLiteral("Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||")),
        (QStringList{QStringLiteral("Exe Files (*.exe) (*.exe)"), QStringLiteral("All Files (*.*) (*)")}));
    EXPECT_EQ(ConvertFileFilter(QStringLiteral("Pictures|*.png; *.jpg;*.*|")),
              QStringList{QStringLiteral("Pictures (*.png *.jpg *)")});
    EXPECT_EQ(ConvertFileFilter(QStringLiteral("Nothing||After|*.txt||")), QStringList{});
    EXPECT_EQ(ConvertFileFilter(QStringLiteral("Dangling")), QStringList{});
    EXPECT_EQ(ConvertFileFilter(QString()), QStringList{});
}

TEST(BrowseChooser, FolderDialogPreselectsAndUsesTitleAndPrompt) {
    TempDir temp;
    QDir(Q(temp.path())).mkpath(QStringLiteral("Alpha/Beta"));
    const QString start = Q(temp / "Alpha");
    CBrowseCtrl control;
    control.SetBrowseStyle(control.GetBrowseStyle() | BCS_FOLDERMODE);
    control.SetTitle(QStringLiteral("Hot folder"));
    control.SetPath(start);
    QString title, prompt, name, directory;
    bool nameShown = true;
    const int result = BrowseWith(control, {[&](QWidget* modal) {
                                      QFileDialog* dialog = FileDialog(modal);
                                      if (!dialog) return Reject(modal);
                                      title = dialog->windowTitle();
                                      prompt = dialog->labelText(QFileDialog::LookIn);
                                      name = NameField(dialog);
                                      directory = dialog->directory().absolutePath();
                                      nameShown = NameFieldVisible(dialog);
                                      Accept(dialog);
                                  }});
    EXPECT_EQ(result, kBrowseChosen);
    EXPECT_EQ(control.GetPath(), start) << "accepting the preselection gives the same folder";
    EXPECT_EQ(title, QStringLiteral("Hot folder"));
    EXPECT_EQ(prompt, QStringLiteral("Plseas select a folder from the list:"));
    EXPECT_EQ(name, QStringLiteral("Alpha"));
    EXPECT_EQ(directory, Q(temp.path()));
    EXPECT_FALSE(nameShown) << "no name field without BIF_EDITBOX";
}

TEST(BrowseChooser, FolderNameFieldAndRealFoldersOnly) {
    TempDir temp;
    QDir(Q(temp.path())).mkpath(QStringLiteral("Alpha/Beta"));
    CBrowseCtrl control;
    control.SetBrowseStyle(BCS_FOLDERMODE);
    control.SetFolderFlags(BIF_EDITBOX | BIF_RETURNONLYFSDIRS);
    control.SetPath(Q(temp / "Alpha"));
    bool nameShown = false;
    int result =
        BrowseWith(control, {[&](QWidget* modal) {
                                 nameShown = NameFieldVisible(modal);
                                 TypeName(modal, Q(temp / "Alpha/Missing"));
                                 Accept(modal);
                             },
                             [](QWidget* modal) { ExpectMessageBox(modal, "not found", QMessageBox::Ok); },
                             [&](QWidget* modal) {
                                 TypeName(modal, Q(temp / "Alpha/Beta"));
                                 Accept(modal);
                             }});
    EXPECT_TRUE(nameShown);
    EXPECT_EQ(result, kBrowseChosen);
    EXPECT_EQ(control.GetPath(), Q(temp / "Alpha/Beta"));

    // The "Computer" root has no file-system path: refused for real folders only, else an empty choice.
    auto chooseRoot = [](QWidget* modal) {
        FileDialog(modal)->setDirectory(QString());
        TypeName(modal, QString());
        for (auto* view : modal->findChildren<QAbstractItemView*>())
            view->clearSelection();
        EXPECT_EQ(FileDialog(modal)->selectedFiles(), QStringList{QString()});
        Accept(modal);
    };
    result = BrowseWith(control, {chooseRoot, [](QWidget* modal) { Answer(modal, QMessageBox::Ok); },
                                  [](QWidget* modal) { Reject(modal); }});
    EXPECT_EQ(result, kBrowseCancelled);
    EXPECT_EQ(control.GetPath(), Q(temp / "Alpha/Beta"));
    control.SetFolderFlags(BIF_EDITBOX);
    EXPECT_EQ(BrowseWith(control, {chooseRoot}), kBrowseChosen);
    EXPECT_EQ(control.GetPath(), QString());
}

TEST(BrowseChooser, FileMustExistAndInitialPath) {
    TempDir temp;
    WriteFile(temp / "Sealwright", "#!/bin/sh\n");
    WriteFile(temp / "README", "no dot\n");
    CBrowseCtrl control;
    control.SetPath(Q(temp / "old.exe"));
    control.SetFileFilter(QStringLiteral("Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||"));
    control.SetFileFlags(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    QString name, directory;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    const int result =
        BrowseWith(control, {[&](QWidget* modal) {
                                 QFileDialog* dialog = FileDialog(modal);
                                 name = NameField(dialog);
                                 directory = dialog->directory().absolutePath();
                                 filters = dialog->nameFilters();
                                 mode = dialog->fileMode();
                                 Accept(dialog);  // old.exe does not exist
                             },
                             [](QWidget* modal) { ExpectMessageBox(modal, "not found", QMessageBox::Ok); },
                             [&](QWidget* modal) {
                                 TypeName(modal, QStringLiteral("Sealwright"));
                                 Accept(modal);
                             }});
    EXPECT_EQ(name, QStringLiteral("old.exe"));
    EXPECT_EQ(directory, Q(temp.path()));
    EXPECT_EQ(filters, ConvertFileFilter(QStringLiteral("Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||")));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(result, kBrowseChosen);
    EXPECT_EQ(control.GetPath(), Q(temp / "Sealwright"));

    // A folder opens itself, with an empty name field.
    control.SetPath(Q(temp.path()));
    EXPECT_EQ(BrowseWith(control, {[&](QWidget* modal) {
                             name = NameField(modal);
                             directory = FileDialog(modal)->directory().absolutePath();
                             Reject(modal);
                         }}),
              kBrowseCancelled);
    EXPECT_EQ(name, QString());
    EXPECT_EQ(directory, Q(temp.path()));

    // A path whose folder does not exist stays whole in the name field.
    control.SetPath(QStringLiteral("/no/such/folder/tool"));
    EXPECT_EQ(BrowseWith(control, {[&](QWidget* modal) {
                             name = NameField(modal);
                             Reject(modal);
                         }}),
              kBrowseCancelled);
    EXPECT_EQ(name, QStringLiteral("/no/such/folder/tool"));
}

TEST(BrowseChooser, DefaultOptionsChooseSeveralFilesAndOfferToCreate) {
    TempDir temp;
    for (const char* file : {"a.txt", "b.txt", "c.txt"})
        WriteFile(temp / file, "x");
    CBrowseCtrl control;
    control.SetPath(Q(temp / "a.txt"));
    QStringList dialogOrder;
    int result = BrowseWith(control, {[&](QWidget* modal) {
                                EXPECT_EQ(FileDialog(modal)->fileMode(), QFileDialog::ExistingFiles);
                                TypeName(modal, QStringLiteral("\"c.txt\" \"a.txt\" \"b.txt\""));
                                dialogOrder = FileDialog(modal)->selectedFiles();
                                Accept(modal);
                            }});
    EXPECT_EQ(result, kBrowseChosen);
    QStringList sorted = dialogOrder;
    sorted.sort();
    EXPECT_EQ(sorted, (QStringList{Q(temp / "a.txt"), Q(temp / "b.txt"), Q(temp / "c.txt")}));
    // The dialog's file model fills in the background, so its order can still change between this look
    // and the acceptance: the control must hold the same three paths, its first one as the path.
    QStringList chosen = control.GetPaths();
    chosen.sort();
    EXPECT_EQ(chosen, sorted);
    EXPECT_EQ(control.GetPath(), control.GetPaths().value(0));

    auto typeNew = [](QWidget* modal) {
        TypeName(modal, QStringLiteral("new.txt"));
        Accept(modal);
    };
    result = BrowseWith(
        control, {typeNew, [](QWidget* modal) { ExpectMessageBox(modal, "create", QMessageBox::No); },
                  typeNew, [](QWidget* modal) { ExpectMessageBox(modal, "create", QMessageBox::Yes); }});
    EXPECT_EQ(result, kBrowseChosen);
    EXPECT_EQ(control.GetPath(), Q(temp / "new.txt"));
    EXPECT_FALSE(QFileInfo::exists(Q(temp / "new.txt"))) << "the chooser only names the file";
}

TEST(BrowseChooser, SaveAsOverwritePromptAndDefaultExtension) {
    TempDir temp;
    WriteFile(temp / "report.txt", "old");
    CBrowseCtrl control;
    control.SetOpenDialog(false);
    control.SetDefaultExtension(QStringLiteral("txt"));
    control.SetPath(Q(temp / "report.txt"));
    int result = BrowseWith(
        control, {[](QWidget* modal) {
                      EXPECT_EQ(FileDialog(modal)->acceptMode(), QFileDialog::AcceptSave);
                      Accept(modal);
                  },
                  [](QWidget* modal) { ExpectMessageBox(modal, "already exists", QMessageBox::Yes); }});
    EXPECT_EQ(result, kBrowseChosen);
    EXPECT_EQ(control.GetPath(), Q(temp / "report.txt"));

    control.SetFileFlags(OFN_EXPLORER);  // no overwrite prompt, no create prompt
    result = BrowseWith(control, {[](QWidget* modal) { Accept(modal); }});
    EXPECT_EQ(result, kBrowseChosen);
    result = BrowseWith(control, {[](QWidget* modal) {
                            TypeName(modal, QStringLiteral("summary"));
                            Accept(modal);
                        }});
    EXPECT_EQ(result, kBrowseChosen);
    EXPECT_EQ(control.GetPath(), Q(temp / "summary.txt"));
}

TEST(BrowseChooser, CancelledDialogLeavesTheWindowedControlAlone) {
    WindowedControl w;
    w.control->SetPath(QStringLiteral("not a path at all"));
    QWidget* owner = nullptr;
    const int result = BrowseWith(*w.control, {[&](QWidget* modal) {
        owner = modal->parentWidget();
        Reject(modal);
    }});
    EXPECT_EQ(result, kBrowseCancelled);
    EXPECT_EQ(owner, &w.host);
    EXPECT_EQ(w.control->EditBox()->text(), QStringLiteral("not a path at all"));
    EXPECT_EQ(w.control->GetPath(), QStringLiteral("not a path at all"));
}
