#include "qspr/core/CrossProducts.h"

#include <algorithm>
#include <atomic>
#include <cstddef>

namespace kalemir::qspr {

namespace {

using Quad = double __attribute__((vector_size(4 * sizeof(double))));
using Duo = double __attribute__((vector_size(2 * sizeof(double))));

std::atomic<bool> plainProductsOnly{false};

/// Columns a panel's sums are kept for (at most): the rows of a chunk are read from memory
/// once per panel and then from the cache for each of its tiles.
constexpr int kPanel = 32;
/// Rows worked through at a time: a chunk of a wide table stays in a core's own cache.
constexpr int kChunkRows = 64;
/// Columns a of one tile: its sums with 2 vectors of columns b stay in registers over
/// the rows of a chunk.
constexpr int kTileColumns = 4;

/// The layout of the values and of one panel's running sums.
struct PanelSums {
    const double* Values; ///< row i at Values + i * Width
    std::size_t Width;    ///< s + 1
    int S;
    int A0;       ///< the panel's first column
    double* Sums; ///< column a, partner b at Sums[(a - A0) * Width + b]
};

/// Adds rows first..last-1 to the sums of columns a..a+count-1 with partners b..s, one
/// pair at a time, each sum in row order.
void AddPairsPlain(const PanelSums& p, int first, int last, int a, int count, int b) {
    for (int u = 0; u < count; ++u) {
        double* sums = p.Sums + static_cast<std::size_t>(a + u - p.A0) * p.Width;
        for (int i = first; i < last; ++i) {
            const double* row = p.Values + static_cast<std::size_t>(i) * p.Width;
            const double x = row[a + u];
            for (int c = b; c <= p.S; ++c) {
                sums[c] = sums[c] + x * row[c];
            }
        }
    }
}

/// The same for kTileColumns columns a and partners b.. in tiles of two vectors, the tile's
/// sums held in registers over the rows; the partners left over go one at a time. Each
/// lane's sum takes the same products in the same order as AddPairsPlain.
template <typename V>
[[gnu::always_inline]] inline void AddTiles(const PanelSums& p, int first, int last, int a, int b) {
    constexpr int kLanes = static_cast<int>(sizeof(V) / sizeof(double));
    for (; b + 2 * kLanes - 1 <= p.S; b += 2 * kLanes) {
        V acc[kTileColumns][2];
        for (int u = 0; u < kTileColumns; ++u) {
            const double* sums = p.Sums + static_cast<std::size_t>(a + u - p.A0) * p.Width + b;
            __builtin_memcpy(&acc[u][0], sums, sizeof(V));
            __builtin_memcpy(&acc[u][1], sums + kLanes, sizeof(V));
        }
        for (int i = first; i < last; ++i) {
            const double* row = p.Values + static_cast<std::size_t>(i) * p.Width;
            V low;
            V high;
            __builtin_memcpy(&low, row + b, sizeof(V));
            __builtin_memcpy(&high, row + b + kLanes, sizeof(V));
            for (int u = 0; u < kTileColumns; ++u) {
                const double x = row[a + u];
                acc[u][0] = acc[u][0] + x * low;
                acc[u][1] = acc[u][1] + x * high;
            }
        }
        for (int u = 0; u < kTileColumns; ++u) {
            double* sums = p.Sums + static_cast<std::size_t>(a + u - p.A0) * p.Width + b;
            __builtin_memcpy(sums, &acc[u][0], sizeof(V));
            __builtin_memcpy(sums + kLanes, &acc[u][1], sizeof(V));
        }
    }
    AddPairsPlain(p, first, last, a, kTileColumns, b);
}

void AddTilesPlain(const PanelSums& p, int first, int last, int a, int b) {
    AddTiles<Duo>(p, first, last, a, b);
}

#if defined(__x86_64__) && !defined(__AVX2__)
#define KALEMIR_AVX2_PRODUCTS 1
__attribute__((target("avx2"))) void AddTilesAvx2(const PanelSums& p, int first, int last, int a,
                                                  int b) {
    AddTiles<Quad>(p, first, last, a, b);
}
#endif

using TileAdder = void (*)(const PanelSums&, int, int, int, int);

TileAdder ChooseTileAdder() {
#ifdef KALEMIR_AVX2_PRODUCTS
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && !plainProductsOnly.load(std::memory_order_relaxed)) {
        return AddTilesAvx2;
    }
#endif
    return AddTilesPlain;
}

} // namespace

void UsePlainCrossProducts(bool plain) {
    plainProductsOnly.store(plain, std::memory_order_relaxed);
}

void SymmetricCrossProducts(const std::vector<double>& values, int n, int s,
                            std::vector<double>& out, WorkerPool* workers) {
    const std::size_t width = static_cast<std::size_t>(s) + 1;
    out.assign(width * width, 0.0);
    const int workerCount = workers != nullptr ? workers->Size() : 1;
    // Narrower panels for fewer columns, so that every worker has a few to take.
    const int panelWidth =
        std::clamp(s / (4 * workerCount) / kTileColumns * kTileColumns, kTileColumns, kPanel);
    const int panels = (s + panelWidth - 1) / panelWidth;
    std::vector<std::vector<double>> panelSums(
        static_cast<std::size_t>(workerCount),
        std::vector<double>(static_cast<std::size_t>(panelWidth) * width));
    const TileAdder addTiles = ChooseTileAdder();
    // Each panel of columns a0.. fills its own rows and columns of out: its sums with
    // every partner b >= a run over the rows a chunk at a time, each sum from 0 in row order.
    auto panel = [&](int first, int last, int worker) {
        std::vector<double>& sums = panelSums[static_cast<std::size_t>(worker)];
        for (int index = first; index < last; ++index) {
            const int a0 = 1 + index * panelWidth;
            const int count = std::min(panelWidth, s - a0 + 1);
            std::fill(sums.begin(), sums.end(), 0.0);
            const PanelSums p{values.data(), width, s, a0, sums.data()};
            for (int i = 1; i <= n; i += kChunkRows) {
                const int end = std::min(n + 1, i + kChunkRows);
                int a = a0;
                // A tile's first partners include columns before some of its a: sums no
                // one reads.
                for (; a + kTileColumns <= a0 + count; a += kTileColumns) {
                    addTiles(p, i, end, a, a);
                }
                AddPairsPlain(p, i, end, a, a0 + count - a, a);
            }
            for (int u = 0; u < count; ++u) {
                const int a = a0 + u;
                const double* row = sums.data() + static_cast<std::size_t>(u) * width;
                for (int b = a; b <= s; ++b) {
                    out[static_cast<std::size_t>(a) * width + b] = row[b];
                    out[static_cast<std::size_t>(b) * width + a] = row[b];
                }
            }
        }
    };
    ForEachOn(workers, panels, 1, panel);
}

} // namespace kalemir::qspr
