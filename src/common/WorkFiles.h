#pragma once
// Work files live only within a run: every one registered here is deleted when it is
// dropped or, at the latest, when the set goes out of scope (errors and interrupts too).
// They are written in one hidden folder of the working folder, so that even a run killed
// outright leaves no table among the user's: the next run that takes the folder's lock
// removes what is left there.

#include <string>
#include <vector>

namespace kalemir {

/// The hidden folder of the working folder that holds a run's work files.
inline constexpr const char* kWorkFolderName = ".kalemir-work";

/// Where a work file of this name is written: in the work folder of the current folder.
std::string WorkFilePath(const std::string& name);

/// Removes the work folder of `folder` (empty: the current folder) with whatever a killed
/// run left in it.
void RemoveWorkFolder(const std::string& folder = {});

class WorkFileSet {
public:
    WorkFileSet() = default;
    WorkFileSet(const WorkFileSet&) = delete;
    WorkFileSet& operator=(const WorkFileSet&) = delete;
    ~WorkFileSet() { RemoveAll(); }

    /// Registers a file about to be written (and makes the work folder for one inside it).
    void Add(const std::string& path);
    /// Deletes a registered file now and forgets it.
    void Remove(const std::string& path);
    /// Forgets a file without deleting it (it became a file for the user).
    void Keep(const std::string& path);
    /// Deletes every registered file that still exists, then the work folder when empty.
    void RemoveAll();
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    std::vector<std::string> paths_;
};

} // namespace kalemir
