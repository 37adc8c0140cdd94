#pragma once
// The observance of the QSPR axiom, the property and structure cliffs, and the diversity,
// Shannon entropy and set similarity of one measure.

#include "similarity/SimState.h"

#include <vector>

namespace kalemir {
class ComputingWindow;
class WorkerPool;
} // namespace kalemir

namespace kalemir::sim {

/// Four-decimal form: Int(x * 10000 + 0.5) * 0.0001.
double Dec4(double x);

/// Q(a, b) = 1 - |Pa - Pb| / (Pmax - Pmin); 1 when all calibration values are equal.
double PropertySimilarity(double pa, double pb, double pMax, double pMin);

/// Number of calibration pairs listed for the rank statistic: all of them up to 10000,
/// otherwise 10000 evenly spaced ones.
inline constexpr long kMaxListedPairs = 10000;

/// Keys (similarity + Q / 10000) and values (Q) of the listed calibration pairs.
struct PairList {
    std::vector<double> Keys;
    std::vector<double> Values;
};
PairList ListCalibrationPairs(const PreparedTable& table, const PairMatrix& similarity, int measure,
                              ComputingWindow& window);

/// Running numbers (1-based, loop order) of the sampled pairs when there are more than
/// 10000: the m-th is Int(0.5 + m * pairs / 10000).
long SampledRunningNumber(long m, long pairs);

/// tau = 2 Agr / (L (L - 1)) from the sign agreements of every two records (0 when L < 2).
double RankAgreement(const PairList& list);

/// Observance O = sgn(tau) * dec4(|tau|).
double Observance(double tau);

struct CliffPair {
    double Value = 0;
    int A = 0;
    int B = 0;
};
struct Cliffs {
    CliffPair Property;
    CliffPair Structure;
};
/// The calibration pairs with the largest property cliff and structure cliff (the first in
/// loop order on ties); the workers of `pool` share out the rows.
Cliffs FindCliffs(const PreparedTable& table, const PairMatrix& similarity, int measure,
                  ComputingWindow& window, WorkerPool& pool);

/// Observance of the axiom and the cliffs of the context's measure, reported; O_k kept in the
/// summary.
void CheckAxiom(const MeasureContext& context, const PairMatrix& similarity,
                MeasureSummary& summary);

/// Shannon entropy of a set of n molecules spread over clusters with the given counts.
double SetEntropy(const std::vector<int>& counts, int n);
/// (H + 0.1) / (ln n + 0.1); 0 for n <= 1.
double Diversity(double entropy, int n);

/// Diversity, entropy and set similarity from the clusters, reported and kept.
void ReportDiversity(const RunChoices& choices, const PreparedTable& table,
                     const std::vector<Cluster>& clusters, int measure, MeasureSummary& summary,
                     ComputingWindow& window);

} // namespace kalemir::sim
