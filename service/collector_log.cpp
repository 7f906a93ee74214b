#include "collector_log.h"

#include "common/settings.h"

namespace {

// One for the process: it holds the entries the file could not take yet.
LogFileWriter& TheLogFile() {
    static LogFileWriter writer;
    return writer;
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
    std::uint64_t limit = LogFileLimitBytes(ReadWideSetting(kLogFileLimitKB));
    TheLogFile().Append(path, std::move(entry), limit, ReadLogFilesKept);
}

bool IsDetailedLog() {
    return ReadSettingInt(kGeneralSection, kDetailedLog, 0) > 0;
}
