#include "tests/manager/unprivileged_user.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <exception>
#include <stdexcept>

namespace {

const passwd& Nobody() {
    static const passwd* entry = getpwnam("nobody");
    if (!entry) throw std::runtime_error("no user nobody");
    return *entry;
}

}  // namespace

bool UnprivilegedUser::RunningAsRoot() {
    return geteuid() == 0;
}

uid_t UnprivilegedUser::User() {
    return RunningAsRoot() ? Nobody().pw_uid : geteuid();
}

gid_t UnprivilegedUser::Group() {
    return RunningAsRoot() ? Nobody().pw_gid : getegid();
}

UnprivilegedUser::UnprivilegedUser() {
    if (!RunningAsRoot()) return;
    // The group first: once the user is not root, the group can no longer be changed.
    if (setresgid(static_cast<gid_t>(-1), Nobody().pw_gid, static_cast<gid_t>(-1)) != 0 ||
        setresuid(static_cast<uid_t>(-1), Nobody().pw_uid, static_cast<uid_t>(-1)) != 0)
        throw std::runtime_error("cannot become nobody");
    switched_ = true;
}

UnprivilegedUser::~UnprivilegedUser() {
    if (!switched_) return;
    if (setresuid(static_cast<uid_t>(-1), 0, static_cast<uid_t>(-1)) != 0 ||
        setresgid(static_cast<gid_t>(-1), 0, static_cast<gid_t>(-1)) != 0)
        std::terminate();  // a test that cannot become root again would run the rest wrongly
}

FolderMode::FolderMode(const std::string& folder, mode_t mode) : folder_(folder) {
    Set(mode);
}

FolderMode::~FolderMode() {
    chmod(folder_.c_str(), 0700);
}

void FolderMode::Set(mode_t mode) {
    if (chmod(folder_.c_str(), mode) != 0) throw std::runtime_error("cannot change the mode of " + folder_);
}
