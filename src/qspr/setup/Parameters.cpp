#include "qspr/setup/Parameters.h"

#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "common/TextToNumber.h"
#include "qspr/setup/QsprTables.h"

#include <algorithm>
#include <cmath>

namespace kalemir::qspr {

namespace {

/// Assignment of an entry to a 16-bit count: halves to even, kept within the molecule
/// limit so that an absurd entry cannot overflow.
int RoundToCount(double value) {
    const double bounded = std::clamp(value, -1.0e6, 1.0e6);
    return static_cast<int>(RoundHalfEven(bounded));
}

} // namespace

double LimitTo(double value, double low, double high) {
    if (value > high) {
        value = high;
    }
    if (value < low) {
        value = low;
    }
    return value;
}

void DeriveDefaultThresholds(ProgramState& state) {
    const int n = state.CalibrationCount;
    const double nReal = n;
    state.BestQ = 0;
    state.BestQSEE = 1000;
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
    entries.Text1 = NumText(state.MinPropertyR2);
    entries.Text2 = NumText(state.ValidationCount);
    entries.Text4 = NumText(state.MaxInterR2);
    entries.Text5 = NumText(state.MaxPredictors);
    entries.Text6 = NumText(state.RandomisationRuns);
    if (state.PredictionCount == 0) {
        entries.Option1 = true;
        state.EliminateOutliers = 1;
        entries.Text3Visible = false;
    } else {
        entries.Option1 = false;
        state.EliminateOutliers = 0;
        entries.Text3Visible = true;
        entries.Text3 = NumTextSingle(state.EstimatedCOR);
    }
    return entries;
}

ParametersOutcome ParametersOk(ProgramState& state, const ParameterEntries& entries) {
    const int n = state.CalibrationCount;
    state.Record.GivenParameters = {{"min_r2", entries.Text1},
                                    {"validation", entries.Text2},
                                    {"cor", entries.Text3Visible ? entries.Text3 : std::string()},
                                    {"max_inter_r2", entries.Text4},
                                    {"max_predictors", entries.Text5},
                                    {"eliminate_outliers", entries.Option1 ? "yes" : "no"}};

    state.MinPropertyR2 = LimitTo(TextToNumber(entries.Text1), 0.01, 0.25);

    state.ValidationCount = RoundToCount(TextToNumber(entries.Text2));
    if (state.PredictionCount == 0) {
        state.ValidationCount = n;
    }
    // The validation set is the last ValidationCount calibration molecules: a count beyond
    // the calibration set (or below zero) would name molecules that do not exist.
    state.ValidationCount = std::clamp(state.ValidationCount, 0, n);
    state.ValidationNames.assign(static_cast<std::size_t>(state.ValidationCount) + 1, "");
    state.ValidationValues.assign(static_cast<std::size_t>(state.ValidationCount) + 1, {});

    if (state.PredictionCount > 0) {
        state.EstimatedCOR = static_cast<float>(TextToNumber(entries.Text3));
    }

    state.MaxInterR2 = LimitTo(TextToNumber(entries.Text4), 0.1, 0.64);

    state.MaxPredictors = RoundToCount(TextToNumber(entries.Text5));
    if (state.MaxPredictors > n / 3.0) {
        state.MaxPredictors = n / 3;
    }
    if (state.MaxPredictors >= 21) {
        state.MaxPredictors = kMaxPredictorsInSet;
    }
    if (state.MaxPredictors < 2) {
        state.MaxPredictors = 2;
    }

    state.EliminateOutliers = entries.Option1 ? 1 : 0;

    state.RandomisationRuns =
        std::clamp(RoundToCount(TextToNumber(entries.Text6)), 0, kMaxRandomisationRuns);

    ReportAppender report(kWorkingReport);
    report.Lines({"", "     Descriptor table(s) used: ", ""});
    for (int i = 1; i <= state.TableCount; ++i) {
        report.Line("     " + state.TableNames[i].first);
    }

    bool fragmentTableChosen = false;
    for (int i = 1; i <= state.SelectedTableCount; ++i) {
        if (HasTableSuffix(state.TableNames[i].first, "vfr.des")) {
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
    if (state.MaxPredictors >= 2) {
        report.Line("     Minimum predictors number: 2");
    }
    report.Lines(
        {"     Maximum predictors number: " + NumText(state.MaxPredictors),
         "     descriptors / Property correlation: r2 > " + NumText(state.MinPropertyR2),
         "     Intercorrelation in > 2 descriptors sets: r2 < " + NumText(state.MaxInterR2), ""});
    report.Close();
    return ParametersOutcome::Compute;
}

} // namespace kalemir::qspr
