// Full paths of trigger files that could not be moved or deleted. Owned by the polling loop for the life
// of the process; nothing is ever removed. Membership is an exact, case-sensitive comparison.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

class SkipList {
  public:
    void Add(const std::string& path) {
        if (members_.insert(path).second) order_.push_back(path);
    }
    bool Contains(const std::string& path) const { return members_.count(path) != 0; }
    const std::vector<std::string>& Paths() const { return order_; }

  private:
    std::vector<std::string> order_;  // in the order the files were given up on
    std::unordered_set<std::string> members_;
};
