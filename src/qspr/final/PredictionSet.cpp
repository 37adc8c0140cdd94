#include "qspr/final/PredictionSet.h"

#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "qspr/core/Fit.h"
#include "qspr/final/PredictorFiles.h"
#include "qspr/final/RunCapture.h"
#include "qspr/setup/QsprTables.h"

#include <cmath>

namespace kalemir::qspr {

std::string EstimatesFileName(const std::string& qsprTableName) {
    return NamePrefix(qsprTableName, 5) + "-EST";
}

LowHighMarks MarkEstimate(double estimate, double lowPred, double highPred, double lowAll,
                          double highAll) {
    LowHighMarks marks;
    std::string first;
    if (estimate < lowPred) {
        first = "     low";
        marks.Vote = -1;
    } else if (estimate > highPred) {
        first = "     high";
        marks.Vote = 1;
    } else {
        first = std::string(8, ' ');
    }
    std::string second;
    if (estimate < lowAll) {
        second = "LOW";
    } else if (estimate > highAll) {
        second = "HIGH";
    }
    const std::size_t width = 16 - first.size();
    marks.Text = first + std::string(width - second.size(), ' ') + second;
    return marks;
}

int FinalLabel(int vote, int distinct) {
    if (distinct < 1) {
        return 0;
    }
    const double score = static_cast<double>(vote) / distinct;
    return score < -0.35 ? -1 : (score > 0.35 ? 1 : 0);
}

EstimateSpreads SpreadsOf(const double* x, const double* e, int n, int pc) {
    EstimateSpreads s;
    double sumX = 0;
    double sumE = 0;
    for (int i = 1; i <= n; ++i) {
        sumX += x[i];
    }
    for (int j = 1; j <= pc; ++j) {
        sumE += e[j];
    }
    s.MeanCal = n > 0 ? sumX / n : 0.0;
    s.MeanPred = pc > 0 ? sumE / pc : 0.0;
    s.MeanAll = n + pc > 0 ? (sumX + sumE) / (n + pc) : 0.0;
    if (n + pc > 1) {
        double squares = 0;
        for (int i = 1; i <= n; ++i) {
            squares += (x[i] - s.MeanAll) * (x[i] - s.MeanAll);
        }
        for (int j = 1; j <= pc; ++j) {
            squares += (e[j] - s.MeanAll) * (e[j] - s.MeanAll);
        }
        s.SpreadAll = std::sqrt(squares / (n + pc - 1));
    }
    if (pc > 1) {
        double squares = 0;
        for (int j = 1; j <= pc; ++j) {
            squares += (e[j] - s.MeanPred) * (e[j] - s.MeanPred);
        }
        s.SpreadPred = std::sqrt(squares / (pc - 1));
    }
    return s;
}

void WriteEstimatesFile(const RunInputs& in, const CycleInputs& cycle,
                        const SignificantDescriptors& descriptors, const SearchState& search,
                        PairCorrelation& pair, FinalWork& work) {
    const int n = cycle.CalibrationCount;
    const int pc = cycle.PredictionCount;
    const int e = work.EquationNumber;
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    const double* x = pair.X.data();
    for (int j = 1; j <= pc; ++j) {
        work.AdoCount[n + j] = 0;
    }
    double sumX = 0;
    for (int i = 1; i <= n; ++i) {
        sumX += x[i];
    }
    const double meanX = sumX / n;
    double sumD = 0;
    for (int j = 1; j <= pc; ++j) {
        work.Distance[n + j] = std::fabs(work.Estimate[n + j] - meanX);
        sumD += work.Distance[n + j];
    }
    const double meanD = sumD / pc;
    double spreadD = 1000;
    if (pc > 1) {
        double squares = 0;
        for (int j = 1; j <= pc; ++j) {
            squares += (work.Distance[n + j] - meanD) * (work.Distance[n + j] - meanD);
        }
        spreadD = std::sqrt(squares / (pc - 1));
    }
    for (int j = 1; j <= pc; ++j) {
        if (work.Distance[n + j] > meanD + spreadD) {
            ++work.AdoCount[n + j];
        }
    }
    AssessApplicability(in, cycle, search, work);
    for (int j = 1; j <= pc; ++j) {
        if (work.LeverageValues[j] > work.LeverageMean + work.LeverageSpread) {
            ++work.AdoCount[n + j];
        }
    }
    ReportAppender file(work.EstimatesFileName);
    if (e > 1) {
        file.Line("");
    }
    file.Line("Mol\tCalc. by Q#" + std::to_string(e));
    for (int i = 1; i <= n; ++i) {
        file.Line(dm.MoleculeNames[i] + "\t" + PlainNumber(RoundHalfAway(x[i], 3)));
    }
    file.Line("");
    for (int j = 1; j <= pc; ++j) {
        std::string line =
            dm.MoleculeNames[n + j] + "\t" + PlainNumber(RoundHalfAway(work.Estimate[n + j], 3));
        if (work.AdoCount[n + j] == 2) {
            line += "\tADO";
        }
        file.Line(line);
    }
    file.Close();
}

void EstimatePredictionSet(const CycleContext& context, const SignificantDescriptors& descriptors,
                           SearchState& search, PairCorrelation& pair, FinalWork& work) {
    const RunInputs& in = context.In;
    const CycleInputs& cycle = context.Cycle;
    const int n = cycle.CalibrationCount;
    const int pc = cycle.PredictionCount;
    const int p = search.FitTermCount;
    const int e = work.EquationNumber;
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    PredictorSet& trial = search.CandidateSets[kCandidateRow];
    for (int k = 1; k <= p; ++k) {
        trial[k] = search.KeptSets[e][k];
    }
    const FitResult fit =
        FitSet(FitProblemOf(cycle, descriptors, search), trial, p, pair, context.Window).Fit;
    for (int j = 1; j <= pc; ++j) {
        double estimate = fit.Intercept;
        for (int k = 1; k <= p; ++k) {
            const double value = trial[k] != 0 ? dm.At(n + j, trial[k]) : 0.0;
            estimate = estimate + fit.Coefficients[k] * (value + fit.Means[k]);
        }
        work.Estimate[n + j] = estimate;
    }
    WriteEstimatesFile(in, cycle, descriptors, search, pair, work);

    const EstimateSpreads s = SpreadsOf(pair.X.data(), work.Estimate.data() + n, n, pc);
    const double lowAll = s.MeanAll - s.SpreadAll / 2;
    const double highAll = s.MeanAll + s.SpreadAll / 2;
    const double lowPred = s.MeanPred - s.SpreadPred / 2;
    const double highPred = s.MeanPred + s.SpreadPred / 2;
    ReportAppender report(context.ReportName);
    report.Lines({"", " USING THE QSPR #" + std::to_string(e),
                  " Average of the estimated Dependent Property values = " +
                      NumText(RoundDown(s.MeanPred, 3)) + "  " + std::string(kPlusMinus) + "  " +
                      NumText(RoundDown(s.SpreadPred, 3)),
                  " calculated in presence of the ADO molecules.", ""});
    for (int j = 1; j <= pc; ++j) {
        const double estimate = work.Estimate[n + j];
        const LowHighMarks marks = MarkEstimate(estimate, lowPred, highPred, lowAll, highAll);
        report.Line(" " + dm.MoleculeNames[n + j] + "     " + PlainNumber(RoundDown(estimate, 3)) +
                    marks.Text);
        work.Vote[n + j] += marks.Vote;
    }
    RecordPredictionBlock(context.Results, cycle, descriptors, work,
                          {lowPred, highPred, lowAll, highAll});
    float cor = 0;
    for (int t = kByQ; t <= kByCOR; ++t) {
        if (work.Trackers.Number[t] == e) {
            cor = work.Trackers.Records[t].COR;
            break;
        }
    }
    report.Lines({"",
                  " The estimated correctness of the 'low/high' labeling using the QSPR #" +
                      std::to_string(e),
                  "", "     COR = " + PlainNumberSingle(cor), ""});
    report.Close();
}

void ReportFinalLabels(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                       const std::string& reportName, const FinalWork& work, int distinct) {
    const int n = cycle.CalibrationCount;
    const int pc = cycle.PredictionCount;
    int labelled = 0;
    for (int j = 1; j <= pc; ++j) {
        if (FinalLabel(work.Vote[n + j], distinct) != 0) {
            ++labelled;
        }
    }
    ReportAppender report(reportName);
    if (labelled > 0) {
        report.Lines({"There are " + std::to_string(distinct) +
                          " equations that were used for final prediction.",
                      "", "The below list includes the molecules in the prediction set",
                      "that have been finally labeled 'low' OR 'high'", ""});
        for (int j = 1; j <= pc; ++j) {
            const int label = FinalLabel(work.Vote[n + j], distinct);
            if (label != 0) {
                report.Line(descriptors.DescriptorMatrix.MoleculeNames[n + j] +
                            (label < 0 ? "       low" : "       high"));
            }
        }
    } else {
        report.Lines({"", "There are no molecules in the prediction set",
                      "that were labeled 'low' / 'high'.", ""});
    }
    report.Close();
}

} // namespace kalemir::qspr
