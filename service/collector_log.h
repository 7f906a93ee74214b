// The collector log: one entry per call, on standard output and appended to the log file.
#pragma once

#include <string>

#include "common/platform/platform.h"
#include "common/text_format.h"

// Writes one entry; never reports a failure. The file is opened and closed for every entry.
void WriteLog(std::string text);

// WriteLog of a printf-formatted text.
void WriteLogF(const char* format, ...) QC_PRINTF_FORMAT(1, 2);

// True when the optional messages are wanted (DetailedLog > 0), read anew at each call.
bool IsDetailedLog();

// WriteLogF only when IsDetailedLog().
void WriteDetailedLogF(const char* format, ...) QC_PRINTF_FORMAT(1, 2);

// The log file's path for a LogFile value: a value holding the separator is a path as it stands,
// anything else names a file in the program directory.
std::string ResolveLogFilePath(const std::string& logFileValue, const std::string& programDirectory);

// "%s - %s failed with error %d: %s\r\n" over the timestamp, text, code and system text.
std::string FormatLogEntry(const platform::LocalTime& time, const std::string& text, int code,
                           const std::string& systemText);
