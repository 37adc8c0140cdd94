#include "common/WorkFiles.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kalemir {

namespace {

bool InWorkFolder(const std::string& path) {
    const std::string folder = std::string(kWorkFolderName) + "/";
    return path.compare(0, folder.size(), folder) == 0;
}

} // namespace

std::string WorkFilePath(const std::string& name) {
    return InWorkFolder(name) ? name : std::string(kWorkFolderName) + "/" + name;
}

void RemoveWorkFolder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder.empty() ? std::filesystem::path(kWorkFolderName)
                                               : std::filesystem::path(folder) / kWorkFolderName,
                                ignored);
}

void WorkFileSet::Add(const std::string& path) {
    if (std::find(paths_.begin(), paths_.end(), path) == paths_.end()) {
        paths_.push_back(path);
    }
    if (InWorkFolder(path)) {
        mkdir(kWorkFolderName, 0755); // already there: the writer finds it
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
    rmdir(kWorkFolderName); // only when empty
}

} // namespace kalemir
