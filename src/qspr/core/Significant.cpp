#include "qspr/core/Significant.h"

#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "qspr/core/CentredSums.h"
#include "qspr/core/Correlation.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kalemir::qspr {

namespace {

/// True when keys 1..count are numbers that all differ (no two compare equal).
bool AllKeysDiffer(const std::vector<double>& keys, int count) {
    std::vector<double> sorted(keys.begin() + 1, keys.begin() + count + 1);
    for (double key : sorted) {
        if (std::isnan(key)) {
            return false;
        }
    }
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

template <typename Swap>
std::vector<int> ExchangeSort(const std::vector<double>& keysIn, int count, Swap before) {
    std::vector<int> order(static_cast<std::size_t>(count) + 1);
    for (int i = 0; i <= count; ++i) {
        order[i] = i;
    }
    // Keys that all differ have one sorted order only, the one the exchanges reach: take
    // it in n log n. Ties keep the exchanges, whose order among equal keys is their own.
    if (count > 1 && AllKeysDiffer(keysIn, count)) {
        std::sort(order.begin() + 1, order.end(),
                  [&](int a, int b) { return before(keysIn[a], keysIn[b]); });
        return order;
    }
    // Pass a holds the key at a and meets the keys after it in order; each key before the
    // one held changes places with it. The keys between are only compared: they are
    // looked through eight at a time for the next one before the held key.
    std::vector<double> keys(keysIn.begin(), keysIn.begin() + count + 1);
    for (int a = 1; a < count; ++a) {
        double held = keys[a];
        int heldPlace = order[a];
        for (int b = a + 1; b <= count; ++b) {
            constexpr int kLook = 8;
            while (b + kLook - 1 <= count) {
                bool any = false;
                for (int j = 0; j < kLook; ++j) {
                    any |= before(keys[b + j], held);
                }
                if (any) {
                    break;
                }
                b += kLook;
            }
            if (b > count) {
                break;
            }
            if (before(keys[b], held)) {
                std::swap(held, keys[b]);
                std::swap(heldPlace, order[b]);
            }
        }
        keys[a] = held;
        order[a] = heldPlace;
    }
    return order;
}

} // namespace

std::vector<int> ExchangeSortDescending(const std::vector<double>& keys, int count) {
    return ExchangeSort(keys, count, [](double b, double a) { return b > a; });
}

std::vector<int> ExchangeSortAscending(const std::vector<double>& keys, int count) {
    return ExchangeSort(keys, count, [](double b, double a) { return b < a; });
}

void MergeSignificant(const CycleInputs& cycle, const TableState& tables,
                      SignificantDescriptors& descriptors, PairCorrelation& pair,
                      ComputingWindow& window) {
    const int n = cycle.CalibrationCount;
    const int last = n + cycle.PredictionCount;
    const int qualityRow = last + 4;
    DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    const TableCellStore& cells = tables.Cells;
    int count = 0;
    while (count < kMaxHeldDescriptors && dm.At(qualityRow, count + 1) > 0) {
        ++count;
    }
    double t = cycle.MinPropertyR2;
    if (cells.Headings[1] == "grid") {
        t = 2 * cycle.MinPropertyR2;
    }
    pair.HoldRows(n);
    for (int j = 2; j < kTableColumns; ++j) {
        const double r2 = cells.ColumnR2[j];
        const double f = DescriptorQuality(t, r2);
        if (!(f > 1)) {
            continue;
        }
        ++count;
        int target = 0;
        if (count <= kMaxHeldDescriptors) {
            target = count;
        } else {
            const double* column = cells.Column(j);
            for (int i = 1; i <= n; ++i) {
                pair.Y[i] = column[i];
            }
            int similar = 0;
            double r2max = -1;
            for (int e = 1; e <= kMaxHeldDescriptors; ++e) {
                const double* kept = dm.Column(e);
                for (int i = 1; i <= n; ++i) {
                    pair.X[i] = kept[i];
                }
                CorrelatePair(pair, n, window);
                const double r2e = pair.R2 == 1 ? kMaxCorrelation : pair.R2;
                if (similar == 0 || r2e > r2max) {
                    similar = e;
                    r2max = r2e;
                }
            }
            const double fsim = dm.At(qualityRow, similar);
            const double redundancy = (n - 1) * r2max / (1 - r2max);
            double fmin = 1000;
            int weakest = 0;
            for (int e = 1; e <= kMaxHeldDescriptors; ++e) {
                if (dm.At(qualityRow, e) < fmin) {
                    fmin = dm.At(qualityRow, e);
                    weakest = e;
                }
            }
            if (f > fmin) {
                target = weakest;
            }
            if (redundancy > 900 && f > fsim) {
                target = similar;
            }
        }
        if (target > 0) {
            dm.ColumnNames[target] = cells.Headings[j];
            const double* column = cells.Column(j);
            double* into = dm.Column(target);
            for (int i = 1; i <= last; ++i) {
                into[i] = column[i];
            }
            dm.At(qualityRow, target) = f;
        }
    }
    ++descriptors.DataVersion;
}

void ColumnStats(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                 ComputingWindow& window) {
    window.SetCaption(" Calculation of the average and standard deviation ... wait ...");
    const int n = cycle.CalibrationCount;
    const int last = n + cycle.PredictionCount;
    DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    for (int j = 1; j <= kPropertyColumn; ++j) {
        double* column = dm.Column(j);
        const CentredSums sums = CentredSumsOf(column + 1, n);
        column[last + 1] = sums.Mean;
        column[last + 2] = std::sqrt(sums.Squares / n);
    }
}

void RankSignificant(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                     const std::string& reportName, ComputingWindow& window) {
    ColumnStats(cycle, descriptors, window);
    const int last = cycle.CalibrationCount + cycle.PredictionCount;
    const int qualityRow = last + 4;
    DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    std::vector<double> keys(kMaxHeldDescriptors + 1, 0.0);
    for (int j = 1; j <= kMaxHeldDescriptors; ++j) {
        keys[j] = dm.At(qualityRow, j);
    }
    const std::vector<int> order = ExchangeSortDescending(keys, kMaxHeldDescriptors);
    {
        // Move every column to its ranked place (rows 0..N+P+4 and the name).
        std::vector<double> moved(static_cast<std::size_t>(kMaxHeldDescriptors) * dm.Rows);
        std::vector<std::string> names(kMaxHeldDescriptors + 1);
        for (int j = 1; j <= kMaxHeldDescriptors; ++j) {
            const double* from = dm.Column(order[j]);
            std::copy(from, from + dm.Rows,
                      moved.begin() + static_cast<std::ptrdiff_t>(j - 1) * dm.Rows);
            names[j] = std::move(dm.ColumnNames[order[j]]);
        }
        std::copy(moved.begin(), moved.end(), dm.Column(1));
        for (int j = 1; j <= kMaxHeldDescriptors; ++j) {
            dm.ColumnNames[j] = std::move(names[j]);
        }
    }
    ++descriptors.DataVersion;
    descriptors.SignificantCount = 0;
    for (int j = 1; j <= kMaxHeldDescriptors; ++j) {
        window.SetCaption(" Counting of the significant descriptors ... " + PlainNumber(j) + " / " +
                          PlainNumber(kMaxHeldDescriptors));
        if (dm.At(qualityRow, j) > 1) {
            ++descriptors.SignificantCount;
        }
    }
    const int s = descriptors.SignificantCount;
    ReportAppender report(reportName);
    report.Line("   According to KalemirQ criteria in the QSPR computation phase");
    if (s == kMaxHeldDescriptors) {
        report.Line("   number of the significant descriptors is larger than 1000");
    } else {
        report.Line("   number of the significant descriptors is " + PlainNumber(s));
    }
    const int shown = static_cast<int>(std::floor(std::sqrt(static_cast<double>(s)) + 0.5));
    if (shown > 0) {
        report.Lines(
            {"", "   The most significant " + PlainNumber(shown) + " descriptors by quality are:",
             "", "   Descriptor      Quality", ""});
        for (int j = 1; j <= shown; ++j) {
            const double quality = dm.At(qualityRow, j);
            if (quality > 0) {
                report.Line("     " + dm.ColumnNames[j] + "           " +
                            PlainNumber(RoundDown(quality, 4)));
            }
        }
    } else {
        report.Lines({"", "   PROGRAM FINISH"});
    }
    report.Close();
}

} // namespace kalemir::qspr
