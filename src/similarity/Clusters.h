#pragma once
// Clusters of one measure's similarity matrix, the mixed-cluster marks and the databases
// CLU, NDB and NVB.

#include "similarity/SimState.h"

#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::sim {

/// Contribution of a neighbour with similarity s to an affinity: s + sgn(s - t).
inline double AffinityTerm(double s, double t) {
    return s > t ? s + 1 : (s < t ? s - 1 : s);
}

/// Seeds and grows the clusters of molecules 1..N on S with minimum similarity t; members
/// end sorted by molecule number, counts set (calibration = number <= n_c).
std::vector<Cluster> FindClusters(const PairMatrix& similarity, int calibrationCount,
                                  double threshold);

/// The heading of the cluster report, then the clustering caption.
void ReportClusterHeading(const ProgramState& state, int measure, ComputingWindow& window);

/// Adds 1 to the mark count of each member of a cluster with members of both sets.
void MarkMixedClusters(ProgramState& state, const RunState& run);

/// Writes P5 + "CLU" from the cluster with the largest calibration count x sqrt(prediction
/// count + 1), and keeps its counts.
void WriteCluDatabase(const ProgramState& state, RunState& run);

/// The cluster listing of one measure.
void ReportClusters(const ProgramState& state, const RunState& run);

/// Writes P5 + "NDB" and P5 + "NVB" from the mark counts (only with a prediction set).
void WriteMarkDatabases(const ProgramState& state, RunState& run);

} // namespace kalemir::sim
