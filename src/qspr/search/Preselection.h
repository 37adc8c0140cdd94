#pragma once
// The preliminary selection of descriptors, run once before the analysis cycles: every
// chosen table is split, loaded and screened (r2 with the property and an information
// test), at most a bounded number of significant descriptors go into the selection
// table, and the cycles then work on that table and the fragment table.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/search/PreselectionCells.h"
#include "qspr/setup/ProgramState.h"

#include <string>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// The least allowance of the split tables, in KB: every run that machines with a few
/// megabytes could hold is accepted on any machine.
inline constexpr long long kMaxNewtabTotalKB = 162000;
/// A descriptor whose normalised histogram entropy is below this carries too little
/// information to be significant.
inline constexpr double kMinInformation = 0.15;

/// Error numbers of the stage's failure block (written to the report as "Error " + number):
///   7  out of memory: the split tables exceed the allowance, the held tables would not
///      fit in the machine's memory, or an allocation failed
///      (reported with the long memory message and the total size);
///  53  a split table that should be read cannot be found;
///  75  a file of the stage cannot be read or written;
/// Any other exception of the stage is a fault of the program and is not caught here.
enum PreselectionError : int {
    kErrorOutOfMemory = 7,
    kErrorFileNotFound = 53,
    kErrorFileAccess = 75,
};

/// The stage's name in the AnalysisStop it throws.
inline constexpr const char* kPreselectionStage = "preliminary selection";

/// Runs the whole stage and returns its counts. On the size limit or a failure after the tables
/// were split it writes the failure block to the report and throws AnalysisStop (a StopProgram)
/// with its error number; work files are left to the caller's WorkFileSet.
PreselectionState PreselectDescriptors(const CycleContext& context, TableState& tables,
                                       SignificantDescriptors& descriptors, PairCorrelation& pair,
                                       WorkFileSet& workFiles,
                                       const PreselectionOptions& options = {});

/// True when the split tables are too large to be held: more than `limitKB` (by default
/// 162001 KB and more).
bool ExceedsSizeLimit(long long newtabTotalKB, long long limitKB = kMaxNewtabTotalKB);

/// The split tables' allowance in KB: `memoryMB` x 1000 when the user set it (> 0),
/// otherwise as many KB as the run may use of memory, and never less than
/// kMaxNewtabTotalKB.
long long SplitTablesAllowanceKB(int memoryMB, long long machineBytes);

/// The memory, in bytes, the run needs once the split tables are held: their cells
/// (`rows` rows of each split table's columns) and the selection table, the descriptor
/// matrix and the cycles' copies beside them.
long long HeldTablesBytes(const std::vector<int>& newtabWidths, int rows);

/// Screens the first chosen table whose name ends in "vfr.des": counts the fragments
/// (columns 2..99) whose r2 with the property is at least MinPropertyR2.
void ScreenFragments(const CycleInputs& cycle, PairCorrelation& pair, PreselectionState& sel,
                     ComputingWindow& window);

/// Reads split table t (rows 0..QsprLastLine) into cells and deletes its file.
void LoadSplitTable(const CycleInputs& cycle, WorkFileSet& workFiles, WorkerPool* pool,
                    PreselectionCells& cells, int t, ComputingWindow& window);

/// Sets up the property column for the screen (molecules 1..N of the descriptor matrix).
void PrepareScreen(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                   PreselectionState& sel);

/// Screens every descriptor of table t: r2, the information test, the mean; counts the
/// descriptors and the significant ones. With a pool the columns are screened on its
/// workers, with the same results.
void ScreenDescriptors(const CycleContext& context, PairCorrelation& pair, PreselectionCells& cells,
                       PreselectionState& sel, int t);

/// The information test: the normalised entropy E = H / ln N of the histogram of the
/// calibration values (1..n) in n + p bins spanning the values of molecules 1..n+p.
/// `bins` is reused (grown to n + p + 1).
double NormalisedEntropy(const double* values, int n, int p, std::vector<int>& bins);

/// Selects every significant descriptor (S <= 1000) and writes the selection table.
void SelectAllSignificant(const CycleInputs& cycle, const TableState& tables,
                          const PreselectionCells& cells, PreselectionState& sel,
                          WorkerPool* pool = nullptr);

/// Writes the selection table: rows 0..N+P, the molecule column of table 1 and then the
/// chosen columns in table and column order, each cell preceded by a TAB. With a pool the
/// lines are made on its workers (the file is the same).
void WriteSelectionTable(const std::string& path, const PreselectionCells& cells, int rows,
                         const std::vector<std::pair<int, int>>& columns,
                         WorkerPool* pool = nullptr);

/// The text a descriptor value is written with: the shortest text that reads back as
/// the same number.
std::string ValueText(double value);

} // namespace kalemir::qspr
