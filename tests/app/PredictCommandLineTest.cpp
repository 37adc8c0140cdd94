// KalemirT predict on the example molecules: the tables made by KalemirT, the model made by
// KalemirQ on them, then the same molecules estimated with the saved model.

#include "app/PredictCommandLine.h"

#include "app/QsprCommandLine.h"
#include "app/TablesCommandLine.h"
#include "common/Errors.h"
#include "support/TempDir.h"
#include "tables/SetManifest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <map>
#include <sstream>

namespace kalemir::tables {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::SplitReportLines;
using kalemir::testing::WriteFile;

const char* const kBzrSdf = "/usr/share/RDKit/Projects/DbCLI/testData/bzr.sdf";

int Quietly(int (*main)(const std::vector<std::string>&), const std::vector<std::string>& arguments,
            std::string* errors = nullptr) {
    ::testing::internal::CaptureStderr();
    ::testing::internal::CaptureStdout();
    const int status = main(arguments);
    ::testing::internal::GetCapturedStdout();
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (errors != nullptr) {
        *errors = text;
    }
    return status;
}

int Qspr(const std::vector<std::string>& arguments) {
    return qspr::QsprMain(arguments);
}

/// The example's 163 molecules, 15 held out, made into 2D, Morgan and fragment tables and
/// modelled: BZR09-results.json in the current folder.
void MakeModel() {
    ASSERT_EQ(Quietly(TablesMain, {"run", "--quiet", "--property", "ACTIVITY", "--hold-out", "15",
                                   "--tables", "qspr,d2d,mfp,vfr", kBzrSdf, "BZR09"}),
              kExitSuccess);
    ASSERT_EQ(
        Quietly(Qspr, {"run", "--quiet", "BZR09", "BZR09d2d.des", "BZR09mfp.des", "BZR09vfr.des"}),
        kExitSuccess);
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == ',') {
        fields.emplace_back();
    }
    return fields;
}

/// The estimates file's rows by name (without the header).
std::map<std::string, std::vector<std::string>> RowsByName(const std::string& file) {
    std::map<std::string, std::vector<std::string>> rows;
    const std::vector<std::string> lines = SplitReportLines(ReadFile(file));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (!lines[i].empty()) {
            const std::vector<std::string> fields = Fields(lines[i]);
            rows[fields[0]] = fields;
        }
    }
    return rows;
}

TEST(Predict, TheSetsOwnMoleculesGetTheEstimatesAndLeveragesOfTheRun) {
    ScratchDir dir("predict-own");
    MakeModel();
    ASSERT_EQ(Quietly(PredictMain, {"predict", "--quiet", "BZR09-results.json", kBzrSdf}),
              kExitSuccess);
    const std::string file = std::string(kBzrSdf) + "-estimates.csv";
    ASSERT_FALSE(std::filesystem::exists(file)) << "written beside a system file";
    const std::string estimates = "bzr.sdf-estimates.csv";
    ASSERT_TRUE(std::filesystem::exists(estimates)) << "not in the current folder";
    const std::vector<std::string> lines = SplitReportLines(ReadFile(estimates));
    EXPECT_EQ(lines.front(), "name,smiles,estimate,leverage,domain,nearest,similarity,problem");
    // One row per input molecule, in input order: the map file gives the input positions.
    ASSERT_EQ(lines.size(), 1u + 163u);
    const auto rows = RowsByName(estimates);
    std::map<std::string, std::string> inputName;
    for (const std::string& line : SplitReportLines(ReadFile("BZR09map.txt"))) {
        std::vector<std::string> f;
        std::stringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) {
            f.push_back(field);
        }
        if (f.size() == 8 && f[0] != "Cases") {
            inputName[f[0]] = f[2];
            EXPECT_EQ(Fields(lines[std::stoul(f[3])])[0], f[2]) << "input position " << f[3];
            EXPECT_EQ(rows.at(f[2])[1], f[6]) << "the map file's standardised SMILES";
        }
    }

    // The run's own figures, in full precision in the results file: the estimates file
    // writes 6 decimals.
    const auto results = nlohmann::json::parse(ReadFile("BZR09-results.json"));
    const double h = results["best_equation"]["warning_leverage"];
    int compared = 0;
    auto check = [&](const std::string& molecule, double estimate, double leverage) {
        const std::vector<std::string>& row = rows.at(inputName.at(molecule));
        EXPECT_NEAR(std::stod(row[2]), estimate, 5.1e-7) << molecule;
        EXPECT_NEAR(std::stod(row[3]), leverage, 5.1e-7) << molecule;
        EXPECT_EQ(row[4], leverage > h ? "outside" : "inside") << molecule;
        ++compared;
    };
    for (const auto& m : results["calibration"]) {
        check(m["molecule"], m["estimated"], m["leverage"]);
        // A calibration molecule is its own nearest calibration molecule.
        EXPECT_EQ(rows.at(inputName.at(m["molecule"]))[5], m["molecule"]);
        EXPECT_EQ(rows.at(inputName.at(m["molecule"]))[6], "1.0000");
    }
    for (const auto& m : results["prediction"]["molecules"]) {
        check(m["molecule"], m["best_by_q"]["estimate"], m["best_by_q"]["leverage"]);
    }
    EXPECT_EQ(compared, 163 - static_cast<int>(results["cycles"].size()) + 1);

    // The -EST file's first block (the best equation by Q, 3 decimals).
    const std::vector<std::string> est = SplitReportLines(ReadFile("BZR09-EST"));
    ASSERT_EQ(est.front().substr(0, 15), "Mol\tCalc. by Q#");
    for (std::size_t i = 1; i < est.size() && !est[i].empty() && est[i][0] != 'M'; ++i) {
        const std::size_t tab = est[i].find('\t');
        const std::string molecule = est[i].substr(0, tab);
        const double printed = std::stod(est[i].substr(tab + 1));
        EXPECT_NEAR(std::stod(rows.at(inputName.at(molecule))[2]), printed, 0.0005 + 1e-6)
            << molecule;
    }
}

TEST(Predict, AModelOfOtherTablesIsRefusedUnlessAllowed) {
    ScratchDir dir("predict-other");
    MakeModel();
    WriteFile("new.smi", "CCOc1ccccc1 a\nnot-a-smiles b\nC*C c\n");
    auto results = nlohmann::ordered_json::parse(ReadFile("BZR09-results.json"));
    results["table_manifest"]["version"] = "0.0.9";
    WriteFile("edited-results.json", results.dump(2));
    results.erase("table_manifest");
    WriteFile("bare-results.json", results.dump(2));
    struct Case {
        const char* model;
        std::string problem;
    };
    const std::string toolkit =
        nlohmann::json::parse(ReadFile("BZR09manifest.json"))["toolkit_version"];
    for (const Case& c :
         {Case{"edited-results.json",
               "edited-results.json: the tables of the model were made by KalemirT 0.0.9 with "
               "RDKit " +
                   toolkit + ", this is KalemirT " + TableMakerVersion()},
          Case{"bare-results.json", "bare-results.json: no table manifest: the tables of the "
                                    "model were not made by KalemirT (or by a version without "
                                    "manifests)"}}) {
        SCOPED_TRACE(c.model);
        std::string errors;
        EXPECT_EQ(Quietly(PredictMain, {"predict", c.model, "new.smi"}, &errors), kExitUsage);
        EXPECT_EQ(errors.find("KalemirT: " + c.problem), 0u) << errors;
        EXPECT_NE(errors.find("(--allow-other-tables to estimate anyway)"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists("new.smi-estimates.csv"));
        EXPECT_EQ(
            Quietly(PredictMain, {"predict", "--allow-other-tables", c.model, "new.smi"}, &errors),
            kExitSuccess);
        EXPECT_EQ(errors.find("KalemirT: warning: " + c.problem), 0u) << errors;
        std::filesystem::remove("new.smi-estimates.csv");
    }

    // Molecules that cannot be described keep their rows, with the reason and no estimate.
    ASSERT_EQ(Quietly(PredictMain, {"predict", "BZR09-results.json", "new.smi"}), kExitSuccess);
    const std::vector<std::string> lines = SplitReportLines(ReadFile("new.smi-estimates.csv"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Fields(lines[1])[0], "a");
    EXPECT_FALSE(Fields(lines[1])[2].empty());
    EXPECT_EQ(Fields(lines[1]).back(), "");
    for (const std::size_t i : {2u, 3u}) {
        const std::vector<std::string> f = Fields(lines[i]);
        EXPECT_EQ(f[2], "") << lines[i];
        EXPECT_FALSE(f.back().empty()) << lines[i];
    }
    EXPECT_EQ(Fields(lines[2]).back(), "the SMILES cannot be read");
}

// With every ranked equation, each prediction molecule gets the run's low/high label: the
// report's vote over the equations, from the bounds the results file keeps.
TEST(Predict, EveryEquationGivesTheRunsLowHighLabels) {
    ScratchDir dir("predict-vote");
    MakeModel();
    ASSERT_EQ(Quietly(PredictMain, {"predict", "--quiet", "--equations", "all", "-o", "all.csv",
                                    "BZR09-results.json", kBzrSdf}),
              kExitSuccess);
    const auto results = nlohmann::json::parse(ReadFile("BZR09-results.json"));
    const auto& bounds = results["prediction_bounds"];
    const std::vector<std::string> lines = SplitReportLines(ReadFile("all.csv"));
    std::string header = "name,smiles,estimate,leverage,domain,nearest,similarity";
    for (const auto& b : bounds) {
        header += ",estimate#" + std::to_string(b["equation"].get<int>());
    }
    ASSERT_EQ(lines.front(), header + ",label,problem");
    std::map<std::string, std::string> inputName;
    for (const std::string& line : SplitReportLines(ReadFile("BZR09map.txt"))) {
        std::stringstream in(line);
        std::string cases;
        std::string set;
        std::string input;
        std::getline(in, cases, '\t');
        std::getline(in, set, '\t');
        std::getline(in, input, '\t');
        inputName[cases] = input;
    }
    const auto rows = RowsByName("all.csv");
    int compared = 0;
    for (const auto& m : results["prediction"]["molecules"]) {
        const std::vector<std::string>& row = rows.at(inputName.at(m["molecule"]));
        // An estimate from the 4-decimal coefficients within 0.002 of a bound may fall on
        // the other side of it than the run's: such molecules are not compared.
        bool nearBound = false;
        for (std::size_t b = 0; b < bounds.size(); ++b) {
            const double estimate = std::stod(row[7 + b]);
            nearBound = nearBound || std::abs(estimate - bounds[b]["low"].get<double>()) < 0.002 ||
                        std::abs(estimate - bounds[b]["high"].get<double>()) < 0.002;
        }
        if (nearBound) {
            continue;
        }
        EXPECT_EQ(row[7 + bounds.size()], m["label"].is_null() ? "" : m["label"].get<std::string>())
            << m["molecule"];
        ++compared;
    }
    EXPECT_GE(compared, 12); // of the 15 prediction molecules
}

TEST(Predict, TheSlicesConcatenatedAreTheWholeFile) {
    ScratchDir dir("predict-parts");
    MakeModel();
    ASSERT_EQ(Quietly(PredictMain, {"predict", "--threads", "2", "-o", "whole.csv",
                                    "BZR09-results.json", kBzrSdf}),
              kExitSuccess);
    std::string joined;
    for (const char* part : {"1/3", "2/3", "3/3"}) {
        const std::string name = std::string("part") + part[0] + ".csv";
        ASSERT_EQ(Quietly(PredictMain, {"predict", "--part", part, "--threads", "1", "-o", name,
                                        "BZR09-results.json", kBzrSdf}),
                  kExitSuccess);
        joined += ReadFile(name);
    }
    EXPECT_EQ(joined, ReadFile("whole.csv"));
    // 163 molecules in three slices by position: 54, 54 and 55.
    EXPECT_EQ(SliceOf(163, 1, 3), (std::pair<long, long>{0, 54}));
    EXPECT_EQ(SliceOf(163, 2, 3), (std::pair<long, long>{54, 108}));
    EXPECT_EQ(SliceOf(163, 3, 3), (std::pair<long, long>{108, 163}));
    EXPECT_EQ(SliceOf(2, 1, 5), (std::pair<long, long>{0, 0})); // an empty slice
    EXPECT_EQ(SliceOf(2, 3, 5), (std::pair<long, long>{0, 1}));
    for (const char* bad : {"0/3", "4/3", "3", "1/0", "a/b"}) {
        EXPECT_THROW(ParsePredictArguments({"--part", bad, "m.json", "s.smi"}), InputError) << bad;
    }
}

} // namespace
} // namespace kalemir::tables
