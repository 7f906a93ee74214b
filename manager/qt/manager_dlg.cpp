#include "manager/qt/manager_dlg.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QShowEvent>

#include "manager/browse/qt/browse_ctrl.h"
#include "manager/dialog_layout.h"
#include "manager/os/manager_os.h"
#include "manager/qt/about_dlg.h"
#include "manager/qt/app_icon.h"
#include "manager/qt/control_id.h"
#include "manager/qt/manager_template.h"
#include "manager/service_host.h"
#include "manager/settings_form.h"

namespace {

const char* const kAboutMenuText = "&About QuillCollectorManager...";  // string 101

// A window of its own in the task bar, with a title and a close box but neither minimise nor maximise box.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

}  // namespace

CQuillCollectorManagerDlg::CQuillCollectorManagerDlg(QWidget* parent)
    : QDialog(parent, kWindowFlags), m_hIcon(ApplicationIcon()), m_controls(this) {
    setWindowTitle(QStringLiteral("QuillCollectorManager"));
    setFont(DialogFont());
    const DialogBaseUnits units = BaseUnitsOf(fontMetrics());
    setFixedSize(MapDialogSize(units, QC_SETTINGS_DIALOG_WIDTH, QC_SETTINGS_DIALOG_HEIGHT));
    CreateTemplateControls(this, units, ManagerDialogTemplate());
    ConnectControls();
}

void CQuillCollectorManagerDlg::ConnectControls() {
    auto onClick = [this](int id, void (CQuillCollectorManagerDlg::*handler)()) {
        connect(FindControl<QAbstractButton>(this, id), &QAbstractButton::clicked, this, handler);
    };
    onClick(IDOK, &CQuillCollectorManagerDlg::OnOK);
    connect(FindControl<QAbstractButton>(this, IDCANCEL), &QAbstractButton::clicked, this, &QDialog::reject);
    onClick(IDC_ABOUT, &CQuillCollectorManagerDlg::OnAbout);
    onClick(IDC_INSTALL_SERVICE, &CQuillCollectorManagerDlg::OnInstallService);
    onClick(IDC_UNINSTALL_SERVICE, &CQuillCollectorManagerDlg::OnUninstallService);
    onClick(IDC_BROWSE_HOT_FOLDER, &CQuillCollectorManagerDlg::OnBrowseHotFolder);
    onClick(IDC_BROWSE_SEALWRIGHT, &CQuillCollectorManagerDlg::OnBrowseSigner);
    for (int id : {IDC_USE_BACKUP_FOLDER, IDC_LOCAL_SIGNATURE, IDC_REMOTE_SIGNATURE, IDC_DETAILED_LOG})
        onClick(id, &CQuillCollectorManagerDlg::OnChoiceClicked);
}

void CQuillCollectorManagerDlg::LoadSettings() {
    ::LoadSettings(m_controls);
}

bool CQuillCollectorManagerDlg::SaveSettings() {
    std::optional<SaveFailure> failure = ::SaveSettings(m_controls);
    if (!failure) return true;
    QMessageBox::critical(this, windowTitle(), ShownText(SaveFailureMessage(*failure)));
    return false;
}

void CQuillCollectorManagerDlg::UpdateControlStates() {
    ::UpdateControlStates(m_controls);
}

// The dialog initialises once, just before it first shows; the focus then goes to the first control with
// a tab stop, the hot-folder path.
void CQuillCollectorManagerDlg::showEvent(QShowEvent* event) {
    if (!m_initialized) {
        m_initialized = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CQuillCollectorManagerDlg::OnInitDialog() {
    AddAboutMenuEntry();
    setWindowIcon(m_hIcon);  // large and small
    LoadSettings();
    UpdateControlStates();
    // A dialog selects the text of the edit box it gives the first focus to, so typing replaces it.
    FindControl<QLineEdit>(this, IDC_HOT_FOLDER_PATH)->selectAll();
}

// In the system menu where the window has one (Windows); otherwise in the dialog's context menu, where a
// Linux user looks for the menu of a window.
void CQuillCollectorManagerDlg::AddAboutMenuEntry() {
    const QString text = QString::fromLatin1(kAboutMenuText);
    if (!manager_os::AppendSystemMenuItem(winId(), IDM_ABOUTBOX, text.toStdString()))
        m_contextMenu.push_back({IDM_ABOUTBOX, text});
}

void CQuillCollectorManagerDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (m_contextMenu.empty()) return QDialog::contextMenuEvent(event);
    QMenu menu(this);
    for (const MenuEntry& entry : m_contextMenu)
        menu.addAction(entry.text)->setData(entry.command);
    if (QAction* chosen = menu.exec(event->globalPos())) OnSysCommand(chosen->data().toUInt());
}

bool CQuillCollectorManagerDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    unsigned command = 0;
    if (manager_os::SystemMenuCommand(message, command) && OnSysCommand(command)) {
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}

// True when the command was ours; every other one goes to the default handling.
bool CQuillCollectorManagerDlg::OnSysCommand(unsigned command) {
    if ((command & 0xFFF0) != IDM_ABOUTBOX) return false;
    OnAbout();
    return true;
}

// A failed save keeps the dialog open with every edit, so the administrator can act and try again.
void CQuillCollectorManagerDlg::OnOK() {
    if (SaveSettings()) accept();
}

void CQuillCollectorManagerDlg::OnAbout() {
    CAboutDlg about(this);
    about.exec();
}

// Neither saves the fields first: the service reads the settings file as it was last saved.
void CQuillCollectorManagerDlg::OnInstallService() {
    RunServiceHost("-i");
}

void CQuillCollectorManagerDlg::OnUninstallService() {
    RunServiceHost("-u");
}

void CQuillCollectorManagerDlg::OnBrowseHotFolder() {
    auto* field = FindControl<QLineEdit>(this, IDC_HOT_FOLDER_PATH);
    CBrowseCtrl chooser;
    chooser.SetPath(field->text());
    chooser.SetBrowseStyle(chooser.GetBrowseStyle() | BCS_FOLDERMODE);
    chooser.SetFolderFlags(BIF_EDITBOX);
    if (chooser.Browse() != kBrowseCancelled)
        m_controls.SetChosenPath(IDC_HOT_FOLDER_PATH, chooser.GetPath());
}

void CQuillCollectorManagerDlg::OnBrowseSigner() {
    auto* field = FindControl<QLineEdit>(this, IDC_SEALWRIGHT);
    CBrowseCtrl chooser;
    chooser.SetPath(field->text());
    chooser.SetFileFilter(QString::fromLatin1(manager_os::kSignerFileFilter));
    chooser.SetFileFlags(OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    if (chooser.Browse() != kBrowseCancelled) m_controls.SetChosenPath(IDC_SEALWRIGHT, chooser.GetPath());
}

void CQuillCollectorManagerDlg::OnChoiceClicked() {
    UpdateControlStates();
}
