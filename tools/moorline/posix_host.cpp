// The service host's POSIX back end: the process of section "Process0" of Moorline.ini becomes a systemd
// service.
//
//   Moorline [--unit-dir DIR] [--systemd=auto|yes|no] [--systemctl PROGRAM] [--user NAME] -i|-u
//
//   -i                 write <ServiceName>.service; where systemd runs: reload it, enable and start the unit
//   -u                 where systemd runs: stop and disable the unit; then remove the file and reload systemd
//   --unit-dir DIR     folder of the unit file (default /etc/systemd/system)
//   --systemd=WHEN     talk to systemd: auto (when /run/systemd/system exists, the default), yes, or no
//   --systemctl PROG   the program that talks to systemd (default systemctl)
//   --user NAME        the unprivileged user the service runs as, where it exists (default: the Debian
//                      package's own user); where it does not, the service runs as root
//
// Every action is appended as one line to Moorline.log beside this program and written to standard error.
// Restart Yes or No becomes Restart=always or Restart=no. CheckProcess, PauseStart, PauseEnd and
// UserInterface have no counterpart: systemd watches the process itself, and a service has no desktop.
//
// Exit codes:
//   0  done (without systemd: the unit file was written or removed, nothing was started or stopped)
//   1  wrong command line
//   2  Moorline.ini missing, or a value in it that no unit can be made of
//   3  the unit file could not be written or removed
//   4  a systemctl step failed, could not be run, or did not end within two minutes
//   5  not root, the unit folder is not writable, and pkexec could not run Moorline as root
//      (posix_elevation.h)
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/platform/platform.h"
#include "common/settings.h"
#include "common/text_format.h"
#include "tools/moorline/host.h"
#include "tools/moorline/posix_elevation.h"
#include "tools/moorline/posix_unit_file.h"

namespace moorline {

namespace {

constexpr int kUnitFileFailed = 3, kSystemctlFailed = 4;

constexpr int kSystemctlTimeoutMs = 120000;

struct Options {
    std::string action;  // "-i" or "-u"
    std::string unitDir = "/etc/systemd/system";
    std::string systemd = "auto";
    std::string systemctl = "systemctl";
    std::string user = QC_SERVICE_USER;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "-i" || arg == "-u") && options.action.empty())
            options.action = arg;
        else if (arg == "--unit-dir" && i + 1 < argc)
            options.unitDir = argv[++i];
        else if (arg == "--systemctl" && i + 1 < argc)
            options.systemctl = argv[++i];
        else if (arg == "--user" && i + 1 < argc)
            options.user = argv[++i];
        else if (arg == "--systemd=auto" || arg == "--systemd=yes" || arg == "--systemd=no")
            options.systemd = arg.substr(10);
        else
            return std::nullopt;
    }
    if (options.action.empty() || options.unitDir.empty()) return std::nullopt;
    return options;
}

class SystemdHost {
  public:
    explicit SystemdHost(Options options)
        : options_(std::move(options)), log_(GetProgramDirectory(), options_.action) {}

    int Run() { return options_.action == "-i" ? Install() : Uninstall(); }

  private:
    void Log(const std::string& text) const { log_.Write(text); }

    int Install() {
        HostConfig settings;
        if (!ReadHostConfig(log_, settings)) return kBadConfig;
        if (std::optional<std::string> problem = CheckUnitSettings(settings)) {
            Log("Moorline.ini: " + *problem + "; nothing done");
            return kBadConfig;
        }
        const std::string unit = UnitPath(settings.serviceName);
        const std::optional<std::string> user = UnprivilegedUser();
        if (platform::ReplaceFileContent(unit, RenderUnit(settings, user)) != 0) {
            Log("cannot write " + unit + ": " + platform::ErrorText(platform::LastError()));
            return kUnitFileFailed;
        }
        Log("wrote " + unit + " for " + settings.workingDir + "/" + settings.commandLine +
            (user ? ", run as user " + *user + " with the unit's protections"
                  : ", run as root: there is no unprivileged user " + options_.user));
        if (!SystemdRuns()) {
            Log("systemd is not running here: " + UnitName(settings.serviceName) +
                " was neither enabled nor started");
            return kDone;
        }
        const std::string name = UnitName(settings.serviceName);
        bool started =
            Systemctl({"daemon-reload"}) && Systemctl({"enable", name}) && Systemctl({"start", name});
        return started ? kDone : kSystemctlFailed;
    }

    int Uninstall() {
        HostConfig settings;
        if (!ReadHostConfig(log_, settings)) return kBadConfig;
        if (std::optional<std::string> problem = CheckServiceName(settings.serviceName)) {
            Log("Moorline.ini: " + *problem + "; nothing done");
            return kBadConfig;
        }
        const std::string unit = UnitPath(settings.serviceName), name = UnitName(settings.serviceName);
        if (access(unit.c_str(), F_OK) != 0) {
            Log("there is no " + unit + ": " + name + " is not installed, nothing done");
            return kDone;
        }
        bool systemd = SystemdRuns();
        if (systemd && (!Systemctl({"stop", name}) || !Systemctl({"disable", name}))) return kSystemctlFailed;
        if (platform::DeleteFile(unit) != 0) {
            Log("cannot remove " + unit + ": " + platform::ErrorText(platform::LastError()));
            return kUnitFileFailed;
        }
        Log("removed " + unit);
        if (!systemd) {
            Log("systemd is not running here: " + name + " was neither stopped nor disabled");
            return kDone;
        }
        return Systemctl({"daemon-reload"}) ? kDone : kSystemctlFailed;
    }

    // The user the service runs as: the package makes it; an installation without it runs the service as
    // root, as before.
    std::optional<std::string> UnprivilegedUser() const {
        const passwd* entry = getpwnam(options_.user.c_str());
        if (entry == nullptr || entry->pw_uid == 0) return std::nullopt;
        return options_.user;
    }

    bool SystemdRuns() const {
        if (options_.systemd != "auto") return options_.systemd == "yes";
        struct stat st {};
        return stat("/run/systemd/system", &st) == 0 && S_ISDIR(st.st_mode);
    }

    // Runs one systemctl command and waits for it, for two minutes at most.
    bool Systemctl(const std::vector<std::string>& arguments) const {
        std::vector<std::string> argv{options_.systemctl};
        std::string shown = "systemctl";
        for (const std::string& argument : arguments) {
            argv.push_back(argument);
            shown += " " + argument;
        }
        platform::ChildHandle child;
        if (platform::StartHiddenChild(argv, "", child) != 0) {
            Log(shown + ": cannot run " + options_.systemctl + ": " +
                platform::ErrorText(platform::LastError()));
            return false;
        }
        int exitCode = 0;
        if (int error = platform::WaitChild(*child, kSystemctlTimeoutMs, exitCode); error != 0) {
            platform::KillChild(*child);
            Log(shown + (error == platform::kWaitTimeout
                             ? ": did not end within two minutes and was stopped"
                             : ": cannot wait for it: " + platform::ErrorText(error)));
            return false;
        }
        Log(shown + (exitCode == 0 ? ": done" : StrPrintf(": failed with exit code %d", exitCode)));
        return exitCode == 0;
    }

    std::string UnitName(const std::string& serviceName) const { return serviceName + ".service"; }
    std::string UnitPath(const std::string& serviceName) const {
        return options_.unitDir + "/" + UnitName(serviceName);
    }

    Options options_;
    HostLog log_;
};

}  // namespace

int RunHost(int argc, char** argv) {
    umask(022);  // the unit file and the log are never writable by others
    std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::fputs(
            "usage: Moorline [--unit-dir DIR] [--systemd=auto|yes|no] [--systemctl PROGRAM] [--user NAME] "
            "-i|-u\n",
            stderr);
        return kUsage;
    }
    platform::InitializeProcess();
    if (NeedsRoot(options->unitDir))
        return RunAsRoot(argc, argv, options->unitDir, HostLog(GetProgramDirectory(), options->action));
    return SystemdHost(*options).Run();
}

}  // namespace moorline
