// Runs a test with the program directory (and so QuillCollector.ini and the log) in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include "common/settings.h"
#include "test_support.h"

class ProgramDirTest : public ::testing::Test {
  protected:
    ProgramDirTest() { SetProgramDirectoryForTesting(dir.path()); }
    ~ProgramDirTest() override { SetProgramDirectoryForTesting(""); }

    void WriteIni(const std::string& generalLines) {
        testing_support::WriteFile(dir / "QuillCollector.ini", "[General]\n" + generalLines);
    }

    testing_support::TempDir dir;
};
