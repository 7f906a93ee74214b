// The collector log: one entry per call, on standard output and appended to the log file.
#pragma once

#include <string>

#include "common/platform/platform.h"
#include "log_file.h"
#include "log_text.h"

// Writes one entry; never reports a failure. The file is opened and closed for every entry; an entry it
// cannot take is held back and written before the next one (see LogFileWriter).
void WriteLog(const LogText& text);

// WriteLog of a printf-formatted text: every string argument is escaped (see LogTextF).
template <typename... Args>
void WriteLogF(log_text_detail::Format<std::type_identity_t<Args>...> format, const Args&... args) {
    WriteLog(LogTextF<Args...>(format, args...));
}

// True when the optional messages are wanted (DetailedLog > 0), read anew at each call.
bool IsDetailedLog();

// WriteLogF only when IsDetailedLog().
template <typename... Args>
void WriteDetailedLogF(log_text_detail::Format<std::type_identity_t<Args>...> format, const Args&... args) {
    if (IsDetailedLog()) WriteLog(LogTextF<Args...>(format, args...));
}

// The log file's path for a LogFile value: a value holding the separator is a path as it stands,
// anything else names a file in the program directory.
std::string ResolveLogFilePath(const std::string& logFileValue, const std::string& programDirectory);
