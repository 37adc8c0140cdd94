// The result files of whole runs of the QSPR command line on the example tables: the
// JSON's best equation reproduces the report's estimates, the example's lone SO2 molecule
// is found, observed values reach the external validation, and an observed table that
// names a molecule outside the prediction set is refused before anything is written.

#include "app/QsprCommandLine.h"

#include "TestData.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

namespace kalemir::qspr {
namespace {

namespace fs = std::filesystem;
using kalemir::testing::CopyExample;
using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::SplitReportLines;
using kalemir::testing::WriteFile;

const std::string kExample = std::string(KALEMIR_EXAMPLES_DIR) + "/bzr";

int RunQuietly(const std::vector<std::string>& arguments, std::string* errors = nullptr) {
    ::testing::internal::CaptureStderr();
    const int status = QsprMain(arguments);
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (errors != nullptr) {
        *errors = text;
    }
    return status;
}

/// Least-squares estimate at `x` of y on the rows (with an intercept), refitted from the
/// normal equations of the centred rows by elimination with partial pivoting; none when
/// the rows leave a predictor constant.
std::optional<double> RefitEstimate(const std::vector<std::vector<double>>& rows,
                                    const std::vector<double>& y, const std::vector<double>& x) {
    const std::size_t n = rows.size();
    const std::size_t p = x.size();
    std::vector<long double> mean(p + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = 0; k < p; ++k) {
            mean[k] += rows[i][k] / static_cast<long double>(n);
        }
        mean[p] += y[i] / static_cast<long double>(n);
    }
    std::vector<std::vector<long double>> a(p, std::vector<long double>(p + 1, 0));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t r = 0; r < p; ++r) {
            for (std::size_t c = 0; c < p; ++c) {
                a[r][c] += (rows[i][r] - mean[r]) * (rows[i][c] - mean[c]);
            }
            a[r][p] += (rows[i][r] - mean[r]) * (y[i] - mean[p]);
        }
    }
    for (std::size_t c = 0; c < p; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < p; ++r) {
            pivot = std::fabs(a[r][c]) > std::fabs(a[pivot][c]) ? r : pivot;
        }
        if (std::fabs(a[pivot][c]) < 1e-12L) {
            return std::nullopt;
        }
        std::swap(a[pivot], a[c]);
        for (std::size_t r = 0; r < p; ++r) {
            if (r != c) {
                const long double f = a[r][c] / a[c][c];
                for (std::size_t k = c; k <= p; ++k) {
                    a[r][k] -= f * a[c][k];
                }
            }
        }
    }
    long double estimate = mean[p];
    for (std::size_t k = 0; k < p; ++k) {
        estimate += a[k][p] / a[k][k] * (x[k] - mean[k]);
    }
    return static_cast<double>(estimate);
}

class QsprResultFilesTest : public ::testing::Test {
protected:
    ScratchDir dir{"qspr-results"};
    void SetUp() override {
        CopyExample(kExample, {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"});
    }
    fs::path At(const std::string& name) const { return dir.Path() / name; }
};

TEST_F(QsprResultFilesTest, JsonReproducesTheReportAndCarriesObservedValues) {
    WriteFile(At("BZR01obs"), "Cases\tpIC50\r\nbzr004\t7.1\r\nbzr040\t6.2\r\nbzr050\t8\r\n");
    ASSERT_EQ(RunQuietly({"run", "-C", dir.Path().string(), "--quiet", "--observed", "BZR01obs",
                          "BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"}),
              kExitSuccess);
    const nlohmann::json j = nlohmann::json::parse(ReadFile(At("BZR01-results.json")));
    EXPECT_EQ(j["format"], "kalemirq-results");

    // The report's table of the final cycle: molecule, estimated, observed (3 decimals).
    std::map<std::string, std::pair<double, double>> table;
    const std::vector<std::string> lines = SplitReportLines(ReadFile(At("BZR01qspr.rez")));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != "   Molecule   Estimated   Observed          Outlier Index") {
            continue;
        }
        table.clear();
        for (std::size_t k = i + 1; k < lines.size() && !lines[k].empty(); ++k) {
            std::istringstream row(lines[k]);
            std::string name;
            double estimated = 0;
            double observed = 0;
            row >> name >> estimated >> observed;
            table[name] = {estimated, observed};
        }
    }
    const auto& equation = j["best_equation"]["equation"];
    ASSERT_EQ(j["calibration"].size(), table.size());
    for (const auto& m : j["calibration"]) {
        double estimate = equation["intercept"];
        for (const auto& term : equation["terms"]) {
            estimate += term["coefficient"].get<double>() *
                        m["predictors"][term["descriptor"].get<std::string>()].get<double>();
        }
        const auto& row = table.at(m["molecule"]);
        EXPECT_NEAR(std::floor(1000 * estimate + 0.5) / 1000, row.first, 1e-9) << m["molecule"];
        EXPECT_NEAR(m["observed"].get<double>(), row.second, 5e-4) << m["molecule"];
    }

    // Leave-one-out estimates against refits without the molecule (every tenth molecule
    // and the one of leverage 1, whose refit leaves SO2 constant).
    std::vector<std::string> names;
    std::vector<std::vector<double>> rows;
    std::vector<double> y;
    for (const auto& m : j["calibration"]) {
        names.push_back(m["molecule"]);
        std::vector<double> row;
        for (const auto& term : equation["terms"]) {
            row.push_back(m["predictors"][term["descriptor"].get<std::string>()]);
        }
        rows.push_back(row);
        y.push_back(m["observed"]);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i % 10 != 0 && names[i] != "bzr036") {
            continue;
        }
        std::vector<std::vector<double>> others = rows;
        std::vector<double> othersY = y;
        others.erase(others.begin() + static_cast<long>(i));
        othersY.erase(othersY.begin() + static_cast<long>(i));
        const std::optional<double> refit = RefitEstimate(others, othersY, rows[i]);
        const auto& loo = j["calibration"][i]["loo_estimate"];
        ASSERT_EQ(refit.has_value(), !loo.is_null()) << names[i];
        if (refit) {
            EXPECT_NEAR(loo.get<double>(), *refit, 1e-9) << names[i];
        }
    }

    // The best equation's SO2 is non-zero for one calibration molecule alone.
    const auto& validation = j["validation"];
    EXPECT_EQ(validation["leave_one_out"]["fitted_exactly"], nlohmann::json::array({"bzr036"}));
    bool so2 = false;
    for (const auto& rare : validation["rare_predictors"]) {
        if (rare["descriptor"] == "SO2") {
            so2 = true;
            EXPECT_EQ(rare["molecules"], nlohmann::json::array({"bzr036"}));
        }
    }
    EXPECT_TRUE(so2);

    ASSERT_FALSE(validation["external"].empty());
    for (const auto& s : validation["external"]) {
        EXPECT_EQ(s["n"], 3);
    }
    int observed = 0;
    for (const auto& m : j["prediction"]["molecules"]) {
        observed += m["observed"].is_null() ? 0 : 1;
    }
    EXPECT_EQ(observed, 3);
    EXPECT_NE(ReadFile(At("BZR01-validation.txt")).find("   Q2 LOO = "), std::string::npos);
}

TEST_F(QsprResultFilesTest, TheTableSetsManifestIsCopiedAndNothingElseChanges) {
    const std::vector<std::string> run = {"run",          "-C",          dir.Path().string(),
                                          "--quiet",      "BZR01",       "BZR01d2d.des",
                                          "BZR01fpc.des", "BZR01vfr.des"};
    ASSERT_EQ(RunQuietly(run), kExitSuccess);
    nlohmann::ordered_json without =
        nlohmann::ordered_json::parse(ReadFile(At("BZR01-results.json")));
    EXPECT_FALSE(without.contains("table_manifest"));

    const std::string manifest = "{\r\n  \"format\": \"kalemirt-manifest\",\r\n  \"version\": "
                                 "\"0.1.0\",\r\n  \"tables\": [{\"file\": \"BZR01\"}]\r\n}\r\n";
    WriteFile(At("BZR01manifest.json"), manifest);
    ASSERT_EQ(RunQuietly(run), kExitSuccess);
    nlohmann::ordered_json with = nlohmann::ordered_json::parse(ReadFile(At("BZR01-results.json")));
    EXPECT_EQ(with["table_manifest"], nlohmann::ordered_json::parse(manifest));
    EXPECT_EQ(with.back(), with["table_manifest"]); // added last
    // With the manifest, each voting equation's bounds, in the order of the votes.
    ASSERT_EQ(with["prediction_bounds"].size(), with["prediction"]["equations"].size());
    for (std::size_t b = 0; b < with["prediction_bounds"].size(); ++b) {
        const auto& bounds = with["prediction_bounds"][b];
        EXPECT_EQ(bounds["equation"], with["prediction"]["equations"][b]);
        EXPECT_LT(bounds["low"].get<double>(), bounds["high"].get<double>());
    }
    with.erase("table_manifest");
    with.erase("prediction_bounds");
    with.erase("date");
    without.erase("date");
    EXPECT_EQ(with.dump(), without.dump());

    // A manifest that is not JSON is not copied.
    WriteFile(At("BZR01manifest.json"), "{ cut");
    ASSERT_EQ(RunQuietly(run), kExitSuccess);
    EXPECT_FALSE(
        nlohmann::json::parse(ReadFile(At("BZR01-results.json"))).contains("table_manifest"));
}

TEST_F(QsprResultFilesTest, ObservedMoleculeOutsideThePredictionSetIsRefused) {
    // bzr001 is a calibration molecule of BZR01.
    WriteFile(At("BZR01obs"), "Cases\tpIC50\r\nbzr004\t7.1\r\nbzr001\t6.2\r\n");
    std::string errors;
    EXPECT_EQ(RunQuietly({"run", "-C", dir.Path().string(), "--observed", "BZR01obs", "BZR01",
                          "BZR01vfr.des"},
                         &errors),
              kExitUsage);
    EXPECT_NE(errors.find("BZR01obs line 3: molecule bzr001 is not in the prediction set"),
              std::string::npos)
        << errors;
    EXPECT_FALSE(fs::exists(At("BZR01qspr.rez")));
    EXPECT_FALSE(fs::exists(At("BZR01-results.json")));
}

/// The figures of the model report: id -> the full-precision data-value.
std::map<std::string, double> ReportFigures(const std::string& html) {
    std::map<std::string, double> figures;
    const std::string idMark = "id=\"";
    const std::string valueMark = "\" data-value=\"";
    for (std::size_t at = html.find(idMark); at != std::string::npos;
         at = html.find(idMark, at + 1)) {
        const std::size_t idEnd = html.find('"', at + idMark.size());
        if (html.compare(idEnd, valueMark.size(), valueMark) != 0) {
            continue;
        }
        const std::size_t valueStart = idEnd + valueMark.size();
        const std::string value = html.substr(valueStart, html.find('"', valueStart) - valueStart);
        figures[html.substr(at + idMark.size(), idEnd - at - idMark.size())] =
            value == "nan" ? NAN : std::stod(value);
    }
    return figures;
}

TEST_F(QsprResultFilesTest, ModelReportShowsTheJsonFiguresAndTheQmrfChapters) {
    WriteFile(At("BZR01obs"), "Cases\tpIC50\r\nbzr004\t7.1\r\nbzr040\t6.2\r\nbzr050\t8\r\n");
    ASSERT_EQ(
        RunQuietly({"run", "-C", dir.Path().string(), "--quiet", "--observed", "BZR01obs",
                    "--randomise", "4", "BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"}),
        kExitSuccess);
    const nlohmann::json j = nlohmann::json::parse(ReadFile(At("BZR01-results.json")));
    const std::string html = ReadFile(At("BZR01-model.html"));
    const std::map<std::string, double> f = ReportFigures(html);
    auto expectFigure = [&f](const std::string& id, const nlohmann::json& value) {
        ASSERT_EQ(f.count(id), 1u) << id;
        EXPECT_EQ(f.at(id), value.get<double>()) << id;
    };

    const auto& equation = j["best_equation"]["equation"];
    expectFigure("intercept-coefficient", equation["intercept"]);
    for (std::size_t k = 0; k < equation["terms"].size(); ++k) {
        expectFigure("term-" + std::to_string(k + 1) + "-coefficient",
                     equation["terms"][k]["coefficient"]);
        // Every predictor has its standard error, t, p and VIF.
        for (const char* figure : {"-se", "-t", "-p", "-vif"}) {
            EXPECT_TRUE(std::isfinite(f.at("term-" + std::to_string(k + 1) + figure)));
        }
    }
    for (const auto& cycle : j["cycles"]) {
        if (cycle["cycle"] != j["best_equation"]["cycle"]) {
            continue;
        }
        const auto& best = cycle["best_by_q"];
        expectFigure("calibration-r2", best["r2"]);
        expectFigure("calibration-q", best["q"]);
        expectFigure("calibration-f", best["f"]);
        expectFigure("calibration-see", best["see"]);
        expectFigure("calibration-r2cv", best["r2cv"]);
    }
    const auto& validation = j["validation"];
    expectFigure("loo-q2", validation["leave_one_out"]["q2"]);
    expectFigure("loo-press", validation["leave_one_out"]["press"]);
    expectFigure("warning-leverage", validation["applicability_domain"]["warning_leverage"]);
    expectFigure("external-1-q2f1", validation["external"][0]["q2_f1"]);
    expectFigure("external-1-ccc", validation["external"][0]["ccc"]);
    expectFigure("randomisation-runs", validation["randomisation"]["runs"]);
    expectFigure("randomisation-mean-r2", validation["randomisation"]["mean_r2"]);
    expectFigure("randomisation-cr2p", validation["randomisation"]["cr2p"]);
    const auto& molecules = j["prediction"]["molecules"];
    ASSERT_FALSE(molecules.empty());
    for (std::size_t p = 0; p < molecules.size(); ++p) {
        expectFigure("prediction-" + std::to_string(p + 1) + "-leverage",
                     molecules[p]["best_by_q"]["leverage"]);
    }
    EXPECT_NE(html.find(j["inputs"]["qspr_table"]["sha256"].get<std::string>()), std::string::npos);

    // Scatter, Williams and the two randomisation histograms, inline; nothing fetched.
    for (const char* plot :
         {"scatter-plot", "williams-plot", "randomisation-r2-plot", "randomisation-q-plot"}) {
        EXPECT_NE(html.find("<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"" + std::string(plot)),
                  std::string::npos)
            << plot;
    }
    EXPECT_EQ(html.find("src="), std::string::npos);
    EXPECT_EQ(html.find("href=\"http"), std::string::npos);

    // The QMRF draft's nine chapters, in the HTML too; the author's fields marked.
    const std::string qmrf = ReadFile(At("BZR01-qmrf.md"));
    for (const char* chapter :
         {"1. QSAR identifier", "2. General information", "3. Defining the endpoint",
          "4. Defining the algorithm", "5. Defining the applicability domain",
          "6. Internal validation", "7. External validation", "8. Mechanistic interpretation",
          "9. Miscellaneous information"}) {
        EXPECT_NE(qmrf.find("## " + std::string(chapter)), std::string::npos) << chapter;
        EXPECT_NE(html.find("<h3>" + std::string(chapter) + "</h3>"), std::string::npos) << chapter;
    }
    EXPECT_NE(qmrf.find("**3.2 Endpoint**  \r\n"), std::string::npos);
    EXPECT_NE(qmrf.find("[TO BE WRITTEN BY THE AUTHOR] the endpoint pIC50 stands for"),
              std::string::npos);
    EXPECT_NE(qmrf.find("148 / 6 = 24.7"), std::string::npos);
}

/// Asks the run to stop once the second shuffled analysis has begun, as Stop does.
class StopInSecondShuffledRun : public SilentWindow {
protected:
    void ProgressChanged(bool) override {
        if (Progress().Stage == "Y-randomisation" && Progress().Done >= 1) {
            RequestStop();
        }
    }
};

// A stop during the Y-randomisation used to leave a report ending with "Finishing all
// calculations" as if complete, and the result files of an earlier run beside it.
TEST_F(QsprResultFilesTest, AStopInTheRandomisationSaysWhereAndLeavesNoEarlierResults) {
    WriteFile(At("BZR01-results.json"), "{}");
    WriteFile(At("BZR01-validation.txt"), "of an earlier run");
    QsprRunOptions options;
    options.qsprTable = "BZR01";
    options.descriptorTables = {"BZR01d2d.des", "BZR01vfr.des"};
    options.randomise = "3";
    options.quiet = true;
    StopInSecondShuffledRun window;
    EXPECT_THROW(RunQsprCommand(options, window, nullptr, nullptr), RunInterrupted);
    const std::vector<std::string> lines = SplitReportLines(ReadFile(At("rezultat.rez")));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), "     ANALYSIS STOPPED in Y-randomisation run 2 of 3: the results "
                            "above are incomplete");
    EXPECT_EQ(lines[lines.size() - 2], "");
    for (const char* file : {"BZR01-results.json", "BZR01-validation.txt",
                             "BZR01-results.json.part", "BZR01-validation.txt.part"}) {
        EXPECT_FALSE(fs::exists(At(file))) << file;
    }
}

// A run that goes to its end says which earlier result files it removed and leaves only
// its own, under their final names.
TEST_F(QsprResultFilesTest, EarlierResultFilesAreRemovedWithAWord) {
    WriteFile(At("BZR01-results.json"), "{}");
    WriteFile(At("BZR01-validation.txt.part"), "cut");
    std::string errors;
    ASSERT_EQ(RunQuietly({"run", "-C", dir.Path().string(), "--quiet", "BZR01", "BZR01d2d.des",
                          "BZR01vfr.des"},
                         &errors),
              kExitSuccess);
    EXPECT_EQ(errors, "KalemirQ: BZR01-results.json of an earlier run removed\n"
                      "KalemirQ: BZR01-validation.txt.part of an earlier run removed\n");
    EXPECT_NE(ReadFile(At("BZR01-results.json")), "{}");
    EXPECT_TRUE(fs::exists(At("BZR01-validation.txt")));
    EXPECT_FALSE(fs::exists(At("BZR01-results.json.part")));
    EXPECT_FALSE(fs::exists(At("BZR01-validation.txt.part")));
}

} // namespace
} // namespace kalemir::qspr
