// One run per folder: the lock file names its holder, refuses a second run while the
// holder lives, and is taken over once it is gone.

#include "common/RunLock.h"
#include "common/Errors.h"
#include "common/WorkFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace kalemir {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

std::string Refusal(const std::string& program) {
    try {
        RunLock second(program);
    } catch (const InputError& e) {
        return e.what();
    }
    return {};
}

TEST(RunLockTest, TheLockFileNamesTheProcessAndGoesWithTheLock) {
    ScratchDir dir{"lock-name"};
    {
        RunLock lock("KalemirQ");
        EXPECT_EQ(ReadFile(kRunLockName), std::to_string(getpid()) + " KalemirQ\n");
        EXPECT_EQ(RunLockHolder(), "KalemirQ (process " + std::to_string(getpid()) + ")");
    }
    EXPECT_FALSE(std::filesystem::exists(kRunLockName));
}

TEST(RunLockTest, TakingTheLockRemovesWhatAKilledRunLeftInTheWorkFolder) {
    ScratchDir dir{"lock-stale"};
    std::filesystem::create_directories(std::string(kWorkFolderName) + "/sub");
    WriteFile(WorkFilePath("kalemirq-copy1-Avfr.des"), "Cases\tCH3\r\n");
    WriteFile("Avfr.des", "Cases\tCH3\r\n");
    {
        RunLock lock("KalemirQ");
        EXPECT_FALSE(std::filesystem::exists(kWorkFolderName));
        WorkFileSet files;
        files.Add(WorkFilePath("newtab 1.des"));
        WriteFile(WorkFilePath("newtab 1.des"), "x");
    }
    EXPECT_FALSE(std::filesystem::exists(kWorkFolderName));
    EXPECT_TRUE(std::filesystem::exists("Avfr.des")); // the user's table stays
}

TEST(RunLockTest, ASecondRunIsRefusedWithTheFolderAndTheHolder) {
    ScratchDir dir{"lock-second"};
    RunLock lock("KalemirS");
    const std::string message = Refusal("KalemirQ");
    EXPECT_NE(message.find(dir.Path().string() + ": "), std::string::npos) << message;
    EXPECT_NE(message.find("KalemirS (process " + std::to_string(getpid()) + ")"),
              std::string::npos)
        << message;
    // The refused run leaves the holder's file alone.
    EXPECT_EQ(ReadFile(kRunLockName), std::to_string(getpid()) + " KalemirS\n");
}

TEST(RunLockTest, ALockLeftByACrashedRunIsTakenOver) {
    ScratchDir dir{"lock-stale"};
    // A child takes the lock and dies without cleaning up, as a crash would.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        new RunLock("KalemirQ"); // never released
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(ReadFile(kRunLockName), std::to_string(child) + " KalemirQ\n");
    EXPECT_EQ(Refusal("KalemirS"), "");
    RunLock lock("KalemirS");
    EXPECT_EQ(ReadFile(kRunLockName), std::to_string(getpid()) + " KalemirS\n");
}

TEST(RunLockTest, ALiveRunInAnotherProcessHoldsTheFolder) {
    ScratchDir dir{"lock-child"};
    int ready[2];
    int done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        {
            RunLock lock("KalemirQ");
            char c = 'r';
            static_cast<void>(write(ready[1], &c, 1));
            static_cast<void>(read(done[0], &c, 1));
        }
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    const std::string message = Refusal("KalemirS");
    EXPECT_NE(message.find("KalemirQ (process " + std::to_string(child) + ") is running"),
              std::string::npos)
        << message;
    ASSERT_EQ(write(done[1], &c, 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_FALSE(std::filesystem::exists(kRunLockName));
    EXPECT_EQ(Refusal("KalemirS"), "");
}

TEST(RunLockTest, AnUnwritableFolderIsAClearInputError) {
    ScratchDir dir{"lock-readonly"};
    std::filesystem::create_directory("ro");
    std::filesystem::permissions("ro", std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_exec);
    if (access("ro", W_OK) == 0) {
        GTEST_SKIP() << "running as a user who may write anywhere";
    }
    EXPECT_THROW(RunLock("KalemirQ", "ro/.kalemir.lock"), InputError);
}

} // namespace
} // namespace kalemir
