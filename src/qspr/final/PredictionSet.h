#pragma once
// Estimation of the prediction set by each distinct best equation, the ADO molecules, the
// estimates file and the final 'low'/'high' labels.

#include "qspr/core/CycleContext.h"
#include "qspr/core/StageState.h"
#include "qspr/final/FinalState.h"
#include "qspr/setup/ProgramState.h"

#include <string>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// First five characters of the QSPR table name followed by "-EST".
std::string EstimatesFileName(const std::string& qsprTableName);

/// The two marks of an estimate (together always 16 characters) and its vote, from the
/// bounds of the prediction set and of all molecules (within includes both bounds).
struct LowHighMarks {
    std::string Text;
    int Vote = 0;
};
LowHighMarks MarkEstimate(double estimate, double lowPred, double highPred, double lowAll,
                          double highAll);

/// The final label of a molecule from its summed vote over `distinct` equations:
/// -1 'low' (score below -0.35), +1 'high' (above 0.35), 0 none.
int FinalLabel(int vote, int distinct);

/// Means and spreads of the calibration estimates X (rows 1..n) and the prediction
/// estimates E (rows n+1..n+pc). The prediction spread needs two molecules (else 0); the
/// all-molecule spread is taken over the n + pc molecules.
struct EstimateSpreads {
    double MeanCal = 0;
    double MeanPred = 0;
    double MeanAll = 0;
    double SpreadAll = 0;
    double SpreadPred = 0;
};
EstimateSpreads SpreadsOf(const double* calibration, const double* prediction, int n, int pc);

/// Refits equation work.EquationNumber, estimates the prediction molecules, writes the
/// estimates file with the ADO marks, reports the marks and adds the votes.
void EstimatePredictionSet(const CycleContext& context, const SignificantDescriptors& descriptors,
                           SearchState& search, PairCorrelation& pair, FinalWork& work);

/// ADO counts (distance and leverage) of the prediction molecules and one block of the
/// estimates file, opened for appending.
void WriteEstimatesFile(const RunInputs& in, const CycleInputs& cycle,
                        const SignificantDescriptors& descriptors, const SearchState& search,
                        PairCorrelation& pair, FinalWork& work);

/// The list of molecules finally labelled 'low' or 'high'.
void ReportFinalLabels(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                       const std::string& reportName, const FinalWork& work, int distinct);

} // namespace kalemir::qspr
