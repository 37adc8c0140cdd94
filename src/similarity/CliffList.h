#pragma once
// Every activity cliff of the calibration set, not only the strongest: for each measure,
// the pairs whose similarity is at least a threshold, with their property difference and
// the structure-activity landscape index SALI = |difference| / (1 - similarity), listed
// in P5 + "cliffs.csv" from the largest SALI down; and the structure-activity similarity
// map of each measure (similarity against |property difference|, cliffs marked) as
// P5 + "sas-" + measure + ".svg".

#include "common/Report.h"
#include "similarity/SimState.h"

#include <cstddef>

#include <string>
#include <vector>

namespace kalemir::sim {

/// |difference| / (1 - similarity). At similarity 1 (or above, by rounding) the index is
/// infinite when the property values differ and 0 when they are equal: identical
/// structures with equal values are no cliff.
double Sali(double similarity, double difference);

/// The threshold of a measure: the --cliff-similarity value when given (not negative),
/// otherwise the measure's minimum similarity of the clusters.
double CliffThreshold(const RunChoices& choices, int measure);

/// A calibration pair a < b (rows from 1) above the threshold.
struct CliffRecord {
    int A = 0;
    int B = 0;
    double Sali = 0;
};

/// The calibration pairs whose similarity is at least `threshold`, by SALI descending;
/// pairs of equal SALI keep their loop order (a, then b). Only these pairs are held.
std::vector<CliffRecord> ListCliffs(const PreparedTable& table, const PairMatrix& similarity,
                                    double threshold);

/// Cliffs held in memory at a time while a measure's list is written (16 MB): a longer
/// list is sorted in runs of this many, kept in a work file and merged into the file.
inline constexpr std::size_t kCliffChunk = std::size_t{1} << 20;

/// Appends the CSV lines of a measure's cliffs, in ListCliffs's order, holding at most
/// `chunk` of them.
void WriteMeasureCliffs(ReportAppender& file, const PreparedTable& table,
                        const PairMatrix& similarity, int measure, double threshold,
                        std::size_t chunk = kCliffChunk);

/// P5 + "cliffs.csv" and P5 + "sas-" + the measure's word + ".svg".
std::string CliffFileName(const std::string& tableFileName);
std::string SasMapName(const std::string& tableFileName, int measure);

/// Above this many calibration pairs the map draws one point per occupied cell of a
/// 200 x 100 grid (its title the number of pairs in it) instead of one point per pair.
inline constexpr long kMaxMapPairs = 20000;

/// Creates the cliff file with its header line (measure 1) and appends the measure's
/// cliffs; writes the measure's map.
void WriteCliffs(const RunChoices& choices, const PreparedTable& table,
                 const PairMatrix& similarity, int measure);

} // namespace kalemir::sim
