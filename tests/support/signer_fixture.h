// Runs SignFile against the TestSigner of this build, which records its arguments in `record`.
#pragma once

#include <gtest/gtest.h>

#include "program_dir_fixture.h"
#include "service/signer.h"
#include "test_support.h"

class SignFileTest : public ProgramDirTest {
  protected:
    void SetUp() override {
        testing_support::SetEnv("TESTSIGNER_RECORD", record);
        WriteIni("Sealwright=TestSigner\n");
    }
    void TearDown() override {
        for (const char* name :
             {"TESTSIGNER_RECORD", "TESTSIGNER_EXIT", "TESTSIGNER_SLEEP", "TESTSIGNER_SIGNAL"})
            testing_support::UnsetEnv(name);
    }
    int Sign(const std::string& path, const std::string& ip = "", const std::string& channel = "chan") {
        testing::internal::CaptureStdout();
        int result = SignFile(path, channel, ip, "9000");
        log = testing::internal::GetCapturedStdout();
        return result;
    }
    std::string record = dir / "record.txt";
    std::string log;
};
