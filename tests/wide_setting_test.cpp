// Integer settings beyond 32 bits, and the two keys that read them: the pause between passes and the
// bound on a signer's run.
#include "service/wide_setting.h"

#include <gtest/gtest.h>

#include <climits>

#include "service/service_main.h"
#include "service/signer.h"

namespace {

WideSetting Parsed(const std::string& text) {
    return ParseWideSetting(text);
}

}  // namespace

TEST(WideSetting, ReadsLikeTheProfileReaderButInSixtyFourBits) {
    EXPECT_EQ(Parsed("").form, WideSetting::Missing);
    EXPECT_EQ(Parsed("  ").form, WideSetting::Missing);
    EXPECT_EQ(Parsed("abc").form, WideSetting::NotANumber);
    EXPECT_EQ(Parsed("-").form, WideSetting::NotANumber);
    EXPECT_EQ(Parsed(" +17xyz").value, 17);
    EXPECT_EQ(Parsed("-17").value, -17);
    EXPECT_EQ(Parsed("0x1F").value, 31);
    EXPECT_EQ(Parsed("0X1F").value, 0);  // the prefixes are lower case only, as the profile reader has them
    EXPECT_EQ(Parsed("4294967296").value, 4294967296);
    EXPECT_EQ(Parsed("9223372036854775807").value, INT64_MAX);
    EXPECT_EQ(Parsed("9223372036854775808").value, INT64_MAX);
    EXPECT_EQ(Parsed("-9223372036854775808").value, INT64_MIN);
    EXPECT_EQ(Parsed("-99999999999999999999999").value, INT64_MIN);
    EXPECT_EQ(Parsed("0xFFFFFFFFFFFFFFFFFF").value, INT64_MAX);
}

TEST(WideSetting, ThePauseIsUnsignedMillisecondsAndOnlyANegativeValueMeansNone) {
    EXPECT_EQ(PauseMilliseconds(Parsed("")), 5000u);
    EXPECT_EQ(PauseMilliseconds(Parsed("250")), 250u);
    EXPECT_EQ(PauseMilliseconds(Parsed("2147483648")), 2147483648u);  // a long pause, not none
    EXPECT_EQ(PauseMilliseconds(Parsed("4294967294")), 4294967294u);
    EXPECT_EQ(PauseMilliseconds(Parsed("4294967295")), 4294967294u);  // never the endless Windows sleep
    EXPECT_EQ(PauseMilliseconds(Parsed("4294967296")), 4294967294u);  // not wrapped round to 0
    EXPECT_EQ(PauseMilliseconds(Parsed("-1")), 0u);
    EXPECT_EQ(PauseMilliseconds(Parsed("-4294967296")), 0u);
    EXPECT_EQ(PauseMilliseconds(Parsed("letters")), 0u);
}

TEST(WideSetting, TheSignersBoundIsComputedInSixtyFourBitsAndZeroSwitchesItOff) {
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("")), 600000);
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("3")), 3000);
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("0")), -1);  // no bound
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("-5")), 600000);
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("soon")), 600000);
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("2147483")), 2147483000);
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("2147484")), INT_MAX);
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("4294968")), INT_MAX);  // 32-bit: 704 ms
    EXPECT_EQ(SignerTimeoutMilliseconds(Parsed("99999999999999999999")), INT_MAX);
}
