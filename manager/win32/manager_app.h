// The manager program: one modal settings dialog, and the program ends when it closes.
#pragma once

class CQuillCollectorManagerDlg;

class CQuillCollectorManagerApp {
  public:
    // Runs the dialog; false, so that the program ends right after it (no message loop follows).
    bool InitInstance();

    CQuillCollectorManagerDlg* m_pMainWnd = nullptr;  // while the dialog runs
};
