// The stand-in signer signs for real: its signature must verify with the openssl tool.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_support.h"

using namespace testing_support;

namespace {

class SealwrightTest : public ::testing::Test {
  protected:
    SealwrightTest() { CopyProgram(BinPath("Sealwright"), install / "Sealwright"); }

    void CreateKeyPair() {
        std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=QuillCollectorTest -keyout '" +
            (install / "Sealwright.key") + "' -out '" + (install / "Sealwright.crt") + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    int Run(const std::vector<std::string>& args) {
        std::vector<std::string> argv{install / "Sealwright"};
        argv.insert(argv.end(), args.begin(), args.end());
        Child child(argv, install / "stderr.txt");
        return child.Wait();
    }

    TempDir install;
};

}  // namespace

TEST_F(SealwrightTest, WritesADetachedSignatureThatVerifies) {
    CreateKeyPair();
    std::string doc = install / "archive doc.pdf";
    const char content[] = "%PDF-1.4\n\0binary\xff";
    WriteFile(doc, std::string(content, sizeof content - 1));
    ASSERT_EQ(Run({doc}), 0) << ReadFile(install / "stderr.txt");
    std::string verify = "openssl cms -verify -binary -content '" + doc + "' -in '" + doc +
                         ".p7s' -inform DER -noverify -out /dev/null 2>/dev/null";
    EXPECT_EQ(std::system(verify.c_str()), 0);
    WriteFile(doc, "tampered");
    EXPECT_NE(std::system(verify.c_str()), 0);
}

TEST_F(SealwrightTest, EachFailureHasItsOwnExitCodeAndMessage) {
    WriteFile(install / "doc.pdf", "x");
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({install / "doc.pdf"}), 4);  // no key pair yet
    CreateKeyPair();
    EXPECT_EQ(Run({install / "missing.pdf"}), 3);
    EXPECT_EQ(Run({install / "doc.pdf", "10.0.0.1", "9000", "chan"}), 6);
    std::string messages = ReadFile(install / "stderr.txt");
    EXPECT_NE(messages.find("cannot read document"), std::string::npos) << messages;
    EXPECT_NE(messages.find("remote signature is not offered"), std::string::npos);
    WriteFile(install / "Sealwright.key", "garbage");
    EXPECT_EQ(Run({install / "doc.pdf"}), 4);
}
