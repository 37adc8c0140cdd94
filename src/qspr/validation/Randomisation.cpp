#include "qspr/validation/Randomisation.h"

#include "common/Errors.h"
#include "common/NumberText.h"
#include "common/Records.h"
#include "common/Report.h"
#include "qspr/core/Centring.h"
#include "qspr/core/Fit.h"
#include "qspr/core/Significant.h"
#include "qspr/core/TableSplitting.h"
#include "qspr/final/CalibrationStatistics.h"
#include "qspr/final/FinalAnalysis.h"
#include "qspr/run/ComputingState.h"
#include "qspr/run/Driver.h"
#include "qspr/search/CyclePreparation.h"
#include "qspr/search/LargerSets.h"
#include "qspr/search/PairSearch.h"
#include "qspr/search/Preselection.h"
#include "qspr/setup/Parameters.h"

#include <cmath>
#include <optional>
#include <stdexcept>
#include <utility>

namespace kalemir::qspr {

namespace {

/// The report a randomised analysis writes: a work file, never shown to the user.
constexpr const char* kRandomisedReport = "kalemirq-randomised.rez";

/// Passes the analysis' progress to the real window with the run number in front, and
/// keeps the picture area for the real run's results.
class RunCaptionWindow : public ComputingWindow {
public:
    RunCaptionWindow(ComputingWindow& window, int run, int runs)
        : window_(window),
          prefix_(" Y-randomisation run " + PlainNumber(run) + " of " + PlainNumber(runs) + " ") {
        // Every yield goes on to the real window, which counts them itself.
        SetYieldInterval(1);
        window_.SetCaption(prefix_);
    }
    void SetCaption(std::string_view caption) override {
        window_.SetCaption(prefix_ + std::string(caption));
    }
    void ClearPicture() override {}
    void ShowPicture(bool) override {}
    void PrintLine(std::string_view) override {}
    void ShowPlaced(PlacedLine, int, std::string_view) override {}

protected:
    void ProcessEvents() override { window_.Yield(); }

private:
    ComputingWindow& window_;
    std::string prefix_;
};

/// Refits the best set by Q of the search as the final analysis does and takes its r2 and
/// Q from the estimated and observed values, as the report's statistics block does. None
/// when the search found no best set (FitTermCount is then 0).
std::optional<BestByQFigures> RefitBestByQ(const CycleInputs& cycle,
                                           const SignificantDescriptors& descriptors,
                                           SearchState& search, PairCorrelation& pair,
                                           WorkerPool* pool, ComputingWindow& window) {
    const auto& slot = search.BestSets[kBestByQSlot];
    int p = 0;
    for (int m = 1; m <= cycle.MaxPredictors && m <= kSetWidth; ++m) {
        if (slot[m] != 0) {
            ++p;
        }
    }
    if (search.ValuableSetCount == 0) {
        p = 0;
    }
    search.FitTermCount = p;
    if (p == 0) {
        return std::nullopt;
    }
    PrepareCrossProducts(cycle, descriptors, search, pool);
    PredictorSet& trial = search.CandidateSets[kCandidateRow];
    trial = PredictorSet{};
    for (int k = 1; k <= p; ++k) {
        trial[k] = static_cast<int>(slot[k]);
    }
    FitSet(FitProblemOf(cycle, descriptors, search), trial, p, pair, window);
    const CalibrationFigures f =
        ComputeCalibrationFigures(pair.X.data(), pair.Y.data(), cycle.CalibrationCount, p);
    return BestByQFigures{f.R2, f.Q};
}

/// A shuffled analysis: quiet steps, and a cycle that ends with the refit of its best
/// equation by Q and, when outliers are eliminated, the outlier decision.
class ShuffledPolicy : public CyclePolicy {
public:
    void StartStep(CycleStep, const CycleContext&, const ComputingState&) override {}

    bool FinishCycle(const CycleContext& context, ComputingState& cs) override {
        if (const std::optional<BestByQFigures> cycle = RefitBestByQ(
                cs.Cycle, cs.Descriptors, cs.Search, cs.Pair, context.Pool, context.Window)) {
            figures_ = *cycle;
        }
        // Without elimination the first cycle is the last; without a decision on an
        // outlier no other cycle follows.
        if (context.In.EliminateOutliers != 1 || cs.Search.FitTermCount == 0) {
            return false;
        }
        AnalyseCalibrationSet(context, cs.Descriptors, cs.Search, cs.Outliers, cs.Pair);
        EndCycle(context, cs.Search, cs.Outliers);
        return true;
    }

    /// The best equation by Q of the last cycle that had one.
    const BestByQFigures& Figures() const { return figures_; }

private:
    BestByQFigures figures_;
};

/// Gives calibration molecule i (line i of the QSPR lines) the value of molecule
/// permutation[i - 1] + 1, each line rewritten as its name, a TAB and the value's text.
void PermuteProperty(CycleInputs& cycle, const std::vector<int>& permutation) {
    const int n = cycle.CalibrationCount;
    std::vector<std::string> names(static_cast<std::size_t>(n));
    std::vector<std::string> values(static_cast<std::size_t>(n));
    std::vector<std::string_view> tokens;
    for (int i = 1; i <= n; ++i) {
        Tokenise(cycle.QsprLines[static_cast<std::size_t>(i)], tokens);
        names[static_cast<std::size_t>(i - 1)] = tokens.empty() ? "" : std::string(tokens[0]);
        values[static_cast<std::size_t>(i - 1)] = tokens.size() > 1 ? std::string(tokens[1]) : "";
    }
    for (int i = 1; i <= n; ++i) {
        const std::size_t from =
            static_cast<std::size_t>(permutation[static_cast<std::size_t>(i - 1)]);
        cycle.QsprLines[static_cast<std::size_t>(i)] =
            names[static_cast<std::size_t>(i - 1)] + '\t' + values[from];
    }
}

} // namespace

std::uint64_t UniformBelow(std::uint64_t n, std::mt19937_64& generator) {
    // 2^64 mod n: the outputs below it would make the small remainders more likely.
    const std::uint64_t rejected = (0 - n) % n;
    std::uint64_t draw = generator();
    while (draw < rejected) {
        draw = generator();
    }
    return draw % n;
}

std::vector<int> RandomPermutation(int n, std::mt19937_64& generator) {
    std::vector<int> order(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int i = 0; i < n; ++i) {
        order[static_cast<std::size_t>(i)] = i;
    }
    for (int i = n - 1; i >= 1; --i) {
        const auto j =
            static_cast<std::size_t>(UniformBelow(static_cast<std::uint64_t>(i) + 1, generator));
        std::swap(order[static_cast<std::size_t>(i)], order[j]);
    }
    return order;
}

BestByQFigures AnalysePermuted(const RunInputs& in, const std::vector<int>& permutation,
                               ComputingWindow& window) {
    // What this analysis records stays with it: the user's results are not touched.
    RunResults results;
    ComputingState cs;
    cs.ReportName = kRandomisedReport;
    cs.WorkFiles.Add(cs.ReportName);
    cs.Workers = std::make_unique<WorkerPool>(in.ThreadCount);
    cs.Cycle = FirstCycleInputs(in);
    if (static_cast<int>(permutation.size()) != cs.Cycle.CalibrationCount) {
        throw std::invalid_argument("a permutation of " + std::to_string(permutation.size()) +
                                    " values for " + std::to_string(cs.Cycle.CalibrationCount) +
                                    " calibration molecules");
    }
    PermuteProperty(cs.Cycle, permutation);

    // The cycles of the run itself, up to the statistics of the best equation by Q and
    // the outlier decision: the ranking, the predictor-value files and the prediction set
    // of the last cycle are left out (they do not change its best equation by Q).
    ShuffledPolicy policy;
    const CycleContext context{in, results, cs.Cycle, cs.Workers.get(), window, cs.ReportName};
    RunCycles(context, cs, policy);
    cs.WorkFiles.RemoveAll();
    return policy.Figures();
}

RandomisationSummary SummariseRandomisation(double realR2, double realQ,
                                            const std::vector<double>& r2,
                                            const std::vector<double>& q) {
    RandomisationSummary s;
    s.Runs = static_cast<int>(r2.size());
    s.R2 = r2;
    s.Q = q;
    if (r2.empty()) {
        return s;
    }
    double sumR2 = 0;
    double sumQ = 0;
    int reached = 0;
    s.MaxR2 = r2.front();
    s.MaxQ = q.front();
    for (std::size_t k = 0; k < r2.size(); ++k) {
        sumR2 += r2[k];
        sumQ += q[k];
        s.MaxR2 = std::fmax(s.MaxR2, r2[k]);
        s.MaxQ = std::fmax(s.MaxQ, q[k]);
        if (q[k] >= realQ) {
            ++reached;
        }
    }
    const double runs = static_cast<double>(r2.size());
    s.MeanR2 = sumR2 / runs;
    s.MeanQ = sumQ / runs;
    s.ShareQReached = reached / runs;
    // The real model's r2 corrected for what shuffled values reach on average; a model no
    // better than chance gets 0 rather than the root of a negative difference.
    if (realR2 > s.MeanR2) {
        s.CR2p = std::sqrt(realR2) * std::sqrt(realR2 - s.MeanR2);
    }
    return s;
}

std::string RandomisationStage(int run, int runs) {
    return "in Y-randomisation run " + PlainNumber(run) + " of " + PlainNumber(runs);
}

RandomisationSummary RandomiseResponses(const ProgramState& analysed, ComputingWindow& window,
                                        std::string* stoppedStage) {
    const int runs = analysed.RandomisationRuns;
    const RunRecord& record = analysed.Record;
    const CycleRecord* real = nullptr;
    for (const CycleRecord& cycle : record.Cycles) {
        if (cycle.Cycle == record.BestModel.Cycle) {
            real = &cycle;
        }
    }
    if (runs <= 0 || real == nullptr || record.BestModel.Observed.empty()) {
        return {};
    }
    const int n = analysed.CalibrationCount;
    std::mt19937_64 generator(analysed.RandomisationSeed);
    std::vector<double> r2;
    std::vector<double> q;
    window.BeginStage("Y-randomisation", runs);
    for (int k = 1; k <= runs; ++k) {
        try {
            window.CountDone(k - 1);
            const std::vector<int> permutation = RandomPermutation(n, generator);
            RunCaptionWindow runWindow(window, k, runs);
            const BestByQFigures figures = AnalysePermuted(analysed, permutation, runWindow);
            r2.push_back(figures.R2);
            q.push_back(figures.Q);
        } catch (const RunInterrupted&) {
            // The real run's report ends as if complete: its last line says otherwise.
            const std::string stage = RandomisationStage(k, runs);
            AppendReportLines(kWorkingReport, {"", "     " + StoppedAnalysisText(stage)});
            if (stoppedStage != nullptr) {
                *stoppedStage = stage;
            }
            throw;
        }
    }
    window.CountDone(runs);
    RandomisationSummary summary = SummariseRandomisation(real->R2, real->Q, r2, q);
    summary.Seed = analysed.RandomisationSeed;
    return summary;
}

} // namespace kalemir::qspr
