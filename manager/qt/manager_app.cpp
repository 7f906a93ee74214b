#include "manager/qt/manager_app.h"

#include "manager/qt/manager_dlg.h"

bool CQuillCollectorManagerApp::InitInstance() {
    CQuillCollectorManagerDlg dialog;
    dialog.exec();
    return false;
}
