#pragma once
// The chosen tables held in memory for the preliminary selection: every split table's
// descriptor values with, per descriptor, its r2 with the property, its selection mark
// and its mean over the calibration molecules. Lives only during that stage.

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// Header of a column that the table does not fill.
inline constexpr const char* kUnfilledHeader = "xxx";
/// Columns 0..1001 of a split table: 1 the molecule column, 2..1001 its descriptors.
inline constexpr int kSplitTableColumns = 1002;

/// One split table: rows 0..Rows-1 (0 the header row, 1..N+P the molecules).
struct PreselectionTable {
    int Rows = 0;
    int Columns = 0;                    ///< columns 0..Columns-1 are stored
    std::vector<std::string> Headers;   ///< row 0, columns 0..1001 ("xxx" when unfilled)
    std::vector<std::string> Molecules; ///< column 1, rows 0..Rows-1
    std::vector<double> Values;         ///< column-major, rows 0..Rows-1
    std::vector<double> R2;             ///< per column: r2 with the property
    std::vector<unsigned char> Marks;   ///< per column: 1 once selected
    std::vector<double> Means;          ///< per column: mean over molecules 1..N

    const double* Column(int j) const {
        return Values.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(Rows);
    }
    double* Column(int j) {
        return Values.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(Rows);
    }
    /// The last descriptor column: the one before the first "xxx" header from column 2
    /// on (1 when the table holds no descriptor).
    int LastColumn() const;
};

/// Tables 1..TableCount (index 0 unused).
struct PreselectionCells {
    std::vector<PreselectionTable> Tables;
};

/// Counts and bounds of the preliminary selection, read by the large-group selection.
struct PreselectionState {
    long long DescriptorCount = 0;
    int SignificantCount = 0;
    double MinSignificantR2 = 1;
    double MaxSignificantR2 = 0;
    int FragmentColumnCount = 0;
    int SignificantFragmentCount = 0;
    int SelectionCapacity = 0;
    int SelectedCount = 0;
    /// The observed property of molecules 1..N, its mean and centred sum of squares.
    std::vector<double> Property;
    double PropertyMean = 0;
    double PropertySyy = 0;
    /// Bins 1..N+P of the information test.
    std::vector<int> ValueHistogram;
};

/// The moment the selection reads its start and progress times from.
using SelectionClock = std::function<std::time_t()>;

/// What a caller may set beyond the shared state.
struct PreselectionOptions {
    /// The clock of the large-group selection's time panel.
    SelectionClock Clock = [] { return std::time(nullptr); };
    /// The largest accepted total of the split tables, in KB; 0 derives it from the
    /// run's MemoryMB and the machine (tests set it).
    long long MaxNewtabTotalKB = 0;
    /// The memory the run may use, in bytes; 0 reads the machine's (tests set it).
    long long MachineBytes = 0;
    /// The steps of the selection within groups are fitted side by side (the run's fast
    /// path); false fits each candidate as the scan reaches it, the plain path.
    bool PassByIdleFits = true;
};

} // namespace kalemir::qspr
