#pragma once
// One run per folder. Two runs in the same folder would write the same report and work
// files, so a run holds the lock file of its working folder while it lasts. The file names
// the process and the program; the lock itself is a lock of the open file, which the
// system drops when the process ends in any way, so a crashed run never leaves the folder
// locked: the next run takes the file over, and removes the work folder that a run killed
// outright left behind.

#include <string>

namespace kalemir {

/// The lock file of a working folder.
inline constexpr const char* kRunLockName = ".kalemir.lock";

class RunLock {
public:
    /// Takes the lock of the current folder for `program`. Throws InputError naming the
    /// folder and the program and process that hold it, or why the file cannot be made.
    explicit RunLock(const std::string& program, std::string path = kRunLockName);
    /// Removes the lock file and releases the lock.
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    /// The folder of the lock file (empty: the current folder).
    std::string Folder() const;

    std::string path_;
    int fd_ = -1;
};

/// The text of a lock file: who holds it ("KalemirQ (process 1234)"); empty when unreadable.
std::string RunLockHolder(const std::string& path = kRunLockName);

} // namespace kalemir
