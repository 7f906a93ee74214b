// The manager's settings dialog, from template 102: every setting of QuillCollector.ini in a control of its
// own, the two service buttons, the two choosers and the about box. OK writes every control and closes;
// Cancel, Esc and the close box close without writing anything.
#pragma once

#include "manager/win32/dialog.h"
#include "manager/win32/dialog_controls.h"

class CQuillCollectorManagerDlg : public CDialog {
  public:
    explicit CQuillCollectorManagerDlg(HWND parent = nullptr);

    void LoadSettings();
    bool SaveSettings();  // false, after telling the user, when a key could not be written
    void UpdateControlStates();

  protected:
    BOOL OnInitDialog() override;
    bool OnSysCommand(UINT id, LPARAM lParam) override;
    bool OnPaint() override;
    HCURSOR OnQueryDragIcon() override;
    void OnOK() override;
    bool OnCommand(int id, int code) override;

  private:
    DialogControls Controls() const { return DialogControls(m_hWnd); }
    void AddAboutMenuEntry();
    void OnAbout();
    void OnInstallService();
    void OnUninstallService();
    void OnBrowseHotFolder();
    void OnBrowseSigner();

    HICON m_hIcon;
};
