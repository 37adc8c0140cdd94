#include "qspr/setup/Parameters.h"

#include "common/Errors.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "common/TextToNumber.h"
#include "qspr/setup/NameJoin.h"
#include "qspr/setup/QsprTables.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kalemir::qspr {

namespace {

/// Assignment of an entry to a 16-bit count: halves to even, kept within the molecule
/// limit so that an absurd entry cannot overflow.
int RoundToCount(double value) {
    const double bounded = std::clamp(value, -1.0e6, 1.0e6);
    return static_cast<int>(RoundHalfEven(bounded));
}

/// The validation count OK takes from an entry: within the calibration set, since the
/// validation set is the last ValidationCount calibration molecules and a count beyond it
/// (or below zero) would name molecules that do not exist.
int LimitValidationCount(double entered, int n) {
    return std::clamp(RoundToCount(entered), 0, n);
}

/// The largest predictor-set size OK takes from an entry.
int LimitMaxPredictors(double entered, int n) {
    int count = RoundToCount(entered);
    if (count > n / 3.0) {
        count = n / 3;
    }
    if (count > kMaxPredictorsInSet) {
        count = kMaxPredictorsInSet;
    }
    if (count < 2) {
        count = 2;
    }
    return count;
}

/// The Y-randomisation runs OK takes from an entry.
int LimitRandomisationRuns(double entered) {
    return std::clamp(RoundToCount(entered), 0, kMaxRandomisationRuns);
}

std::string FieldProblem(const char* field, const std::string& problem) {
    return std::string(field) + ": " + problem;
}

std::string OutsideRange(const char* field, const std::string& text, double low, double high) {
    return std::string(field) + ": " + std::string(WithoutBlanksAround(text)) +
           " is outside the range " + PlainNumber(low) + " to " + PlainNumber(high);
}

/// The entries' names in messages, by ParameterEntry.
constexpr const char* kFieldNames[] = {"",
                                       "Min. descriptor / Property correlation",
                                       "Number of molecules in the validation set",
                                       "Estimated correctness (KalemirS)",
                                       "Max. descriptors intercorrelation",
                                       "Max. predictors number",
                                       "Y-randomisation runs",
                                       "Memory for the split tables"};

} // namespace

std::optional<std::string> CorrectnessProblem(const std::string& text) {
    if (auto problem = TypedNumberProblem(text)) {
        return problem;
    }
    const double value = TextToNumber(text);
    if (value < -1 || value > 1) {
        return std::string(WithoutBlanksAround(text)) + " is outside the range -1 to 1";
    }
    return std::nullopt;
}

std::optional<std::string> MemoryProblem(const std::string& text) {
    const std::string trimmed(WithoutBlanksAround(text));
    if (trimmed.empty()) {
        return std::nullopt;
    }
    if (auto typed = TypedNumberProblem(trimmed)) {
        return typed;
    }
    long long mb = 0;
    const char* end = trimmed.data() + trimmed.size();
    const auto [stop, error] = std::from_chars(trimmed.data(), end, mb);
    if (trimmed[0] == '-' || error != std::errc() || stop != end || mb < 1 || mb > kMaxMemoryMB) {
        return "'" + trimmed + "' is not a whole number of MB from 1 to " +
               std::to_string(kMaxMemoryMB);
    }
    return std::nullopt;
}

int MemoryMegabytes(const std::string& text) {
    const std::string trimmed(WithoutBlanksAround(text));
    int mb = 0;
    std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), mb);
    return mb;
}

std::vector<EntryProblem> CheckParameterEntries(const ProgramState& state,
                                                const ParameterEntries& entries) {
    const int n = state.CalibrationCount;
    std::vector<EntryProblem> problems;
    // A number outside [low, high] that OK takes as `taken`.
    auto limited = [&](ParameterEntry field, const std::string& text, double low, double high,
                       double taken) {
        if (const auto problem = TypedNumberProblem(text)) {
            problems.push_back({field, FieldProblem(kFieldNames[field], *problem), false});
        } else if (taken != TextToNumber(text)) {
            problems.push_back({field,
                                OutsideRange(kFieldNames[field], text, low, high) + "; OK takes " +
                                    PlainNumber(taken),
                                true});
        }
    };
    limited(kMinPropertyR2Entry, entries.MinPropertyR2Text, 0.01, 0.25,
            LimitTo(TextToNumber(entries.MinPropertyR2Text), 0.01, 0.25));
    if (state.PredictionCount > 0) {
        const double entered = TextToNumber(entries.ValidationCountText);
        limited(kValidationCountEntry, entries.ValidationCountText, 0, n,
                RoundToCount(entered) == LimitValidationCount(entered, n)
                    ? entered
                    : LimitValidationCount(entered, n));
    } else if (const auto problem = TypedNumberProblem(entries.ValidationCountText)) {
        problems.push_back({kValidationCountEntry,
                            FieldProblem(kFieldNames[kValidationCountEntry], *problem), false});
    }
    if (state.PredictionCount > 0 && entries.EstimatedCorShown) {
        if (const auto problem = CorrectnessProblem(entries.EstimatedCorText)) {
            problems.push_back({kEstimatedCorEntry,
                                std::string(kFieldNames[kEstimatedCorEntry]) + ": " + *problem,
                                false});
        }
    }
    limited(kMaxInterR2Entry, entries.MaxInterR2Text, 0.1, 0.64,
            LimitTo(TextToNumber(entries.MaxInterR2Text), 0.1, 0.64));
    {
        const double entered = TextToNumber(entries.MaxPredictorsText);
        const int taken = LimitMaxPredictors(entered, n);
        const int high = LimitMaxPredictors(kMaxPredictorsInSet, n);
        limited(kMaxPredictorsEntry, entries.MaxPredictorsText, 2, high,
                RoundToCount(entered) == taken ? entered : taken);
    }
    {
        const double entered = TextToNumber(entries.RandomisationRunsText);
        const int taken = LimitRandomisationRuns(entered);
        limited(kRandomisationRunsEntry, entries.RandomisationRunsText, 0, kMaxRandomisationRuns,
                RoundToCount(entered) == taken ? entered : taken);
    }
    if (const auto problem = MemoryProblem(entries.MemoryText)) {
        problems.push_back(
            {kMemoryEntry, std::string(kFieldNames[kMemoryEntry]) + ": " + *problem, false});
    }
    return problems;
}

double LimitTo(double value, double low, double high) {
    if (value > high) {
        value = high;
    }
    if (value < low) {
        value = low;
    }
    return value;
}

void DeriveDefaultThresholds(AnalysisThresholds& state, int calibrationCount) {
    const int n = calibrationCount;
    const double nReal = n;
    state.SignedR2 = 0;
    state.ValidationCount = n;
    state.EstimatedCOR = 0.5001f;
    state.MaxPredictors = std::min(n / 3, kMaxPredictorsInSet);
    state.LogSizeLimit = IntFloor(1.25 * std::log(nReal) + 0.5);
    state.MinPropertyR2 =
        LimitTo(IntFloor(10000.0 * std::log(nReal) / nReal + 0.5) * 0.0001, 0.01, 0.25);
    state.InvRootThreshold = IntFloor(10000.0 / std::sqrt(nReal) + 0.5) * 0.0001;
    state.MaxInterR2 = LimitTo(IntFloor(40000.0 / std::sqrt(nReal) + 0.5) * 0.0001, 0.1, 0.64);
}

ParameterEntries LoadParameters(ProgramState& state) {
    ParameterEntries entries;
    entries.MinPropertyR2Text = NumText(state.MinPropertyR2);
    entries.ValidationCountText = NumText(state.ValidationCount);
    entries.MaxInterR2Text = NumText(state.MaxInterR2);
    entries.MaxPredictorsText = NumText(state.MaxPredictors);
    entries.RandomisationRunsText = NumText(state.RandomisationRuns);
    entries.MemoryText = state.MemoryMB > 0 ? std::to_string(state.MemoryMB) : std::string();
    if (state.PredictionCount == 0) {
        entries.EliminateOutliers = true;
        state.EliminateOutliers = 1;
        entries.EstimatedCorShown = false;
    } else {
        entries.EliminateOutliers = false;
        state.EliminateOutliers = 0;
        entries.EstimatedCorShown = true;
        entries.EstimatedCorText = NumTextSingle(state.EstimatedCOR);
    }
    return entries;
}

ParametersOutcome ParametersOk(ProgramState& state, const ParameterEntries& entries) {
    const int n = state.CalibrationCount;
    state.Record.GivenParameters = {
        {"min_r2", entries.MinPropertyR2Text},
        {"validation", entries.ValidationCountText},
        {"cor", entries.EstimatedCorShown ? entries.EstimatedCorText : std::string()},
        {"max_inter_r2", entries.MaxInterR2Text},
        {"max_predictors", entries.MaxPredictorsText},
        {"eliminate_outliers", entries.EliminateOutliers ? "yes" : "no"}};

    state.MinPropertyR2 = LimitTo(TextToNumber(entries.MinPropertyR2Text), 0.01, 0.25);

    state.ValidationCount = LimitValidationCount(TextToNumber(entries.ValidationCountText), n);
    if (state.PredictionCount == 0) {
        state.ValidationCount = n;
    }

    if (state.PredictionCount > 0) {
        state.EstimatedCOR = static_cast<float>(TextToNumber(entries.EstimatedCorText));
    }

    state.MaxInterR2 = LimitTo(TextToNumber(entries.MaxInterR2Text), 0.1, 0.64);

    state.MaxPredictors = LimitMaxPredictors(TextToNumber(entries.MaxPredictorsText), n);

    state.EliminateOutliers = entries.EliminateOutliers ? 1 : 0;

    state.RandomisationRuns = LimitRandomisationRuns(TextToNumber(entries.RandomisationRunsText));

    if (const auto problem = MemoryProblem(entries.MemoryText)) {
        throw InputError("memory for the split tables: " + *problem);
    }
    state.MemoryMB = MemoryMegabytes(entries.MemoryText);

    ReportAppender report(kWorkingReport);
    report.Lines({"", "     Descriptor table(s) used: ", ""});
    for (int i = 1; i <= state.TableCount; ++i) {
        report.Line("     " + state.TableNames[i].First);
    }
    if (state.JoinByName) {
        report.Lines({"", kJoinedByNameLine});
    }

    bool fragmentTableChosen = false;
    for (int i = 1; i <= state.SelectedTableCount; ++i) {
        if (HasTableSuffix(state.TableNames[i].First, "vfr.des")) {
            fragmentTableChosen = true;
            break;
        }
    }

    if (!fragmentTableChosen) {
        report.Lines({"", " USING OF DESCRIPTOR TABLE NAMEvfr.des IS COMPULSORY !!", ""});
        report.Close();
        state.FragmentTableMissing = 1;
        return ParametersOutcome::FragmentTableMissing;
    }

    report.Lines(
        {"", "     Starting statistical analysis parameters:", "",
         "     Molecules number in the calibration set: " + NumText(n),
         "     Molecules number in the validation set: " + NumText(state.ValidationCount),
         "     Molecules number in the prediction set: " + NumText(state.PredictionCount)});
    report.Line("     Minimum predictors number: 2");
    report.Lines(
        {"     Maximum predictors number: " + NumText(state.MaxPredictors),
         "     descriptors / Property correlation: r2 > " + NumText(state.MinPropertyR2),
         "     Intercorrelation in > 2 descriptors sets: r2 < " + NumText(state.MaxInterR2), ""});
    report.Close();
    return ParametersOutcome::Compute;
}

} // namespace kalemir::qspr
