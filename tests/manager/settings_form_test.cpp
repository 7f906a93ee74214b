#include "manager/settings_form.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>

#include "common/platform/platform.h"
#include "common/platform/posix_syscalls_for_tests.h"
#include "manager/dialog_layout.h"
#include "tests/manager/settings_binding_case.h"
#include "tests/manager/unprivileged_user.h"
#include "tests/support/program_dir_fixture.h"

using namespace testing_support;
using settings_binding::kRemoteControls;

namespace {

class MemoryControls : public ControlStore {
  public:
    std::string Text(int id) const override { return texts.count(id) ? texts.at(id) : ""; }
    void SetText(int id, const std::string& text) override { texts[id] = text; }
    bool IsChecked(int id) const override { return checked.count(id) != 0; }
    void SetChecked(int id, bool on) override { on ? (void)checked.insert(id) : (void)checked.erase(id); }
    void SetEnabled(int id, bool on) override { on ? (void)disabled.erase(id) : (void)disabled.insert(id); }
    bool IsEnabled(int id) const { return disabled.count(id) == 0; }

    std::map<int, std::string> texts;
    std::set<int> checked, disabled;
};

}  // namespace

class SettingsFormTest : public ProgramDirTest {
  protected:
    void Load() {
        LoadSettings(controls);
        UpdateControlStates(controls);
    }
    MemoryControls controls;
};

TEST_F(SettingsFormTest, NoFileShowsDefaultsAndSavesAllFourteenKeysInOrder) {
    Load();
    EXPECT_EQ(controls.Text(IDC_HOT_FOLDER_PATH), "/var/spool/quillcollector");
    EXPECT_EQ(controls.Text(IDC_SAMPLING_FREQUENCY), "5000");
    EXPECT_EQ(controls.Text(IDC_SEALWRIGHT), "");
    EXPECT_TRUE(controls.IsChecked(IDC_LOCAL_SIGNATURE));
    EXPECT_FALSE(controls.IsChecked(IDC_REMOTE_SIGNATURE));
    EXPECT_FALSE(controls.IsEnabled(IDC_LOG_FILE));
    EXPECT_TRUE(controls.IsEnabled(IDC_LOG_FILE_LABEL));
    EXPECT_FALSE(controls.IsEnabled(IDC_BACKUP_FOLDER));
    for (int id : kRemoteControls)
        EXPECT_FALSE(controls.IsEnabled(id)) << id;
    EXPECT_FALSE(SaveSettings(controls).has_value());
    EXPECT_EQ(
        ReadFile(dir / "QuillCollector.ini"),
        "[General]\nHotFolderPath=/var/spool/quillcollector\nFileTypeMask=*.PDF\nSamplingFrequency=5000\n"
        "DetailedLog=0\nLogFile=QuillCollector.Log\nUseBackupFolder=0\nBackupFolder=\nSealwright=\n"
        "ConnectionString=Dsn=test;uid=someuser;pwd=7305\nTableName=BRXADTA.ARC001\nVellumSignType=0\n"
        "VellumChannel=\nVellumIPAddress=\nVellumPort=\n");
}

TEST_F(SettingsFormTest, UnknownSignTypeChecksNeitherChoiceAndSavesLocal) {
    WriteIni("VellumSignType=2\nVellumChannel=chan\n");
    Load();
    EXPECT_FALSE(controls.IsChecked(IDC_LOCAL_SIGNATURE));
    EXPECT_FALSE(controls.IsChecked(IDC_REMOTE_SIGNATURE));
    for (int id : kRemoteControls)
        EXPECT_FALSE(controls.IsEnabled(id));
    SaveSettings(controls);
    EXPECT_NE(ReadFile(dir / "QuillCollector.ini").find("VellumSignType=0\n"), std::string::npos);
}

TEST_F(SettingsFormTest, ChoicesEnableTheirControlsAndKeepDisabledText) {
    WriteIni("VellumSignType=1\nVellumChannel=chan\nDetailedLog=1\nUseBackupFolder=1\n");
    Load();
    for (int id : kRemoteControls)
        EXPECT_TRUE(controls.IsEnabled(id));
    EXPECT_TRUE(controls.IsEnabled(IDC_LOG_FILE));
    controls.SetChecked(IDC_REMOTE_SIGNATURE, false);
    controls.SetChecked(IDC_LOCAL_SIGNATURE, true);
    controls.SetChecked(IDC_DETAILED_LOG, false);
    UpdateControlStates(controls);
    for (int id : kRemoteControls)
        EXPECT_FALSE(controls.IsEnabled(id));
    EXPECT_FALSE(controls.IsEnabled(IDC_LOG_FILE));
    EXPECT_TRUE(controls.IsEnabled(IDC_LOG_FILE_LABEL));
    EXPECT_TRUE(controls.IsEnabled(IDC_BACKUP_FOLDER));
    EXPECT_TRUE(controls.IsEnabled(IDC_SEALWRIGHT));
    EXPECT_EQ(controls.Text(IDC_CHANNEL), "chan");
}

TEST_F(SettingsFormTest, CheckBoxesShowWhatTheServiceMakesOfOtherValues) {
    WriteIni("DetailedLog=-1\nUseBackupFolder=7\n");
    Load();
    EXPECT_FALSE(controls.IsChecked(IDC_DETAILED_LOG));  // the service writes no detailed messages for -1
    EXPECT_TRUE(controls.IsChecked(IDC_USE_BACKUP_FOLDER));
    SaveSettings(controls);
    std::string ini = ReadFile(dir / "QuillCollector.ini");
    EXPECT_NE(ini.find("DetailedLog=0\n"), std::string::npos);
    EXPECT_NE(ini.find("UseBackupFolder=1\n"), std::string::npos);
}

TEST_F(SettingsFormTest, LongValuesAreCutAndOtherContentKept) {
    WriteFile(dir / "QuillCollector.ini", "; site notes\n[General]\nTableName=" + std::string(5000, 't') +
                                              "\nSignerTimeout=30\n[Other]\nX=1\n");
    Load();
    EXPECT_EQ(controls.Text(IDC_TABLE_NAME), std::string(4095, 't'));
    controls.SetText(IDC_SAMPLING_FREQUENCY, "soon");
    SaveSettings(controls);
    std::string ini = ReadFile(dir / "QuillCollector.ini");
    EXPECT_EQ(
        ini.rfind("; site notes\n[General]\nTableName=" + std::string(4095, 't') + "\nSignerTimeout=30\n", 0),
        0u);
    EXPECT_NE(ini.find("SamplingFrequency=soon\n"), std::string::npos);
    EXPECT_NE(ini.find("[Other]\nX=1\n"), std::string::npos);
}

// An administrator without root, running the installed manager: the folder is not his, or the file is not
// his in a folder where only owners may replace their files. Each save says which file and why.
TEST_F(SettingsFormTest, FailedSaveNamesTheFileAndTheSystemsReason) {
    const std::string ini = dir / "QuillCollector.ini";
    WriteIni("TableName=T1\n");
    Load();
    controls.SetText(IDC_TABLE_NAME, "T2");
    FolderMode folder(dir.path(), 0555);
    std::optional<SaveFailure> failure;
    {
        UnprivilegedUser user;
        failure = SaveSettings(controls);
    }
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->file, ini);
    EXPECT_EQ(failure->reason, platform::ErrorText(EACCES));
    const std::string message = SaveFailureMessage(*failure);
    EXPECT_NE(message.find(ini), std::string::npos) << message;
    EXPECT_NE(message.find(failure->reason), std::string::npos) << message;
    EXPECT_EQ(ReadFile(ini), "[General]\nTableName=T1\n");

    // A folder where anyone may add files and only owners replace theirs refuses the rename of the new
    // file over another user's, after it was written: the refusal made without root.
    folder.Set(0755);
    platform::ReplaceSystemCall(
        &platform::SystemCalls::rename, +[](const char*, const char*) {
            errno = EPERM;
            return -1;
        });
    failure = SaveSettings(controls);
    platform::RestoreSystemCalls();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->file, ini);
    EXPECT_EQ(failure->reason, platform::ErrorText(EPERM));
    EXPECT_EQ(ReadFile(ini), "[General]\nTableName=T1\n");
    auto entries = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
}

TEST_F(SettingsFormTest, AKeyThatCannotBeWrittenStopsNoOtherKey) {
    Load();
    controls.SetText(IDC_FILE_TYPE_MASK, "*.PDF\n*.TXT");  // the writer refuses line breaks
    controls.SetText(IDC_TABLE_NAME, "T\rX");
    controls.SetText(IDC_PORT, "9000");
    std::optional<SaveFailure> failure = SaveSettings(controls);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->file, dir / "QuillCollector.ini");
    EXPECT_EQ(failure->reason, platform::ErrorText(EINVAL));
    const std::string ini = ReadFile(dir / "QuillCollector.ini");
    EXPECT_EQ(ini.find("FileTypeMask"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("TableName"), std::string::npos) << ini;
    EXPECT_NE(ini.find("SamplingFrequency=5000\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("VellumPort=9000\n"), std::string::npos) << ini;
}
