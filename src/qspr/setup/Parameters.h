#pragma once
// The analysis parameters: defaults derived from the calibration set, the Parameters
// window's entries, and its OK with the clamping and the report block.

#include "qspr/setup/ProgramState.h"

#include <optional>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// Sets every default threshold from the current CalibrationCount (also called by the
/// final analysis after each removed outlier, overwriting the user's entries).
void DeriveDefaultThresholds(AnalysisThresholds& thresholds, int calibrationCount);

/// The texts and options of the Parameters window.
struct ParameterEntries {
    std::string MinPropertyR2Text;     ///< "Min. descriptor / Property correlation "
    std::string ValidationCountText;   ///< "Number of molecules in the validation set"
    std::string EstimatedCorText;      ///< "Estimated correctness (KalemirS)"
    std::string MaxInterR2Text;        ///< "Max. descriptors intercorrelation ......."
    std::string MaxPredictorsText;     ///< "Max. predictors number ................."
    std::string RandomisationRunsText; ///< "Y-randomisation runs (0: none) ........."
    bool EliminateOutliers = false;    ///< "Yes": eliminate identified outliers
    std::string MemoryText;            ///< "Memory for the split tables, MB": empty
                                       ///< lets the machine's memory decide
    /// The estimated correctness is asked for only with a prediction set.
    bool EstimatedCorShown = false;
};

/// Window load: the entries the window shows by default (sets EliminateOutliers too).
ParameterEntries LoadParameters(ProgramState& state);

enum class ParametersOutcome {
    Compute,             ///< the computing window comes next
    FragmentTableMissing ///< the report ends with the compulsory-table message
};

/// Parameters OK: reads, limits and records the entries and appends the table list and
/// the parameter block (or the missing-fragment-table message) to the working report.
ParametersOutcome ParametersOk(ProgramState& state, const ParameterEntries& entries);

/// The entries OK checks, in the order it checks them.
enum ParameterEntry : int {
    kMinPropertyR2Entry = 1,
    kValidationCountEntry,
    kEstimatedCorEntry,
    kMaxInterR2Entry,
    kMaxPredictorsEntry,
    kRandomisationRunsEntry,
    kMemoryEntry
};

/// A Parameters entry that OK cannot take as it stands.
struct EntryProblem {
    ParameterEntry Field = kMinPropertyR2Entry;
    std::string Message;      ///< names the field, says what is wrong and gives the range
    bool Confirmable = false; ///< a number outside its range that OK limits: the user may
                              ///< confirm it (the message says what OK takes)
};

/// Checks the entries as OK will read them, in the window's order: text that is not a number
/// as people type it (TypedNumberProblem) is refused, a number outside its range is reported with
/// the value OK would take instead, and an estimated correctness outside -1 to 1 is refused (OK
/// does not limit it). Empty when OK can take every entry as it stands.
std::vector<EntryProblem> CheckParameterEntries(const ProgramState& state,
                                                const ParameterEntries& entries);

/// The estimated correctness rule, shared with the command line: a number from -1 to 1
/// (the range of the similarity program's COR), typed as TypedNumberProblem asks. No value when the
/// text is one, otherwise why it is not.
std::optional<std::string> CorrectnessProblem(const std::string& text);

/// The most memory a user may give the split tables, in MB.
inline constexpr int kMaxMemoryMB = 100'000'000;

/// The memory rule, shared with the command line: empty, or a whole number of MB from 1 to
/// kMaxMemoryMB. No value when the text is one, otherwise why it is not.
std::optional<std::string> MemoryProblem(const std::string& text);

/// The MB a memory text that passed MemoryProblem gives (0 for empty text).
int MemoryMegabytes(const std::string& text);

/// Limiting to [low, high]: above high becomes high, then below low becomes low.
double LimitTo(double value, double low, double high);

} // namespace kalemir::qspr
