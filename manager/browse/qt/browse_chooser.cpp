#include "manager/browse/qt/browse_chooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace {

// Qt's own folder dialog; it refuses a path that is not an existing folder with its own message, which is
// right for BIF_RETURNONLYFSDIRS. Without that option, the "Computer" root (no file-system path) counts as
// a choice with an empty path.
class FolderDialog : public QFileDialog {
  public:
    FolderDialog(const FolderChoiceRequest& request) : QFileDialog(request.owner), flags_(request.flags) {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly);
        if (!request.title.isEmpty()) setWindowTitle(request.title);
        setLabelText(QFileDialog::LookIn, request.prompt);
        if (!(flags_ & BIF_EDITBOX)) HideNameField();
        if (!request.initialPath.isEmpty() && QFileInfo(request.initialPath).isDir())
            selectFile(QFileInfo(request.initialPath).absoluteFilePath());
    }

    QString chosen() const { return chosen_; }

  protected:
    void accept() override {
        const QStringList files = selectedFiles();
        chosen_ = files.value(0);
        if (chosen_.isEmpty() && !(flags_ & BIF_RETURNONLYFSDIRS)) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

  private:
    void HideNameField() {
        for (const char* name : {"fileNameLabel", "fileNameEdit"})
            if (QWidget* widget = findChild<QWidget*>(name)) widget->hide();
    }

    uint32_t flags_;
    QString chosen_;
};

// Qt's own file dialog with the options of the bar-filter world. Qt checks existence itself only in its
// "existing files" modes, so the create prompt and the multiple choice of names that need not exist are
// checked here before Qt's own acceptance runs.
class FileDialog : public QFileDialog {
  public:
    FileDialog(const FileChoiceRequest& request) : QFileDialog(request.owner), request_(request) {
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::HideNameFilterDetails);
        setAcceptMode(request.openDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        setFileMode(ChooseFileMode());
        if (!request.openDialog && !(request.flags & OFN_OVERWRITEPROMPT))
            setOption(QFileDialog::DontConfirmOverwrite);
        if (!request.title.isEmpty()) setWindowTitle(request.title);
        setDefaultSuffix(request.defaultExtension);
        const QStringList filters = ConvertFileFilter(request.filter);
        if (!filters.isEmpty()) setNameFilters(filters);
        ShowInitialPath(request.initialPath);
    }

  protected:
    void accept() override {
        const QStringList files = selectedFiles();
        if (files.isEmpty() || files.first().isEmpty()) return;
        for (const QString& file : files)
            if (QFileInfo(file).isDir()) return QFileDialog::accept();  // Qt opens the folder
        const QString missing = FirstMissing(files);
        if (missing.isEmpty() || (request_.flags & OFN_FILEMUSTEXIST)) return QFileDialog::accept();
        if (!QFileInfo(missing).absoluteDir().exists() &&
            (request_.flags & (OFN_PATHMUSTEXIST | OFN_CREATEPROMPT))) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("%1\nFolder not found.\nCheck the path and try again.")
                                     .arg(QFileInfo(missing).absolutePath()));
            return;
        }
        if ((request_.flags & OFN_CREATEPROMPT) && !ConfirmCreate(missing)) return;
        QDialog::accept();  // names that need not exist: past Qt's own existence check
    }

  private:
    QFileDialog::FileMode ChooseFileMode() const {
        if (!request_.openDialog) return QFileDialog::AnyFile;
        if (request_.flags & OFN_ALLOWMULTISELECT) return QFileDialog::ExistingFiles;
        return (request_.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile : QFileDialog::AnyFile;
    }

    // A folder opens with an empty name field (Qt's selectFile would name the folder inside itself). Qt's
    // selectFile garbles a path whose folder does not exist; then the name field gets the whole text.
    void ShowInitialPath(const QString& path) {
        if (path.isEmpty()) return;
        const QFileInfo info(path);
        if (info.isDir()) {
            setDirectory(info.absoluteFilePath());
        } else if (info.absoluteDir().exists()) {
            selectFile(info.absoluteFilePath());
        } else if (auto* nameField = findChild<QLineEdit*>("fileNameEdit")) {
            nameField->setText(path);
        }
    }

    static QString FirstMissing(const QStringList& files) {
        for (const QString& file : files)
            if (!QFileInfo::exists(file)) return file;
        return QString();
    }

    bool ConfirmCreate(const QString& file) {
        const auto answer = QMessageBox::question(
            this, windowTitle(), tr("%1\nThis file does not exist.\nDo you want to create it?").arg(file),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        return answer == QMessageBox::Yes;
    }

    FileChoiceRequest request_;
};

class QtBrowseChooser : public CBrowseChooser {
  public:
    bool ChooseFolder(const FolderChoiceRequest& request, QString& path) override {
        FolderDialog dialog(request);
        if (dialog.exec() != QDialog::Accepted) return false;
        path = dialog.chosen();
        return true;
    }

    bool ChooseFiles(const FileChoiceRequest& request, QStringList& paths) override {
        FileDialog dialog(request);
        if (dialog.exec() != QDialog::Accepted) return false;
        paths = dialog.selectedFiles();
        return !paths.isEmpty();
    }
};

QtBrowseChooser qtChooser;
CBrowseChooser* replacement = nullptr;

QString ConvertPattern(const QString& pattern) {
    const QString trimmed = pattern.trimmed();
    return trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed;
}

}  // namespace

CBrowseChooser& CurrentBrowseChooser() {
    return replacement ? *replacement : qtChooser;
}

CBrowseChooser* SetBrowseChooser(CBrowseChooser* chooser) {
    CBrowseChooser* previous = replacement;
    replacement = chooser;
    return previous;
}

QStringList ConvertFileFilter(const QString& barFilter) {
    const QStringList parts = barFilter.split(QLatin1Char('|'));
    QStringList filters;
    // An empty part ends the list, as the "||" at its end does.
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty() && !parts[i + 1].isEmpty(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!pattern.trimmed().isEmpty()) patterns << ConvertPattern(pattern);
        if (!patterns.isEmpty())
            filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + ')';
    }
    return filters;
}
