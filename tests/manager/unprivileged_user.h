// Runs a stretch of a test with an ordinary user's permissions, so that a file or folder that the user may
// not write really refuses the write. Under root (as the tests run in CI) the effective user and group of
// the whole process become "nobody" until the object goes: the kernel then drops the capabilities that
// override file permissions. The saved user stays root, so the test switches back. Run by an ordinary
// user, the object changes nothing.
#pragma once

#include <sys/types.h>

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
