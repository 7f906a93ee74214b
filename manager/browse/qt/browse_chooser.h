// The folder and file choosers behind CBrowseCtrl, and the seam in front of them.
//
// The control never opens a dialog itself: it fills a request and asks the chooser in use, which is Qt's own
// (non-native) folder or file dialog unless a test has put another one in its place.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

// Folder chooser options.
constexpr uint32_t BIF_RETURNONLYFSDIRS = 0x0001;  // only real folders can be chosen
constexpr uint32_t BIF_EDITBOX = 0x0010;           // the chooser shows a name field to type into

// File chooser options (the ones that change the dialog here; the others are accepted and have no effect).
constexpr uint32_t OFN_READONLY = 0x00000001;
constexpr uint32_t OFN_OVERWRITEPROMPT = 0x00000002;  // Save As asks before replacing a file
constexpr uint32_t OFN_HIDEREADONLY = 0x00000004;
constexpr uint32_t OFN_ALLOWMULTISELECT = 0x00000200;  // Open may choose several files
constexpr uint32_t OFN_PATHMUSTEXIST = 0x00000800;     // the folder of a typed name must exist
constexpr uint32_t OFN_FILEMUSTEXIST = 0x00001000;     // only existing files can be chosen
constexpr uint32_t OFN_CREATEPROMPT = 0x00002000;      // a name that does not exist is offered for creation
constexpr uint32_t OFN_EXPLORER = 0x00080000;
constexpr uint32_t OFN_ENABLESIZING = 0x00800000;

struct FolderChoiceRequest {
    QWidget* owner = nullptr;  // none: the dialog has no owner window
    QString title;             // empty: the dialog's own title
    QString prompt;            // the line above the folder list
    QString initialPath;       // preselected when it names an existing folder
    uint32_t flags = 0;        // BIF_ bits
};

struct FileChoiceRequest {
    QWidget* owner = nullptr;
    bool openDialog = true;  // else Save As
    QString title;           // empty: the dialog's own title
    QString defaultExtension;
    QString initialPath;  // a folder is opened; a file is shown in the name field, its folder opened
    uint32_t flags = 0;   // OFN_ bits
    QString filter;       // "Text (*.txt)|*.txt|All Files (*.*)|*.*||"
};

class CBrowseChooser {
  public:
    virtual ~CBrowseChooser() = default;
    // Each runs one modal dialog and returns true when the user confirmed a choice. A folder without a
    // file-system path gives an empty `path`; several files come in the dialog's order.
    virtual bool ChooseFolder(const FolderChoiceRequest& request, QString& path) = 0;
    virtual bool ChooseFiles(const FileChoiceRequest& request, QStringList& paths) = 0;
};

// The chooser that every CBrowseCtrl uses: Qt's dialogs unless replaced.
CBrowseChooser& CurrentBrowseChooser();
// Puts `chooser` in place for the whole process (nullptr brings back Qt's dialogs) and returns the one
// that was in place before (nullptr for Qt's dialogs). For tests; the caller keeps ownership.
CBrowseChooser* SetBrowseChooser(CBrowseChooser* chooser);

// The bar-separated filter ("description|patterns|...||") as Qt name filters "description (patterns)", one
// per pair; the dialog shows only the description. Patterns separated by ';' become a blank-separated list,
// "*.*" becomes "*" (every file, also one without a dot). An empty part ends the list, as "||" does.
QStringList ConvertFileFilter(const QString& barFilter);
