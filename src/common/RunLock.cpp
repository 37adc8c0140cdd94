#include "common/RunLock.h"

#include "common/Errors.h"
#include "common/WorkFiles.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalemir {

namespace {

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

std::string ReadHolder(int fd) {
    char buffer[256];
    const ssize_t got = pread(fd, buffer, sizeof buffer - 1, 0);
    if (got <= 0) {
        return {};
    }
    std::string text(buffer, static_cast<std::size_t>(got));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

/// The process id at the start of a holder text ("1234 KalemirQ"), 0 when there is none.
long HolderProcess(const std::string& holder) {
    return std::strtol(holder.c_str(), nullptr, 10);
}

bool ProcessAlive(long pid) {
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::string Describe(const std::string& holder) {
    const std::size_t blank = holder.find(' ');
    if (holder.empty() || blank == std::string::npos) {
        return "another program";
    }
    return holder.substr(blank + 1) + " (process " + holder.substr(0, blank) + ")";
}

[[noreturn]] void Busy(const std::string& holder) {
    throw InputError(CurrentFolder() + ": " + Describe(holder) +
                     " is running in this folder; wait for it to end or work in another folder");
}

} // namespace

RunLock::RunLock(const std::string& program, std::string path) : path_(std::move(path)) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            throw InputError(CurrentFolder() + ": cannot make the lock file " + path_ + ": " +
                             std::strerror(errno));
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            const std::string holder = ReadHolder(fd);
            if (error == EWOULDBLOCK) {
                close(fd);
                Busy(holder);
            }
            // A file system without file locks: the process id alone decides.
            if (HolderProcess(holder) != getpid() && ProcessAlive(HolderProcess(holder))) {
                close(fd);
                Busy(holder);
            }
        }
        // The file may have been removed by the run that held it between our open and our
        // lock: then the lock is on a file nobody else sees, and we start again.
        struct stat opened {};
        struct stat named {};
        if (fstat(fd, &opened) != 0 || stat(path_.c_str(), &named) != 0 ||
            opened.st_ino != named.st_ino || opened.st_dev != named.st_dev) {
            close(fd);
            continue;
        }
        const std::string holder = std::to_string(getpid()) + " " + program + "\n";
        if (ftruncate(fd, 0) != 0 ||
            pwrite(fd, holder.data(), holder.size(), 0) != static_cast<ssize_t>(holder.size())) {
            const int error = errno;
            close(fd);
            throw InputError(CurrentFolder() + ": cannot write the lock file " + path_ + ": " +
                             std::strerror(error));
        }
        fd_ = fd;
        // A run killed outright (SIGKILL, power loss) could not remove its work files.
        RemoveWorkFolder(Folder());
        return;
    }
    throw InputError(CurrentFolder() + ": cannot take the lock file " + path_);
}

RunLock::~RunLock() {
    if (fd_ >= 0) {
        RemoveWorkFolder(Folder());
        unlink(path_.c_str());
        close(fd_);
    }
}

std::string RunLock::Folder() const {
    const std::size_t slash = path_.rfind('/');
    return slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
}

std::string RunLockHolder(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string holder = ReadHolder(fd);
    close(fd);
    const std::size_t blank = holder.find(' ');
    return blank == std::string::npos ? holder : Describe(holder);
}

} // namespace kalemir
