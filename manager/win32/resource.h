// Identities of the manager's resources, for the resource script and the code alike (the settings
// dialog's control ids are in manager/control_ids.h).
#pragma once

#define IDD_ABOUTBOX 100                      // the about box's template
#define IDS_ABOUTBOX 101                      // the about entry of the system menu
#define IDD_QUILLCOLLECTORMANAGER_DIALOG 102  // the settings dialog's template
#define IDR_MAINFRAME 128                     // the application icon
#define IDC_VERSION 1012                      // the about box's version line
#define IDM_ABOUTBOX 0x0010                   // the about entry's command in the system menu
