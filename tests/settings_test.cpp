#include "common/settings.h"

#include <gtest/gtest.h>

#include "support/program_dir_fixture.h"

using namespace testing_support;

using SettingsTest = ProgramDirTest;

TEST_F(SettingsTest, FileLiesBesideTheProgram) {
    EXPECT_EQ(GetSettingsFilePath(), dir / "QuillCollector.ini");
}

TEST_F(SettingsTest, MissingFileGivesDefaults) {
    EXPECT_EQ(ReadSettingString(kGeneralSection, kSealwright, "Sealwright"), "Sealwright");
    EXPECT_EQ(ReadSettingInt(kGeneralSection, kSamplingFrequency, 5000), 5000);
}

TEST_F(SettingsTest, EmptyTextValueStaysEmptyWhileMissingKeyGivesDefault) {
    WriteIni("Sealwright=\nDetailedLog=2\nSamplingFrequency=fast\n");
    EXPECT_EQ(ReadSettingString(kGeneralSection, kSealwright, "Sealwright"), "");
    EXPECT_EQ(ReadSettingString(kGeneralSection, kLogFile, "QuillCollector.Log"), "QuillCollector.Log");
    EXPECT_EQ(ReadSettingInt(kGeneralSection, kDetailedLog, 0), 2);
    EXPECT_EQ(ReadSettingInt(kGeneralSection, kSamplingFrequency, 5000), 0);  // letters read as 0
}

TEST_F(SettingsTest, LongValueIsCutTo4095Characters) {
    std::string longValue(5000, 'x');
    WriteIni("ConnectionString=" + longValue + "\n");
    EXPECT_EQ(ReadSettingString(kGeneralSection, kConnectionString, ""), std::string(4095, 'x'));
}

TEST_F(SettingsTest, WritesCreateAndUpdateKeepingOtherKeys) {
    WriteSettingString(kGeneralSection, kHotFolderPath, "/srv/hot");
    WriteSettingInt(kGeneralSection, kDetailedLog, -3);
    WriteSettingString(kGeneralSection, kHotFolderPath, "/srv/other");
    const std::string nl = kProfileLineEnd;
    EXPECT_EQ(ReadFile(GetSettingsFilePath()),
              "[General]" + nl + "HotFolderPath=/srv/other" + nl + "DetailedLog=-3" + nl);
}
