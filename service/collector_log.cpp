#include "collector_log.h"

#include "common/settings.h"

namespace {

void AppendToFile(const std::string& path, const std::string& entry) {
    platform::File file;
    if (platform::OpenForAppend(path, file) != 0) return;  // standard output has the entry already
    file.Write(entry.data(), entry.size());
}

}  // namespace

std::string ResolveLogFilePath(const std::string& logFileValue, const std::string& programDirectory) {
    if (logFileValue.find(platform::kPathSeparator) != std::string::npos) return logFileValue;
    return programDirectory + platform::kPathSeparator + logFileValue;
}

std::string FormatLogEntry(const platform::LocalTime& t, const std::string& text, int code,
                           const std::string& systemText) {
    std::string stamp = StrPrintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                                  t.minute, t.second, t.millisecond);
    return StrPrintf("%s - %s failed with error %d: %s\r\n", stamp.c_str(), text.c_str(), code,
                     systemText.c_str());
}

void WriteLog(std::string text) {
    std::string value = ReadSettingString(kGeneralSection, kLogFile, "QuillCollector.Log");
    std::string path = ResolveLogFilePath(value, GetProgramDirectory());
    int code = platform::LastError();  // after the settings read, as the entry has always reported it
    std::string entry = FormatLogEntry(platform::Now(), text, code, platform::ErrorText(code));
    platform::WriteStandardOutput(entry);  // dropped there when nobody reads it; the file keeps it
    AppendToFile(path, entry);
}

void WriteLogF(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VStrPrintf(format, args);
    va_end(args);
    WriteLog(std::move(text));
}

bool IsDetailedLog() {
    return ReadSettingInt(kGeneralSection, kDetailedLog, 0) > 0;
}

void WriteDetailedLogF(const char* format, ...) {
    if (!IsDetailedLog()) return;
    va_list args;
    va_start(args, format);
    std::string text = VStrPrintf(format, args);
    va_end(args);
    WriteLog(std::move(text));
}
