#pragma once
// The significant descriptors: merged table by table into the descriptor matrix, then
// ranked by quality and reported.

#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Quality of a descriptor with squared correlation r2 against threshold t.
inline double DescriptorQuality(double t, double r2) {
    return (1 - t) / (1 - r2);
}

void MergeSignificant(const CycleInputs& cycle, const TableState& tables,
                      SignificantDescriptors& descriptors, PairCorrelation& pair,
                      ComputingWindow& window);
void ColumnStats(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                 ComputingWindow& window);
void RankSignificant(const CycleInputs& cycle, SignificantDescriptors& descriptors,
                     const std::string& reportName, ComputingWindow& window);

/// The exchange sort of the ranking (for a, for b > a, swap when key b > key a), done on
/// keys and positions only: returns order[1..count] = original index now at each place.
std::vector<int> ExchangeSortDescending(const std::vector<double>& keys, int count);
/// The same with swaps when key j < key i.
std::vector<int> ExchangeSortAscending(const std::vector<double>& keys, int count);

} // namespace kalemir::qspr
