#pragma once
// The two files written beside the report at the end of a run, named after the QSPR
// table: "<table>-results.json", everything a program needs to use the run's models, and
// "<table>-validation.txt", the validation figures for a person, one figure a line with
// what it means and its usual acceptance threshold.

#include "qspr/setup/ProgramState.h"
#include "qspr/validation/ExternalValidation.h"
#include "qspr/validation/ValidationResults.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// The input tables of the run as the user named them.
struct ResultInputs {
    std::string QsprTable;
    std::vector<std::string> DescriptorTables;
    std::optional<ObservedTable> Observed;
};

/// What the result files record of one input table.
struct InputTableFacts {
    std::string Sha256;
    int Molecules = 0;   ///< its records after the header line (not for the observed table)
    int Descriptors = 0; ///< the columns its header names (descriptor tables only)
};

/// The facts of the run's input tables by name, each table read once for all the result
/// files (a large table takes seconds to read).
using InputFacts = std::map<std::string, InputTableFacts>;
InputFacts ReadInputFacts(const ResultInputs& inputs);

/// Leave-one-out, leverages, rare predictors, applicability domain and external figures
/// of the run's best equation by Q.
ValidationFigures ComputeValidationFigures(const RunRecord& record,
                                           const std::optional<ObservedTable>& observed);

/// The contents of the two files.
std::string ResultsJson(const ProgramState& state, const ResultInputs& inputs,
                        const InputFacts& tables, const ValidationFigures& figures);
std::string ValidationText(const ProgramState& state, const ValidationFigures& figures);

/// File names: the QSPR table's name followed by "-results.json" / "-validation.txt".
std::string ResultsJsonName(const std::string& qsprTable);
std::string ValidationTextName(const std::string& qsprTable);

/// SHA-256 of a file's bytes, 64 lower-case hex digits. Throws FileError naming it.
std::string Sha256OfFile(const std::string& path);

/// Writes the results JSON, the validation text, the model report and the QMRF draft
/// (nothing when the run found no best equation), each under its UnfinishedName first,
/// renamed once all are whole; a failed write removes what it wrote
/// and throws FileError naming the file.
void WriteResultFiles(const ProgramState& state, const ResultInputs& inputs,
                      const std::optional<RandomisationSummary>& randomisation);

/// The same files from figures already computed (the Y-randomisation's summary included)
/// of a run that found its best equation.
void WriteResultFiles(const ProgramState& state, const ResultInputs& inputs,
                      const ValidationFigures& figures);

/// The name a result file is written under until it is whole: the name + ".part".
std::string UnfinishedName(const std::string& resultFile);

/// At the start of a run: removes the result files of the QSPR table an earlier run left
/// (and unfinished ones), so that none stands beside the new report. Returns the names
/// removed; throws FileError naming a file that stays.
std::vector<std::string> RemoveEarlierResultFiles(const std::string& qsprTable);

} // namespace kalemir::qspr
