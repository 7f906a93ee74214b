// A modal dialog made from a dialog template, over plain Win32: the dialog manager runs it, and each
// message the manager's dialogs handle goes to a virtual handler of the name the design gives it. A
// handler that returns false (or a base handler) leaves the message to the dialog manager's own handling.
#pragma once

#include "common/platform/win32_windows.h"

class CDialog {
  public:
    CDialog(UINT templateId, HWND parent);
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; IDOK or IDCANCEL (-1 when the template cannot be made into a window).
    INT_PTR DoModal();
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

  protected:
    // True lets the dialog manager give the focus to the first control with a tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A command from a control other than OK and Cancel: `code` is its notification (BN_CLICKED, ...).
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    virtual bool OnSysCommand(UINT /*id*/, LPARAM /*lParam*/) { return false; }
    virtual bool OnPaint() { return false; }
    // nullptr: the dialog manager's own drag icon.
    virtual HCURSOR OnQueryDragIcon() { return nullptr; }
    virtual void OnActivate(UINT /*state*/, HWND /*other*/, BOOL /*minimized*/) {}

    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

    HWND m_hWnd = nullptr;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_parent;
};
