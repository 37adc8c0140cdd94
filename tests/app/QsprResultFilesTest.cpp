// The result files of whole runs of the QSPR command line on the example tables: the
// JSON's best equation reproduces the report's estimates, the example's lone SO2 molecule
// is found, observed values reach the external validation, and an observed table that
// names a molecule outside the prediction set is refused before anything is written.

#include "app/QsprCommandLine.h"

#include "TestData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <map>
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

} // namespace
} // namespace kalemir::qspr
