// Runs a stretch of a test with an ordinary user's permissions, so that a file or folder that the user may
// not write really refuses the write. Under root (as the tests run in CI) the effective user and group of
// the whole process become "nobody" until the object goes: the kernel then drops the capabilities that
// override file permissions. The saved user stays root, so the test switches back. Run by an ordinary
// user, the object changes nothing.
#pragma once

#include <sys/types.h>

#include <string>

class UnprivilegedUser {
  public:
    UnprivilegedUser();
    ~UnprivilegedUser();
    UnprivilegedUser(const UnprivilegedUser&) = delete;
    UnprivilegedUser& operator=(const UnprivilegedUser&) = delete;

    static bool RunningAsRoot();
    // The user and group that the process runs as inside the object's life, for chown.
    static uid_t User();
    static gid_t Group();

  private:
    bool switched_ = false;
};

// Gives a test's folder another mode for a while: 0700 again when the object goes, so that the folder can
// be removed also by an ordinary user.
class FolderMode {
  public:
    FolderMode(const std::string& folder, mode_t mode);
    ~FolderMode();
    FolderMode(const FolderMode&) = delete;
    FolderMode& operator=(const FolderMode&) = delete;
    void Set(mode_t mode);

  private:
    std::string folder_;
};
