#include "similarity/Run.h"

#include "similarity/CliffList.h"

#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/WorkerPool.h"
#include "similarity/Axiom.h"
#include "similarity/Clusters.h"
#include "similarity/Measures.h"
#include "similarity/SimTable.h"

#include <algorithm>
#include <cmath>

namespace kalemir::sim {

namespace {

const char* const kMeasureHeadings[] = {
    "",
    ".......... RESULTS OF THE CHEMICAL STRUCTURE SIMILARITY COMPUTATIONS ..........",
    ".......... RESULTS OF THE MOLECULAR SHAPE SIMILARITY COMPUTATIONS ..........",
    ".......... RESULTS OF THE MOLECULAR SIZE SIMILARITY COMPUTATIONS ..........",
    ".......... RESULTS OF THE MOLECULAR HYDROPHILICITY SIMILARITY COMPUTATIONS ..........",
    ".......... RESULTS OF THE MOLECULAR FLEXIBILITY SIMILARITY COMPUTATIONS .........."};

/// A five-value work vector, one value per measure, in single precision.
struct Five {
    float X[kMeasureCount];
};

float Mean(const Five& v) {
    float sum = 0;
    for (float x : v.X) {
        sum += x;
    }
    return sum / 5;
}

float Median(Five v) {
    std::sort(v.X, v.X + kMeasureCount);
    return v.X[2];
}

/// 1000 * |median - mean|.
double Spread(const Five& v) {
    return 1000 * std::fabs(static_cast<double>(Median(v)) - static_cast<double>(Mean(v)));
}

template <class F> Five Over(F value) {
    Five v{};
    for (int k = 1; k <= kMeasureCount; ++k) {
        v.X[k - 1] = static_cast<float>(value(k));
    }
    return v;
}

} // namespace

CorrectnessModels EvaluateCorrectnessModels(const MeasureSummary& s) {
    auto sim = [&](int k) { return s.At(1, k); };
    auto o = [&](int k) { return s.At(2, k); };
    auto dc = [&](int k) { return s.At(3, k); };
    auto dp = [&](int k) { return s.At(4, k); };
    CorrectnessModels m;

    const double a1 = 2 + o(2) + o(4);
    const double a2 = sim(5) * sim(3);
    const double a3 = o(5) + 1;
    const double a4 = 10 * (dc(5) - dp(5));
    const double a5 = dc(3) * dc(1);
    const double a6 = 10 * (dc(4) - dp(4));
    const double a7 = dp(2);
    const double a8 = Spread(Over([&](int k) { return (o(k) + 1) * dp(k); }));
    m.Ma = 0.3624 * a1 - 0.1194 * a2 + 0.1289 * a3 - 0.057 * a4 + 0.9266 * a5 - 0.0383 * a6 -
           1.0265 * a7 + 0.0018 * a8 + 0.4388;

    const double b1 = Spread(Over([&](int k) { return o(k) + 1; }));
    const double b2 = Mean(Over([&](int k) { return (o(k) + 1) * sim(k); }));
    const double b3 = dc(5) * sim(5);
    const double b4 = dc(5) + dc(2);
    const double b5 = dc(4) * sim(4);
    // Neither set has more than one molecule when both diversities are 0: no difference.
    const double b6 = dc(5) + dp(5) == 0 ? 0.0 : 10 * (dc(5) - dp(5)) / (dc(5) + dp(5));
    const double b7 = dc(2) * dc(1);
    const double b8 = o(4) + 1;
    m.Mb = 0.0109 * b1 - 0.8411 * b2 + 7.758 * b3 - 3.588 * b4 - 3.4171 * b5 + 0.249 * b6 +
           1.3666 * b7 + 0.9188 * b8 + 2.3357;

    const double c1 = b1;
    const double c2 = sim(4) + sim(2);
    const double c3 = dp(1) + dc(1);
    const double c4 = o(5) + o(4) + 2;
    const double c5 = Mean(Over([&](int k) { return (o(k) + 1) * dc(k); }));
    const double c6 = dp(4) * sim(4);
    double largest = -100;
    double smallest = 100;
    for (int k = 1; k <= kMeasureCount; ++k) {
        largest = dp(k) > largest ? dp(k) : largest;
        smallest = dp(k) < smallest ? dp(k) : smallest;
    }
    const double c7 = largest * smallest;
    const double c8 = dc(5) + dc(3);
    m.Mc = 0.0057 * c1 + 1.5973 * c2 + 1.1102 * c3 + 1.4167 * c4 - 4.4101 * c5 - 2.6781 * c6 +
           2.6209 * c7 + 1.1635 * c8 - 4.8442;
    return m;
}

float RoundCorrectness(float cor) {
    if (cor > 1) {
        cor = 0.999f;
    }
    if (cor < -1) {
        cor = -0.999f;
    }
    // |COR| x 1000 is formed in single precision: 0.7495 (0.74949998) gives 749.5.
    const float scaled = std::fabs(cor) * 1000.0f;
    const double rounded = 0.001 * std::floor(static_cast<double>(scaled) + 0.5);
    const double sign = cor > 0 ? 1.0 : (cor < 0 ? -1.0 : 0.0);
    return static_cast<float>(sign * rounded);
}

float ChooseCorrectness(const CorrectnessModels& m) {
    const double chosen = std::fabs(m.Ma - m.Mc) < std::fabs(m.Mb - m.Mc) ? m.Ma : m.Mb;
    return RoundCorrectness(static_cast<float>(chosen));
}

void StartMeasure(const RunChoices& choices, int measure) {
    ReportAppender report(choices.ResultsFileName);
    report.Lines({"", ""});
    report.Line(kMeasureHeadings[measure]);
    if (measure == kShape) {
        report.Line(choices.ShapeMethod == kCorrectedUsr ? "...........METHOD: corrected USR"
                                                         : "...........METHOD: Superposition");
    }
    report.Line();
    report.Close();
}

void CheckDuplicates(const RunChoices& choices, const PreparedTable& table,
                     const std::vector<std::uint8_t>& duplicateVotes) {
    const int n = table.MoleculeCount;
    ReportAppender report(choices.ResultsFileName);
    long found = 0;
    std::size_t index = 0;
    for (int i = 1; i < n; ++i) {
        for (int j = i + 1; j <= n; ++j, ++index) {
            if (duplicateVotes[index] > 4) {
                report.Line();
                report.Line("***** Program computed very high similarity for molecules");
                report.Line("***** " + table.Names[static_cast<std::size_t>(i)] + "   " +
                            table.Names[static_cast<std::size_t>(j)] + "   SIM ~ 1");
                ++found;
            }
        }
    }
    report.Line();
    report.Line(std::string(60, '-'));
    if (found > 0) {
        report.Line("VERIFY if above molecules are DUPLICATE (see SIM ~ 1).");
        report.Line("Using of duplicate molecules in QSPR studies is prohibited.");
        report.Line("After elimination of the duplicate molecules all calculation should be "
                    "repeated.");
    } else {
        report.Line("There are no duplicate molecules.");
    }
    report.Line(std::string(60, '-'));
    report.Close();
}

void ReportFinalSummary(const RunChoices& choices, const PreparedTable& table,
                        const RunResults& results) {
    const float cor = results.EstimatedCorrectness;
    ReportAppender report(choices.ResultsFileName);
    report.Line();
    report.Line("Taking into account all similarities, diversities and observances");
    report.Line("the estimated correctness of the final 'low'/'high' labeling will be about " +
                PlainNumberSingle(cor));
    report.Line("in the range [-1, +1].");
    if (cor < 0.75) {
        report.Line();
        report.Line("      You should check if the new below databases,");
        report.Line("      especially NDB and NVB,");
        report.Line("      have a higher estimated correctness.");
        report.Line();
    }
    report.Lines({"", "ATTENTION!", ""});
    auto block = [&](const char* database, double calibration, const std::string& validationText,
                     double validation, double prediction) {
        report.Line(std::string("In the new database ") + database + ", saved on hard-disk:");
        report.Line("the number of molecules in the calibration set is " +
                    PlainNumber(calibration));
        report.Line(validationText + PlainNumber(validation));
        report.Line("the number of molecules in the prediction set is " + PlainNumber(prediction));
        report.Line();
    };
    const std::string considered = "the number of molecules in the validation set is considered ";
    block("NBX", table.NbxCalibrationCount, considered, table.NbxCalibrationCount,
          table.NbxPredictionCount);
    block("CLU", results.CluCalibrationCount, considered, results.CluCalibrationCount,
          results.CluPredictionCount);
    block("NDB", results.NdbTrainingCount + results.NdbValidationCount,
          "the number of molecules in the validation set (included in the calibration set) is ",
          results.NdbValidationCount, results.NdbPredictionCount);
    block("NVB", results.NdbValidationCount, "the number of molecules in the validation set is ",
          results.NdbValidationCount, results.NdbPredictionCount);
    report.Line(std::string(60, '-'));
    report.Close();
}

namespace {

const char* const kMeasureStages[] = {"",
                                      "at the chemical structure similarity computations",
                                      "at the molecular shape similarity computations",
                                      "at the molecular size similarity computations",
                                      "at the molecular hydrophilicity similarity computations",
                                      "at the molecular flexibility similarity computations"};

/// The analysis after the results-file start; `stage` follows where it is.
void AnalyseAllMeasures(const RunChoices& choices, const PreparedTable& table, RunResults& results,
                        ComputingWindow& window, std::string& stage) {
    WorkerPool pool(choices.Threads);
    const int n = table.MoleculeCount;
    results.DuplicateVotes.assign(n < 2 ? 0 : static_cast<std::size_t>(n) * (n - 1) / 2, 0);
    results.MixedClusterMarks.assign(static_cast<std::size_t>(n) + 1, 0);
    // The measure being analysed: each measure overwrites its matrix, statistics and clusters.
    MeasureState current;
    for (int measure = 1; measure <= kMeasureCount; ++measure) {
        stage = kMeasureStages[measure];
        StartMeasure(choices, measure);
        const MeasureContext context{choices, table, measure, pool, window};
        const PairLoopOutcome pairs =
            ComputePairSimilarities(context, current.Similarity, results.DuplicateVotes);
        current.Pairs = pairs.Statistics;
        ReportZeroDenominators(choices, table, measure, pairs.ZeroDenominators);
        ReportPairStatistics(choices, table, current.Pairs, measure);
        CheckAxiom(context, current.Similarity, results.Summary);
        WriteCliffs(choices, table, current.Similarity, measure);
        ReportClusterHeading(choices, measure, window);
        current.Clusters =
            FindClusters(current.Similarity, table.CalibrationCount,
                         choices.MinClusterSimilarity[measure], pool, current.ClusterRows);
        MarkMixedClusters(table, current.Clusters, results.MixedClusterMarks);
        if (measure == kChemical) {
            WriteCluDatabase(choices, table, current.Clusters, results);
        }
        ReportClusters(choices, table, current.Clusters);
        ReportDiversity(choices, table, current.Clusters, measure, results.Summary, window);
    }
    stage = "at the estimated correctness and the duplicate check";
    if (table.PredictionCount > 0) {
        results.EstimatedCorrectness =
            ChooseCorrectness(EvaluateCorrectnessModels(results.Summary));
        WriteMarkDatabases(choices, table, results);
    }
    CheckDuplicates(choices, table, results.DuplicateVotes);
    if (table.PredictionCount > 0) {
        ReportFinalSummary(choices, table, results);
    }
}

} // namespace

void RunSimilarityAnalysis(const RunChoices& choices, const PreparedTable& table,
                           RunResults& results, ComputingWindow& window) {
    WriteResultsStart(choices, table);
    std::string stage = "at the start";
    try {
        AnalyseAllMeasures(choices, table, results, window, stage);
    } catch (const RunInterrupted&) {
        // The results file says it was stopped, and where, as its last line.
        results.StoppedStage = stage;
        AppendReportLines(choices.ResultsFileName, {"", StoppedAnalysisText(stage)});
        throw;
    }
}

} // namespace kalemir::sim
