// CBrowseCtrl on Windows: a path field for dialogs, and a plain folder or file chooser.
//
// As a chooser (no window is ever made; this is how the manager uses it):
//
//     CBrowseCtrl chooser;                        // file mode, Open dialog, every file
//     chooser.SetPath(fieldText);                 // preselected in the dialog
//     chooser.SetBrowseStyle(chooser.GetBrowseStyle() | BCS_FOLDERMODE);  // folders instead of files
//     chooser.SetFolderFlags(BIF_EDITBOX);        // replaces the default BIF_RETURNONLYFSDIRS
//     if (chooser.Browse() != kBrowseCancelled) fieldText = chooser.GetPath();
//
//   For files: SetFileFilter("Exe Files (*.exe)|*.exe|All Files (*.*)|*.*||") and
//   SetFileFlags(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY) instead of the style and folder flags.
//   Browse returns kBrowseChosen (1) or kBrowseCancelled (2, also when a Browse of the object is running).
//   GetPath gives the chosen path (the first one after a multiple choice); a folder without a file-system
//   path gives an empty text. The folder browser has no owner window; the file dialog belongs to the
//   active window. Tests put their own CBrowseChooser in place with SetBrowseChooser (browse_chooser.h).
//
// As a window: Create(...) makes a new child button, SubclassWindow(button) takes over a push button of a
// dialog template (its text becomes the caption). The control then holds an edit box (child 0x3039) with a
// small browse button at one end; a click on the button, Space on the focused control or Enter in the edit
// box browses, and the parent is told:
//   the notify message given to Create (if not 0), sent after each Browse that was not refused as busy,
//     wParam the result, lParam this object;
//   WM_COMMAND (id, BN_CLICKED), posted after a Browse the user started, whatever the result;
//   kBrowseNotifyMessage (wParam 1, lParam this object), sent when the edit box loses the focus and when
//     the button is pressed with the mouse.
// Enter in the edit box reaches the control in a modal dialog too: the edit box asks the dialog manager for
// the key (WM_GETDLGCODE) and browses on it, so it never presses the dialog's default button. A program with
// its own message loop may also pass each message through PreTranslateMessage first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/win32_windows.h"
#include "manager/browse/browse_layout.h"
#include "manager/browse/browse_style.h"
#include "manager/browse/win32/browse_chooser.h"

constexpr int kBrowseChosen = 1;
constexpr int kBrowseCancelled = 2;
constexpr UINT kBrowseNotifyMessage = WM_APP + 0x65;  // 0x8065, the control's private notification
constexpr int kBrowseEditId = 0x3039;                 // the edit box's child identifier
constexpr UINT_PTR kBrowseToolId = 0x303A;            // the tooltip's one tool
constexpr UINT_PTR kBrowseHoverTimer = 0x303B;        // follows the hovering cursor
constexpr UINT_PTR kBrowseFocusTimer = 0x303C;        // follows the keyboard focus

class CBrowseCtrl {
  public:
    CBrowseCtrl();  // windowless, with every default
    virtual ~CBrowseCtrl();
    CBrowseCtrl(const CBrowseCtrl&) = delete;
    CBrowseCtrl& operator=(const CBrowseCtrl&) = delete;

    // Makes a visible child button of `parent` (none: the active window of this thread) at `rect`. Fails
    // when there is no parent, the control has a window already, or the set-up fails; the object then stays
    // usable as a windowless chooser.
    virtual bool Create(const RECT& rect, HWND parent, int id, uint32_t style = kDefaultBrowseStyle,
                        UINT notifyMessage = 0);
    // Takes over an existing push button (of a dialog template); its text becomes the caption unless one
    // was set. Destroying the object destroys the window, whichever way it came.
    bool SubclassWindow(HWND button);
    // Call for each message of a message loop of your own before dispatching it; true: consumed.
    virtual bool PreTranslateMessage(MSG* message);

    void SetPath(const std::string& path);
    std::string GetPath() const;                // the first path after a multiple choice
    std::vector<std::string> GetPaths() const;  // every path of the list, in the dialog's order
    uint32_t GetBrowseStyle() const { return m_dwBrowseStyle; }
    void SetBrowseStyle(uint32_t style);
    void SetFolderFlags(UINT flags) { m_nFolderFlags = flags; }
    void SetFileFilter(const std::string& filter) { m_strFilter = filter; }
    void SetFileFlags(DWORD flags) { m_dwFileFlags = flags; }
    int Browse();

    // The options the manager leaves alone.
    void SetTitle(const std::string& title) { m_strTitle = title; }
    void SetPrompt(const std::string& prompt) { m_strPrompt = prompt; }
    void SetDefaultExtension(const std::string& extension) { m_strDefExt = extension; }
    void SetOpenDialog(bool open) { m_bOpenDialog = open; }
    void SetToolTipText(const std::string& text);
    void SetCaption(const std::string& caption);
    void SetNotifyMessage(UINT message) { m_nNotifyMsg = message; }

    // State, for the parent and for tests.
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetEdit() const { return m_edit; }
    HWND GetToolTip() const { return m_toolTip; }
    BrowseRect ButtonRect() const { return m_rcButton; }
    BrowseRect ContentRect() const { return m_rcContent; }
    BrowseRect EditRect() const { return m_rcEdit; }
    bool IsPressed() const { return m_bPressed; }
    bool IsHovered() const { return m_bHover; }
    bool IsBusy() const { return m_bBusy; }
    // Paints the button (not the edit box) into `dc` in the control's client coordinates: what WM_PAINT
    // and WM_PRINTCLIENT draw.
    void PaintButton(HDC dc) const;

  protected:
    virtual void PreSubclassWindow();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);
    void Detach();
    bool SetUp();
    bool CreateEditBox();
    bool CreateToolTip();
    void LayOut(bool moveEdit);
    BrowseSize ContentSize() const;
    int BrowseFolder();
    int BrowseFiles();
    void ReplacePathList(const std::vector<std::string>& paths);
    std::string FirstPath() const;
    void ShowChosenPath(const std::string& path);
    void UserBrowse();
    void SendNotify(UINT message, WPARAM wParam);
    void Redraw(const BrowseRect* area) const;
    void SelectAllInEdit() const;
    void OnPaint();
    void OnLButtonDown(BrowsePoint point);
    void OnLButtonUp(BrowsePoint point);
    void OnMouseMove(BrowsePoint point);
    void OnTimer(UINT_PTR id);
    void OnHoverTimer();
    void OnFocusTimer();
    void OnSetFocus(HWND previous);
    void OnDestroy();
    void OnEnable(bool enabled);
    void OnEditChange();
    LRESULT OnEditMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nNotifyMsg = 0;
    BrowseRect m_rcButton;
    BrowseRect m_rcContent;
    BrowseRect m_rcEdit;
    HWND m_edit = nullptr;  // owned while the control has a window
    bool m_bEditActive = false;
    bool m_bOwnCreate = false;
    uint32_t m_dwBrowseStyle = kDefaultBrowseStyle;
    bool m_bPressed = false;
    bool m_bHover = false;
    HWND m_toolTip = nullptr;
    std::string m_strToolTip = "Browse";
    std::string m_strCaption;
    bool m_bBusy = false;
    std::string m_strTitle;
    std::string m_strPrompt = "Plseas select a folder from the list:";
    bool m_bOpenDialog = true;
    DWORD m_dwFileFlags =
        OFN_ENABLESIZING | OFN_EXPLORER | OFN_CREATEPROMPT | OFN_ALLOWMULTISELECT | OFN_OVERWRITEPROMPT;
    UINT m_nFolderFlags = BIF_RETURNONLYFSDIRS;
    std::string m_strDefExt;
    std::string m_strFilter = "All Files (*.*)|*.*||";
    // The path list: each path ended by a zero byte, and one more zero byte after the last; none before
    // the first SetPath or choice.
    std::unique_ptr<char[]> m_pszPaths;
    bool m_bEdited = false;
    std::string m_strText;

    HWND m_hWnd = nullptr;
    int m_nID = 0;
    WNDPROC m_buttonProc = nullptr;  // the button's own procedure, behind ours
    WNDPROC m_editProc = nullptr;    // the edit box's own procedure, behind ours
    LONG_PTR m_buttonType = 0;       // the button's type bits before it became owner-drawn
};
