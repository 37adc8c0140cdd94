#pragma once
// The state of the QSPR program's computing stages, one structure per stage's own state,
// and the pieces they are built of: the descriptor matrix, the loaded work table, the
// correlation routine's buffer, predictor sets, fits and the candidates under trial.
// The driver owns one of each and hands every stage the ones it reads and writes.

#include "common/ComputingWindow.h"
#include "common/WorkFiles.h"
#include "common/WorkerPool.h"
#include "qspr/core/CycleInputs.h"
#include "qspr/setup/ProgramState.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// Column of the descriptor matrix that holds the observed property.
inline constexpr int kPropertyColumn = 1001;
/// Columns 0..1001 of the descriptor matrix (0 = molecule names).
inline constexpr int kMatrixColumns = 1002;
/// Columns 0..1099 of a loaded work table that hold descriptors (1 = molecule column).
inline constexpr int kTableColumns = 1100;
/// Largest predictor set and the number of entries of a best-set slot.
inline constexpr int kSetWidth = 20;
inline constexpr int kSlotEntries = 25;
/// Entries of a best-set slot after its columns 1..kSetWidth: the set's quality (r2 for
/// one or two predictors, Q for more), the r2CV of its equation and the standard error
/// of the fit with the best Q.
inline constexpr int kSlotQuality = 21;
inline constexpr int kSlotR2CV = 22;
inline constexpr int kSlotSEE = 24;
/// Best-set slots: the best set of the size just searched, the best over the sizes
/// searched so far, and the best set by Q (shown on the picture and analysed by the final
/// analysis).
inline constexpr int kLevelBestSlot = 1;
inline constexpr int kOverallBestSlot = 2;
inline constexpr int kBestByQSlot = 3;
/// Slots 1..kBestSetSlots are cleared together (the last one is not otherwise used).
inline constexpr int kBestSetSlots = 4;
/// Rows of the ranked list: 1..1000 listed sets, 1001 the candidate under trial.
inline constexpr int kListRows = 1000;
inline constexpr int kCandidateRow = 1001;

/// Buffer and results of CorrelatePair: X in column 1, Y in column 2, rows 1..N.
struct PairCorrelation {
    std::vector<double> X;
    std::vector<double> Y;
    int FitTermCount = 0; ///< K, subtracted in the SEE denominator
    int SignedR2 = 0;     ///< 1: the r2 result carries the sign of r
    double MeanX = 0;
    double R = 0;
    double R2 = 0;
    double SEE = 0;

    /// Makes rows 1..`molecules` usable; rows already there keep their values.
    void HoldRows(int molecules) {
        const std::size_t rows = static_cast<std::size_t>(molecules) + 1;
        if (X.size() < rows) {
            X.resize(rows, 0.0);
            Y.resize(rows, 0.0);
        }
    }
};

/// Descriptor values, molecules by columns: row 0 and column 0 hold names, rows 1..N the
/// calibration molecules, N+1..N+P the prediction molecules, N+P+1 the column means,
/// N+P+2 the standard deviations, N+P+4 the quality used for ranking.
struct DescriptorMatrixStore {
    int Rows = 0;                           ///< rows 0..Rows-1, Rows = N+P+5
    std::vector<double> Values;             ///< column-major, kMatrixColumns columns
    std::vector<std::string> ColumnNames;   ///< row 0, columns 0..1001
    std::vector<std::string> MoleculeNames; ///< column 0, rows 0..Rows-1

    void Reset(int rows);
    double* Column(int c) { return Values.data() + static_cast<std::size_t>(c) * Rows; }
    const double* Column(int c) const { return Values.data() + static_cast<std::size_t>(c) * Rows; }
    double& At(int row, int c) { return Column(c)[row]; }
    double At(int row, int c) const { return Column(c)[row]; }
};

/// The work table being screened: row 0 text headings, rows 1..N+P numeric cells of
/// columns 1..1099, the QSPR names (column 0) and property texts (column 1100), and the
/// r2 of each column with the property (the row after the last molecule).
struct TableCellStore {
    int Rows = 0; ///< molecule rows 0..Rows-1 (Rows = N+P+1)
    std::vector<std::string> Headings = std::vector<std::string>(kTableColumns + 1);
    std::vector<double> Values;            ///< column-major, columns 0..1099
    std::vector<std::string> Names;        ///< column 0 (QSPR molecule names)
    std::vector<std::string> PropertyText; ///< column 1100
    std::vector<double> ColumnR2 =
        std::vector<double>(kTableColumns, 0.0); ///< the row after the last molecule

    double* Column(int c) { return Values.data() + static_cast<std::size_t>(c) * Rows; }
    const double* Column(int c) const { return Values.data() + static_cast<std::size_t>(c) * Rows; }
    double& At(int row, int c) { return Column(c)[row]; }
    double At(int row, int c) const { return Column(c)[row]; }
};

/// A predictor set: entries 1..20 are descriptor columns (0 = empty), entry 0 unused.
using PredictorSet = std::array<int, kSetWidth + 1>;

/// Results of one least-squares fit (the coefficient and mean rows of the design matrix).
struct FitResult {
    int K = 0;
    std::array<double, kSetWidth + 2> Coefficients{}; ///< b_1..b_K
    double Intercept = 0;
    std::array<double, kSetWidth + 2> Means{}; ///< predictors 1..K, property K+1
};

/// Cross products of the significant descriptors over the calibration rows, in row
/// order, so that a fit can take its normal equations without summing again.
struct CrossProductCache {
    bool Valid = false;
    int S = 0;
    int N = 0;
    std::uint64_t DataVersion = 0;
    std::vector<double> Gram;     ///< (S+1) x (S+1), entries 1..S, symmetric bit for bit
    std::vector<double> Property; ///< entries 1..S: sum of x_a * y
    std::vector<double> Observed; ///< rows 1..N: observed property (raw)
    double ObservedMean = 0;
    double ObservedSyy = 0;
    // Sizes the r2 bound of a fit takes its rounding allowances from (see FitR2BoundOfSolved).
    std::vector<double> Magnitude;   ///< entries 1..S: max |x| + |column mean|
    std::vector<double> MeanOffset;  ///< entries 1..S: bound on |mean of the centred column|
    double PropertySquares = 0;      ///< sum of the centred property's squares
    double PropertyMeanOffset = 0;   ///< bound on |mean of the centred property|
    double PropertyMagnitude = 0;    ///< max |y| + |property mean|
    std::vector<double> Means;       ///< entries 1..S: the column's stored mean
    std::vector<double> RootSquares; ///< entries 1..S: sqrt of the column's own cross product
    /// Columns 1..S with their stored means added back, rows 1..N at [c * (N + 1) + row]:
    /// the values the estimates of a fit take.
    std::vector<double> Uncentred;
    // Buffers the cross products are worked out in, kept from level to level.
    std::vector<double> RowScratch;     ///< the columns molecule by molecule
    std::vector<double> ProductScratch; ///< the sums of products of all of them
};

class KeptElimination;

/// One worker's buffers for fitting candidates beside the others.
struct FitScratch {
    double Normal[kSetWidth + 1][kSetWidth + 2];
    double Gathered[kSetWidth + 1][kSetWidth + 2];
    FitResult Fit;
    PairCorrelation Pair;
    SilentWindow Window;
    std::vector<double> LaneEstimates; ///< the lane fits' estimates, molecule by molecule
};

/// A candidate set of a search and what the workers found of it.
struct SearchTrial {
    PredictorSet Set{};
    int Added = 0; ///< the descriptor added to a kept set (0: none)
    /// The kept set's elimination the trial takes over (none: eliminated whole).
    const KeptElimination* Kept = nullptr;
    bool MustFit = false; ///< fitted whatever its bound (the sets that fill the list)
    double Bound = 0;     ///< FitR2BoundOfSolved, or infinity
    bool Fitted = false;  ///< R2 and SEE hold the exact fit
    double R2 = 0;
    double SEE = 0;
    bool Listed = false;          ///< the list's index held the set when its change log began
    std::uint64_t ListedHash = 0; ///< the hash the list's index files the set under
};

/// A sort remembered with the keys it sorted (entries 0..n).
struct SortMemo {
    std::vector<double> Keys;
    std::vector<int> Order;
};

/// The split and loaded tables of a cycle. Written by the work copies, the preliminary
/// selection and the splitting and loading of each table; read by the screening of the
/// loaded table.
struct TableState {
    /// The work table being screened.
    TableCellStore Cells;
    /// The number of the cycle's table being loaded and screened.
    int TableIndex = 0;
    std::vector<std::string> SplitNameColumn;
    std::string CurrentTableName;
    int NewtabCount = 0;
    /// Descriptor columns of each split table (index 1..NewtabCount).
    std::vector<int> NewtabWidths;
    int FragmentNewtab = 0;
    long long NewtabTotalKB = 0;
};

/// The significant descriptors of a cycle: their matrix (values, means, standard
/// deviations and the quality of each), their number and their intercorrelations.
/// Written by the screening (merge, statistics, ranking), the intercorrelations and the
/// centring; the cross-validation and the final analysis reorder and restore its rows.
/// Read by the searches and the final analysis.
struct SignificantDescriptors {
    DescriptorMatrixStore DescriptorMatrix;
    /// Bumped whenever the values or the row order of the descriptor matrix change.
    std::uint64_t DataVersion = 0;
    int SignificantCount = 0;
    /// Intercorrelations, rows and columns 0..S (diagonal 1).
    int InterSize = 0;
    std::vector<double> InterR2;
    double Inter(int a, int b) const {
        return InterR2[static_cast<std::size_t>(a) * InterSize + b];
    }
};

/// The best figures the fits of a search have reached so far. Each fit's outcome is taken
/// in the search's order; a set passed by (BoundLeavesSearchUnchanged) would change none.
struct SearchProgress {
    /// The best r2 of the cycle's search so far.
    double BestR2Seen = 0;
    /// The best Q of the fits so far and the standard error of that fit: a fit of three
    /// predictors sets BestQ to its own Q (the level of three starts the Q anew), a fit of
    /// two sets it to its r2 when that is higher. Started again after an outlier is removed.
    double BestQ = 0;
    double BestQSEE = 1000;

    /// Takes the outcome of a fit of k predictors over n calibration molecules.
    void Take(int n, int k, double r2, double see);
    /// Starts the best Q and its standard error again (a cycle with one molecule fewer).
    void RestartQ() {
        BestQ = 0;
        BestQSEE = 1000;
    }
};

/// The search of predictor sets: the ranked candidate lists, the kept sets, the best sets
/// by size and the best figures so far. Written by the searches of pairs and larger sets
/// and the cross-validation; read by the best-set report and the final analysis.
struct SearchState {
    /// Predictors of the sets the search is at (the level), and of the best set by Q in
    /// the final analysis.
    int FitTermCount = 0;
    int ValuableSetCount = 0;
    SearchProgress Progress;
    CrossProductCache Cross;
    /// The searches pass by the fits that provably change nothing (BoundLeavesSearchUnchanged);
    /// false fits every candidate, the plain path the differential test compares with.
    bool PassByIdleFits = true;
    long long PassedFitCount = 0; ///< fits the searches passed by
    /// The workers' buffers, and the batch of candidates under trial.
    std::vector<std::unique_ptr<FitScratch>> WorkerFits;
    std::vector<SearchTrial> Trials;

    // Ranked candidate lists: rows 0..1001, entries 0..20.
    std::vector<PredictorSet> CandidateSets = std::vector<PredictorSet>(kCandidateRow + 1);
    std::vector<double> CandidateR2 = std::vector<double>(kCandidateRow + 1, 0.0);
    std::vector<PredictorSet> KeptSets = std::vector<PredictorSet>(kListRows + 1);
    std::vector<double> KeptR2 = std::vector<double>(kCandidateRow + 1, 0.0);

    // Best sets: slots 0..4 (kLevelBestSlot, kOverallBestSlot, kBestByQSlot), entries 0..24
    // (columns, kSlotQuality, kSlotR2CV, kSlotSEE).
    std::array<std::array<double, kSlotEntries>, kBestSetSlots + 1> BestSets{};
    int BestSetSize = 0;
    /// Predictor-value file of the cycle's best sets.
    std::string PrdFileName;
};

/// The cross-validation of the best sets: its half fits' design, its estimates and the
/// sorts of the property it remembers. Written and read by the cross-validation only.
struct CrossValidationState {
    double LastFitR2CV = 0;
    std::vector<double> CVEstimate; ///< rows 1..N
    std::vector<double> CVObserved;
    /// Design columns of the cross-validation's half fits (grown once, reused).
    std::vector<double> HalfDesign;
    /// The last ascending and descending sorts of the property.
    SortMemo CVAscending;
    SortMemo CVDescending;
};

/// The outlier steps of a run. Written by the decision on the outlier (the final analysis)
/// and by the centring; read by the cycle preparation, which removes the molecule, by the
/// cross-validation and by the cycle loop, which stops on it.
struct OutlierState {
    int OutlierSteps = 0;
    double OutlierRatio = 0;
    std::string OutlierName;
};

} // namespace kalemir::qspr
