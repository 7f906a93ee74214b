// Windows-style wildcard matching, shared by every flavour that enumerates folders itself.
#include <string_view>

#include "common/platform/platform.h"

namespace platform {
namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Iterative glob with one backtrack point: linear in practice, no recursion on hostile masks.
bool Glob(std::string_view name, std::string_view mask) {
    std::size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (name == "." || name == "..") return false;
    if (mask == "*.*") return true;  // also names without a dot, as on Windows
    return Glob(name, mask);
}

}  // namespace platform
