#include "common/settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

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

// A file unchanged for a while is read many times, as the service reads it for each document; a change in
// place to a text of the same size, a replacement and a key added each reach the next read.
TEST_F(SettingsTest, EveryChangeReachesTheNextReadAlsoAfterManyReadsOfASettledFile) {
    WriteIni("DetailedLog=1\n");
    SleepMs(4000);  // settled: older than a tick of any file system's clock
    for (int read = 0; read < 3; ++read) {
        EXPECT_EQ(ReadSettingInt(kGeneralSection, kDetailedLog, 0), 1);
        EXPECT_EQ(ReadSettingString(kGeneralSection, kLogFile, "none"), "none");
    }
    {
        std::fstream file(GetSettingsFilePath(), std::ios::in | std::ios::out | std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        file.seekp(static_cast<std::streamoff>(text.find('1')));
        file.put('2');
    }
    EXPECT_EQ(ReadSettingInt(kGeneralSection, kDetailedLog, 0), 2);
    WriteSettingInt(kGeneralSection, kDetailedLog, 3);
    EXPECT_EQ(ReadSettingInt(kGeneralSection, kDetailedLog, 0), 3);
    WriteSettingString(kGeneralSection, kLogFile, "collector.log");  // a key missing before
    EXPECT_EQ(ReadSettingString(kGeneralSection, kLogFile, "none"), "collector.log");
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
