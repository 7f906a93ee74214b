#include "manager/win32/manager_app.h"

#include "common/platform/win32_windows.h"

#include <commctrl.h>

#include "manager/win32/manager_dlg.h"

bool CQuillCollectorManagerApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    CQuillCollectorManagerDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();  // OK or Cancel: nothing follows either way
    m_pMainWnd = nullptr;
    return false;
}
