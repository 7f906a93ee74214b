// A temporary installation of the collector service: the real program, the test signer, a hot folder and
// a backup folder, and the service running as a child process.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace testing_support {

class ServiceInstallation {
  public:
    ServiceInstallation();
    ~ServiceInstallation();

    // Paths with the native separator, as the service shows them; '/' in `name` stands for it.
    std::string operator/(const std::string& name) const { return dir_ / name; }
    const std::string& Folder() const { return dir_.path(); }
    std::string HotFolder() const { return dir_ / "hot"; }
    std::string BackupFolder() const { return dir_ / "backup"; }

    // Settings for the test signer, the folders, DetailedLog 1 and a 50 ms pause; `overrides` replace or add.
    void WriteSettings(const std::map<std::string, std::string>& overrides);
    void WriteRawSettings(const std::string& content);

    // Starts the service; `wrapper` comes before the program (to run it as another user), and its
    // standard output goes to `output` (default: a file of the installation, see Output()).
    void Start(const std::vector<std::string>& wrapper = {}, const std::string& output = "");
    void Stop();
    bool Running();
    Child::Resources ServiceResources() const { return service_->HeldResources(); }
    Child& Service() { return *service_; }  // the running service (after Start)

    // A trigger file arrives whole: written beside the hot folder, then renamed into it.
    void DropTrigger(const std::string& name, const std::string& content);
    // Generous bounds: a pass of the service may take long on a busy machine under the sanitizers.
    bool WaitUntilGone(const std::string& path, int timeoutMs = 60000);
    bool WaitForLog(const std::string& text, int timeoutMs = 60000);
    int CountInLog(const std::string& text);
    std::string Log();
    std::string Output();  // the service's standard output

    // The test signer's calls so far, one line each: the arguments in <>.
    std::vector<std::string> SignerCalls();
    void SetSignerExitCodes(const std::string& codes);  // e.g. "0 3"

  private:
    TempDir dir_;
    std::unique_ptr<Child> service_;
};

}  // namespace testing_support
