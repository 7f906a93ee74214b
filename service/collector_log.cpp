#include "collector_log.h"

#include <chrono>
#include <optional>

#include "common/settings.h"

namespace {

// One for the process: it holds the entries the file could not take yet.
LogFileWriter& TheLogFile() {
    static LogFileWriter writer;
    return writer;
}

// The size limit is read again at most every few seconds, not for every entry: a key that is missing costs
// a scan of the whole settings file, which would double the cost of each entry.
std::uint64_t CurrentLogFileLimit() {
    constexpr std::chrono::seconds kReadAgainAfter{10};
    static std::optional<std::chrono::steady_clock::time_point> readAt;
    static std::uint64_t limit = 0;
    auto now = std::chrono::steady_clock::now();
    if (!readAt || now - *readAt >= kReadAgainAfter) {
        limit = LogFileLimitBytes(ReadWideSetting(kLogFileLimitKB));
        readAt = now;
    }
    return limit;
}

int ReadLogFilesKept() {
    return LogFilesKept(ReadWideSetting(kLogFilesKept));
}

}  // namespace

std::string ResolveLogFilePath(const std::string& logFileValue, const std::string& programDirectory) {
    if (logFileValue.find(platform::kPathSeparator) != std::string::npos) return logFileValue;
    return programDirectory + platform::kPathSeparator + logFileValue;
}

void WriteLog(const LogText& text) {
    std::string value = ReadSettingString(kGeneralSection, kLogFile, "QuillCollector.Log");
    std::string path = ResolveLogFilePath(value, GetProgramDirectory());
    int code = platform::LastError();  // after the settings read, as the entry has always reported it
    std::string entry = FormatLogEntry(platform::Now(), text.str(), code, platform::ErrorText(code));
    platform::WriteStandardOutput(entry);  // dropped there when nobody reads it; the file keeps it
    TheLogFile().Append(path, std::move(entry), CurrentLogFileLimit(), ReadLogFilesKept);
}

bool IsDetailedLog() {
    return ReadSettingInt(kGeneralSection, kDetailedLog, 0) > 0;
}
