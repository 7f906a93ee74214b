#include "manager/settings_form.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "manager/control_ids.h"
#include "tests/support/program_dir_fixture.h"

using namespace testing_support;

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

const int kRemoteControls[] = {IDC_CHANNEL,          IDC_CHANNEL_LABEL, IDC_IP_ADDRESS,
                               IDC_IP_ADDRESS_LABEL, IDC_PORT,          IDC_PORT_LABEL};

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
    SaveSettings(controls);
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
