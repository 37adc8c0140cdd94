// The elimination of the normal equations must give the bits of the textbook Gauss-Jordan
// sweep over every column, whatever the shortcuts it takes.

#include "qspr/core/Fit.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>

namespace kalemir::qspr {
namespace {

using Normal = double[kSetWidth + 1][kSetWidth + 2];

// Every column of every row, each pivot: the plain statement of the elimination.
void FullSweep(Normal& normal, int k) {
    for (int i = 1; i <= k; ++i) {
        double pivot = normal[i][i];
        if (pivot == 0) {
            pivot = 1e-6;
        }
        for (int j = 1; j <= k + 1; ++j) {
            normal[i][j] = normal[i][j] / pivot;
        }
        for (int r = 1; r <= k; ++r) {
            if (r == i) {
                continue;
            }
            const double f = normal[r][i];
            for (int j = 1; j <= k + 1; ++j) {
                normal[r][j] = normal[r][j] - f * normal[i][j];
            }
        }
    }
}

// Systems of every size: symmetric positive ones as the searches make them, plain random
// ones, ones with exact zero pivots (a zero column, a repeated column) and wide ranges of
// magnitude. The right-hand side must match bit for bit, signed zeros and NaN included.
TEST(SolveNormalEquations, RightHandSideHasTheBitsOfTheFullSweep) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> unit(-1, 1);
    SilentWindow window;
    int systems = 0;
    for (int k = 1; k <= kSetWidth; ++k) {
        for (int kind = 0; kind < 5; ++kind) {
            for (int repeat = 0; repeat < 40; ++repeat) {
                Normal a{};
                // Columns of a design with n rows, then their cross products.
                const int n = k + 3;
                std::vector<std::vector<double>> x(static_cast<std::size_t>(k + 2),
                                                   std::vector<double>(n));
                for (int c = 1; c <= k + 1; ++c) {
                    const double scale = kind == 3 ? std::ldexp(1.0, (c * 7) % 40 - 20) : 1.0;
                    for (int m = 0; m < n; ++m) {
                        x[c][m] = unit(random) * scale;
                    }
                }
                if (kind == 1 && k >= 2) {
                    std::fill(x[2].begin(), x[2].end(), 0.0); // a zero column: pivot 0
                }
                if (kind == 2 && k >= 3) {
                    x[3] = x[1]; // a repeated column
                }
                for (int i = 1; i <= k; ++i) {
                    for (int j = 1; j <= k + 1; ++j) {
                        double sum = 0;
                        for (int m = 0; m < n; ++m) {
                            sum += x[i][m] * x[j][m];
                        }
                        a[i][j] = sum;
                    }
                }
                if (kind == 4) { // not symmetric at all
                    for (int i = 1; i <= k; ++i) {
                        for (int j = 1; j <= k + 1; ++j) {
                            a[i][j] = unit(random);
                        }
                    }
                    a[1][1] = 0;
                }
                Normal b;
                std::copy(&a[0][0], &a[0][0] + sizeof(Normal) / sizeof(double), &b[0][0]);
                FullSweep(a, k);
                SolveNormalEquations(b, k, window);
                for (int i = 1; i <= k; ++i) {
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(a[i][k + 1]),
                              std::bit_cast<std::uint64_t>(b[i][k + 1]))
                        << "k " << k << " kind " << kind << " row " << i;
                }
                ++systems;
            }
        }
    }
    EXPECT_EQ(systems, kSetWidth * 5 * 40);
}

} // namespace
} // namespace kalemir::qspr
