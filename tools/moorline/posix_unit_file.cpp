#include "tools/moorline/posix_unit_file.h"

#include <algorithm>
#include <cctype>

namespace moorline {

namespace {

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Letters, digits and ":-_." only: no templates, no escapes, nothing that leaves the unit folder.
bool IsValidUnitName(const std::string& name) {
    if (name.empty() || name.size() > 200 || name[0] == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '-' || c == '_' || c == '.';
    });
}

// systemd expands %-specifiers in most values; a literal % is written %%.
std::string EscapeSpecifiers(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '%' ? std::string("%%") : std::string(1, c);
    return out;
}

// ExecStart= splits at blanks, unquotes, unescapes and expands $VARIABLES: the program path is quoted when
// it needs to be, and every character that these steps would change is escaped.
std::string ExecStartValue(const std::string& program) {
    bool quote = program.find_first_of(" \t\"'\\") != std::string::npos;
    std::string out = quote ? "\"" : "";
    for (char c : program) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '$') out += '$';
        out += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return quote ? out + "\"" : out;
}

// What the collector and the signers it starts need, and no more. Every line is weighed against the work:
// the service reads trigger files that any member of the hot folder's share may drop, talks to a database
// anywhere on the network and starts a signer that writes beside archive documents wherever they are.
std::string Protections(const std::string& user) {
    return "# The service runs as the package's own user, with what it needs and no more.\n"
           "User=" +
           EscapeSpecifiers(user) +
           "\n"
           "# New files stay with the administrators' group, out of other users' reach.\n"
           "UMask=0007\n"
           "NoNewPrivileges=yes\n"
           "# The one privilege: the writer check takes a read lease on trigger files that others own.\n"
           "CapabilityBoundingSet=CAP_LEASE\n"
           "AmbientCapabilities=CAP_LEASE\n"
           "# /usr, /boot and /etc are read-only. Elsewhere the user's permissions decide, since the signer\n"
           "# writes beside archive documents wherever they are (ReadWritePaths= in a drop-in opens more).\n"
           "ProtectSystem=full\n"
           "PrivateTmp=yes\n"
           "PrivateDevices=yes\n"
           "PrivateMounts=yes\n"
           "ProtectKernelTunables=yes\n"
           "ProtectKernelModules=yes\n"
           "ProtectKernelLogs=yes\n"
           "ProtectControlGroups=yes\n"
           "ProtectClock=yes\n"
           "ProtectHostname=yes\n"
           "ProtectProc=invisible\n"
           "RestrictNamespaces=yes\n"
           "RestrictRealtime=yes\n"
           "RestrictSUIDSGID=yes\n"
           "LockPersonality=yes\n"
           "RemoveIPC=yes\n"
           "SystemCallArchitectures=native\n"
           "SystemCallFilter=@system-service\n"
           "SystemCallErrorNumber=EPERM\n"
           "# What a database connection uses: local sockets, TCP over IPv4 and IPv6.\n"
           "RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6\n";
}

}  // namespace

std::optional<std::string> SystemdRestart(const std::string& value) {
    std::optional<bool> restart = ParseYesNo(value);
    if (!restart) return std::nullopt;
    return *restart ? "always" : "no";
}

std::optional<std::string> CheckServiceName(const std::string& serviceName) {
    if (IsValidUnitName(serviceName)) return std::nullopt;
    return "ServiceName \"" + serviceName + "\" is not a unit name (letters, digits and \":-_.\" only)";
}

std::optional<std::string> CheckUnitSettings(const HostConfig& s) {
    if (std::optional<std::string> problem = CheckServiceName(s.serviceName)) return problem;
    if (s.workingDir.empty() || s.workingDir[0] != '/' || HasControlCharacter(s.workingDir) ||
        s.workingDir.back() == ' ')
        return "WorkingDir \"" + s.workingDir + "\" is not an absolute folder path";
    if (s.commandLine.empty() || HasControlCharacter(s.commandLine))
        return "CommandLine \"" + s.commandLine + "\" does not name a program";
    if (!SystemdRestart(s.restart)) return "Restart \"" + s.restart + "\" is neither Yes nor No";
    return std::nullopt;
}

std::string RenderUnit(const HostConfig& s, const std::optional<std::string>& user) {
    std::string program = s.workingDir + (s.workingDir.back() == '/' ? "" : "/") + s.commandLine;
    return "# Written by Moorline -i; Moorline -u removes it.\n"
           "[Unit]\n"
           "Description=" +
           EscapeSpecifiers(s.serviceName) +
           ", run by Moorline\n"
           "Wants=network-online.target\n"
           "After=network-online.target\n"
           "\n"
           "[Service]\n"
           "Type=exec\n"
           "WorkingDirectory=" +
           EscapeSpecifiers(s.workingDir) +
           "\n"
           "ExecStart=" +
           ExecStartValue(program) +
           "\n"
           "Restart=" +
           *SystemdRestart(s.restart) +
           "\n"
           "# KillMode stays control-group: stopping the service also stops a signer it has started.\n" +
           (user ? Protections(*user) : std::string()) +
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

}  // namespace moorline
