// The one mapping of what a command-line run threw to its message and exit status.

#include "app/Guard.h"

#include "app/CommandLine.h"
#include "common/Errors.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace kalemir {
namespace {

struct GuardCase {
    const char* what;
    std::exception_ptr thrown;
    int status;
    std::string message;
};

TEST(RunGuarded, EveryThrownTypeHasItsStatusAndMessage) {
    const GuardedProgram program{"KalemirQ", "interrupted; the report so far is in rezultat.rez",
                                 " (see rezultat.rez)"};
    const GuardCase cases[] = {
        {"input", std::make_exception_ptr(InputError("BZR01: no such file")), kExitUsage,
         "KalemirQ: BZR01: no such file\n"},
        {"file", std::make_exception_ptr(FileError("BZR01d2d.des: vanished")), kExitFailedMidway,
         "KalemirQ: BZR01d2d.des: vanished\n"},
        {"write", std::make_exception_ptr(WriteFailure("rezultat.rez: disk full")),
         kExitFailedMidway, "KalemirQ: rezultat.rez: disk full\n"},
        {"stop", std::make_exception_ptr(StopProgram("stopped by error 51")), kExitStopProgram,
         "KalemirQ: stopped by error 51 (see rezultat.rez)\n"},
        {"interrupt", std::make_exception_ptr(RunInterrupted()), kExitInterrupted,
         "KalemirQ: interrupted; the report so far is in rezultat.rez\n"},
        {"memory", std::make_exception_ptr(std::bad_alloc()), kExitFailedMidway,
         "KalemirQ: not enough memory\n"},
        {"logic", std::make_exception_ptr(std::out_of_range("vector::at")), kExitFailedMidway,
         "KalemirQ: unexpected fault: vector::at\n"},
        {"runtime", std::make_exception_ptr(std::runtime_error("thread not started")),
         kExitFailedMidway, "KalemirQ: unexpected fault: thread not started\n"},
        {"not an exception", std::make_exception_ptr(42), kExitFailedMidway,
         "KalemirQ: unexpected fault\n"},
    };
    for (const GuardCase& c : cases) {
        const GuardVerdict verdict = VerdictOn(program, c.thrown);
        EXPECT_EQ(verdict.status, c.status) << c.what;
        EXPECT_EQ(verdict.message, c.message) << c.what;
    }
}

TEST(RunGuarded, TheBodysStatusPassesAndAFaultIsToldOnStandardError) {
    GuardedProgram program{"KalemirS"};
    EXPECT_EQ(RunGuarded(program, [] { return kExitUsage; }), kExitUsage);
    ::testing::internal::CaptureStderr();
    // The body says what it learnt before the fault: the guard reads it when the run ends.
    const int status = RunGuarded(program, [&program]() -> int {
        program.outOfMemory = "not enough memory for 12000 molecules";
        throw std::bad_alloc();
    });
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "KalemirS: not enough memory for 12000 molecules\n");
    EXPECT_EQ(status, kExitFailedMidway);
}

} // namespace
} // namespace kalemir
