// The folder and file choosers behind CBrowseCtrl on Windows, and the seam in front of them.
//
// The control never opens a dialog itself: it fills a request and asks the chooser in use, which runs the
// shell's folder browser (SHBrowseForFolderA) or the common file dialog (GetOpenFileNameA or
// GetSaveFileNameA) unless a test has put another one in its place. Texts are 8-bit, never converted.
#pragma once

#include <string>
#include <vector>

#include "common/platform/win32_windows.h"
// After <windows.h>:
#include <commdlg.h>
#include <shlobj.h>

struct FolderChoiceRequest {
    HWND owner = nullptr;     // none: the browser has no owner window
    std::string title;        // empty: the browser's own title
    std::string prompt;       // the line above the folder tree
    std::string initialPath;  // preselected
    UINT flags = 0;           // BIF_ bits of <shlobj.h>
};

struct FileChoiceRequest {
    HWND owner = nullptr;
    bool openDialog = true;  // else Save As
    std::string title;       // empty: the dialog's own title
    std::string defaultExtension;
    std::string initialPath;  // shown in the file-name field
    DWORD flags = 0;          // OFN_ bits of <commdlg.h>
    std::string filter;       // "Text (*.txt)|*.txt|All Files (*.*)|*.*||"
};

class CBrowseChooser {
  public:
    virtual ~CBrowseChooser() = default;
    // Each runs one modal dialog and returns true when the user confirmed a choice. A folder without a
    // file-system path gives an empty `path`; several files come as full paths in the dialog's order.
    virtual bool ChooseFolder(const FolderChoiceRequest& request, std::string& path) = 0;
    virtual bool ChooseFiles(const FileChoiceRequest& request, std::vector<std::string>& paths) = 0;
};

// The chooser that every CBrowseCtrl uses: the real dialogs unless replaced.
CBrowseChooser& CurrentBrowseChooser();
// Puts `chooser` in place for the whole process (nullptr brings back the real dialogs) and returns the one
// that was in place before (nullptr for the real dialogs). For tests; the caller keeps ownership.
CBrowseChooser* SetBrowseChooser(CBrowseChooser* chooser);

// The bar-separated filter ("description|patterns|...||") in the dialog's form: every bar a zero byte,
// and the whole ended by two zero bytes. An empty filter stays empty (the dialog then shows no filter).
std::string ConvertFileFilter(const std::string& barFilter);

// The file dialog's answer as full paths: one path, or with a multiple choice the folder followed by the
// names, each ended by a zero byte and the list by one more.
std::vector<std::string> SplitChosenFiles(const char* buffer);
