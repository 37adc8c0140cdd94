#pragma once
// External validation: observed values of prediction molecules, read from a table in the
// QSPR table's layout, against the estimates of the best equation by Q and of each block
// of the estimates file.

#include "qspr/setup/RunRecord.h"
#include "qspr/validation/ValidationResults.h"

#include <string>
#include <vector>

namespace kalemir::qspr {

/// Observed values of prediction molecules, in the table's order.
struct ObservedTable {
    std::string Path;
    std::vector<std::string> Molecules;
    std::vector<double> Values;
};

/// The names of the prediction molecules (value "?") of a QSPR table.
std::vector<std::string> PredictionMoleculesOf(const std::string& qsprTable);

/// Reads the observed table. Throws InputError, naming the file and line, for a molecule
/// that is not among `predictionNames`, a molecule given twice, a value that is not a
/// number, and a table without molecules.
ObservedTable ReadObservedTable(const std::string& path,
                                const std::vector<std::string>& predictionNames);

/// The observed table checked against the prediction molecules of the QSPR table; a file
/// that cannot be read is refused as an input error too.
ObservedTable LoadObservedTable(const std::string& path, const std::string& qsprTable);

/// Q2F1, Q2F2, Q2F3, CCC, RMSEP, MAE, r2 and r2m of estimates against observed values;
/// `training` are the calibration set's observed values (mean and spread of Q2F1, Q2F3).
/// A figure whose denominator vanishes is not a number.
ExternalStatistics ComputeExternalStatistics(const std::vector<double>& observed,
                                             const std::vector<double>& estimated,
                                             const std::vector<double>& training);

/// Gives the prediction diagnostics their observed values and standardised residuals, and
/// returns the statistics of the best equation by Q and of each estimates-file block.
std::vector<ExternalStatistics> ValidateExternally(const RunRecord& record,
                                                   CalibrationDiagnostics& diagnostics,
                                                   const ObservedTable& observed);

} // namespace kalemir::qspr
