#include "common/WorkFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kalemir {
namespace {

void Touch(const std::string& path) {
    std::ofstream(path) << "x";
}

TEST(WorkFileSetTest, RegisteredFilesDoNotOutliveTheSet) {
    const std::string a = ::testing::TempDir() + std::to_string(::getpid()) + "newtab 1.des";
    const std::string b = ::testing::TempDir() + std::to_string(::getpid()) + "kept.dat";
    {
        WorkFileSet files;
        files.Add(a);
        files.Add(b);
        Touch(a);
        Touch(b);
        files.Keep(b);
    }
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_TRUE(std::filesystem::exists(b));
    std::remove(b.c_str());
}

TEST(WorkFileSetTest, RemoveDeletesAtOnce) {
    const std::string a = ::testing::TempDir() + std::to_string(::getpid()) + "newtab 2.des";
    WorkFileSet files;
    files.Add(a);
    Touch(a);
    files.Remove(a);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_TRUE(files.Paths().empty());
}

} // namespace
} // namespace kalemir
