#include "single_service.h"

#include "collector_log.h"
#include "common/platform/platform.h"

bool TakeInstallationLock() {
    std::string name;
    switch (platform::LockInstallationFolder(name)) {
        case platform::InstallationLock::Taken:
            return true;
        case platform::InstallationLock::HeldElsewhere:
            WriteLogF("QuillCollector Not Started: another service runs from this folder (%s is locked)",
                      name.c_str());
            return false;
        case platform::InstallationLock::Unavailable:
            break;
    }
    WriteLogF("QuillCollector runs without the lock against a second service: %s cannot be locked",
              name.c_str());
    return true;
}
