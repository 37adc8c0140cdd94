#include "common/WorkFiles.h"

#include <algorithm>
#include <cstdio>

namespace kalemir {

void WorkFileSet::Add(const std::string& path) {
    if (std::find(paths_.begin(), paths_.end(), path) == paths_.end()) {
        paths_.push_back(path);
    }
}

void WorkFileSet::Remove(const std::string& path) {
    std::remove(path.c_str());
    Keep(path);
}

void WorkFileSet::Keep(const std::string& path) {
    paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}

void WorkFileSet::RemoveAll() {
    for (const std::string& path : paths_) {
        std::remove(path.c_str());
    }
    paths_.clear();
}

} // namespace kalemir
