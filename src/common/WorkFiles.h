#pragma once
// Work files live only within a run: every one registered here is deleted when it is
// dropped or, at the latest, when the set goes out of scope (errors and interrupts too).

#include <string>
#include <vector>

namespace kalemir {

class WorkFileSet {
public:
    WorkFileSet() = default;
    WorkFileSet(const WorkFileSet&) = delete;
    WorkFileSet& operator=(const WorkFileSet&) = delete;
    ~WorkFileSet() { RemoveAll(); }

    /// Registers a file about to be written.
    void Add(const std::string& path);
    /// Deletes a registered file now and forgets it.
    void Remove(const std::string& path);
    /// Forgets a file without deleting it (it became a file for the user).
    void Keep(const std::string& path);
    /// Deletes every registered file that still exists.
    void RemoveAll();
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    std::vector<std::string> paths_;
};

} // namespace kalemir
