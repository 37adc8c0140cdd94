#pragma once
// The molecular fragments whose mass percent correlates with the property.

#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

#include <string>

namespace kalemir {
class ComputingWindow;
class ReportAppender;
} // namespace kalemir

namespace kalemir::qspr {

/// A fragment is significant when r2 > ln(N) / N.
bool IsSignificantFragment(double r, int n);

/// One fragment line: the name filled with blanks to 8 characters (a longer name is kept
/// whole), the first molecule holding it above 0.04 mass percent and round4(r).
std::string FragmentLine(const std::string& fragment, const std::string& molecule, double r);

/// Appends the fragments report for the calibration molecules 1..N: the fragments of the
/// chosen table(s) ending in "vfr.des", read by position with the QSPR lines. Cells of
/// records the table lacks read as 0.
void ReportFragments(RunResults& results, const CycleInputs& cycle, const OutlierState& outliers,
                     PairCorrelation& pair, ComputingWindow& window, ReportAppender& report);

} // namespace kalemir::qspr
