// The manager's dialogs, written once: the resource ids, the control ids, and each dialog's controls with
// their kind, text and rectangle in dialog units, in template order (which is also the tab order).
//
// Plain preprocessor text, read by the resource compiler (manager/win32/manager.rc builds its templates
// from it) and by C++ (the Qt template, the dialogs' code and the tests). Each table is a macro that calls
// CONTROL(kind, id, text, x, y, width, height) once per control; the reader defines what a kind becomes.
// Kinds: GroupBox, Label, NoPrefixLabel (shows "&" as it stands), Edit, PushButton, DefaultPushButton,
// CheckBox, RadioButton, Icon (the application icon).
#pragma once

// ---- Resources --------------------------------------------------------------------------------------------

#define IDD_ABOUTBOX 100                      // the about box's template
#define IDS_ABOUTBOX 101                      // the about entry of the system menu
#define IDD_QUILLCOLLECTORMANAGER_DIALOG 102  // the settings dialog's template
#define IDR_MAINFRAME 128                     // the application icon
#define IDM_ABOUTBOX 0x0010                   // the about entry's command in the system menu

// ---- Control ids ------------------------------------------------------------------------------------------

// IDOK and IDCANCEL have the values (and the very text) that <windows.h> gives them, so either may come
// first.
#define IDC_STATIC (-1)
#define IDOK 1
#define IDCANCEL 2
#define IDC_ABOUT 3
#define IDC_HOT_FOLDER_PATH 1000
#define IDC_BROWSE_HOT_FOLDER 1001
#define IDC_HOT_FOLDER_LABEL 1002
#define IDC_SAMPLING_FREQUENCY 1003
#define IDC_SAMPLING_FREQUENCY_LABEL 1004
#define IDC_SEALWRIGHT_LABEL 1005
#define IDC_SEALWRIGHT 1006
#define IDC_FILE_TYPE_MASK 1007
#define IDC_FILE_TYPE_MASK_LABEL 1008
#define IDC_INSTALL_SERVICE 1009
#define IDC_UNINSTALL_SERVICE 1010
#define IDC_LOG_FILE 1012
#define IDC_LOG_FILE_LABEL 1013
#define IDC_USE_BACKUP_FOLDER 1014
#define IDC_BACKUP_FOLDER 1015
#define IDC_BROWSE_SEALWRIGHT 1016
#define IDC_LOCAL_SIGNATURE 1017
#define IDC_REMOTE_SIGNATURE 1018
#define IDC_CHANNEL_LABEL 1019
#define IDC_CHANNEL 1020
#define IDC_DETAILED_LOG 1021
#define IDC_CONNECTION_STRING_LABEL 1022
#define IDC_CONNECTION_STRING 1023
#define IDC_TABLE_NAME_LABEL 1024
#define IDC_IP_ADDRESS_LABEL 1025
#define IDC_IP_ADDRESS 1026
#define IDC_PORT_LABEL 1027
#define IDC_PORT 1028
#define IDC_TABLE_NAME 1029
#define IDC_VERSION 1012  // the about box's version line

// ---- The settings dialog (template 102) -------------------------------------------------------------------

#define QC_SETTINGS_DIALOG_WIDTH 310
#define QC_SETTINGS_DIALOG_HEIGHT 321

// clang-format off
#define QC_SETTINGS_DIALOG_CONTROLS(CONTROL)                                                                  \
    CONTROL(GroupBox, IDC_STATIC, "", 6, 7, 297, 285)                                                       \
    CONTROL(Label, IDC_HOT_FOLDER_LABEL, "HotFolder Path:", 16, 20, 61, 8)                                  \
    CONTROL(Edit, IDC_HOT_FOLDER_PATH, "", 104, 18, 171, 12)                                                \
    CONTROL(PushButton, IDC_BROWSE_HOT_FOLDER, "...", 275, 18, 16, 12)                                      \
    CONTROL(Label, IDC_FILE_TYPE_MASK_LABEL, "FileType Mask:", 16, 37, 83, 8)                               \
    CONTROL(Edit, IDC_FILE_TYPE_MASK, "", 104, 35, 102, 12)                                                 \
    CONTROL(Label, IDC_SAMPLING_FREQUENCY_LABEL, "Sampling Frequency (ms):", 16, 54, 83, 8)                 \
    CONTROL(Edit, IDC_SAMPLING_FREQUENCY, "", 104, 52, 102, 12)                                             \
    CONTROL(CheckBox, IDC_DETAILED_LOG, "Use detailed log to show collector actions:", 16, 71, 150, 10)     \
    CONTROL(PushButton, IDC_INSTALL_SERVICE, "Install Service", 13, 267, 68, 16)                            \
    CONTROL(PushButton, IDC_UNINSTALL_SERVICE, "Uninstall Service", 87, 267, 68, 16)                        \
    CONTROL(PushButton, IDC_ABOUT, "About...", 6, 298, 50, 16)                                              \
    CONTROL(PushButton, IDCANCEL, "Cancel", 197, 298, 50, 16)                                               \
    CONTROL(DefaultPushButton, IDOK, "OK", 253, 298, 50, 16)                                                \
    CONTROL(CheckBox, IDC_USE_BACKUP_FOLDER,                                                                \
            "Move processed files to backup folder instead of deleting them:", 16, 104, 219, 10)            \
    CONTROL(Edit, IDC_BACKUP_FOLDER, "", 104, 119, 171, 12)                                                 \
    CONTROL(Edit, IDC_LOG_FILE, "", 104, 87, 171, 12)                                                       \
    CONTROL(Label, IDC_LOG_FILE_LABEL, "Log File:", 16, 88, 83, 8)                                          \
    CONTROL(Label, IDC_SEALWRIGHT_LABEL, "Sealwright EXE:", 15, 138, 83, 8)                                 \
    CONTROL(Edit, IDC_SEALWRIGHT, "", 104, 136, 171, 12)                                                    \
    CONTROL(PushButton, IDC_BROWSE_SEALWRIGHT, "...", 275, 136, 16, 12)                                     \
    CONTROL(RadioButton, IDC_LOCAL_SIGNATURE, "Use Local Signature", 15, 152, 79, 10)                       \
    CONTROL(RadioButton, IDC_REMOTE_SIGNATURE, "Use Remote signature with Penmark", 15, 168, 136, 10)       \
    CONTROL(Label, IDC_CHANNEL_LABEL, "Channel Name:", 17, 184, 83, 8)                                      \
    CONTROL(Edit, IDC_CHANNEL, "", 104, 183, 102, 12)                                                       \
    CONTROL(Label, IDC_IP_ADDRESS_LABEL, "IP Address:", 17, 202, 83, 8)                                     \
    CONTROL(Edit, IDC_IP_ADDRESS, "", 104, 200, 102, 12)                                                    \
    CONTROL(Label, IDC_PORT_LABEL, "Port:", 18, 219, 83, 8)                                                 \
    CONTROL(Edit, IDC_PORT, "", 104, 216, 102, 12)                                                          \
    CONTROL(Label, IDC_CONNECTION_STRING_LABEL, "DB Connection String:", 16, 235, 83, 8)                    \
    CONTROL(Edit, IDC_CONNECTION_STRING, "", 104, 233, 186, 12)                                             \
    CONTROL(Label, IDC_TABLE_NAME_LABEL, "Table Name:", 16, 252, 83, 8)                                     \
    CONTROL(Edit, IDC_TABLE_NAME, "", 104, 250, 186, 12)
// clang-format on

// ---- The about box (template 100) -------------------------------------------------------------------------

#define QC_ABOUT_BOX_WIDTH 235
#define QC_ABOUT_BOX_HEIGHT 68

// QC_MANAGER_NOTICE is given by the build.
// clang-format off
#define QC_ABOUT_BOX_CONTROLS(CONTROL)                                                                        \
    CONTROL(Icon, IDC_STATIC, "", 11, 17, 21, 20)                                                           \
    CONTROL(NoPrefixLabel, IDC_STATIC, "Quill Collector Manager", 40, 10, 119, 8)                           \
    CONTROL(Label, IDC_STATIC, QC_MANAGER_NOTICE, 40, 25, 188, 8)                                           \
    CONTROL(DefaultPushButton, IDOK, "OK", 178, 7, 50, 16)                                                  \
    CONTROL(Label, IDC_VERSION, "Version 1.00", 40, 40, 119, 8)
// clang-format on
