// One table of masks and the names each takes, shared by every test of mask matching: the matcher on its
// own, the enumeration of each flavour, and the system's own enumeration on Windows.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace testing_support {

// Names that every file system here can hold side by side (no two differ only in letter case).
inline const std::vector<std::string> kMaskNames = {
    "noext", "doc",    "docx",    "doc.pdf", "Memo.PDF", "report.pdfx", "a.b",
    "a.b.c", "k1.txt", "k12.txt", "k.txt",   "x.ya",     ".hidden",     "archive.tar.gz",
};

struct MaskCase {
    std::string mask;
    std::vector<std::string> takes;  // in the order of kMaskNames
};

inline const std::vector<MaskCase> kMaskCases = {
    {"*.pdf", {"doc.pdf", "Memo.PDF"}},  // a three-letter extension never takes a longer one
    {"*.PDF*", {"doc.pdf", "Memo.PDF", "report.pdfx"}},
    {"*.", {"noext", "doc", "docx"}},  // names without an extension
    {"doc.*", {"doc", "doc.pdf"}},
    {"doc.", {"doc"}},
    {"a.b.*", {"a.b", "a.b.c"}},
    {"*a.", {"x.ya"}},
    {".*", {".hidden"}},
    {"*.tar.gz", {"archive.tar.gz"}},
    {"k?.txt", {"k1.txt"}},
    {"DOC", {"doc"}},
    {"*.*", kMaskNames},
    {"*", kMaskNames},
};

// The names of kMaskNames that are among `names`, in table order.
inline std::vector<std::string> InTableOrder(const std::vector<std::string>& names) {
    std::vector<std::string> ordered;
    for (const std::string& name : kMaskNames)
        if (std::find(names.begin(), names.end(), name) != names.end()) ordered.push_back(name);
    return ordered;
}

}  // namespace testing_support
