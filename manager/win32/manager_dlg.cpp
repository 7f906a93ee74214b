#include "manager/win32/manager_dlg.h"

#include <optional>
#include <string>

#include "manager/browse/win32/browse_ctrl.h"
#include "manager/dialog_layout.h"
#include "manager/os/manager_os.h"
#include "manager/service_host.h"
#include "manager/settings_form.h"
#include "manager/win32/about_dlg.h"

CQuillCollectorManagerDlg::CQuillCollectorManagerDlg(HWND parent)
    : CDialog(IDD_QUILLCOLLECTORMANAGER_DIALOG, parent),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

void CQuillCollectorManagerDlg::LoadSettings() {
    DialogControls controls = Controls();
    ::LoadSettings(controls);
}

// A failed write is told in one message box; the fields stay as they are, for another OK or Cancel.
bool CQuillCollectorManagerDlg::SaveSettings() {
    std::optional<SaveFailure> failure = ::SaveSettings(Controls());
    if (!failure) return true;
    MessageBoxA(m_hWnd, SaveFailureMessage(*failure).c_str(), "QuillCollectorManager", MB_OK | MB_ICONERROR);
    return false;
}

void CQuillCollectorManagerDlg::UpdateControlStates() {
    DialogControls controls = Controls();
    ::UpdateControlStates(controls);
}

BOOL CQuillCollectorManagerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AddAboutMenuEntry();
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    LoadSettings();
    UpdateControlStates();
    return TRUE;  // the focus goes to the hot-folder path, the first control with a tab stop
}

void CQuillCollectorManagerDlg::AddAboutMenuEntry() {
    char text[256] = "";
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text) > 0)
        manager_os::AppendSystemMenuItem(reinterpret_cast<std::uintptr_t>(m_hWnd), IDM_ABOUTBOX, text);
}

// The low four bits of a system command are the system's own.
bool CQuillCollectorManagerDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) != IDM_ABOUTBOX) return false;
    OnAbout();
    return true;
}

// Minimised, the dialog shows its icon in the middle of its client area; otherwise it paints as usual.
bool CQuillCollectorManagerDlg::OnPaint() {
    if (!IsIconic(m_hWnd)) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &paint);
    return true;
}

HCURSOR CQuillCollectorManagerDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CQuillCollectorManagerDlg::OnOK() {
    if (SaveSettings()) CDialog::OnOK();
}

bool CQuillCollectorManagerDlg::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_ABOUT:
            OnAbout();
            return true;
        case IDC_INSTALL_SERVICE:
            OnInstallService();
            return true;
        case IDC_UNINSTALL_SERVICE:
            OnUninstallService();
            return true;
        case IDC_BROWSE_HOT_FOLDER:
            OnBrowseHotFolder();
            return true;
        case IDC_BROWSE_SEALWRIGHT:
            OnBrowseSigner();
            return true;
        case IDC_USE_BACKUP_FOLDER:
        case IDC_LOCAL_SIGNATURE:
        case IDC_REMOTE_SIGNATURE:
        case IDC_DETAILED_LOG:
            UpdateControlStates();
            return true;
        default:
            return false;
    }
}

void CQuillCollectorManagerDlg::OnAbout() {
    CAboutDlg about(m_hWnd);
    about.DoModal();
}

// Neither saves the fields first: the service reads the settings file as it was last saved.
void CQuillCollectorManagerDlg::OnInstallService() {
    RunServiceHost("-i");
}

void CQuillCollectorManagerDlg::OnUninstallService() {
    RunServiceHost("-u");
}

// A local chooser, never a window; a cancelled chooser leaves the field as it was.
void CQuillCollectorManagerDlg::OnBrowseHotFolder() {
    DialogControls controls = Controls();
    CBrowseCtrl chooser;
    chooser.SetPath(controls.Text(IDC_HOT_FOLDER_PATH));
    chooser.SetBrowseStyle(chooser.GetBrowseStyle() | BCS_FOLDERMODE);
    chooser.SetFolderFlags(BIF_EDITBOX);  // virtual folders can be chosen too
    if (chooser.Browse() != kBrowseCancelled) controls.SetText(IDC_HOT_FOLDER_PATH, chooser.GetPath());
}

void CQuillCollectorManagerDlg::OnBrowseSigner() {
    DialogControls controls = Controls();
    CBrowseCtrl chooser;
    chooser.SetPath(controls.Text(IDC_SEALWRIGHT));
    chooser.SetFileFilter(manager_os::kSignerFileFilter);
    chooser.SetFileFlags(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    if (chooser.Browse() != kBrowseCancelled) controls.SetText(IDC_SEALWRIGHT, chooser.GetPath());
}
