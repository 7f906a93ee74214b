#include "manager/win32/about_dlg.h"

#include "common/platform/platform.h"
#include "manager/dialog_layout.h"
#include "manager/file_version.h"

CAboutDlg::CAboutDlg(HWND parent) : CDialog(IDD_ABOUTBOX, parent) {}

void CAboutDlg::OnActivate(UINT, HWND, BOOL) {
    SetDlgItemTextA(m_hWnd, IDC_VERSION, VersionLabelText(platform::ProgramPath()).c_str());
}
