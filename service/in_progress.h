// The in-progress folder of this collector: a folder of its own inside the hot folder, into which it
// claims a trigger file with one atomic rename before it reads it, so that of several collectors polling
// one hot folder only one processes each trigger. The folder carries a heartbeat that the collector
// refreshes while it runs; another collector returns the files of a folder whose heartbeat has stopped
// (see takeover.h).
#pragma once

#include <chrono>
#include <string>

// Names shared by the owner and the others.
inline constexpr const char* kInProgressPrefix = "QuillCollector-";  // + host, folder, hash
inline constexpr const char* kHeartbeatFolder = "heartbeat";         // a folder: passed over as a trigger
inline constexpr const char* kHeartbeatFile = "heartbeat.txt";

// The folder name that identifies a collector: its host name and its installation folder, each cut
// to a readable, portable part, and a short hash of both that keeps names apart.
std::string InProgressFolderName(const std::string& hostName, const std::string& installationFolder);

class InProgressFolder {
  public:
    InProgressFolder();

    // Points the folder at `hotFolder` (the setting may change between passes) and makes it when it is
    // missing; false when it cannot be made (the collector then works in the hot folder itself).
    bool Prepare(const std::string& hotFolder);
    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }

    enum class Claim { Taken, Gone, NotClaimed };
    // Renames the trigger `found` into the folder; `held` receives where it now lies. Gone: another
    // collector took it, or it vanished. NotClaimed: it stays where it was (a rename the folder refuses).
    Claim ClaimTrigger(const std::string& found, std::string& held);

    // Refreshes the heartbeat when it is older than a second, or at once with `now`.
    void Beat(bool now = false);

  private:
    std::string name_;
    std::string hotFolder_;
    std::string path_;
    bool ready_ = false;
    long long beats_ = 0;
    std::chrono::steady_clock::time_point lastBeat_{};
};
