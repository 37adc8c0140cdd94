#include "qspr/core/Centring.h"

#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "qspr/core/CentredSums.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/CrossProducts.h"

#include <cmath>

namespace kalemir::qspr {

namespace {
/// Intercorrelations worked out between two updates of the caption.
constexpr int kPairsPerCaption = 1000;
} // namespace

std::string InterR2Caption(long long done, int s) {
    const double percent =
        200.0 * static_cast<double>(done) / (static_cast<double>(s) * (static_cast<double>(s) - 1));
    const double rounded = std::floor(10 * percent + 0.5) / 10;
    return " " + PlainNumber(rounded) + " %   of the intercorrelations were calculated";
}

void ComputeInterR2(CycleInputs& cycle, SignificantDescriptors& descriptors, PairCorrelation& pair,
                    WorkerPool* pool, ComputingWindow& window) {
    cycle.TableCount = 1;
    const int n = cycle.CalibrationCount;
    const int s = descriptors.SignificantCount;
    pair.HoldRows(n);
    std::fill(pair.X.begin() + 1, pair.X.end(), 0.0);
    std::fill(pair.Y.begin() + 1, pair.Y.end(), 0.0);
    descriptors.InterSize = s + 1;
    descriptors.InterR2.assign(
        static_cast<std::size_t>(descriptors.InterSize) * descriptors.InterSize, 1.0);

    // Each column's mean and deviations are what the correlation routine computes for
    // it in every pair; the pairs then differ only in the sum of products.
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    const std::size_t width = static_cast<std::size_t>(s) + 1;
    std::vector<double> deviations(width * (static_cast<std::size_t>(n) + 1), 0.0);
    std::vector<double> squares(width, 0.0);
    for (int a = 1; a <= s; ++a) {
        const double* x = dm.Column(a);
        const CentredSums sums = CentredSumsOf(x + 1, n);
        for (int i = 1; i <= n; ++i) {
            deviations[static_cast<std::size_t>(i) * width + a] = x[i] - sums.Mean;
        }
        squares[a] = std::fabs(sums.Squares);
    }
    std::vector<double> products;
    SymmetricCrossProducts(deviations, n, s, products, pool);

    long long done = 0;
    for (int a = 1; a < s; ++a) {
        for (int b = a + 1; b <= s; ++b) {
            const double r = CappedCorrelation(products[static_cast<std::size_t>(a) * width + b],
                                               squares[a], squares[b]);
            const double r2 = r * r;
            descriptors.InterR2[static_cast<std::size_t>(a) * descriptors.InterSize + b] = r2;
            descriptors.InterR2[static_cast<std::size_t>(b) * descriptors.InterSize + a] = r2;
            window.Yield();
            ++done;
            if (done % kPairsPerCaption == 0) {
                window.SetCaption(InterR2Caption(done, s));
            }
        }
    }
}

void CentreColumns(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                   OutlierState& outliers, ComputingWindow& window) {
    window.ShowPlaced(PlacedLine::CentringNotice, 0,
                      "Centralization / normalization of descriptor values.");
    window.SetCaption(" Centralization / normalization of descriptor values");
    const int n = cycle.CalibrationCount;
    const int last = n + cycle.PredictionCount;
    DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    for (int j = 1; j <= descriptors.SignificantCount; ++j) {
        double* column = dm.Column(j);
        const double mean = column[last + 1];
        for (int i = 1; i <= last; ++i) {
            column[i] = column[i] - mean;
        }
    }
    double* property = dm.Column(kPropertyColumn);
    for (int i = 1; i <= n; ++i) {
        property[i] = property[i] - property[last + 1];
    }
    ++descriptors.DataVersion;
    outliers.OutlierRatio = 0;
    window.ClearPicture();
    window.ShowPicture(true);
}

} // namespace kalemir::qspr
