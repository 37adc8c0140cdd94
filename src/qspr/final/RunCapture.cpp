#include "qspr/final/RunCapture.h"

#include "common/NumberText.h"
#include "common/Rounding.h"
#include "qspr/final/FinalAnalysis.h"
#include "qspr/final/PredictionSet.h"

#include <array>
#include <charconv>

namespace kalemir::qspr {

namespace {

const char* const kCriterionNames[5] = {"", "Q", "RR%", "KK%", "COR"};

/// A single-precision figure of a ranked equation as its report block writes it: the
/// number its text stands for (3.3339, not the nearest double of the rounding, 3.3339000000000003).
double Reported(float value, int decimals) {
    const std::string text = PlainNumber(RoundDown(static_cast<double>(value), decimals));
    double number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

/// A descriptor value as the table gave it: the centred cell plus its column mean carries
/// the round-off of the centring in its last bits (9.999999999998899e-05 for 0.0001), which
/// twelve significant digits take away.
double TableValue(double centred, double mean) {
    std::array<char, 32> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), centred + mean,
                                   std::chars_format::general, 12);
    double value = 0;
    std::from_chars(text.data(), end.ptr, value);
    return value;
}

} // namespace

void RecordCycle(const CycleContext& context, const SignificantDescriptors& descriptors,
                 const BestByQFit& bestFit) {
    const RunInputs& in = context.In;
    RunResults& results = context.Results;
    const CycleInputs& cycle = context.Cycle;
    const PredictorSet& best = bestFit.Set;
    const FitResult& fit = bestFit.Fit;
    const double* estimated = bestFit.Estimated;
    const double* observed = bestFit.Observed;
    const CalibrationFigures& f = bestFit.Figures;
    const OutlierScan& scan = bestFit.Scan;
    const int n = cycle.CalibrationCount;
    const int pc = cycle.PredictionCount;
    const int p = fit.K;
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;

    CycleRecord entry;
    entry.Cycle = cycle.Number;
    entry.CalibrationCount = n;
    entry.PredictionCount = pc;
    entry.Parameters = {
        cycle.MinPropertyR2, cycle.ValidationCount, static_cast<double>(cycle.EstimatedCOR),
        cycle.MaxInterR2,    cycle.MaxPredictors,   in.EliminateOutliers};
    for (int k = 1; k <= p; ++k) {
        entry.Descriptors.push_back(dm.ColumnNames[best[k]]);
        entry.Coefficients.push_back(fit.Coefficients[k]);
    }
    entry.Intercept = fit.Intercept;
    entry.R2 = f.R2;
    entry.Q = f.Q;
    entry.F = f.F;
    entry.SEE = f.SEE;
    entry.RMS = f.RMS;
    entry.R2CV = bestFit.R2CV;
    entry.Kendall = f.Kendall;
    entry.MeanObserved = f.MeanO;
    entry.SpreadObserved = f.SpreadO;
    entry.MeanEstimated = f.MeanE;
    entry.SpreadEstimated = f.SpreadE;
    entry.LargestOutlierIndex = scan.OIMax;
    entry.LargestOutlierName = scan.Name;

    BestModelRecord model;
    model.Cycle = cycle.Number;
    model.Descriptors = entry.Descriptors;
    model.Coefficients = entry.Coefficients;
    model.Intercept = fit.Intercept;
    auto rawValues = [&](int row) {
        std::vector<double> values(static_cast<std::size_t>(p));
        for (int k = 1; k <= p; ++k) {
            values[static_cast<std::size_t>(k - 1)] = TableValue(dm.At(row, best[k]), fit.Means[k]);
        }
        return values;
    };
    for (int i = 1; i <= n; ++i) {
        model.CalibrationNames.push_back(dm.MoleculeNames[i]);
        model.Observed.push_back(observed[i]);
        model.Estimated.push_back(estimated[i]);
        model.CalibrationValues.push_back(rawValues(i));
    }
    for (int j = 1; j <= pc; ++j) {
        model.PredictionNames.push_back(dm.MoleculeNames[n + j]);
        model.PredictionValues.push_back(rawValues(n + j));
        // As the prediction-set estimation forms an estimate from the centred cells.
        double estimate = fit.Intercept;
        for (int k = 1; k <= p; ++k) {
            estimate = estimate + fit.Coefficients[k] * (dm.At(n + j, best[k]) + fit.Means[k]);
        }
        model.PredictionEstimates.push_back(estimate);
    }
    results.Record.Cycles.push_back(std::move(entry));
    results.Record.BestModel = std::move(model);
}

void RecordRemoval(RunResults& results, const std::string& removed) {
    if (!results.Record.Cycles.empty()) {
        results.Record.Cycles.back().RemovedOutlier = removed;
    }
}

void RecordRanking(RunResults& results, const CycleInputs& cycle,
                   const SignificantDescriptors& descriptors, const SearchState& search,
                   const FinalWork& work) {
    const auto& numbers = work.Trackers.Number;
    results.Record.Ranked.clear();
    for (int t = kByQ; t <= kByCOR; ++t) {
        if (numbers[t] == 0) {
            continue;
        }
        if (!IsNewEquation(numbers, t)) {
            continue;
        }
        const int e = numbers[t];
        const BestEquation& best = work.Trackers.Records[t];
        RankedEquationRecord r;
        for (int u = t; u <= kByCOR; ++u) {
            if (numbers[u] == e) {
                r.Criteria.emplace_back(kCriterionNames[u]);
            }
        }
        r.Number = e;
        for (int k = 1; k <= search.FitTermCount; ++k) {
            const int c = search.KeptSets[e][k];
            r.Descriptors.push_back(c != 0 ? descriptors.DescriptorMatrix.ColumnNames[c]
                                           : std::string());
            r.Coefficients.push_back(Reported(best.Weights[k], 4));
        }
        r.Intercept = Reported(best.Intercept, 4);
        r.R2 = Reported(best.R2, 4);
        r.Q = Reported(best.Q, 4);
        r.F = Reported(best.F, 1);
        r.SEE = Reported(best.SEE, 4);
        r.RR = Reported(best.RR, 4);
        r.KK = Reported(best.KK, 4);
        r.COR = static_cast<double>(best.COR);
        r.HasCOR = cycle.PredictionCount > 0;
        results.Record.Ranked.push_back(std::move(r));
    }
}

void RecordPredictionBlock(RunResults& results, const CycleInputs& cycle,
                           const SignificantDescriptors& descriptors, const FinalWork& work,
                           const EstimateBounds& bounds) {
    const int n = cycle.CalibrationCount;
    const int pc = cycle.PredictionCount;
    PredictionBlockRecord block;
    block.Number = work.EquationNumber;
    block.LowPred = bounds.LowPred;
    block.HighPred = bounds.HighPred;
    results.Record.PredictionNames.clear();
    for (int j = 1; j <= pc; ++j) {
        const double estimate = work.Estimate[n + j];
        results.Record.PredictionNames.push_back(descriptors.DescriptorMatrix.MoleculeNames[n + j]);
        block.Estimates.push_back(RoundHalfAway(estimate, 3));
        block.Leverages.push_back(static_cast<double>(work.LeverageValues[j]));
        block.AdoCounts.push_back(work.AdoCount[n + j]);
        block.Marks.emplace_back(
            estimate < bounds.LowPred ? "low" : (estimate > bounds.HighPred ? "high" : ""));
        block.MarksAll.emplace_back(
            estimate < bounds.LowAll ? "LOW" : (estimate > bounds.HighAll ? "HIGH" : ""));
    }
    results.Record.PredictionBlocks.push_back(std::move(block));
}

void RecordFinalLabels(RunResults& results, const CycleInputs& cycle, const FinalWork& work,
                       int distinct) {
    const int n = cycle.CalibrationCount;
    results.Record.DistinctEquations = distinct;
    results.Record.Votes.clear();
    results.Record.FinalLabels.clear();
    for (int j = 1; j <= cycle.PredictionCount; ++j) {
        const int vote = work.Vote[n + j];
        const int label = FinalLabel(vote, distinct);
        results.Record.Votes.push_back(vote);
        results.Record.FinalLabels.emplace_back(label < 0 ? "low" : (label > 0 ? "high" : ""));
    }
}

} // namespace kalemir::qspr
