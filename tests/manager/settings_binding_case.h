// One case for each toolkit's settings dialog: a value for every settings control, so that a test can see
// its binding carry every control's setting both ways (from the file into the control when the dialog
// opens, from the control into the file on OK) and carry each click to the controls it enables. The rules
// themselves (defaults, cutting, other stored values) are tested once, on the shared form, in
// settings_form_test.cpp.
#pragma once

#include <string>

#include "manager/dialog_layout.h"

namespace settings_binding {

struct EditCase {
    int id;
    const char* key;
    const char* stored;  // in the file when the dialog opens
    const char* typed;   // typed over it before OK
};

inline constexpr EditCase kEveryEdit[] = {
    {IDC_HOT_FOLDER_PATH, "HotFolderPath", "hot-in", "hot-out"},
    {IDC_FILE_TYPE_MASK, "FileTypeMask", "*.in", "*.out"},
    {IDC_SAMPLING_FREQUENCY, "SamplingFrequency", "1001", "1002"},
    {IDC_LOG_FILE, "LogFile", "in.log", "out.log"},
    {IDC_BACKUP_FOLDER, "BackupFolder", "backup-in", "backup-out"},
    {IDC_SEALWRIGHT, "Sealwright", "signer-in", "signer-out"},
    {IDC_CONNECTION_STRING, "ConnectionString", "Dsn=in", "Dsn=out"},
    {IDC_TABLE_NAME, "TableName", "T.IN", "T.OUT"},
    {IDC_CHANNEL, "VellumChannel", "channel-in", "channel-out"},
    {IDC_IP_ADDRESS, "VellumIPAddress", "10.0.0.1", "10.0.0.2"},
    {IDC_PORT, "VellumPort", "1001", "1002"},
};

// The file's lines (without the section) when the dialog opens: every edit's stored value, both check
// boxes ticked and the remote signature chosen, so every dependent control starts enabled.
inline std::string StoredLines(const char* lineEnd) {
    std::string lines;
    for (const EditCase& edit : kEveryEdit)
        lines += std::string(edit.key) + "=" + edit.stored + lineEnd;
    for (const char* line : {"DetailedLog=1", "UseBackupFolder=1", "VellumSignType=1"})
        lines += std::string(line) + lineEnd;
    return lines;
}

// The lines OK writes after every edit got its typed value, both check boxes were cleared and the local
// signature chosen.
inline std::string SavedLines(const char* lineEnd) {
    std::string lines;
    for (const EditCase& edit : kEveryEdit)
        lines += std::string(edit.key) + "=" + edit.typed + lineEnd;
    for (const char* line : {"DetailedLog=0", "UseBackupFolder=0", "VellumSignType=0"})
        lines += std::string(line) + lineEnd;
    return lines;
}

inline constexpr int kRemoteControls[] = {IDC_CHANNEL,          IDC_CHANNEL_LABEL, IDC_IP_ADDRESS,
                                          IDC_IP_ADDRESS_LABEL, IDC_PORT,          IDC_PORT_LABEL};

}  // namespace settings_binding
