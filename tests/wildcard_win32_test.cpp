// The system's own enumeration, FindFirstFileA, over the names of the shared table. It takes every name the
// table says, and more only where listed here; the service's enumeration checks every name the system
// reports against the table's rules, so it never acts on such a name.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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

// What the system may take beyond the table.
const std::map<std::string, std::vector<std::string>> kSystemExtras = {
    // The short alias REPORT~1.PDF matches where the volume keeps 8.3 names (Wine always makes one).
    {"*.pdf", {"report.pdfx"}},
    // Wine drops the final dot of the pattern as it drops it from any path, and so takes every name;
    // Windows keeps the rule of the final dot here.
    {"*.", kMaskNames},
    // Windows lets a '?' before a dot take no character at all (Wine does not).
    {"k?.txt", {"k.txt"}},
};

bool Among(const std::string& name, const std::vector<std::string>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TEST(WildcardTable, TheSystemsOwnEnumerationTakesTheTablesNamesAndOnlyListedOthers) {
    TempDir dir;
    for (const std::string& name : kMaskNames)
        WriteFile(dir / name, name);
    for (const MaskCase& c : kMaskCases) {
        std::vector<std::string> found = SystemMatches(dir / c.mask);
        auto extras = kSystemExtras.find(c.mask);
        for (const std::string& name : c.takes)
            EXPECT_TRUE(Among(name, found)) << "mask " << c.mask << " does not take " << name;
        for (const std::string& name : found)
            EXPECT_TRUE(Among(name, c.takes) ||
                        (extras != kSystemExtras.end() && Among(name, extras->second)))
                << "mask " << c.mask << " also takes " << name;
    }
}
