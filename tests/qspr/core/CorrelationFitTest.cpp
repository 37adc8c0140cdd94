// The correlation routine, the least-squares fit and the cross-validation on small data
// whose results are worked out by hand or by an independent solve.

#include "common/ComputingWindow.h"
#include "qspr/core/CentredSums.h"
#include "qspr/core/Centring.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/CrossValidation.h"
#include "qspr/core/Fit.h"
#include "qspr/core/Significant.h"
#include "qspr/run/ComputingState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace kalemir::qspr {
namespace {

void Fill(PairCorrelation& pair, const std::vector<double>& x, const std::vector<double>& y) {
    pair.HoldRows(static_cast<int>(x.size()));
    for (std::size_t i = 0; i < x.size(); ++i) {
        pair.X[i + 1] = x[i];
        pair.Y[i + 1] = y[i];
    }
}

struct CorrelationCase {
    const char* label;
    std::vector<double> x;
    std::vector<double> y;
    int k;
    int signedR2;
    double r;
    double r2;
    double see;
};

class CorrelatePairCases : public ::testing::TestWithParam<CorrelationCase> {};

TEST_P(CorrelatePairCases, GivesTheHandValues) {
    const CorrelationCase& c = GetParam();
    PairCorrelation pair;
    Fill(pair, c.x, c.y);
    pair.FitTermCount = c.k;
    pair.SignedR2 = c.signedR2;
    SilentWindow window;
    CorrelatePair(pair, static_cast<int>(c.x.size()), window);
    EXPECT_DOUBLE_EQ(pair.R, c.r) << c.label;
    EXPECT_DOUBLE_EQ(pair.R2, c.r2) << c.label;
    EXPECT_DOUBLE_EQ(pair.SEE, c.see) << c.label;
}

// Perfect fit: r = 1 is capped at 0.9999 and D = 0. Constant X: Sxx = 0 gives r = 0;
// SEE = sqrt(((1-2)^2 + (1-3)^2 + (1-4)^2) / 3). N = K: SEE is 100. X = (0, 1, 2),
// Y = (1, 2, 0): deviations (-1, 0, 1) and (0, 1, -1), Sxy = -1, Sxx = Syy = 2, r = -0.5.
INSTANTIATE_TEST_SUITE_P(
    Edges, CorrelatePairCases,
    ::testing::Values(
        CorrelationCase{"perfect", {1, 2, 3, 4}, {1, 2, 3, 4}, 1, 0, 0.9999, 0.9999 * 0.9999, 0},
        CorrelationCase{"constant", {1, 1, 1}, {2, 3, 4}, 0, 0, 0, 0, std::sqrt(14.0 / 3)},
        CorrelationCase{"n equals k", {1, 2}, {2, 1}, 2, 0, -0.9999, 0.9999 * 0.9999, 100},
        CorrelationCase{"signed", {0, 1, 2}, {1, 2, 0}, 0, 1, -0.5, -0.25, std::sqrt(6.0 / 3)},
        CorrelationCase{"unsigned", {0, 1, 2}, {1, 2, 0}, 0, 0, -0.5, 0.25, std::sqrt(6.0 / 3)}));

TEST(CorrelatePair, PerfectFitReadsAsCappedSquare) {
    EXPECT_NEAR(0.9999 * 0.9999, 0.99980001, 1e-15);
}

TEST(CentredSums, HandValues) {
    // x: mean 2.5, deviations -1.5 -0.5 0.5 1.5; y: mean 5.25, deviations -3.25 -1.25 0.75
    // 3.75 (all exact in binary, so the sums are exact too).
    const double x[] = {1, 2, 3, 4};
    const double y[] = {2, 4, 6, 9};
    const CentredSums one = CentredSumsOf(x, 4);
    EXPECT_EQ(one.Mean, 2.5);
    EXPECT_EQ(one.Squares, 5.0);
    const CentredPairSums two = CentredPairSumsOf(x, y, 4);
    EXPECT_EQ(two.MeanX, 2.5);
    EXPECT_EQ(two.MeanY, 5.25);
    EXPECT_EQ(two.Sxy, 11.5);
    EXPECT_EQ(two.Sxx, 5.0);
    EXPECT_EQ(two.Syy, 26.75);
    EXPECT_EQ(CentredSumsOf(x + 3, 1).Squares, 0.0); // one value: no spread
}

TEST(QualityQ, HandValues) {
    // sqrt(0.81 / 0.19) * (7 / 13)^2 = 2.0647416 * 0.2899408 = 0.5986529
    EXPECT_NEAR(QualityQ(0.81, 10, 3), 0.5986529, 1e-7);
    EXPECT_EQ(QualityQ(0, 10, 3), 0);
    EXPECT_EQ(QualityQ(-0.2, 10, 3), 0); // a signed r2 below 0 is no quality, not NaN
}

/// A computing state holding the given raw columns, centred as the stages leave them.
struct SmallMatrix {
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;

    SmallMatrix(const std::vector<std::vector<double>>& columns, const std::vector<double>& y) {
        const int n = static_cast<int>(y.size());
        cs.Cycle.CalibrationCount = n;
        cs.Cycle.PredictionCount = 0;
        cs.Descriptors.DescriptorMatrix.Reset(n + 5);
        cs.Pair.HoldRows(n + 5);
        cs.Descriptors.SignificantCount = static_cast<int>(columns.size());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            cs.Descriptors.DescriptorMatrix.ColumnNames[c + 1] = "d" + std::to_string(c + 1);
            Centre(static_cast<int>(c) + 1, columns[c]);
        }
        Centre(kPropertyColumn, y);
        for (int i = 1; i <= n; ++i) {
            cs.Descriptors.DescriptorMatrix.MoleculeNames[i] = "m" + std::to_string(i);
        }
    }
    void Centre(int c, const std::vector<double>& values) {
        const int n = cs.Cycle.CalibrationCount;
        double sum = 0;
        for (double v : values) {
            sum += v;
        }
        const double mean = sum / n;
        for (int i = 1; i <= n; ++i) {
            cs.Descriptors.DescriptorMatrix.At(i, c) = values[i - 1] - mean;
        }
        cs.Descriptors.DescriptorMatrix.At(n + 1, c) = mean;
    }
    FitOutcome Fit(std::initializer_list<int> columns) {
        PredictorSet set{};
        int k = 0;
        for (int c : columns) {
            set[++k] = c;
        }
        return FitSet(FitProblemOf(cs.Cycle, cs.Descriptors, cs.Search), set, k, cs.Pair, window);
    }
};

TEST(FitSet, HandSolvedTwoPredictorSystem) {
    // y = 1 + 2 x1 - x2 exactly: the normal equations give b = (2, -1), a = 1.
    const std::vector<double> x1{0, 1, 2, 3, 1};
    const std::vector<double> x2{1, 0, 2, 1, 3};
    std::vector<double> y;
    for (std::size_t i = 0; i < x1.size(); ++i) {
        y.push_back(1 + 2 * x1[i] - x2[i]);
    }
    SmallMatrix m({x1, x2}, y);
    const FitOutcome fit = m.Fit({1, 2});
    EXPECT_NEAR(fit.Fit.Coefficients[1], 2, 1e-12);
    EXPECT_NEAR(fit.Fit.Coefficients[2], -1, 1e-12);
    EXPECT_NEAR(fit.Fit.Intercept, 1, 1e-12);
    EXPECT_DOUBLE_EQ(fit.R2, 0.9999 * 0.9999);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_NEAR(m.cs.Pair.X[i], y[i - 1], 1e-12);
        EXPECT_DOUBLE_EQ(m.cs.Pair.Y[i], y[i - 1]);
    }
}

TEST(FitSet, OnePredictorEqualToPropertyIsPerfect) {
    const std::vector<double> x{3, 1, 4, 1, 5, 9};
    SmallMatrix m({x}, x);
    const FitOutcome fit = m.Fit({1});
    EXPECT_NEAR(fit.Fit.Coefficients[1], 1, 1e-15);
    EXPECT_NEAR(fit.Fit.Intercept, 0, 1e-14);
    EXPECT_DOUBLE_EQ(m.cs.Pair.R2, 0.99980001);
    EXPECT_NEAR(m.cs.Pair.SEE, 0, 1e-14);
}

TEST(FitSet, ZeroColumnGetsZeroWeight) {
    const std::vector<double> x{1, 2, 4, 3};
    const std::vector<double> zero{5, 5, 5, 5}; // centred: exactly 0
    SmallMatrix m({x, zero}, {2, 3, 6, 4});
    const FitOutcome fit = m.Fit({1, 2});
    EXPECT_EQ(fit.Fit.Coefficients[2], 0);
    EXPECT_TRUE(std::isfinite(fit.Fit.Coefficients[1]));
}

// An independent least-squares solve: the normal equations of the raw values with an
// intercept column, in long double with partial pivoting.
std::vector<long double> IndependentFit(const std::vector<std::vector<double>>& x,
                                        const std::vector<double>& y) {
    const std::size_t k = x.size() + 1;
    std::vector<std::vector<long double>> a(k, std::vector<long double>(k + 1, 0));
    for (std::size_t i = 0; i < y.size(); ++i) {
        std::vector<long double> row{1};
        for (const auto& column : x) {
            row.push_back(column[i]);
        }
        for (std::size_t r = 0; r < k; ++r) {
            for (std::size_t c = 0; c < k; ++c) {
                a[r][c] += row[r] * row[c];
            }
            a[r][k] += row[r] * y[i];
        }
    }
    for (std::size_t p = 0; p < k; ++p) {
        std::size_t best = p;
        for (std::size_t r = p + 1; r < k; ++r) {
            if (std::fabs(a[r][p]) > std::fabs(a[best][p])) {
                best = r;
            }
        }
        std::swap(a[p], a[best]);
        for (std::size_t r = 0; r < k; ++r) {
            if (r != p) {
                const long double f = a[r][p] / a[p][p];
                for (std::size_t c = p; c <= k; ++c) {
                    a[r][c] -= f * a[p][c];
                }
            }
        }
    }
    std::vector<long double> b(k);
    for (std::size_t r = 0; r < k; ++r) {
        b[r] = a[r][k] / a[r][r];
    }
    return b; // intercept first
}

TEST(FitSet, AgreesWithIndependentSolveOnNoisyData) {
    const std::vector<double> x1{0.3, 1.7, 2.2, 3.9, 1.1, 4.4, 2.8, 0.9};
    const std::vector<double> x2{5.1, 3.3, 2.0, 4.7, 1.2, 0.4, 3.8, 2.9};
    const std::vector<double> x3{1.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.0};
    const std::vector<double> y{2.1, 3.9, 4.2, 7.7, 2.0, 5.6, 6.1, 1.8};
    SmallMatrix m({x1, x2, x3}, y);
    const FitOutcome fit = m.Fit({1, 2, 3});
    const std::vector<long double> b = IndependentFit({x1, x2, x3}, y);
    EXPECT_NEAR(fit.Fit.Intercept, static_cast<double>(b[0]), 1e-10);
    long double ssRes = 0;
    long double ssTot = 0;
    long double mean = 0;
    for (double v : y) {
        mean += v / y.size();
    }
    for (std::size_t i = 0; i < y.size(); ++i) {
        const long double e = b[0] + b[1] * x1[i] + b[2] * x2[i] + b[3] * x3[i];
        ssRes += (y[i] - e) * (y[i] - e);
        ssTot += (y[i] - mean) * (y[i] - mean);
    }
    for (int k = 1; k <= 3; ++k) {
        EXPECT_NEAR(fit.Fit.Coefficients[k], static_cast<double>(b[k]), 1e-10);
    }
    const double r2 = static_cast<double>(1 - ssRes / ssTot);
    EXPECT_NEAR(fit.R2, r2, 1e-12);
    EXPECT_NEAR(fit.SEE, std::sqrt(static_cast<double>(ssRes) / 5), 1e-12);
    EXPECT_EQ(fit.SEE, m.cs.Pair.SEE);
}

TEST(FitSet, CrossProductsGiveTheSameBits) {
    const std::vector<double> x1{0.3, 1.7, 2.2, 3.9, 1.1, 4.4, 2.8, 0.9};
    const std::vector<double> x2{5.1, 3.3, 2.0, 4.7, 1.2, 0.4, 3.8, 2.9};
    const std::vector<double> y{2.1, 3.9, 4.2, 7.7, 2.0, 5.6, 6.1, 1.8};
    SmallMatrix direct({x1, x2}, y);
    const FitOutcome plain = direct.Fit({2, 1});
    SmallMatrix cached({x1, x2}, y);
    PrepareCrossProducts(cached.cs.Cycle, cached.cs.Descriptors, cached.cs.Search,
                         cached.cs.Workers.get());
    const FitOutcome fromCache = cached.Fit({2, 1});
    EXPECT_EQ(plain.Fit.Coefficients[1], fromCache.Fit.Coefficients[1]);
    EXPECT_EQ(plain.Fit.Coefficients[2], fromCache.Fit.Coefficients[2]);
    EXPECT_EQ(plain.R2, fromCache.R2);
    EXPECT_EQ(plain.SEE, fromCache.SEE);
}

TEST(FitHalfSet, FitsTheFirstRowsOnlyAgainstIndependentSolve) {
    // Rows 1..4 of seven: the coefficients of the raw values of those rows alone, whatever
    // rows 5..7 hold; the intercept is that of the half's columns centred on their own means.
    const std::vector<double> x1{0.3, 1.7, 2.2, 3.9, 40, -7, 12};
    const std::vector<double> x2{5.1, 3.3, 2.0, 4.7, -3, 90, 1};
    const std::vector<double> y{2.1, 3.9, 4.2, 7.7, 100, -50, 3};
    SmallMatrix m({x1, x2}, y);
    const FitProblem problem = FitProblemOf(m.cs.Cycle, m.cs.Descriptors, m.cs.Search);
    std::vector<double> design;
    const FitResult half = FitHalfSet(problem, PredictorSet{0, 1, 2}, 2, 4, design, m.window);
    const std::vector<long double> b =
        IndependentFit({{0.3, 1.7, 2.2, 3.9}, {5.1, 3.3, 2.0, 4.7}}, {2.1, 3.9, 4.2, 7.7});
    EXPECT_EQ(half.K, 2);
    EXPECT_NEAR(half.Coefficients[1], static_cast<double>(b[1]), 1e-10);
    EXPECT_NEAR(half.Coefficients[2], static_cast<double>(b[2]), 1e-10);
    // Estimate of row 1 from its stored (centred over all seven) values, as the
    // cross-validation makes it: intercept + sum b_i x_i + the property mean.
    const DescriptorMatrixStore& dm = m.cs.Descriptors.DescriptorMatrix;
    const double estimate = half.Intercept + half.Coefficients[1] * dm.At(1, 1) +
                            half.Coefficients[2] * dm.At(1, 2) + dm.At(8, kPropertyColumn);
    EXPECT_NEAR(estimate, static_cast<double>(b[0] + b[1] * 0.3L + b[2] * 5.1L), 1e-10);
    EXPECT_EQ(m.cs.Cycle.CalibrationCount, 7); // the count is the caller's, unchanged
}

struct ProgressCase {
    int k;
    double r2;
    double see;
    double bestR2Seen; // after the fit, starting from 0.5 / Q 0.4 / SEE 7
    double bestQ;      // -1: QualityQ(r2, 20, k)
    double bestQSEE;
};

class SearchProgressCases : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(SearchProgressCases, TakesAFitAsTheSearchDoes) {
    const ProgressCase c = GetParam();
    SearchProgress progress;
    progress.BestR2Seen = 0.5;
    progress.BestQ = 0.4;
    progress.BestQSEE = 7;
    progress.Take(20, c.k, c.r2, c.see);
    EXPECT_EQ(progress.BestR2Seen, c.bestR2Seen);
    EXPECT_EQ(progress.BestQ, c.bestQ < 0 ? QualityQ(c.r2, 20, c.k) : c.bestQ);
    EXPECT_EQ(progress.BestQSEE, c.bestQSEE);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SearchProgressCases,
    ::testing::Values(
        // A pair's Q is its r2: 0.45 raises BestQ (not BestR2Seen), 0.3 raises nothing.
        ProgressCase{2, 0.45, 1.5, 0.5, 0.45, 1.5}, ProgressCase{2, 0.3, 1.5, 0.5, 0.4, 7},
        ProgressCase{2, 0.6, 1.5, 0.6, 0.6, 1.5},
        // Three predictors: BestQ becomes the fit's Q even when lower, its SEE stays.
        // Q(0.3, 20, 3) = sqrt(0.3/0.7) (17/23)^2 = 0.3576...
        ProgressCase{3, 0.3, 1.5, 0.5, -1, 7},
        // Four: Q(0.6, 20, 4) = sqrt(1.5) (16/24)^2 = 0.5443 > 0.4 raises Q and SEE.
        ProgressCase{4, 0.6, 2.5, 0.6, -1, 2.5}, ProgressCase{4, 0.2, 2.5, 0.5, 0.4, 7},
        // No predictors: BestR2Seen stays.
        ProgressCase{0, 0.9, 1.0, 0.5, 0.9, 1.0}));

// Independent two-fold estimate: fit rows `fit` of the raw data, estimate rows `other`.
void TwoFold(const std::vector<std::vector<double>>& x, const std::vector<double>& y,
             const std::vector<int>& fit, const std::vector<int>& other,
             std::vector<double>& estimates) {
    std::vector<std::vector<double>> xs(x.size());
    std::vector<double> ys;
    for (int r : fit) {
        for (std::size_t c = 0; c < x.size(); ++c) {
            xs[c].push_back(x[c][r]);
        }
        ys.push_back(y[r]);
    }
    // A column constant on the fitted half has no weight.
    std::vector<std::vector<double>> used;
    std::vector<std::size_t> index;
    for (std::size_t c = 0; c < xs.size(); ++c) {
        bool constant = true;
        for (double v : xs[c]) {
            constant = constant && v == xs[c][0];
        }
        if (!constant) {
            used.push_back(xs[c]);
            index.push_back(c);
        }
    }
    const std::vector<long double> b = IndependentFit(used, ys);
    for (int r : other) {
        long double e = b[0];
        for (std::size_t u = 0; u < used.size(); ++u) {
            e += b[u + 1] * x[index[u]][r];
        }
        estimates[r] = static_cast<double>(e);
    }
}

double R2Of(const std::vector<double>& a, const std::vector<double>& b) {
    PairCorrelation pair;
    Fill(pair, a, b);
    SilentWindow window;
    CorrelatePair(pair, static_cast<int>(a.size()), window);
    return pair.R * pair.R;
}

TEST(CrossValidateSet, SevenMoleculesFourThenThreeAgainstIndependentTwoFold) {
    // Property already ascending, so the lower half is rows 0..3 (four molecules) and the
    // upper half rows 4..6 (three). x2 is constant on the upper half.
    const std::vector<double> y{1.0, 2.0, 2.5, 3.1, 4.0, 5.2, 6.3};
    const std::vector<double> x1{0.5, 1.9, 2.1, 3.5, 3.7, 5.5, 6.0};
    const std::vector<double> x2{1.0, 0.0, 2.0, 1.5, 3.0, 3.0, 3.0};
    SmallMatrix m({x1, x2}, y);
    m.cs.Search.FitTermCount = 2;
    m.cs.Search.CandidateSets[kCandidateRow] = PredictorSet{0, 1, 2};
    const double r2cv = CrossValidateSet(m.cs.Cycle, m.cs.Descriptors, m.cs.Search, m.cs.CV,
                                         m.cs.Workers.get(), m.window);
    std::vector<double> estimates(7, 0.0);
    TwoFold({x1, x2}, y, {0, 1, 2, 3}, {4, 5, 6}, estimates);
    TwoFold({x1, x2}, y, {4, 5, 6}, {0, 1, 2, 3}, estimates);
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(m.cs.CV.CVEstimate[i + 1], estimates[i], 1e-10) << "molecule " << i;
        EXPECT_DOUBLE_EQ(m.cs.CV.CVObserved[i + 1], y[i]);
    }
    EXPECT_NEAR(r2cv, R2Of(estimates, y), 1e-12);
    // The rows are left in descending order of the property, names with them.
    EXPECT_EQ(m.cs.Descriptors.DescriptorMatrix.MoleculeNames[1], "m7");
    EXPECT_EQ(m.cs.Descriptors.DescriptorMatrix.MoleculeNames[7], "m1");
    EXPECT_EQ(m.cs.Cycle.CalibrationCount, 7);
}

TEST(CrossValidateSet, TiesKeepTheExchangeSortOrder) {
    // Qualities 1, 1, 2 sorted descending by exchanges come out 2, second 1, first 1.
    const std::vector<int> order = ExchangeSortDescending({0, 1, 1, 2}, 3);
    EXPECT_EQ(order, (std::vector<int>{0, 3, 2, 1}));
    const std::vector<int> up = ExchangeSortAscending({0, 2, 2, 1}, 3);
    EXPECT_EQ(up, (std::vector<int>{0, 3, 2, 1}));
}

TEST(CrossValidateSet, TiedKeysTakeTheOrderOfThePlainExchanges) {
    // Many ties (the property of a large table), as they come and as a cross-validation
    // leaves them (sorted the other way), a NaN among them: the order every exchange one
    // pair at a time gives.
    auto exchanges = [](std::vector<double> keys, int count, bool ascending) {
        std::vector<int> order(static_cast<std::size_t>(count) + 1);
        for (int i = 0; i <= count; ++i) {
            order[static_cast<std::size_t>(i)] = i;
        }
        for (int a = 1; a < count; ++a) {
            for (int b = a + 1; b <= count; ++b) {
                if (ascending ? keys[b] < keys[a] : keys[b] > keys[a]) {
                    std::swap(keys[a], keys[b]);
                    std::swap(order[a], order[b]);
                }
            }
        }
        return order;
    };
    unsigned state = 5;
    for (const int count : {2, 9, 300}) {
        std::vector<double> keys(static_cast<std::size_t>(count) + 1, 0.0);
        for (int i = 1; i <= count; ++i) {
            state = state * 1103515245u + 12345u;
            keys[static_cast<std::size_t>(i)] = static_cast<double>((state >> 8) % 23) * 0.5;
        }
        keys[static_cast<std::size_t>(count)] = count > 2 ? std::nan("") : keys[1];
        std::vector<double> sorted(keys);
        std::sort(sorted.begin() + 1, sorted.end() - 1, std::greater<>());
        for (const std::vector<double>& k : {keys, sorted}) {
            EXPECT_EQ(ExchangeSortAscending(k, count), exchanges(k, count, true)) << count;
            EXPECT_EQ(ExchangeSortDescending(k, count), exchanges(k, count, false)) << count;
        }
    }
}

TEST(InterR2Caption, ThousandPairsOfAThousandDescriptors) {
    // 200 * 1000 / (1000 * 999) = 0.2002, rounded to one decimal.
    EXPECT_EQ(InterR2Caption(1000, 1000), " 0.2 %   of the intercorrelations were calculated");
}

TEST(ComputeInterR2, MatchesTheCorrelationRoutineBitForBit) {
    const std::vector<double> a{0.3, 1.7, 2.2, 3.9, 1.1};
    const std::vector<double> b{5.1, 3.3, 2.0, 4.7, 1.2};
    const std::vector<double> c{1.0, 0.0, 1.0, 1.0, 0.0};
    SmallMatrix m({a, b, c}, {1, 2, 3, 4, 5});
    ComputeInterR2(m.cs.Cycle, m.cs.Descriptors, m.cs.Pair, m.cs.Workers.get(), m.window);
    EXPECT_EQ(m.cs.Cycle.TableCount, 1);
    const std::vector<std::vector<double>> columns{a, b, c};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(m.cs.Descriptors.Inter(i, i), 1);
        for (int j = i + 1; j <= 3; ++j) {
            // The matrix holds the raw values here (not centred), as the stage sees them.
            std::vector<double> x;
            std::vector<double> y;
            for (int r = 1; r <= 5; ++r) {
                x.push_back(m.cs.Descriptors.DescriptorMatrix.At(r, i));
                y.push_back(m.cs.Descriptors.DescriptorMatrix.At(r, j));
            }
            PairCorrelation pair;
            Fill(pair, x, y);
            CorrelatePair(pair, 5, m.window);
            EXPECT_EQ(m.cs.Descriptors.Inter(i, j), pair.R2);
            EXPECT_EQ(m.cs.Descriptors.Inter(j, i), pair.R2);
        }
    }
}

} // namespace
} // namespace kalemir::qspr
