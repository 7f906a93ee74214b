// Mask matching against the shared table: the matcher itself, and the folder enumeration of this flavour
// over real files of those names.
#include <gtest/gtest.h>


#include "common/platform/platform.h"
#include "support/test_support.h"
#include "wildcard_cases.h"

using namespace testing_support;

TEST(WildcardTable, TheMatcherTakesExactlyTheNamesOfEachMask) {
    for (const MaskCase& c : kMaskCases) {
        std::vector<std::string> taken;
        for (const std::string& name : kMaskNames)
            if (platform::MatchesMask(name, c.mask)) taken.push_back(name);
        EXPECT_EQ(taken, c.takes) << "mask " << c.mask;
    }
}

TEST(WildcardTable, TheEnumerationFindsExactlyTheNamesOfEachMask) {
    TempDir dir;
    for (const std::string& name : kMaskNames)
        WriteFile(dir / name, name);
    for (const MaskCase& c : kMaskCases) {
        platform::DirectoryEnumeration enumeration;
        platform::FoundFile found;
        std::vector<std::string> names;
        for (int result = enumeration.Start(dir / c.mask, found); result == 0;
             result = enumeration.Next(found))
            names.push_back(found.name);
        EXPECT_EQ(names.size(), c.takes.size()) << "mask " << c.mask;  // each name once
        EXPECT_EQ(InTableOrder(names), c.takes) << "mask " << c.mask;
    }
}
