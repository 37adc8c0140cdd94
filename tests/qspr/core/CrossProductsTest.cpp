// The tiled sums of products against the plain running sum of each pair, to the bit, for
// tables whose columns and rows end inside a tile, a panel and a chunk of rows, on one
// worker and several, with and without the AVX2 build.

#include "qspr/core/CrossProducts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <tuple>
#include <vector>

namespace kalemir::qspr {
namespace {

class CrossProductsBits : public ::testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(CrossProductsBits, EqualThePlainRunningSums) {
    const auto [n, s, plain] = GetParam();
    const std::size_t width = static_cast<std::size_t>(s) + 1;
    // Mixed magnitudes and signs, so that the order of the additions shows in the bits;
    // a signed zero and a constant column among them.
    std::mt19937_64 random(static_cast<unsigned>(n * 131 + s));
    std::uniform_real_distribution<double> uniform(-1, 1);
    std::vector<double> values((static_cast<std::size_t>(n) + 1) * width, 0.0);
    for (int i = 1; i <= n; ++i) {
        for (int a = 1; a <= s; ++a) {
            const double x = uniform(random) * std::pow(10.0, static_cast<double>(a % 7) - 3);
            values[static_cast<std::size_t>(i) * width + a] = a == 2 ? -0.0 : a == 3 ? 1.5 : x;
        }
    }
    std::vector<double> expected(width * width, 0.0);
    for (int a = 1; a <= s; ++a) {
        for (int b = a; b <= s; ++b) {
            double sum = 0;
            for (int i = 1; i <= n; ++i) {
                sum = sum + values[static_cast<std::size_t>(i) * width + a] *
                                values[static_cast<std::size_t>(i) * width + b];
            }
            expected[static_cast<std::size_t>(a) * width + b] = sum;
            expected[static_cast<std::size_t>(b) * width + a] = sum;
        }
    }
    UsePlainCrossProducts(plain);
    for (const int threads : {1, 3}) {
        WorkerPool pool(threads);
        std::vector<double> out;
        SymmetricCrossProducts(values, n, s, out, &pool);
        ASSERT_EQ(out.size(), expected.size());
        EXPECT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(double)), 0)
            << "n " << n << ", s " << s << ", threads " << threads;
    }
    UsePlainCrossProducts(false);
}

// Rows: within one chunk of 64, across two; columns: fewer than a tile, a panel and its
// tiles with partners left over, several panels.
INSTANTIATE_TEST_SUITE_P(Sizes, CrossProductsBits,
                         ::testing::Combine(::testing::Values(1, 63, 130),
                                            ::testing::Values(1, 3, 13, 70), ::testing::Bool()));

} // namespace
} // namespace kalemir::qspr
