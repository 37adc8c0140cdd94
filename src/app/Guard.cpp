#include "app/Guard.h"

#include "app/CommandLine.h"
#include "app/StopSignals.h"
#include "common/Errors.h"

#include <cstdio>
#include <new>

namespace kalemir {

GuardVerdict VerdictOn(const GuardedProgram& program, const std::exception_ptr& fault) {
    const std::string name = program.name + ": ";
    try {
        std::rethrow_exception(fault);
    } catch (const InputError& e) {
        return {kExitUsage, name + e.what() + "\n"};
    } catch (const FileError& e) {
        return {kExitFailedMidway, name + e.what() + "\n"};
    } catch (const StopProgram& e) {
        return {kExitStopProgram, name + e.what() + program.stopNote + "\n"};
    } catch (const RunInterrupted&) {
        return {InterruptedExitStatus(), name + program.interrupted + "\n"};
    } catch (const std::bad_alloc&) {
        return {kExitFailedMidway, name + program.outOfMemory + "\n"};
    } catch (const std::exception& e) {
        return {kExitFailedMidway, name + "unexpected fault: " + e.what() + "\n"};
    } catch (...) {
        return {kExitFailedMidway, name + "unexpected fault\n"};
    }
}

int RunGuarded(const GuardedProgram& program, const std::function<int()>& body) {
    try {
        return body();
    } catch (...) {
        const GuardVerdict verdict = VerdictOn(program, std::current_exception());
        std::fputs(verdict.message.c_str(), stderr);
        return verdict.status;
    }
}

} // namespace kalemir
