#pragma once
// Clusters of one measure's similarity matrix, the mixed-cluster marks and the databases
// CLU, NDB and NVB.

#include "similarity/SimState.h"

#include <vector>

namespace kalemir {
class ComputingWindow;
class WorkerPool;
} // namespace kalemir

namespace kalemir::sim {

/// Contribution of a neighbour with similarity s to an affinity: s + sgn(s - t).
inline double AffinityTerm(double s, double t) {
    return s > t ? s + 1 : (s < t ? s - 1 : s);
}

/// Seeds and grows the clusters of molecules 1..N on S with minimum similarity t; members
/// end sorted by molecule number, counts set (calibration = number <= n_c). The workers of
/// `pool` copy S into rows first (when it is small enough to have a copy) and sum the
/// affinities; the clustering itself runs on the calling thread. `space` lends the copy its
/// memory and gets it back, so that the measures of a run share one copy.
std::vector<Cluster> FindClusters(const PairMatrix& similarity, int calibrationCount,
                                  double threshold, WorkerPool& pool);

/// Largest number of pairs whose transposed copy FindClusters keeps while it runs (400 MB,
/// the 10,000 molecules a table may hold): above it the rows are gathered from the matrix
/// itself, one strided read per pair.
inline constexpr std::size_t kMaxCopiedPairs = std::size_t{50} * 1000 * 1000;

std::vector<Cluster> FindClusters(const PairMatrix& similarity, int calibrationCount,
                                  double threshold, WorkerPool& pool, std::vector<double>& space,
                                  std::size_t maxCopiedPairs = kMaxCopiedPairs);

/// Every similarity of one molecule at a time, S[x][1..N], read from contiguous storage:
/// the pairs (x, i > x) are row x of the matrix; the pairs (i < x, x) are row x of its
/// transpose, copied once. Without the copy they are read from the matrix one by one.
class SimilarityRows {
public:
    /// `space`, when given, lends its memory to the copy until the rows are destroyed.
    SimilarityRows(const PairMatrix& similarity, WorkerPool& pool, bool copy,
                   std::vector<double>* space = nullptr);
    ~SimilarityRows();
    SimilarityRows(const SimilarityRows&) = delete;
    SimilarityRows& operator=(const SimilarityRows&) = delete;

    /// S[x][i] as before[i - 1] for i < x and after[i - x - 1] for i > x.
    struct View {
        const double* Before;
        const double* After;
        int X;
        double operator[](int i) const {
            return i < X ? Before[i - 1] : (i > X ? After[i - X - 1] : 0.0);
        }
    };
    /// The similarities of x: in place when copied, otherwise gathered into `row`.
    View Get(int x, std::vector<double>& row) const;
    /// Fills row[1..N] with S[x][i] (row[x] = 0, the diagonal).
    void Load(int x, std::vector<double>& row) const;
    bool Copied() const { return !lower_.empty() || similarity_.Size() < 2; }

private:
    const PairMatrix& similarity_;
    std::vector<double>* space_;
    std::vector<double> lower_; ///< row x (x = 2..N): S[1..x-1][x], from (x-1)(x-2)/2
};

/// The heading of the cluster report, then the clustering caption.
void ReportClusterHeading(const RunChoices& choices, int measure, ComputingWindow& window);

/// Adds 1 to the mark count of each member of a cluster with members of both sets (only
/// with a prediction set); `marks` holds rows 0..N.
void MarkMixedClusters(const PreparedTable& table, const std::vector<Cluster>& clusters,
                       std::vector<int>& marks);

/// Writes P5 + "CLU" from the cluster with the largest calibration count x sqrt(prediction
/// count + 1), and keeps its counts.
void WriteCluDatabase(const RunChoices& choices, const PreparedTable& table,
                      const std::vector<Cluster>& clusters, RunResults& results);

/// The cluster listing of one measure.
void ReportClusters(const RunChoices& choices, const PreparedTable& table,
                    const std::vector<Cluster>& clusters);

/// Writes P5 + "NDB" and P5 + "NVB" from the mixed-cluster marks (only with a prediction
/// set), and keeps their counts.
void WriteMarkDatabases(const RunChoices& choices, const PreparedTable& table, RunResults& results);

} // namespace kalemir::sim
