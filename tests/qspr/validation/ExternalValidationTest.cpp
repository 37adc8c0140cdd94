// External statistics on a case worked by hand in fractions: observed 1, 2, 3, 4 and
// estimated 3/2, 2, 5/2, 9/2 with calibration values 0, 2, 4. PRESS = 3/4, squares about
// the external mean 5, about the calibration mean 6, calibration squares 8 over 3
// molecules; Syy = 5, See = 83/16, Sye = 19/4, mean difference -1/8; through the origin
// sum ye = 31, sum e^2 = 131/4, sum y^2 = 30.

#include "qspr/validation/ExternalValidation.h"

#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace kalemir::qspr {
namespace {

TEST(ExternalValidationTest, FiguresWorkedByHand) {
    const ExternalStatistics s =
        ComputeExternalStatistics({1, 2, 3, 4}, {1.5, 2, 2.5, 4.5}, {0, 2, 4});
    const double r2 = (19.0 / 4) * (19.0 / 4) / (5 * 83.0 / 16);
    const double r02 = 1 - (30 - 961 / (131.0 / 4)) / 5;                  // y on e
    const double r02Swapped = 1 - (131.0 / 4 - 961 / 30.0) / (83.0 / 16); // e on y
    const double r2m = r2 * (1 - std::sqrt(std::fabs(r2 - r02)));
    const double r2mSwapped = r2 * (1 - std::sqrt(std::fabs(r2 - r02Swapped)));
    EXPECT_EQ(s.Count, 4);
    EXPECT_NEAR(s.Q2F1, 1 - 0.75 / 6, 1e-14);
    EXPECT_NEAR(s.Q2F2, 0.85, 1e-14);
    EXPECT_NEAR(s.Q2F3, 1 - (0.75 / 4) / (8.0 / 3), 1e-14);
    EXPECT_NEAR(s.CCC, 9.5 / 10.25, 1e-14);
    EXPECT_NEAR(s.RMSEP, std::sqrt(0.1875), 1e-14);
    EXPECT_NEAR(s.MAE, 0.375, 1e-14);
    EXPECT_NEAR(s.R2, r2, 1e-14);
    EXPECT_NEAR(s.R2m, 0.840033293941748, 1e-12);
    EXPECT_NEAR(s.R2m, r2m, 1e-14);
    EXPECT_NEAR(s.R2mMean, (r2m + r2mSwapped) / 2, 1e-14);
    EXPECT_NEAR(s.R2mDelta, 0.048114242421896325, 1e-12);
}

TEST(ExternalValidationTest, PerfectEstimatesAndUndefinedFigures) {
    const ExternalStatistics perfect = ComputeExternalStatistics({1, 2, 4}, {1, 2, 4}, {0, 3});
    EXPECT_DOUBLE_EQ(perfect.Q2F1, 1);
    EXPECT_DOUBLE_EQ(perfect.Q2F2, 1);
    EXPECT_DOUBLE_EQ(perfect.CCC, 1);
    EXPECT_DOUBLE_EQ(perfect.R2m, 1);
    EXPECT_DOUBLE_EQ(perfect.RMSEP, 0);
    // One molecule: no spread about its own mean, so Q2F2, CCC and r2 are not defined.
    const ExternalStatistics one = ComputeExternalStatistics({2}, {2.5}, {0, 3});
    EXPECT_TRUE(std::isnan(one.Q2F2));
    EXPECT_TRUE(std::isnan(one.R2));
    EXPECT_NEAR(one.MAE, 0.5, 1e-15);
    EXPECT_TRUE(std::isnan(ComputeExternalStatistics({}, {}, {1, 2}).RMSEP));
}

TEST(ExternalValidationTest, ObservedTableIsCheckedAgainstThePredictionSet) {
    kalemir::testing::ScratchDir dir("observed");
    const std::string path = (dir.Path() / "OBS").string();
    struct Case {
        const char* text;
        const char* message; ///< empty: accepted
    };
    const Case cases[] = {
        {"Cases\tpIC50\r\np1\t6.5\r\np2\t7\r\n", ""},
        {"Cases\tpIC50\r\np1\t6.5\r\nx9\t7\r\n",
         "line 3: molecule x9 is not in the prediction set"},
        {"Cases\tpIC50\r\np1\t6.5\r\np1\t7\r\n", "line 3: molecule p1 is given twice"},
        {"Cases\tpIC50\r\np1\t?\r\n", "line 2: molecule p1 has no observed value"},
        {"Cases\tpIC50\r\np1\r\n", "line 2: molecule p1 has no observed value"},
        {"Cases\tpIC50\r\n", "no molecule with an observed value"},
    };
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary) << c.text;
        if (*c.message == '\0') {
            const ObservedTable t = ReadObservedTable(path, {"p1", "p2"});
            EXPECT_EQ(t.Molecules, (std::vector<std::string>{"p1", "p2"}));
            EXPECT_EQ(t.Values, (std::vector<double>{6.5, 7}));
            continue;
        }
        try {
            ReadObservedTable(path, {"p1", "p2"});
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const InputError& e) {
            EXPECT_EQ(std::string(e.what()), path + (c.message[0] == 'l' ? " " : ": ") + c.message);
        }
    }
}

} // namespace
} // namespace kalemir::qspr
