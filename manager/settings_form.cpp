#include "settings_form.h"

#include "common/platform/platform.h"
#include "common/settings.h"
#include "manager/dialog_layout.h"

namespace {

enum class Kind { Text, DetailedLogCheck, BackupCheck, SignType };

struct Row {
    const char* key;
    Kind kind;
    int control;
    const char* defaultText;
};

// The fourteen keys in the order they are loaded and saved.
const Row kRows[] = {
    {kHotFolderPath, Kind::Text, IDC_HOT_FOLDER_PATH, nullptr},  // the platform's default folder
    {kFileTypeMask, Kind::Text, IDC_FILE_TYPE_MASK, "*.PDF"},
    {kSamplingFrequency, Kind::Text, IDC_SAMPLING_FREQUENCY, "5000"},
    {kDetailedLog, Kind::DetailedLogCheck, IDC_DETAILED_LOG, nullptr},
    {kLogFile, Kind::Text, IDC_LOG_FILE, "QuillCollector.Log"},
    {kUseBackupFolder, Kind::BackupCheck, IDC_USE_BACKUP_FOLDER, nullptr},
    {kBackupFolder, Kind::Text, IDC_BACKUP_FOLDER, ""},
    {kSealwright, Kind::Text, IDC_SEALWRIGHT, ""},
    {kConnectionString, Kind::Text, IDC_CONNECTION_STRING, "Dsn=test;uid=someuser;pwd=7305"},
    {kTableName, Kind::Text, IDC_TABLE_NAME, "BRXADTA.ARC001"},
    {kVellumSignType, Kind::SignType, IDC_REMOTE_SIGNATURE, nullptr},
    {kVellumChannel, Kind::Text, IDC_CHANNEL, ""},
    {kVellumIPAddress, Kind::Text, IDC_IP_ADDRESS, ""},
    {kVellumPort, Kind::Text, IDC_PORT, ""},
};

std::string DefaultText(const Row& row) {
    return row.defaultText ? row.defaultText : platform::kDefaultHotFolder;
}

// The boxes show what the service makes of the value: detailed messages for any value above 0, moving
// for any nonzero value. OK then writes "1" or "0", which the service reads the same way.
void LoadRow(ControlStore& controls, const Row& row) {
    switch (row.kind) {
        case Kind::Text:
            controls.SetText(row.control, ReadSettingString(kGeneralSection, row.key, DefaultText(row)));
            break;
        case Kind::DetailedLogCheck:
            controls.SetChecked(row.control, ReadSettingInt(kGeneralSection, row.key, 0) > 0);
            break;
        case Kind::BackupCheck:
            controls.SetChecked(row.control, ReadSettingInt(kGeneralSection, row.key, 0) != 0);
            break;
        case Kind::SignType: {
            int signType = ReadSettingInt(kGeneralSection, row.key, 0);
            controls.SetChecked(IDC_LOCAL_SIGNATURE, signType == 0);
            controls.SetChecked(IDC_REMOTE_SIGNATURE, signType == 1);
            break;
        }
    }
}

// Returns 0 or the system's error code of the write.
int SaveRow(const ControlStore& controls, const Row& row) {
    if (row.kind == Kind::Text)
        return WriteSettingString(kGeneralSection, row.key, controls.Text(row.control));
    return WriteSettingInt(kGeneralSection, row.key, controls.IsChecked(row.control) ? 1 : 0);
}

// The system's text without the line end that some systems put after it.
std::string ReasonText(int code) {
    std::string text = platform::ErrorText(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

}  // namespace

void LoadSettings(ControlStore& controls) {
    for (const Row& row : kRows)
        LoadRow(controls, row);
}

std::optional<SaveFailure> SaveSettings(const ControlStore& controls) {
    std::optional<SaveFailure> first;
    for (const Row& row : kRows) {
        int error = SaveRow(controls, row);
        if (error != 0 && !first) first = SaveFailure{GetSettingsFilePath(), ReasonText(error)};
    }
    return first;
}

std::string SaveFailureMessage(const SaveFailure& failure) {
    return "The settings could not be written to\n" + failure.file + "\n\n" + failure.reason +
           "\n\nYour changes are still in the dialog: remove the cause and press OK again, or press Cancel "
           "to discard them.";
}

void UpdateControlStates(ControlStore& controls) {
    controls.SetEnabled(IDC_LOG_FILE, controls.IsChecked(IDC_DETAILED_LOG));
    controls.SetEnabled(IDC_BACKUP_FOLDER, controls.IsChecked(IDC_USE_BACKUP_FOLDER));
    bool remote = controls.IsChecked(IDC_REMOTE_SIGNATURE);
    for (int id :
         {IDC_CHANNEL, IDC_CHANNEL_LABEL, IDC_IP_ADDRESS, IDC_IP_ADDRESS_LABEL, IDC_PORT, IDC_PORT_LABEL})
        controls.SetEnabled(id, remote);
}
