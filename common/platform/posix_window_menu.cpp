// POSIX windows have no system menu: the manager puts its entries elsewhere.
#include "common/platform/platform.h"

namespace platform {

bool AppendSystemMenuItem(std::uintptr_t, unsigned, const std::string&) {
    return false;
}

bool SystemMenuCommand(const void*, unsigned&) {
    return false;
}

}  // namespace platform
