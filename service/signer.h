// Signer invocation: the external signing program is started once per document and its exit code is the
// outcome (0: signed).
#pragma once

#include <string>
#include <vector>

#include "wide_setting.h"

// Signs one document. Returns the signer's exit code, or -1 when no signer was started. An empty IP
// address gives the two-value command line; otherwise the five-value one (path, IP address, port, channel).
int SignFile(std::string documentPath, std::string channel, std::string ipAddress, std::string port);

// The signer's command line as the log shows it, and the arguments it stands for.
struct SignerCommand {
    std::string text;
    std::vector<std::string> arguments;
};
SignerCommand BuildSignerCommand(const std::string& program, const std::string& documentPath,
                                 const std::string& channel, const std::string& ipAddress,
                                 const std::string& port);

// Removes white space from both ends: ASCII white space and the Unicode spaces in UTF-8.
std::string TrimWhiteSpace(const std::string& text);

// How long a signer may run before it is stopped, in seconds (setting SignerTimeout).
constexpr int kDefaultSignerTimeoutSeconds = 600;

// The bound on a signer's run, in ms, from SignerTimeout: 0 means no bound (-1); missing, empty, negative
// or not a number gives the default; beyond 2147483 s the bound stays at 2147483647 ms (about 24.8 days).
int SignerTimeoutMilliseconds(const WideSetting& signerTimeout);
