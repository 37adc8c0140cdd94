#pragma once
// State of one similarity run: the choices made before it, the prepared table, the measure
// being analysed and what the analysis leaves for its end.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kalemir {
class ComputingWindow;
class WorkerPool;
} // namespace kalemir

namespace kalemir::sim {

/// The five points of view, in the fixed order of the run (measure index k = 1..5).
inline constexpr int kMeasureCount = 5;
enum Measure : int { kChemical = 1, kShape = 2, kSize = 3, kHydrophilicity = 4, kFlexibility = 5 };

/// Shape similarity methods: 1 "corrected USR", 0 "Superposition".
inline constexpr int kCorrectedUsr = 1;
inline constexpr int kSuperposition = 0;

/// Minimum similarity in clusters a measure (kChemical..kFlexibility) starts with, in the
/// table window and on the command line alike. Shapes compared by superposition start at
/// 0.92, the other measures and corrected USR shapes at 0.9, flexibility at 0.88.
constexpr double DefaultMinClusterSimilarity(int measure, int shapeMethod) {
    if (measure == kShape && shapeMethod == kSuperposition) {
        return 0.92;
    }
    return measure == kFlexibility ? 0.88 : 0.9;
}

/// At most 100 atoms per molecule in the shape table.
inline constexpr int kMaxAtoms = 100;

/// Fixed columns after the fragment columns (token index = F + offset).
inline constexpr int kUsrFirst = 1;         // F+1..F+12: shape-recognition moments
inline constexpr int kShapeCorrection = 13; // F+13
inline constexpr int kShape14 = 14;         // F+14..F+16: compared as ratios
inline constexpr int kShape15 = 15;
inline constexpr int kShape16 = 16;
inline constexpr int kSizeColumn = 17;            // F+17
inline constexpr int kHydro1 = 18;                // F+18
inline constexpr int kHydro2 = 19;                // F+19
inline constexpr int kFlexColumn = 20;            // F+20
inline constexpr int kPropertyColumn = 21;        // F+21
inline constexpr int kNormaliserColumn = 22;      // F+22
inline constexpr int kSecondChemical = 23;        // F+23
inline constexpr int kColumnsAfterFragments = 28; // a line holds at most F+28 tokens

/// The choices made before the run: the table window or the command line sets them (the
/// file names follow the table's through DeriveFileNames); once the preparation starts,
/// every stage reads them and none writes them.
struct RunChoices {
    std::string TableFileName = "XXXXX";
    std::string ShapeFileName;
    std::string ResultsFileName;
    int ShapeMethod = kCorrectedUsr;
    double MinClusterSimilarity[kMeasureCount + 1] = {
        0,
        DefaultMinClusterSimilarity(kChemical, kCorrectedUsr),
        DefaultMinClusterSimilarity(kShape, kCorrectedUsr),
        DefaultMinClusterSimilarity(kSize, kCorrectedUsr),
        DefaultMinClusterSimilarity(kHydrophilicity, kCorrectedUsr),
        DefaultMinClusterSimilarity(kFlexibility, kCorrectedUsr)};
    /// Least similarity of a pair in the cliff list; negative: each measure's
    /// MinClusterSimilarity.
    double CliffSimilarity = -1;
    /// Workers that share out the pair loops: 0 = the machine's cores, 1 = the calling
    /// thread alone. The results are the same for any number.
    int Threads = 0;
};

/// The table as read and prepared. PrepareTable and its steps write it (reading, the
/// fragment threshold, the shape table, the elimination by structure with its database
/// NBX); the measures, the clustering, the databases and the final summary read it.
struct PreparedTable {
    int CalibrationCount = 0; // n_c
    int PredictionCount = 0;  // n_p
    int FragmentCount = 0;    // F
    int MoleculeCount = 0;    // N = n_c + n_p

    /// Row 0 of the table: the column names (fragment names are tokens 1..F).
    std::vector<std::string> HeaderTokens;
    /// Numeric values of every token, rows 0..N by columns 0..F+27 (row-major).
    std::vector<double> Values;
    /// Molecule names (token 0), rows 0..N; row 0 is the header's first token.
    std::vector<std::string> Names;
    /// Property text as read (token F+21), rows 0..N.
    std::vector<std::string> PropertyTokens;
    /// Property text of the databases: as read for calibration molecules, "?" for the others.
    std::vector<std::string> PropertyTexts;
    /// Line of the table each row came from (1-based), for messages.
    std::vector<long> LineNumbers;

    /// Atom coordinates of the shape table: [molecule][atom][x,y,z], atoms 0..99.
    std::vector<double> AtomCoordinates;

    /// Molecules of database NBX, written by the elimination by structure.
    double NbxCalibrationCount = 0;
    double NbxPredictionCount = 0;

    int Columns() const { return FragmentCount + kColumnsAfterFragments; }
    double Value(int row, int column) const {
        return Values[static_cast<std::size_t>(row) * static_cast<std::size_t>(Columns()) +
                      static_cast<std::size_t>(column)];
    }
    double& Value(int row, int column) {
        return Values[static_cast<std::size_t>(row) * static_cast<std::size_t>(Columns()) +
                      static_cast<std::size_t>(column)];
    }
    /// Value of fixed column F + offset.
    double Fixed(int row, int offset) const { return Value(row, FragmentCount + offset); }
    double Atom(int molecule, int atom, int axis) const {
        return AtomCoordinates[(static_cast<std::size_t>(molecule) * kMaxAtoms +
                                static_cast<std::size_t>(atom)) *
                                   3 +
                               static_cast<std::size_t>(axis)];
    }
};

/// Similarities of all pairs i < j of molecules 1..N, stored as the upper triangle.
class PairMatrix {
public:
    void Resize(int n) {
        n_ = n;
        const std::size_t pairs = n < 2 ? 0 : static_cast<std::size_t>(n) * (n - 1) / 2;
        values_.assign(pairs, 0.0);
    }
    void Clear() { std::fill(values_.begin(), values_.end(), 0.0); }
    int Size() const { return n_; }
    /// Index of pair (i, j), 1 <= i < j <= N.
    std::size_t Index(int i, int j) const {
        const std::size_t a = static_cast<std::size_t>(i - 1);
        return a * (2 * static_cast<std::size_t>(n_) - a - 1) / 2 +
               static_cast<std::size_t>(j - i - 1);
    }
    /// Every pair in loop order (i = 1..N-1, j = i+1..N): pair number Index(i, j).
    double* Data() { return values_.data(); }
    /// Start of the pairs (i, i+1..N).
    double* Row(int i) { return values_.data() + Index(i, i + 1); }
    const double* Row(int i) const { return values_.data() + Index(i, i + 1); }
    /// S[i][j] for any i, j; the diagonal is 0.
    double operator()(int i, int j) const {
        if (i == j) {
            return 0.0;
        }
        return i < j ? values_[Index(i, j)] : values_[Index(j, i)];
    }
    void Set(int i, int j, double value) { values_[i < j ? Index(i, j) : Index(j, i)] = value; }

private:
    int n_ = 0;
    std::vector<double> values_;
};

/// One cluster: ordered members and its counts.
struct Cluster {
    std::vector<int> Members;
    int Calibration = 0;
    int Prediction = 0;
    int Total = 0;
};

/// Per-measure figures read by the estimated correctness: rows 1..5 by measures 1..5.
/// Row 1 set similarity, 2 observance of the axiom, 3..5 diversity of the calibration set,
/// the prediction set and the database.
struct MeasureSummary {
    double Value[6][kMeasureCount + 1] = {};
    double& At(int row, int measure) { return Value[row][measure]; }
    double At(int row, int measure) const { return Value[row][measure]; }
};

/// Counts of the very high and very low pairs of one measure and its least similar pair:
/// the pair loop writes them, the report of the pair statistics reads them.
struct PairStatistics {
    long HighPairCount = 0;
    long LowPairCount = 0;
    double LowestSimilarity = 2;
    int LowestPair[2] = {0, 0};
};

/// The measure being analysed; the driver keeps one for the five measures, each of which
/// overwrites it. ComputePairSimilarities writes the matrix and the pair statistics, the
/// clustering writes the clusters; the axiom check, the cluster marks, database CLU and the
/// cluster and diversity reports read them.
struct MeasureState {
    PairMatrix Similarity;
    PairStatistics Pairs;
    std::vector<Cluster> Clusters;
    /// Memory the clustering of each measure borrows for its transposed similarities.
    std::vector<double> ClusterRows;
};

/// What every stage of one measure's analysis shares: the run's choices, the prepared table,
/// the measure being analysed, the workers that share out its loops and the window that
/// shows its progress. A stage takes this and what it alone reads or writes.
struct MeasureContext {
    const RunChoices& Choices;
    const PreparedTable& Table;
    int Measure = kChemical;
    WorkerPool& Pool;
    ComputingWindow& Window;
};

/// What the analysis leaves for its end and for the final window. The pair loops add the
/// duplicate votes, the clustering the mixed-cluster marks, the axiom check and the
/// diversity report fill the summary; databases CLU, NDB and NVB keep their counts; the
/// driver sets COR from the summary and, after a stop, the stopped stage. The duplicate
/// check reads the votes, databases NDB and NVB the marks, the final summary and the final
/// window the counts, COR and the stopped stage.
struct RunResults {
    /// Votes of the duplicate check, per pair; never cleared between measures.
    std::vector<std::uint8_t> DuplicateVotes;
    /// Mixed-cluster mark count of each molecule over the measures, rows 0..N.
    std::vector<int> MixedClusterMarks;
    MeasureSummary Summary;

    double CluCalibrationCount = 0;
    int CluPredictionCount = 0;
    double NdbTrainingCount = 0;
    double NdbValidationCount = 0;
    int NdbPredictionCount = 0;
    float EstimatedCorrectness = 0; // COR

    /// Where the analysis was stopped ("at the molecular shape similarity computations");
    /// empty unless the user or an interrupt stopped it.
    std::string StoppedStage;
};

} // namespace kalemir::sim
