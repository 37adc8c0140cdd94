#pragma once
// The model report: one HTML file beside the other result files that shows a reviewer the
// best equation by Q with its terms' standard errors, t, p and VIF, what each predictor
// is, the calibration statistics, leave-one-out, Y-randomisation, external validation,
// the scatter and Williams plots (inline SVG), the applicability domain of the prediction
// set, the inputs with their SHA-256, the versions, every option and the QMRF chapters.
// It reads the same figures as the results JSON; every number a program may check
// carries id="..." and data-value="..." with the full-precision value.

#include "qspr/setup/ProgramState.h"
#include "qspr/validation/CoefficientStatistics.h"
#include "qspr/validation/ResultFiles.h"
#include "qspr/validation/ValidationResults.h"

#include <string>
#include <vector>

namespace kalemir::qspr {

/// Where a predictor comes from: the descriptor table whose header holds its column, and
/// the family the table's name ending gives (d2d, mfp/fpc, vfr, d3d).
struct PredictorMeaning {
    std::string Descriptor;
    std::string Table;  ///< empty when no table's header names it
    std::string Family; ///< e.g. "2D descriptor"
};

/// The family of a descriptor table from the end of its name (".des" aside).
std::string DescriptorFamily(const std::string& tableName);

/// The meaning of each predictor from the headers of the descriptor tables.
std::vector<PredictorMeaning> DescribePredictors(const std::vector<std::string>& descriptors,
                                                 const std::vector<std::string>& tables);

struct InputFile {
    std::string Role; ///< "QSPR table", "descriptor table", "observed values"
    std::string Name;
    std::string Sha256;
};

/// What the HTML report and the QMRF draft say beyond the run record and the validation
/// figures.
struct ModelFacts {
    std::string Date; ///< local date and time of writing, ISO 8601
    std::string Version;
    CoefficientStatistics Coefficients;
    std::vector<PredictorMeaning> Predictors;
    std::vector<InputFile> Inputs;
    const CycleRecord* BestCycle = nullptr; ///< the cycle of the best equation by Q
};

ModelFacts GatherModelFacts(const ProgramState& state, const ResultInputs& inputs,
                            const InputFacts& tables);

std::string ModelReportHtml(const ProgramState& state, const ValidationFigures& figures,
                            const ModelFacts& facts);

/// The text with every line end LF made CR LF, as the suite's text files end their lines.
std::string WithCrLf(const std::string& text);

/// The QSPR table's name followed by "-model.html".
std::string ModelReportName(const std::string& qsprTable);

} // namespace kalemir::qspr
