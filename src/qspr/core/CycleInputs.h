#pragma once
// What one analysis cycle reads: the molecules and tables left after the outliers removed
// so far, and the thresholds derived for that many calibration molecules.

#include "qspr/setup/ProgramState.h"

#include <string>
#include <vector>

namespace kalemir::qspr {

/// Written before the first cycle (the work copies of the chosen tables, then the
/// preliminary selection's table), by PrepareCycle at the start of each cycle, by the
/// splitting of the cycle's tables and by the end of a cycle that removes an outlier
/// (one calibration molecule fewer, thresholds derived again). Every other stage reads it.
struct CycleInputs : AnalysisThresholds {
    /// Number of the cycle, from 1.
    int Number = 0;
    int CalibrationCount = 0;
    int PredictionCount = 0;
    /// Records of the QSPR table without the removed outliers; index 0 is the header.
    std::vector<std::string> QsprLines;
    int QsprLastLine = -1;
    /// The run's tables (the work copies, or the selection table after the preliminary
    /// selection), rows 1..SelectedTableCount.
    std::vector<TableNameRow> ChosenTableNames;
    int SelectedTableCount = 0;
    /// The cycle's tables, rows 1..TableCount: the run's tables, then their split tables.
    std::vector<TableNameRow> TableNames;
    int TableCount = 0;
    std::string SelFileName;
    /// The work copies take the tables' rows by molecule name (RunInputs::JoinByName).
    bool JoinByName = false;
    /// Names of the validation molecules 1..ValidationCount, as the cycle's QSPR table
    /// lists them.
    std::vector<std::string> ValidationNames;
};

/// The first cycle's inputs: the run's as the windows set them.
inline CycleInputs FirstCycleInputs(const RunInputs& in) {
    CycleInputs cycle;
    static_cast<AnalysisThresholds&>(cycle) = in;
    cycle.CalibrationCount = in.CalibrationCount;
    cycle.PredictionCount = in.PredictionCount;
    cycle.QsprLines = in.QsprLines;
    cycle.QsprLastLine = in.QsprLastLine;
    cycle.ChosenTableNames = in.ChosenTableNames;
    cycle.SelectedTableCount = in.SelectedTableCount;
    cycle.TableNames = in.TableNames;
    cycle.TableCount = in.TableCount;
    cycle.SelFileName = in.SelFileName;
    cycle.JoinByName = in.JoinByName;
    return cycle;
}

} // namespace kalemir::qspr
