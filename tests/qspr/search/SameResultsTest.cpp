// The searches' fast path (passing by fits that provably change nothing, candidates fitted
// by several workers) against the plain path that fits every candidate one after another
// on one thread: whole runs on random tables and on the examples must write the same
// files byte for byte (the lines carrying the run's date aside).

#include "TestData.h"
#include "common/ComputingWindow.h"
#include "common/DateTime.h"
#include "qspr/core/Fit.h"
#include "qspr/run/ComputingState.h"
#include "qspr/run/Driver.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/Workfiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

/// Shape and awkward features of one random table set.
struct Shape {
    int calibration;
    int prediction;
    int continuous;
    int counts;
    unsigned seed;
    bool outliers;  ///< eliminate outliers: several cycles
    int predictors; ///< max. predictors entry
};

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

/// Writes T (QSPR table), Td2d.des and Tvfr.des: continuous descriptors on shared
/// factors, a constant column, a duplicate column, integer count columns full of ties,
/// and a property made of a few of them plus noise.
void WriteTables(const Shape& shape) {
    std::mt19937_64 random(shape.seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const int molecules = shape.calibration + shape.prediction;
    std::string qspr = "Cases\tProperty\r\n";
    std::string des = "Cases";
    const int width = shape.continuous + 2 + shape.counts;
    for (int c = 1; c <= width; ++c) {
        des += "\tD" + std::to_string(c);
    }
    des += "\r\n";
    std::string vfr = "Cases\tF1\tF2\tF3\tF4\r\n";
    for (int m = 0; m < molecules; ++m) {
        const std::string name = "m" + std::to_string(1000 + m);
        const double f1 = normal(random), f2 = normal(random);
        std::vector<double> row;
        for (int c = 0; c < shape.continuous; ++c) {
            row.push_back(10 +
                          3 * ((c % 2 == 0 ? f1 : f2) * (0.2 + 0.1 * (c % 5)) + normal(random)));
        }
        row.push_back(4);      // constant
        row.push_back(row[0]); // duplicate of the first
        for (int c = 0; c < shape.counts; ++c) {
            row.push_back(
                uniform(random) < 0.2 + 0.05 * (c % 4) ? std::floor(1 + 3 * uniform(random)) : 0);
        }
        des += name;
        for (double v : row) {
            des += "\t" + Number(v);
        }
        des += "\r\n";
        double y = 6 + 0.5 * f1 - 0.3 * f2 + 0.4 * normal(random) + 0.3 * row[width - 1];
        if (m == 3) {
            y += 4; // an outlier to remove
        }
        qspr += name + "\t" + (m < shape.calibration ? Number(y) : std::string("?")) + "\r\n";
        double shares[4];
        double total = 0;
        for (double& s : shares) {
            s = uniform(random) < 0.5 ? uniform(random) : 0;
            total += s;
        }
        vfr += name;
        for (double s : shares) {
            vfr += "\t" + Number(total > 0 ? 100 * s / total : 0);
        }
        vfr += "\r\n";
    }
    WriteFile("T", qspr);
    WriteFile("Td2d.des", des);
    WriteFile("Tvfr.des", vfr);
}

/// Writes G (QSPR table), Gd2d.des and Gvfr.des with `descriptors` continuous columns,
/// nearly all of them significant: each mixes two of four factors the property is made
/// of, with its own share of noise, so their r2 with the property spread widely.
void WriteLargeGroupTables(int calibration, int prediction, int descriptors, unsigned seed) {
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::string qspr = "Cases\tProperty\r\n";
    std::string des = "Cases";
    for (int c = 1; c <= descriptors; ++c) {
        des += "\tD" + std::to_string(c);
    }
    des += "\r\n";
    std::string vfr = "Cases\tF1\tF2\tF3\r\n";
    for (int m = 0; m < calibration + prediction; ++m) {
        const std::string name = "g" + std::to_string(1000 + m);
        double f[4];
        for (double& v : f) {
            v = normal(random);
        }
        des += name;
        for (int c = 0; c < descriptors; ++c) {
            const double noise = 0.2 + 0.05 * (c % 23);
            des += "\t" + Number(10 + f[c % 4] + 0.7 * f[(c / 4) % 4] + noise * normal(random));
        }
        des += "\r\n";
        const double y = f[0] + 0.8 * f[1] + 0.6 * f[2] + 0.4 * f[3] + 0.3 * normal(random);
        qspr += name + "\t" + (m < calibration ? Number(y) : std::string("?")) + "\r\n";
        vfr += name + "\t" + Number(std::floor(4 * uniform(random))) + "\t" +
               Number(f[0] > 0 ? 1 : 0) + "\t" + Number(std::floor(3 * uniform(random))) + "\r\n";
    }
    WriteFile("G", qspr);
    WriteFile("Gd2d.des", des);
    WriteFile("Gvfr.des", vfr);
}

/// The figure a report line starting with `label` gives (0 when no line does).
double ReportFigure(const std::map<std::string, std::string>& files, const std::string& label) {
    for (const auto& [name, bytes] : files) {
        const std::size_t at = bytes.find(label);
        if (at != std::string::npos) {
            return std::atof(bytes.c_str() + at + label.size());
        }
    }
    return 0;
}

/// Every file of the current folder, lines with today's date left out.
std::map<std::string, std::string> FolderFiles() {
    std::map<std::string, std::string> files;
    const std::string today = DateText();
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::istringstream in(ReadFile(entry.path().string()));
        std::string kept;
        for (std::string line; std::getline(in, line);) {
            if (line.find(today) == std::string::npos) {
                kept += line + "\n";
            }
        }
        files[entry.path().filename().string()] = kept;
    }
    return files;
}

/// One whole run in a fresh folder; `prepare` writes or copies the tables there.
template <typename Prepare>
std::map<std::string, std::string>
RunOnce(const std::string& label, bool passBy, int threads, Prepare prepare,
        const std::string& qsprTable, const std::vector<std::string>& tables, bool outliers,
        int predictors, double* bestQ = nullptr, long long* passed = nullptr) {
    ScratchDir dir{"same-" + label + (passBy ? "-fast" : "-plain") + std::to_string(threads)};
    prepare();
    ProgramState ps;
    ps.ThreadCount = threads;
    ComputingState cs;
    cs.Search.PassByIdleFits = passBy;
    SilentWindow window;
    WorkfilesChoice choice;
    choice.QsprTable = qsprTable;
    choice.ListedTables = tables;
    choice.Selected.assign(tables.size(), true);
    EXPECT_TRUE(WorkfilesOk(ps, choice));
    ParameterEntries entries = LoadParameters(ps);
    entries.EliminateOutliers = outliers;
    if (predictors > 0) {
        entries.MaxPredictorsText = std::to_string(predictors);
    }
    EXPECT_EQ(ParametersOk(ps, entries), ParametersOutcome::Compute);
    RunComputation(ps, cs, window);
    if (bestQ != nullptr) {
        *bestQ = cs.Search.Progress.BestQ;
    }
    if (passed != nullptr) {
        *passed = cs.Search.PassedFitCount;
    }
    return FolderFiles();
}

void ExpectSame(const std::map<std::string, std::string>& fast,
                const std::map<std::string, std::string>& plain) {
    ASSERT_EQ(fast.size(), plain.size());
    for (const auto& [name, bytes] : plain) {
        ASSERT_TRUE(fast.count(name)) << name;
        EXPECT_TRUE(fast.at(name) == bytes) << name << " differs";
    }
}

class SameResults : public ::testing::TestWithParam<Shape> {};

TEST_P(SameResults, RandomTablesGiveTheSameFiles) {
    const Shape shape = GetParam();
    const std::string label = std::to_string(shape.seed);
    auto prepare = [&] { WriteTables(shape); };
    const std::vector<std::string> tables{"Td2d.des", "Tvfr.des"};
    double qFast = 0;
    double qPlain = 0;
    long long passed = 0;
    // The fast path (the bound, the fit lanes) on 1, 2 or 3 workers by the shape.
    const int threads = 1 + static_cast<int>(shape.seed % 3);
    const auto fast = RunOnce(label, true, threads, prepare, "T", tables, shape.outliers,
                              shape.predictors, &qFast, &passed);
    const auto plain =
        RunOnce(label, false, 1, prepare, "T", tables, shape.outliers, shape.predictors, &qPlain);
    ExpectSame(fast, plain);
    EXPECT_EQ(qFast, qPlain);
    EXPECT_GT(plain.size(), 3u); // the tables and at least a report and a predictor file
    if (shape.calibration >= 120) {
        EXPECT_GT(passed, 0); // the short cut was taken
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, SameResults,
    ::testing::Values(Shape{40, 0, 12, 6, 1, false, 0},   // fewer than 1000 pairs
                      Shape{60, 8, 30, 20, 2, true, 0},   // outlier cycles, a prediction set
                      Shape{120, 0, 60, 40, 3, false, 6}, // more than 1000 pairs
                      Shape{150, 20, 60, 40, 4, true, 5}, Shape{30, 0, 50, 10, 5, false, 4},
                      Shape{300, 0, 40, 120, 6, false, 10}));

TEST(SameResults, SelectionWithinGroupsOnAnyThreadCount) {
    // More than 1000 significant descriptors: the chains pick the descriptors the search
    // gets, and a chain step fitted on the workers must mark what the plain scan marks.
    auto prepare = [] { WriteLargeGroupTables(40, 6, 1150, 7); };
    const std::vector<std::string> tables{"Gd2d.des", "Gvfr.des"};
    const auto plain = RunOnce("groups", false, 1, prepare, "G", tables, false, 3);
    EXPECT_GT(ReportFigure(plain, "Number of significant descriptors: "), 1000);
    const double selected = ReportFigure(plain, "Number of selected significant descriptors: ");
    EXPECT_GT(selected, 3);
    EXPECT_LT(selected, 980);
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        ExpectSame(RunOnce("groups", true, threads, prepare, "G", tables, false, 3), plain);
    }
}

TEST(SameResults, ExamplesGiveTheSameFiles) {
    struct Example {
        std::string table;
        std::vector<std::string> tables;
    };
    const std::vector<Example> examples{{"BZR01", {"BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"}},
                                        {"BZR02", {"BZR02d2d.des", "BZR02vfr.des"}}};
    for (const Example& example : examples) {
        auto prepare = [&] {
            for (const std::string& name : example.tables) {
                std::filesystem::copy_file(
                    std::filesystem::path(KALEMIR_EXAMPLES_DIR "/bzr") / name, name);
            }
            std::filesystem::copy_file(
                std::filesystem::path(KALEMIR_EXAMPLES_DIR "/bzr") / example.table, example.table);
        };
        const auto plain =
            RunOnce(example.table, false, 1, prepare, example.table, example.tables, true, 0);
        for (int threads : {1, 2, 3}) {
            SCOPED_TRACE(example.table + " on " + std::to_string(threads) + " threads");
            ExpectSame(RunOnce(example.table, true, threads, prepare, example.table, example.tables,
                               true, 0),
                       plain);
        }
    }
}

} // namespace
} // namespace kalemir::qspr
