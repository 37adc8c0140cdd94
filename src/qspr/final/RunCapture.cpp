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

void RecordCycle(ProgramState& ps, const ComputingState& cs, const PredictorSet& best,
                 const FitResult& fit, const double* estimated, const double* observed,
                 const CalibrationFigures& f, double r2cv, const OutlierScan& scan) {
    const int n = ps.CalibrationCount;
    const int pc = ps.PredictionCount;
    const int p = cs.FitTermCount;
    const DescriptorMatrixStore& dm = cs.DescriptorMatrix;

    CycleRecord cycle;
    cycle.Cycle = ps.CycleNumber;
    cycle.CalibrationCount = n;
    cycle.PredictionCount = pc;
    cycle.Parameters = {ps.MinPropertyR2, ps.ValidationCount, static_cast<double>(ps.EstimatedCOR),
                        ps.MaxInterR2,    ps.MaxPredictors,   ps.EliminateOutliers};
    for (int k = 1; k <= p; ++k) {
        cycle.Descriptors.push_back(dm.ColumnNames[best[k]]);
        cycle.Coefficients.push_back(fit.Coefficients[k]);
    }
    cycle.Intercept = fit.Intercept;
    cycle.R2 = f.R2;
    cycle.Q = f.Q;
    cycle.F = f.F;
    cycle.SEE = f.SEE;
    cycle.RMS = f.RMS;
    cycle.R2CV = r2cv;
    cycle.Kendall = f.Kendall;
    cycle.MeanObserved = f.MeanO;
    cycle.SpreadObserved = f.SpreadO;
    cycle.MeanEstimated = f.MeanE;
    cycle.SpreadEstimated = f.SpreadE;
    cycle.LargestOutlierIndex = scan.OIMax;
    cycle.LargestOutlierName = scan.Name;

    BestModelRecord model;
    model.Cycle = ps.CycleNumber;
    model.Descriptors = cycle.Descriptors;
    model.Coefficients = cycle.Coefficients;
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
    ps.Record.Cycles.push_back(std::move(cycle));
    ps.Record.BestModel = std::move(model);
}

void RecordRemoval(ProgramState& ps, const std::string& removed) {
    if (!ps.Record.Cycles.empty()) {
        ps.Record.Cycles.back().RemovedOutlier = removed;
    }
}

void RecordRanking(ProgramState& ps, const ComputingState& cs, const FinalWork& work) {
    const auto& numbers = work.Trackers.Number;
    ps.Record.Ranked.clear();
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
        for (int k = 1; k <= cs.FitTermCount; ++k) {
            const int c = cs.KeptSets[e][k];
            r.Descriptors.push_back(c != 0 ? cs.DescriptorMatrix.ColumnNames[c] : std::string());
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
        r.HasCOR = ps.PredictionCount > 0;
        ps.Record.Ranked.push_back(std::move(r));
    }
}

void RecordPredictionBlock(ProgramState& ps, const ComputingState& cs, const FinalWork& work,
                           double lowPred, double highPred, double lowAll, double highAll) {
    const int n = ps.CalibrationCount;
    const int pc = ps.PredictionCount;
    PredictionBlockRecord block;
    block.Number = work.EquationNumber;
    ps.Record.PredictionNames.clear();
    for (int j = 1; j <= pc; ++j) {
        const double estimate = work.Estimate[n + j];
        ps.Record.PredictionNames.push_back(cs.DescriptorMatrix.MoleculeNames[n + j]);
        block.Estimates.push_back(RoundHalfAway(estimate, 3));
        block.Leverages.push_back(static_cast<double>(work.LeverageValues[j]));
        block.AdoCounts.push_back(work.AdoCount[n + j]);
        block.Marks.emplace_back(estimate < lowPred ? "low" : (estimate > highPred ? "high" : ""));
        block.MarksAll.emplace_back(estimate < lowAll ? "LOW" : (estimate > highAll ? "HIGH" : ""));
    }
    ps.Record.PredictionBlocks.push_back(std::move(block));
}

void RecordFinalLabels(ProgramState& ps, const FinalWork& work, int distinct) {
    const int n = ps.CalibrationCount;
    ps.Record.DistinctEquations = distinct;
    ps.Record.Votes.clear();
    ps.Record.FinalLabels.clear();
    for (int j = 1; j <= ps.PredictionCount; ++j) {
        const int vote = work.Vote[n + j];
        const int label = FinalLabel(vote, distinct);
        ps.Record.Votes.push_back(vote);
        ps.Record.FinalLabels.emplace_back(label < 0 ? "low" : (label > 0 ? "high" : ""));
    }
}

} // namespace kalemir::qspr
