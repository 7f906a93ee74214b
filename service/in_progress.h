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

    // Points the folder at `hotFolder` (the setting may change between passes). The folder itself is made
    // at the first claim of a pass and removed at its end when nothing is left in it, so that a hot folder
    // with nothing to do stays empty.
    void Prepare(const std::string& hotFolder);
    // True when the folder is there: it may hold triggers of an earlier pass.
    bool Exists();
    const std::string& Path() const { return path_; }
    const std::string& Name() const { return name_; }

    enum class Claim { Taken, Gone, NotClaimed };
    // Renames the trigger `found` into the folder; `held` receives where it now lies. Gone: another
    // collector took it, or it vanished. NotClaimed: it stays where it was (the folder cannot be made, or
    // the rename is refused).
    Claim ClaimTrigger(const std::string& found, std::string& held);

    // Refreshes the heartbeat when it is older than a second, or at once with `now`.
    void Beat(bool now = false);

    // Removes the folder with its heartbeat when no trigger is left in it.
    void RemoveIfEmpty();

  private:
    bool Make();

    std::string name_;
    std::string hotFolder_;
    std::string path_;
    bool ready_ = false;
    long long beats_ = 0;
    std::chrono::steady_clock::time_point lastBeat_{};
};
