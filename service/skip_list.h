// Full paths of trigger files that could not be moved or deleted. Owned by the polling loop for the life
// of the process; nothing is ever removed. Membership is an exact, case-sensitive comparison.
#pragma once

#include <string>
#include <unordered_set>

class SkipList {
  public:
    void Add(const std::string& path) { members_.insert(path); }
    bool Contains(const std::string& path) const { return members_.count(path) != 0; }

  private:
    std::unordered_set<std::string> members_;
};
