#include "qspr/core/CrossProducts.h"

#include <algorithm>
#include <cstddef>

namespace kalemir::qspr {

void SymmetricCrossProducts(const std::vector<double>& values, int n, int s,
                            std::vector<double>& out, WorkerPool* workers) {
    const std::size_t width = static_cast<std::size_t>(s) + 1;
    out.assign(width * width, 0.0);
    constexpr int kBlock = 8;
    const int blocks = (s + kBlock - 1) / kBlock;
    const int workerCount = workers != nullptr ? workers->Size() : 1;
    std::vector<std::vector<double>> accumulators(static_cast<std::size_t>(workerCount),
                                                  std::vector<double>(kBlock * width));
    // Each block of columns a0..a0+7 fills its own rows and columns of out.
    auto block = [&](int first, int last, int worker) {
        std::vector<double>& acc = accumulators[static_cast<std::size_t>(worker)];
        for (int index = first; index < last; ++index) {
            const int a0 = 1 + index * kBlock;
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
    };
    if (workers != nullptr) {
        workers->ForEach(blocks, 1, block);
    } else {
        block(0, blocks, 0);
    }
}

} // namespace kalemir::qspr
