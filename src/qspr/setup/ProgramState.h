#pragma once
// Program-wide state of the QSPR program: the inputs the Workfiles and Parameters windows
// set, and the results the computation leaves for the results window.

#include "qspr/setup/RunRecord.h"

#include <array>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// The working report every stage appends to, renamed when the results window closes.
inline constexpr const char* kWorkingReport = "rezultat.rez";

/// Data-model limits.
inline constexpr int kMaxMolecules = 20000;
inline constexpr int kMaxHeldDescriptors = 1000;
inline constexpr int kMaxPredictorsInSet = 20;

/// Y-randomisation: the most runs accepted, and the seed of the shuffles when the user
/// gives none.
inline constexpr int kMaxRandomisationRuns = 1000;
inline constexpr unsigned long long kDefaultRandomisationSeed = 20261208;

/// One row of the descriptor-table lists: column 1 the current name, column 2 the other
/// name the splitting stage keeps there (row 0 and column 0 are not used).
struct TableNameRow {
    std::string First;
    std::string Second;
};

/// The analysis thresholds: entered in the Parameters window (or derived from the number
/// of calibration molecules), and derived again after each outlier removal.
struct AnalysisThresholds {
    double MinPropertyR2 = 0;
    int ValidationCount = 0;
    float EstimatedCOR = 0.5001f;
    double MaxInterR2 = 0;
    int MaxPredictors = 2;
    double InvRootThreshold = 0;
    double LogSizeLimit = 0;
    int SignedR2 = 0;
};

/// What the Workfiles and Parameters windows (or the command line) set: the chosen files,
/// the QSPR table as read, the molecule counts and the parameters as entered. Once the
/// computation starts nothing changes it; the cycles work on their own copy (CycleInputs).
struct RunInputs : AnalysisThresholds {
    // Chosen files.
    std::string QsprTableName;
    std::string QsprTableCopy;
    /// The selection table the preliminary selection writes.
    std::string SelFileName;
    /// Non-empty records of the QSPR table; index 0 is the header.
    std::vector<std::string> QsprLines;
    int QsprLastLine = -1;
    /// Rows 0..10 * listed tables; rows 1..TableCount are in use.
    std::vector<TableNameRow> TableNames;
    std::vector<TableNameRow> ChosenTableNames;
    int TableCount = 0;
    int SelectedTableCount = 0;
    int FragmentTableMissing = 0;
    /// The descriptor tables are joined to the QSPR table by molecule name rather than by
    /// position (their work copies hold the QSPR table's molecules in its order).
    bool JoinByName = false;

    // Molecule counts.
    int CalibrationCount = 0;
    int PredictionCount = 0;
    int InitialCalibrationCount = 0;

    int EliminateOutliers = 0;

    /// Worker threads of the searches: 0 takes the machine's cores, 1 fits every
    /// candidate on the computing thread. The results do not depend on it.
    int ThreadCount = 0;

    /// The memory the split tables may take, in MB: 0 lets the machine's memory decide.
    int MemoryMB = 0;

    /// Y-randomisation after the run: analyses of the best equation's calibration set on
    /// shuffled property values (0: none), and the seed of the shuffles.
    int RandomisationRuns = 0;
    unsigned long long RandomisationSeed = kDefaultRandomisationSeed;

    /// Observed values of prediction molecules for the external validation (empty: none).
    std::string ObservedTableName;

    /// Where Workfiles OK kept the working report an earlier run left in the folder
    /// (empty: there was none).
    std::string EarlierReportKeptAs;
};

/// What a computation leaves for the results window, the plots and the result files.
struct RunResults {
    /// Set when the computation starts: a second activation does not start another run.
    bool ComputationStarted = false;
    /// Where the computation was stopped ("in cycle 2 at the search of pairs"); empty
    /// unless the user or an interrupt stopped it.
    std::string StoppedStage;
    /// Result files of an earlier run of the QSPR table removed when the computation
    /// started (the results window says so).
    std::vector<std::string> EarlierResultFilesRemoved;
    /// Number of the last analysis cycle, from 1 (1 at the end: no outlier removed).
    int CycleNumber = 0;
    /// Calibration estimates for the scatter plots: row i (from 1) holds, for plot k = 1
    /// (before removing outliers) and k = 2 (after), the computed value in column 2k - 1
    /// and the observed value in column 2k. A plot's points end at the first row whose
    /// computed value is 0. Filled by the outlier stage.
    std::vector<std::array<double, 5>> ScatterPoints;
    /// What the analysis leaves for the result files beside the report.
    RunRecord Record;
};

/// Everything the windows of the program hold: the inputs they set and the results of
/// the computation they show. The computation reads the one and writes the other.
struct ProgramState : RunInputs, RunResults {};

} // namespace kalemir::qspr
