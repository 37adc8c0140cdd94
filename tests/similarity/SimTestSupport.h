#pragma once

#include <unistd.h>
// Tiny similarity tables written into a temporary working folder.

#include "similarity/SimTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kalemir::sim::test {

/// Makes a fresh temporary folder the working directory for the test and goes back after.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string leaf =
            "kalemir-sim-" + std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : leaf) {
            c = c == '/' ? '_' : c;
        }
        // The process number keeps concurrent test runs (two build trees) apart.
        folder_ =
            std::filesystem::temp_directory_path() / (leaf + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
};

/// One molecule of a table: its fragment amounts and its fixed columns F+1..F+27 (missing
/// ones are 0).
struct Row {
    std::string name;
    std::vector<std::string> fragments;
    std::vector<std::string> fixed; // fixed[0] is column F+1
};

/// Default fixed columns: USR moments 1, NPRsum 2.2, PMIs 3 2 1, volume 300, TPSA 40, HBDA 5,
/// flexibility 4, property, Natoms 20, complexity 500.
inline std::vector<std::string> FixedColumns(const std::string& property, double shift = 0) {
    std::vector<std::string> fixed;
    for (int k = 0; k < 12; ++k) {
        fixed.push_back(std::to_string(1.0 + shift));
    }
    for (const char* v : {"2.2", "3", "2", "1"}) {
        fixed.emplace_back(v);
    }
    fixed.push_back(std::to_string(300 + 100 * shift));
    fixed.push_back(std::to_string(40 + 10 * shift));
    fixed.push_back(std::to_string(5 + shift));
    fixed.push_back(std::to_string(4 + shift));
    fixed.push_back(property);
    fixed.emplace_back("20");
    fixed.push_back(std::to_string(500 + 100 * shift));
    for (int k = 0; k < 4; ++k) {
        fixed.emplace_back("0");
    }
    return fixed;
}

inline std::string Join(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        line += (k ? "\t" : "") + fields[k];
    }
    return line;
}

/// Writes a similarity table with CR LF line ends.
inline void WriteTable(const std::string& path, int nc, int np,
                       const std::vector<std::string>& fragmentNames,
                       const std::vector<Row>& rows) {
    std::vector<std::string> header{"Cases"};
    header.insert(header.end(), fragmentNames.begin(), fragmentNames.end());
    for (int k = 1; k <= 22; ++k) {
        header.push_back("D" + std::to_string(k));
    }
    for (const std::string& v :
         {std::to_string(nc), std::to_string(np), std::to_string(fragmentNames.size()),
          std::string("0"), std::string("0")}) {
        header.push_back(v);
    }
    std::ofstream out(path, std::ios::binary);
    out << Join(header) << "\r\n";
    for (const Row& row : rows) {
        std::vector<std::string> fields{row.name};
        fields.insert(fields.end(), row.fragments.begin(), row.fragments.end());
        fields.insert(fields.end(), row.fixed.begin(), row.fixed.end());
        out << Join(fields) << "\r\n";
    }
}

/// The choices of a run on `tableFileName`, its file names derived from it.
inline RunChoices ChoicesFor(const std::string& tableFileName, int shapeMethod = kCorrectedUsr,
                             int threads = 0) {
    RunChoices choices;
    choices.TableFileName = tableFileName;
    choices.ShapeMethod = shapeMethod;
    choices.Threads = threads;
    DeriveFileNames(choices);
    return choices;
}

inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// The lines of a file without their CR LF.
inline std::vector<std::string> FileLines(const std::string& path) {
    return kalemir::testing::SplitReportLines(FileText(path));
}

} // namespace kalemir::sim::test
