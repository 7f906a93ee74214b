// The system's own enumeration, FindFirstFileA, over the names of the shared table. Where it takes other
// names than the table says, the difference is listed here: the service's enumeration checks every name the
// system reports against the table's rules, so it never acts on such a name.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "wildcard_cases.h"

using namespace testing_support;

namespace {

std::vector<std::string> SystemMatches(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do
        if (std::string(data.cFileName) != "." && std::string(data.cFileName) != "..")
            names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

}  // namespace

TEST(WildcardTable, TheSystemsOwnEnumerationAgreesWithTheTable) {
    TempDir dir;
    for (const std::string& name : kMaskNames)
        WriteFile(dir / name, name);
    for (const MaskCase& c : kMaskCases)
        EXPECT_EQ(InTableOrder(SystemMatches(dir / c.mask)), c.takes) << "mask " << c.mask;
}
