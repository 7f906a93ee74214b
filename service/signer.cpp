#include "signer.h"

#include <climits>
#include <string_view>

#include "collector_log.h"
#include "common/platform/platform.h"
#include "common/settings.h"
#include "service_main.h"

namespace {

// UTF-8 forms of the Unicode space characters beyond ASCII.
constexpr std::string_view kUnicodeSpaces[] = {"\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80",
                                               "\xE2\x80\x81", "\xE2\x80\x82", "\xE2\x80\x83", "\xE2\x80\x84",
                                               "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
                                               "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9",
                                               "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80"};

bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::size_t LeadingSpaceLength(std::string_view s) {
    if (s.empty()) return 0;
    if (IsAsciiSpace(s.front())) return 1;
    for (std::string_view space : kUnicodeSpaces)
        if (s.substr(0, space.size()) == space) return space.size();
    return 0;
}

std::size_t TrailingSpaceLength(std::string_view s) {
    if (s.empty()) return 0;
    if (IsAsciiSpace(s.back())) return 1;
    for (std::string_view space : kUnicodeSpaces)
        if (s.size() >= space.size() && s.substr(s.size() - space.size()) == space) return space.size();
    return 0;
}

// Runs the signer to its end, or stops it when it overruns its time; -1 when it cannot be started.
int RunSigner(const SignerCommand& command) {
    if (platform::StopRequest() != 0) EndOnStopRequest();
    platform::ChildHandle child;
    if (platform::StartHiddenChild(command.arguments, command.text, child) != 0) return -1;
    int timeoutMs = SignerTimeoutMilliseconds(ReadWideSetting(kSignerTimeout));
    int exitCode = -1;
    int waited = platform::WaitChild(*child, timeoutMs, exitCode);
    if (waited == platform::kWaitTimeout) {
        WriteLogF("SignFile Timeout after %d s, signer stopped, Command = %s", timeoutMs / 1000,
                  command.text.c_str());
        platform::KillChild(*child);
        return -1;
    }
    if (waited == platform::kStopRequested) {
        platform::KillChild(*child);
        WriteLogF("SignFile Stopped with the service, signer stopped, Command = %s", command.text.c_str());
        EndOnStopRequest();
    }
    return waited == 0 ? exitCode : -1;
}

// On Windows the signer splits its command line itself: a double quote inside a value, or a backslash
// before a closing quote, would hand it other arguments than the ones named.
bool AllValuesSurviveQuoting(const SignerCommand& command) {
    for (const std::string& value : command.arguments)
        if (!platform::ArgumentSurvivesQuoting(value)) return false;
    return true;
}

}  // namespace

int SignerTimeoutMilliseconds(const WideSetting& signerTimeout) {
    std::int64_t seconds = kDefaultSignerTimeoutSeconds;
    if (signerTimeout.form == WideSetting::Number && signerTimeout.value >= 0) seconds = signerTimeout.value;
    if (seconds == 0) return -1;
    if (seconds > INT_MAX / 1000) return INT_MAX;  // the longest wait: about 24.8 days
    return static_cast<int>(seconds * 1000);
}

std::string TrimWhiteSpace(const std::string& text) {
    std::string_view s(text);
    while (std::size_t n = LeadingSpaceLength(s))
        s.remove_prefix(n);
    while (std::size_t n = TrailingSpaceLength(s))
        s.remove_suffix(n);
    return std::string(s);
}

SignerCommand BuildSignerCommand(const std::string& program, const std::string& documentPath,
                                 const std::string& channel, const std::string& ipAddress,
                                 const std::string& port) {
    if (ipAddress.empty())
        return {StrPrintf("\"%s\" \"%s\"", program.c_str(), documentPath.c_str()), {program, documentPath}};
    return {StrPrintf("\"%s\" \"%s\" \"%s\" \"%s\" \"%s\"", program.c_str(), documentPath.c_str(),
                      ipAddress.c_str(), port.c_str(), channel.c_str()),
            {program, documentPath, ipAddress, port, channel}};
}

int SignFile(std::string documentPath, std::string channel, std::string ipAddress, std::string port) {
    documentPath = TrimWhiteSpace(documentPath);
    if (documentPath.empty()) return -1;
    std::string program = ReadSettingString(kGeneralSection, kSealwright, platform::kSignerProgramName);
    SignerCommand command = BuildSignerCommand(program, documentPath, channel, ipAddress, port);
    int result = -1;
    if (AllValuesSurviveQuoting(command))
        result = RunSigner(command);
    else
        WriteLogF("SignFile Refused: a value holds a double quote or ends in a backslash, Command = %s",
                  command.text.c_str());
    WriteDetailedLogF("SignFile ExitCode = %d, Command = %s", result, command.text.c_str());
    return result;
}
