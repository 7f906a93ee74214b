#include "log_file.h"

#include <algorithm>

#include "done_anyway.h"
#include "log_text.h"

namespace {

constexpr std::size_t kTimestampLength = 23;  // "2026-12-10 00:00:00.000"

std::string Numbered(const std::string& path, int number) {
    return path + "." + std::to_string(number);
}

// Writes one entry; on a failure the part the file took is cut from the entry and its reason returned.
int WriteOne(platform::File& file, std::string& entry) {
    std::size_t written = 0;
    int error = file.Write(entry.data(), entry.size(), written);
    if (error != 0) entry.erase(0, written);
    return error;
}

// A rotation step that a share reports failed although it carried it out was done.
int MoveAside(const std::string& from, const std::string& to) {
    int error = platform::MoveFileNoReplace(from, to);
    return error != 0 && HappenedAlthoughReportedFailed(from, to) ? 0 : error;
}

int DeleteLogFile(const std::string& path) {
    int error = platform::DeleteFile(path);
    return error != 0 && HappenedAlthoughReportedFailed(path, "") ? 0 : error;
}

}  // namespace

std::string FormatLogEntry(const platform::LocalTime& t, const std::string& text, int code,
                           const std::string& systemText) {
    std::string_view system(systemText);
    std::string_view lineEnd;
    std::size_t cut = system.size();
    if (cut > 0 && system[cut - 1] == '\n') --cut;
    if (cut > 0 && system[cut - 1] == '\r') --cut;
    lineEnd = system.substr(cut);
    std::string stamp = StrPrintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                                  t.minute, t.second, t.millisecond);
    return StrPrintf("%s - %s failed with error %d: %s%s\r\n", stamp.c_str(), text.c_str(), code,
                     EscapeForLog(system.substr(0, cut)).c_str(), std::string(lineEnd).c_str());
}

std::uint64_t LogFileLimitBytes(const WideSetting& limitKB) {
    std::int64_t kb = kDefaultLogFileLimitKB;
    if (limitKB.form == WideSetting::Number && limitKB.value >= 0) kb = limitKB.value;
    return static_cast<std::uint64_t>(std::min<std::int64_t>(kb, INT64_MAX / 1024)) * 1024;
}

int LogFilesKept(const WideSetting& kept) {
    if (kept.form != WideSetting::Number || kept.value < 0) return kDefaultLogFilesKept;
    return static_cast<int>(std::min<std::int64_t>(kept.value, kMostLogFilesKept));
}

int SetLogFileAside(const std::string& logPath, int kept) {
    // A log reached through a link (the Debian package's) is set aside where it really lies; the next
    // entry makes a new file there through the same link.
    std::string path = platform::FollowLinks(logPath);
    if (kept <= 0) return DeleteLogFile(path);
    // Shift only up to the first free number, so that a try that failed half-way costs no file next time.
    int free = 1;
    while (free < kept && platform::PathExists(Numbered(path, free)))
        ++free;
    if (free == kept && platform::PathExists(Numbered(path, kept)))
        if (int error = DeleteLogFile(Numbered(path, kept)); error != 0) return error;
    for (int number = free - 1; number >= 1; --number)
        if (int error = MoveAside(Numbered(path, number), Numbered(path, number + 1)); error != 0)
            return error;
    return MoveAside(path, Numbered(path, 1));
}

void LogFileWriter::Append(const std::string& path, std::string entry, std::uint64_t limitBytes,
                           int (*filesKept)()) {
    heldBytes_ += entry.size();
    held_.push_back(std::move(entry));
    std::optional<std::uint64_t> size = WriteHeld(path, limitBytes > 0);
    if (size) RotateWhenFull(path, *size, limitBytes, filesKept);
    // Bounded after the try, so that nothing is dropped when the file takes entries again.
    while (held_.size() > 1 && (held_.size() > bounds_.heldEntries || heldBytes_ > bounds_.heldBytes))
        DropOldest();
}

void LogFileWriter::DropOldest() {
    std::string& oldest = held_.front();
    std::string stamp = oldest.substr(0, kTimestampLength);
    if (loss_.count++ == 0) loss_.first = stamp;
    loss_.last = stamp;
    loss_.error = lastError_;
    heldBytes_ -= oldest.size();
    held_.pop_front();
}

std::optional<std::uint64_t> LogFileWriter::WriteHeld(const std::string& path, bool wantSize) {
    platform::File file;
    if (int error = platform::OpenForAppend(path, file); error != 0) {
        lastError_ = error;
        return std::nullopt;
    }
    if (loss_.count > 0) {
        // The dropped entries came before every entry still held: their notice goes first.
        std::string text = LogTextF(
                               "Log entries lost: %lld entries could not be written to the log file and "
                               "were dropped, the first of %s, the last of %s",
                               static_cast<long long>(loss_.count), loss_.first, loss_.last)
                               .str();
        std::string notice =
            FormatLogEntry(platform::Now(), text, loss_.error, platform::ErrorText(loss_.error));
        heldBytes_ += notice.size();
        held_.push_front(std::move(notice));
        loss_ = Loss{};
    }
    while (!held_.empty()) {
        std::size_t before = held_.front().size();
        int error = WriteOne(file, held_.front());
        heldBytes_ -= before - held_.front().size();
        if (error != 0) {
            lastError_ = error;
            return std::nullopt;
        }
        heldBytes_ -= held_.front().size();
        held_.pop_front();
    }
    std::uint64_t size = 0;
    if (!wantSize || file.Size(size) != 0) return std::nullopt;
    return size;
}

void LogFileWriter::RotateWhenFull(const std::string& path, std::uint64_t size, std::uint64_t limitBytes,
                                   int (*filesKept)()) {
    if (size < limitBytes) return;
    auto now = std::chrono::steady_clock::now();
    if (rotationFailedAt_ && now - *rotationFailedAt_ < bounds_.rotationRetry) return;
    int error = SetLogFileAside(path, filesKept());
    if (error == 0) {
        rotationFailedAt_.reset();
        return;
    }
    // The file stays in use and entries go on into it; the first failure of a series says why.
    bool first = !rotationFailedAt_;
    rotationFailedAt_ = now;
    if (!first) return;
    std::string note =
        FormatLogEntry(platform::Now(), LogTextF("Log File Can't be set aside: %s", path).str(), error,
                       platform::ErrorText(error));
    heldBytes_ += note.size();
    held_.push_back(std::move(note));
    WriteHeld(path, false);
}
