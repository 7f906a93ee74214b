#include "manager/browse/browse_path_list.h"

#include <cstring>

void BrowsePathList::Replace(const std::vector<std::string>& paths) {
    size_t size = 1;  // the zero byte that ends the list
    for (const std::string& path : paths)
        size += path.size() + 1;
    auto block = std::make_unique<char[]>(size);  // zeroed
    char* next = block.get();
    for (const std::string& path : paths) {
        std::memcpy(next, path.data(), path.size());
        next += path.size() + 1;
    }
    block_ = std::move(block);
}

std::string BrowsePathList::First() const {
    return block_ ? std::string(block_.get()) : std::string();
}

std::vector<std::string> BrowsePathList::All() const {
    std::vector<std::string> paths;
    for (const char* path = block_.get(); path && *path; path += std::strlen(path) + 1)
        paths.emplace_back(path);
    return paths;
}
