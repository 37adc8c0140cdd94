#include "qspr/core/CrossProducts.h"

#include <algorithm>
#include <cstddef>

namespace kalemir::qspr {

void SymmetricCrossProducts(const std::vector<double>& values, int n, int s,
                            std::vector<double>& out) {
    const std::size_t width = static_cast<std::size_t>(s) + 1;
    out.assign(width * width, 0.0);
    constexpr int kBlock = 8;
    std::vector<double> acc(kBlock * width);
    for (int a0 = 1; a0 <= s; a0 += kBlock) {
        const int count = std::min(kBlock, s - a0 + 1);
        std::fill(acc.begin(), acc.end(), 0.0);
        for (int i = 1; i <= n; ++i) {
            const double* row = values.data() + static_cast<std::size_t>(i) * width;
            for (int u = 0; u < count; ++u) {
                const double x = row[a0 + u];
                double* sums = acc.data() + static_cast<std::size_t>(u) * width;
                for (int b = a0 + u; b <= s; ++b) {
                    sums[b] += x * row[b];
                }
            }
        }
        for (int u = 0; u < count; ++u) {
            const int a = a0 + u;
            const double* sums = acc.data() + static_cast<std::size_t>(u) * width;
            for (int b = a; b <= s; ++b) {
                out[static_cast<std::size_t>(a) * width + b] = sums[b];
                out[static_cast<std::size_t>(b) * width + a] = sums[b];
            }
        }
    }
}

} // namespace kalemir::qspr
