// Fits worked out side by side in lanes against the fit of one candidate at a time: the
// same r2 and SEE to the bit, whatever the number of molecules (blocks of four and the
// molecules left over), the lanes filled, ties, constant and repeated columns and empty
// entries.

#include "qspr/core/Fit.h"
#include "qspr/run/ComputingState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <tuple>
#include <vector>

namespace kalemir::qspr {
namespace {

/// Columns 1..8 over n calibration molecules: 1-4 random, 5 constant, 6 three values
/// with many ties, 7 a copy of column 1, 8 large values with a small spread; the property
/// follows columns 1 and 6 with noise.
struct LaneData {
    ProgramState ps;
    ComputingState cs;

    explicit LaneData(int n, unsigned seed) {
        cs.Cycle.CalibrationCount = n;
        cs.Cycle.PredictionCount = 0;
        cs.Descriptors.DescriptorMatrix.Reset(n + 5);
        cs.Pair.HoldRows(n + 5);
        cs.Descriptors.SignificantCount = 8;
        std::mt19937_64 random(seed);
        std::uniform_real_distribution<double> uniform(-3, 3);
        std::vector<std::vector<double>> columns(9, std::vector<double>(n + 1, 0.0));
        for (int i = 1; i <= n; ++i) {
            for (int c = 1; c <= 4; ++c) {
                columns[c][i] = uniform(random);
            }
            columns[5][i] = 2.5;
            columns[6][i] = static_cast<double>(random() % 3);
            columns[7][i] = columns[1][i];
            columns[8][i] = 1e6 + uniform(random) * 1e-3;
            columns[0][i] = 0.7 * columns[1][i] - 1.3 * columns[6][i] + 0.1 * uniform(random);
        }
        for (int c = 0; c <= 8; ++c) {
            Centre(c == 0 ? kPropertyColumn : c, columns[c]);
        }
        PrepareCrossProducts(cs.Cycle, cs.Descriptors, cs.Search, cs.Workers.get());
    }

    FitProblem Problem() const { return FitProblemOf(cs.Cycle, cs.Descriptors, cs.Search); }

    void Centre(int c, const std::vector<double>& values) {
        const int n = cs.Cycle.CalibrationCount;
        double sum = 0;
        for (int i = 1; i <= n; ++i) {
            sum += values[i];
        }
        const double mean = sum / n;
        for (int i = 1; i <= n; ++i) {
            cs.Descriptors.DescriptorMatrix.At(i, c) = values[i] - mean;
        }
        cs.Descriptors.DescriptorMatrix.At(n + 1, c) = mean;
    }
};

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class FitLanesCases : public testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(FitLanesCases, GiveTheBitsOfTheOneCandidateFit) {
    const auto [n, plain] = GetParam();
    UsePlainFitLanes(plain);
    for (unsigned seed = 1; seed <= 3; ++seed) {
        LaneData data(n, seed);
        std::mt19937_64 random(seed * 77);
        FitScratch single;
        FitScratch lanesScratch;
        for (int k : {1, 2, 3, 5}) {
            for (int count = 1; count <= kFitLanes; ++count) {
                LaneCandidate lanes[kFitLanes];
                for (int l = 0; l < count; ++l) {
                    PredictorSet set{};
                    for (int i = 1; i <= k; ++i) {
                        set[i] = static_cast<int>(random() % 9); // 0: an empty entry
                    }
                    ASSERT_TRUE(SolveLaneCandidate(data.Problem(), lanesScratch, set, k, lanes[l]));
                }
                FitLanes(data.Problem(), lanesScratch, lanes, count);
                for (int l = 0; l < count; ++l) {
                    const FitOutcome alone = FitCandidate(data.Problem(), single, lanes[l].Set, k);
                    const double r2 = alone.R2;
                    const double see = alone.SEE;
                    EXPECT_TRUE(SameBits(lanes[l].R2, r2) && SameBits(lanes[l].SEE, see))
                        << (plain ? "plain " : "") << "n " << n << " k " << k << " lane " << l
                        << " of " << count << ": r2 " << lanes[l].R2 << " / " << r2 << ", SEE "
                        << lanes[l].SEE << " / " << see;
                }
            }
        }
    }
    UsePlainFitLanes(false);
}

// One molecule, two, three, a block of four and one over, blocks with each remainder; the
// build for any x86-64 and the one the processor allows (AVX2 here).
INSTANTIATE_TEST_SUITE_P(MoleculeCounts, FitLanesCases,
                         testing::Combine(testing::Values(1, 2, 3, 4, 5, 6, 7, 8, 9, 31, 64, 203),
                                          testing::Bool()));

TEST(FitLanes, SetOutsideTheCrossProductsGoesAlone) {
    LaneData data(10, 5);
    FitScratch scratch;
    LaneCandidate lane;
    PredictorSet set{};
    set[1] = 1;
    set[2] = 9; // beyond the significant columns the cross products hold
    EXPECT_FALSE(SolveLaneCandidate(data.Problem(), scratch, set, 2, lane));
}

} // namespace
} // namespace kalemir::qspr
