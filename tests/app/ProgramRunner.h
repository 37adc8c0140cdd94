#pragma once
// Starting a program of the suite as a child process, to signal it or to wait for it.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kalemir::testing {

class ChildProgram {
public:
    /// Starts `program` with the arguments, standard error to `errorFile`, standard output
    /// to /dev/null, without a display, with the extra environment variables.
    ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& errorFile,
                 const std::vector<std::pair<std::string, std::string>>& environment = {}) {
        pid_ = fork();
        if (pid_ == 0) {
            const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int null = open("/dev/null", O_WRONLY);
            dup2(err, STDERR_FILENO);
            dup2(null, STDOUT_FILENO);
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            unsetenv("QT_QPA_PLATFORM");
            for (const auto& [name, value] : environment) {
                setenv(name.c_str(), value.c_str(), 1);
            }
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(program.c_str()));
            for (const std::string& a : arguments) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
    }
    ~ChildProgram() {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            Wait();
        }
    }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    pid_t Pid() const { return pid_; }
    /// True while the program runs.
    bool Running() {
        if (ended_) {
            return false;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            ended_ = true;
            status_ = status;
        }
        return !ended_;
    }
    void Signal(int signal) const { kill(pid_, signal); }
    /// Waits for the end; the exit status, or -signal when a signal ended the program.
    int Wait() {
        if (!ended_) {
            waitpid(pid_, &status_, 0);
            ended_ = true;
        }
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : -WTERMSIG(status_);
    }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
};

/// Runs the program to its end and returns its exit status.
inline int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& errorFile,
                      const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    ChildProgram child(program, arguments, errorFile, environment);
    return child.Wait();
}

} // namespace kalemir::testing
