// The elimination of the normal equations must give the bits of the textbook Gauss-Jordan
// sweep over every column, whatever the shortcuts it takes.

#include "qspr/core/Fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

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

// Cross products of s random columns over n rows (column 3 all zeros, column 5 a copy
// of column 4), as the cache holds them.
CrossProductCache RandomCache(int s, int n, std::mt19937_64& random) {
    std::uniform_real_distribution<double> unit(-1, 1);
    std::vector<std::vector<double>> x(static_cast<std::size_t>(s + 2), std::vector<double>(n));
    for (int c = 1; c <= s + 1; ++c) {
        for (int m = 0; m < n; ++m) {
            x[c][m] = c == 3 ? 0.0 : unit(random) * (1 + c % 3);
        }
    }
    x[5] = x[4];
    CrossProductCache cache;
    cache.Valid = true;
    cache.S = s;
    cache.N = n;
    cache.Gram.assign(static_cast<std::size_t>(s + 1) * (s + 1), 0.0);
    cache.Property.assign(static_cast<std::size_t>(s) + 1, 0.0);
    for (int a = 1; a <= s; ++a) {
        for (int b = 1; b <= s + 1; ++b) {
            double sum = 0;
            for (int m = 0; m < n; ++m) {
                sum += x[a][m] * x[b][m];
            }
            if (b <= s) {
                cache.Gram[static_cast<std::size_t>(a) * (s + 1) + b] = sum;
            } else {
                cache.Property[a] = sum;
            }
        }
    }
    return cache;
}

// A kept set with one more descriptor, taken over part-way from the kept set's own
// elimination, solves to the bits of gathering and eliminating the whole set: for every
// place the new descriptor can take, with zero pivots and repeated columns among them.
TEST(KeptElimination, TakenOverSystemsSolveToTheSameBits) {
    std::mt19937_64 random(7);
    SilentWindow window;
    const int s = 40;
    const CrossProductCache cache = RandomCache(s, 60, random);
    int compared = 0;
    int places[kSetWidth + 2] = {};
    for (int size = 1; size < kSetWidth; ++size) {
        for (int repeat = 0; repeat < 30; ++repeat) {
            // A sorted kept set of distinct columns; the zero and the repeated columns
            // come in often.
            std::vector<int> pool(s);
            for (int c = 0; c < s; ++c) {
                pool[c] = c + 1;
            }
            std::shuffle(pool.begin(), pool.end(), random);
            if (repeat % 3 == 0) {
                std::iter_swap(pool.begin(), std::find(pool.begin(), pool.end(), 3));
                std::iter_swap(pool.begin() + 1, std::find(pool.begin(), pool.end(), 4));
            }
            std::vector<int> keptColumns(pool.begin(), pool.begin() + size);
            std::sort(keptColumns.begin(), keptColumns.end());
            PredictorSet kept{};
            for (int b = 1; b <= size; ++b) {
                kept[b] = keptColumns[b - 1];
            }
            KeptElimination elimination;
            elimination.Eliminate(cache, kept, size);
            for (int d = 1; d <= s; ++d) {
                if (std::binary_search(keptColumns.begin(), keptColumns.end(), d)) {
                    continue;
                }
                PredictorSet set{};
                std::vector<int> all = keptColumns;
                all.insert(std::upper_bound(all.begin(), all.end(), d), d);
                for (int b = 1; b <= size + 1; ++b) {
                    set[b] = all[b - 1];
                }
                const int k = size + 1;
                Normal whole;
                GatherNormal(cache, set, k, whole);
                Normal part;
                Normal gathered;
                const int first = elimination.Start(cache, set, d, part, gathered);
                for (int i = 1; i <= k; ++i) {
                    for (int j = 1; j <= k + 1; ++j) {
                        ASSERT_EQ(std::bit_cast<std::uint64_t>(whole[i][j]),
                                  std::bit_cast<std::uint64_t>(gathered[i][j]))
                            << "gathered, kept " << size << " d " << d;
                    }
                }
                SolveNormalEquations(whole, k, window);
                ASSERT_GE(first, 1);
                ASSERT_EQ(set[first], d);
                ++places[first];
                SolveNormalEquationsFrom(part, k, first, window);
                for (int i = 1; i <= k; ++i) {
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(whole[i][k + 1]),
                              std::bit_cast<std::uint64_t>(part[i][k + 1]))
                        << "kept " << size << " d " << d << " row " << i;
                }
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 10000);
    EXPECT_GT(places[1], 0);
    EXPECT_GT(places[kSetWidth], 0); // d last in a set of 20
}

// Descriptors carried side by side give each lane the systems Start gives it alone, and
// the products of the gathered system with the solution read from the kept system are
// its own: runs of rising places, a run in no order, and a set that is not the kept set
// with d added.
TEST(KeptElimination, CarriedLanesStartAsOneTrialAlone) {
    std::mt19937_64 random(9);
    const int s = 60;
    const CrossProductCache cache = RandomCache(s, 40, random);
    SilentWindow window;
    int lanes = 0;
    for (int size = 1; size < kSetWidth; size += 3) {
        std::vector<int> pool(s);
        for (int c = 0; c < s; ++c) {
            pool[c] = c + 1;
        }
        std::shuffle(pool.begin(), pool.end(), random);
        std::iter_swap(pool.begin(), std::find(pool.begin(), pool.end(), 3)); // zero column
        std::vector<int> keptColumns(pool.begin(), pool.begin() + size);
        std::sort(keptColumns.begin(), keptColumns.end());
        PredictorSet kept{};
        std::copy(keptColumns.begin(), keptColumns.end(), kept.begin() + 1);
        KeptElimination elimination;
        elimination.Eliminate(cache, kept, size);
        const int k = size + 1;
        std::vector<PredictorSet> sets;
        std::vector<int> added;
        for (int d = 1; d <= s; ++d) {
            if (!std::binary_search(keptColumns.begin(), keptColumns.end(), d)) {
                std::vector<int> all = keptColumns;
                all.insert(std::upper_bound(all.begin(), all.end(), d), d);
                sets.emplace_back();
                std::copy(all.begin(), all.end(), sets.back().begin() + 1);
                added.push_back(d);
            }
        }
        std::vector<std::size_t> order(sets.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) {
                std::shuffle(order.begin(), order.end(), random);
                sets[order[0]][1] = sets[order[0]][1] == 1 ? 2 : 1; // not kept set and d
            }
            for (std::size_t first = 0; first < order.size();
                 first += KeptElimination::Carried::kLanes) {
                const int count = static_cast<int>(
                    std::min<std::size_t>(KeptElimination::Carried::kLanes, order.size() - first));
                const PredictorSet* laneSets[KeptElimination::Carried::kLanes];
                int laneAdded[KeptElimination::Carried::kLanes];
                for (int l = 0; l < count; ++l) {
                    laneSets[l] = &sets[order[first + l]];
                    laneAdded[l] = added[order[first + l]];
                }
                KeptElimination::Carried carried;
                elimination.Carry(cache, laneSets, laneAdded, count, carried);
                for (int l = 0; l < count; ++l) {
                    Normal alone;
                    Normal aloneGathered;
                    Normal side;
                    Normal sideGathered;
                    const int place =
                        elimination.Start(cache, *laneSets[l], laneAdded[l], alone, aloneGathered);
                    ASSERT_EQ(elimination.StartCarried(cache, *laneSets[l], laneAdded[l],
                                                       {carried, l}, side, &sideGathered),
                              place);
                    for (int i = 1; i <= k; ++i) {
                        for (int j = 1; j <= k + 1; ++j) {
                            ASSERT_EQ(std::bit_cast<std::uint64_t>(aloneGathered[i][j]),
                                      std::bit_cast<std::uint64_t>(sideGathered[i][j]));
                            if (j >= place) { // the columns the elimination reads on
                                ASSERT_EQ(std::bit_cast<std::uint64_t>(alone[i][j]),
                                          std::bit_cast<std::uint64_t>(side[i][j]))
                                    << "kept " << size << " d " << laneAdded[l] << " lane " << l;
                            }
                        }
                    }
                    if (place > 1 || carried.Place[l] != 0) {
                        // (G b)_i read from the kept system: the sums over the gathered one.
                        SolveNormalEquationsFrom(alone, k, place, window);
                        double rows[kSetWidth + 2];
                        elimination.GramTimes(cache, laneAdded[l], place, alone, rows);
                        for (int i = 1; i <= k; ++i) {
                            double sum = 0;
                            for (int j = 1; j <= k; ++j) {
                                sum = sum + aloneGathered[j][i] * alone[j][k + 1];
                            }
                            ASSERT_EQ(std::bit_cast<std::uint64_t>(sum),
                                      std::bit_cast<std::uint64_t>(rows[i]));
                        }
                    }
                    ++lanes;
                }
            }
        }
    }
    EXPECT_GT(lanes, 600);
}

// A set that is not the kept set with d added is gathered whole.
TEST(KeptElimination, OtherSetsAreGatheredWhole) {
    std::mt19937_64 random(8);
    const CrossProductCache cache = RandomCache(12, 20, random);
    KeptElimination elimination;
    const PredictorSet kept{0, 2, 6, 9};
    elimination.Eliminate(cache, kept, 3);
    Normal normal;
    Normal gathered;
    EXPECT_EQ(elimination.Start(cache, PredictorSet{0, 2, 7, 8, 9}, 7, normal, gathered), 1);
    EXPECT_EQ(elimination.Start(cache, PredictorSet{0, 2, 6, 9, 11}, 10, normal, gathered), 1);
    EXPECT_EQ(elimination.Start(cache, PredictorSet{0, 2, 6, 9, 11}, 11, normal, gathered), 4);
    // d first: nothing to take over, yet a true start.
    EXPECT_EQ(elimination.Start(cache, PredictorSet{0, 1, 2, 6, 9}, 1, normal, gathered), 1);
}

} // namespace
} // namespace kalemir::qspr
