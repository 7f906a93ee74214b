// The POSIX desktop for the manager: the signer chooser's filter; windows have no system menu here, so
// the manager puts its entries elsewhere.
#include "manager/os/manager_os.h"

namespace manager_os {

const char* const kSignerFileFilter = "Programs (*)|*|All Files (*.*)|*.*||";

bool AppendSystemMenuItem(std::uintptr_t, unsigned, const std::string&) {
    return false;
}

bool SystemMenuCommand(const void*, unsigned&) {
    return false;
}

}  // namespace manager_os
