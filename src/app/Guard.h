#pragma once
// The one place where the command lines turn what a run threw into a message on standard
// error and an exit status. Nothing below it catches an exception to carry on as if all
// were well: a fault is told as a fault.

#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace kalemir {

/// How a program speaks of a run that ended early. RunGuarded reads it when the run ends,
/// so a run may fill in what it learns on the way (the file that keeps what was written).
struct GuardedProgram {
    explicit GuardedProgram(std::string programName, std::string interruptedNote = "interrupted",
                            std::string stopNoteText = {})
        : name(std::move(programName)), interrupted(std::move(interruptedNote)),
          stopNote(std::move(stopNoteText)) {}

    /// The program's name, first on every message ("KalemirQ").
    std::string name;
    /// What an interrupted run leaves, after the name ("interrupted; no table was written").
    std::string interrupted;
    /// After a stop's own text: where the user reads why (" (see rezultat.rez)").
    std::string stopNote;
    /// What ran short when memory ran out ("not enough memory for 12000 molecules").
    std::string outOfMemory = "not enough memory";
};

/// What the user is told of a run that ended early, and the program's exit status.
struct GuardVerdict {
    int status = 0;
    /// One line with its line end, for standard error.
    std::string message;
};

/// The verdict on what a run threw: InputError -> kExitUsage, FileError (WriteFailure
/// included) -> kExitFailedMidway, StopProgram -> kExitStopProgram, RunInterrupted ->
/// InterruptedExitStatus(); running out of memory and any other fault -> kExitFailedMidway.
GuardVerdict VerdictOn(const GuardedProgram& program, const std::exception_ptr& fault);

/// Runs `body`, which returns the exit status of a run that ends as it should; whatever it
/// throws goes to standard error as VerdictOn says, and its status is returned.
int RunGuarded(const GuardedProgram& program, const std::function<int()>& body);

} // namespace kalemir
