#pragma once
// The three ways a run can end early, each with its exit status on the command line.

#include <stdexcept>
#include <string>

namespace kalemir {

/// Bad input found before anything is written: a missing table, a bad option value,
/// a table beyond the data-model limits. Exit status 2.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A file that vanished or could not be read or written during a run. Exit status 1.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A report, data or work file that could not be written (disk full, permission lost).
/// Ends the run at once, whatever stage it is in: the report keeps its whole lines.
class WriteFailure : public FileError {
public:
    using FileError::FileError;
};

/// The program ends itself after writing its message to the report. Exit status 3.
class StopProgram : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The user asked the running analysis to stop. The report keeps what was written.
class RunInterrupted : public std::runtime_error {
public:
    RunInterrupted() : std::runtime_error("run interrupted") {}
};

} // namespace kalemir
