// The result files: SHA-256 of the input tables against the published test vectors, and a
// write that fails part-way leaves no cut file that would read as complete results.

#include "qspr/validation/ResultFiles.h"

#include "common/Errors.h"
#include "common/FileFaults.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kalemir::qspr {
namespace {

namespace fs = std::filesystem;

TEST(ResultFilesTest, Sha256OfPublishedVectors) {
    kalemir::testing::ScratchDir dir("sha");
    const struct {
        std::string bytes;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    const std::string path = (dir.Path() / "table").string();
    for (const auto& c : cases) {
        std::ofstream(path, std::ios::binary) << c.bytes;
        EXPECT_EQ(Sha256OfFile(path), c.digest) << c.bytes.size();
    }
    EXPECT_THROW(Sha256OfFile((dir.Path() / "missing").string()), FileError);
}

TEST(ResultFilesTest, FailedWriteLeavesNoCutFile) {
    kalemir::testing::ScratchDir dir("results-fault");
    std::ofstream("Q", std::ios::binary) << "Cases\tp\r\na\t1\r\nb\t3\r\nc\t2\r\n";
    ProgramState state;
    state.QsprTableName = "Q";
    BestModelRecord& m = state.Record.BestModel;
    m.Descriptors = {"x"};
    m.Coefficients = {0.5};
    m.CalibrationNames = {"a", "b", "c"};
    m.CalibrationValues = {{1}, {2}, {4}};
    m.Observed = {1, 3, 2};
    m.Estimated = {1.5, 2, 2.5};
    const ResultInputs inputs{"Q", {}, std::nullopt};
    for (const long n : {1L, 2L}) {
        FailNthWrite(n);
        EXPECT_THROW(WriteResultFiles(state, inputs, std::nullopt), FileError) << n;
        FailNthWrite(0);
        EXPECT_FALSE(fs::exists(n == 1 ? "Q-results.json" : "Q-validation.txt")) << n;
    }
    WriteResultFiles(state, inputs, std::nullopt);
    EXPECT_TRUE(fs::exists("Q-results.json"));
    EXPECT_TRUE(fs::exists("Q-validation.txt"));
}

} // namespace
} // namespace kalemir::qspr
