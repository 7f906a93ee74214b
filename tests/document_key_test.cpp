#include "service/document_key.h"

#include <gtest/gtest.h>

namespace {
std::string Key(const std::string& bytes) {
    return DeriveDocumentKey(bytes.data(), bytes.size());
}
}  // namespace

TEST(DocumentKey, DerivesKeysAsTheArchiveNumbersAreWritten) {
    EXPECT_EQ(Key("AP0 5566 7788 XY90\n"), "AP15566778890");
    EXPECT_EQ(Key("AP0AP0xxXY12\n"), "AP1AP1xx12");
    EXPECT_EQ(Key("KEY12XY34\r\n"), "KEY12X4\r");  // the carriage return stays, the line feed goes
    EXPECT_EQ(Key("a\tb c\nd  XY99\n"), "a\tbc\nd99");
}

TEST(DocumentKey, ShortAndEmptyTexts) {
    EXPECT_EQ(Key(""), "");
    EXPECT_EQ(Key("\n"), "");
    EXPECT_EQ(Key("a\n"), "a");
    EXPECT_EQ(Key("abc\n"), "bc");
    EXPECT_EQ(Key("abcde\n"), "ade");
    EXPECT_EQ(Key("abcd"), "bc");  // the last byte read is dropped even when it is not a line end
}

TEST(DocumentKey, ZeroByteEndsTheTextAndOnlyOneReadCounts) {
    EXPECT_EQ(Key(std::string("AB\0CDEFGH\n", 10)), "AB");
    std::string full(kTriggerReadSize, 'x');
    EXPECT_EQ(Key(full).size(), kTriggerReadSize - 1 - 2);
}
