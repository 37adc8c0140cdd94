#pragma once
// Selection within the too large group of significant descriptors: forward-selection
// chains grown by the quality Q pick at most SelectionCapacity descriptors, with the
// chain's state in the caption and the elapsed and maximum remaining time in a panel.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/search/PreselectionCells.h"
#include "qspr/setup/ProgramState.h"

#include <array>
#include <string>
#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// A descriptor of the split tables: table t, column j.
struct GroupMember {
    int Table = 0;
    int Column = 0;
};

/// The chain: positions 1..20 (0 unused).
using GroupSet = std::array<GroupMember, kSetWidth + 1>;

/// What a chain fit reads: the split tables' values and the property of molecules 1..N.
struct GroupFitData {
    const PreselectionCells& Cells;
    const PreselectionState& Sel;
    int N;
};

/// Work space of the chain fits, sized once for N molecules; the centred columns and
/// cross products of the chain's fixed positions are kept between fits.
class GroupFitWork {
public:
    explicit GroupFitWork(int n);
    /// Forgets every kept position (the chain changed).
    void Reset() { kept_ = 0; }

private:
    friend double FitGroupSet(const GroupFitData&, const GroupSet&, int, GroupFitWork&,
                              PairCorrelation&, ComputingWindow&);
    int kept_ = 0;                                   ///< positions 1..kept_ are centred and summed
    GroupSet keptSet_{};                             ///< which descriptors they are
    std::vector<double> centred_;                    ///< positions 1..20, rows 1..N
    std::vector<double> centredY_;                   ///< rows 1..N
    std::vector<double> estimate_;                   ///< rows 1..N
    double gram_[kSetWidth + 1][kSetWidth + 2] = {}; ///< column kSetWidth + 1: with y
};

/// Fits the property of molecules 1..N on the descriptors at positions 1..p of the
/// chain (normal equations of the centred values, Gauss-Jordan without row exchanges)
/// and returns the signed r2 between the estimates and the observed values; also left
/// in pair.R2 with the other figures of the correlation. Allocates nothing; positions
/// 1..p-1 are taken from the work space when they are unchanged since the last fit (the
/// same bits as a fresh fit). Reads the cells and the selection only, so workers with a
/// work space, a correlation buffer and a window each may fit side by side.
double FitGroupSet(const GroupFitData& data, const GroupSet& set, int p, GroupFitWork& work,
                   PairCorrelation& pair, ComputingWindow& window);

/// out[j] = the sum over m = 1..n, in that order from 0, of a[m] * columns[j][m], for
/// j < count: the sums of a chain member with the members before it and the property.
void DotsInOrder(const double* a, const double* const* columns, int count, int n, double* out);

/// The chain size limit for this many tables: lowered to Int(1000 / tables) when
/// tables * limit exceeds 1000.
double LoweredLogSizeLimit(int tableCount, double logSizeLimit);

/// The seed threshold of level 1..5: the fractions 0, 1/15, 1/5, 2/5, 2/3 of the range
/// of the significant r2 above its minimum.
double SeedThreshold(double minR2, double maxR2, int level);

/// Looks for a seed from `level` on, advancing the level after each scan (5 wraps to
/// 1): the unmarked descriptor with the smallest r2 (below 1) at or above the level's
/// threshold, the fragment table excluded. Returns false when no level finds one.
bool FindSeed(const PreselectionCells& cells, const PreselectionState& sel, int fragmentTable,
              int& level, GroupMember& seed);

/// Elapsed hours between two moments given as "mm-dd-yyyy" and "hh:mm:ss" texts, from
/// the day of the month and the time of day; when the month changed, the days of the
/// start month (February 29 in years divisible by 4) are added.
double ElapsedHours(const std::string& startDate, const std::string& startTime,
                    const std::string& date, const std::string& time);

/// The time of day of an "hh:mm:ss" text in hours (hour + minute / 60).
double HourOfDay(const std::string& time);

/// Days, hours and minutes of a number of hours: Int(X / 24), then the whole hours and
/// minutes of the rest.
std::array<double, 3> SplitHours(double hours);

/// The caption of the chain: size, table, Q and Qmax to four decimals, the count.
std::string ChainCaption(int p, int tableIndex, double q, double qmax, int selected, int capacity);

/// What the time panel shows.
struct PanelInputs {
    std::string StartDate, StartTime; ///< when the selection began
    std::string Date, Time;           ///< now
    int Selected = 0;
    int Capacity = 0;
    double LogSizeLimit = 0;
    int Unproductive = 0;       ///< k
    double LastChainHours = 0;  ///< D
    double ChainStartHours = 0; ///< time of day the current chain began
};

/// The panel's lines, from the top of the picture area.
std::vector<std::string> PanelLines(const PanelInputs& in);

/// Outcome of the large-group selection.
struct GroupSelectionResult {
    int Chains = 0;
    int UnproductiveChains = 0; ///< chains in a row that ended below 0.95 x Qmax
    double Qmax = 0;
};

/// Marks the descriptors chosen by the chains and counts them in sel.SelectedCount.
/// The candidates of each chain step are fitted side by side on the pool and taken in
/// the order of the scan, so that marks, captions and pair are those of a scan that
/// fits one candidate after another; with options.PassByIdleFits false (the plain path) it
/// does just that, on the calling thread.
GroupSelectionResult SelectWithinGroups(const CycleContext& context, TableState& tables,
                                        PairCorrelation& pair, PreselectionCells& cells,
                                        PreselectionState& sel, const PreselectionOptions& options);

/// Writes the marked descriptors into the selection table.
void WriteSelection(const CycleInputs& cycle, const PreselectionCells& cells,
                    WorkerPool* pool = nullptr);

} // namespace kalemir::qspr
