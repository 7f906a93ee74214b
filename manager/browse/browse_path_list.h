// The path list of CBrowseCtrl: one owned block that holds each path ended by a zero byte and one more zero
// byte after the last, so an empty first path ends the list. There is none before the first SetPath or
// choice. Paths are 8-bit, as the file system has them.
#pragma once

#include <memory>
#include <string>
#include <vector>

class BrowsePathList {
  public:
    void Replace(const std::vector<std::string>& paths);
    void Clear() { block_.reset(); }
    bool HasList() const { return block_ != nullptr; }
    std::string First() const;  // empty when there is no list
    std::vector<std::string> All() const;

  private:
    std::unique_ptr<char[]> block_;
};
