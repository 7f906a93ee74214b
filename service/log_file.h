// The log file: the shape of an entry, appending entries to the file, holding back in memory those the
// file cannot take for the moment, and starting a new file when one has reached its size limit.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "common/platform/platform.h"
#include "wide_setting.h"

// "%s - %s failed with error %d: %s\r\n" over the timestamp, text, code and system text. The system's text
// is outside text too: it is escaped, all but the one line end it brings.
std::string FormatLogEntry(const platform::LocalTime& time, const std::string& text, int code,
                           const std::string& systemText);

// Optional keys of section General. LogFileLimitKB: the size (KiB) at which the log is set aside and a new
// one begun; 0 means no limit. LogFilesKept: how many set-aside files stay (QuillCollector.Log.1 the newest);
// 0 keeps none. A value that is missing, negative or not a number gives the default.
inline constexpr std::int64_t kDefaultLogFileLimitKB = 10240;
inline constexpr int kDefaultLogFilesKept = 9;
inline constexpr int kMostLogFilesKept = 999;
std::uint64_t LogFileLimitBytes(const WideSetting& limitKB);
int LogFilesKept(const WideSetting& kept);

// Sets the full log aside: PATH.1 .. PATH.<kept-1> become PATH.2 .. PATH.<kept> (the oldest goes), then
// PATH becomes PATH.1; with kept 0 the log is deleted. Returns 0, or the error of the step that failed
// (another program holding one of the files, on Windows); a failed step leaves every file there was,
// bar the oldest, so trying again later loses nothing. A path that is a link sets aside the file it
// leads to, beside that file.
int SetLogFileAside(const std::string& path, int kept);

class LogFileWriter {
  public:
    struct Bounds {
        std::size_t heldEntries = 1000;                  // entries held back while the file cannot be written
        std::size_t heldBytes = 1024 * 1024;             // and their bytes
        std::chrono::milliseconds rotationRetry{60000};  // after a failed rotation, the next try
    };
    LogFileWriter() = default;
    explicit LogFileWriter(Bounds bounds) : bounds_(bounds) {}

    // Appends, in order, the entries held back and then `entry`, each with one write; what the file does
    // not take is held back for the next call (beyond the bounds the oldest are dropped, counted, and an
    // entry says so once the file takes entries again). Then, when the file has reached `limitBytes`
    // (0: none), sets it aside with `filesKept()` old files.
    void Append(const std::string& path, std::string entry, std::uint64_t limitBytes, int (*filesKept)());

    std::size_t HeldEntries() const { return held_.size(); }

  private:
    struct Loss {
        std::size_t count = 0;
        std::string first, last;  // timestamps of the first and the last entry dropped
        int error = 0;            // why the file could not take them
    };
    void DropOldest();
    // Writes what is held; the file's size after it, or nothing when not everything was written.
    std::optional<std::uint64_t> WriteHeld(const std::string& path, bool wantSize);
    void RotateWhenFull(const std::string& path, std::uint64_t size, std::uint64_t limitBytes,
                        int (*filesKept)());

    Bounds bounds_;
    std::deque<std::string> held_;
    std::size_t heldBytes_ = 0;
    Loss loss_;
    int lastError_ = 0;
    std::optional<std::chrono::steady_clock::time_point> rotationFailedAt_;
};
