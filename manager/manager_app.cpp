#include "manager/manager_app.h"

#include "manager/manager_dlg.h"

bool CQuillCollectorManagerApp::InitInstance() {
    CQuillCollectorManagerDlg dialog;
    dialog.exec();
    return false;
}
