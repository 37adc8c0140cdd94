// Speed of the regression core: the correlation routine, one fit of 2, 5 and 20
// predictors on N = 3000, and a whole level of the search with more predictors.

#include "common/ComputingWindow.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/Fit.h"
#include "qspr/run/ComputingState.h"
#include "qspr/search/CandidateList.h"
#include "qspr/search/LargerSets.h"
#include "qspr/search/SearchTrials.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace kalemir::qspr {
namespace {

struct Data {
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;

    Data(int n, int s) {
        cs.Cycle.CalibrationCount = n;
        cs.Cycle.MaxInterR2 = 0.64;
        cs.Cycle.MaxPredictors = 20;
        cs.Descriptors.DescriptorMatrix.Reset(n + 5);
        cs.Descriptors.SignificantCount = s;
        unsigned state = 7;
        for (int c = 1; c <= s; ++c) {
            for (int i = 1; i <= n; ++i) {
                state = state * 1103515245u + 12345u;
                cs.Descriptors.DescriptorMatrix.At(i, c) =
                    static_cast<double>((state >> 8) % 10000) / 1000 - 5;
            }
        }
        for (int i = 1; i <= n; ++i) {
            state = state * 1103515245u + 12345u;
            cs.Descriptors.DescriptorMatrix.At(i, kPropertyColumn) =
                cs.Descriptors.DescriptorMatrix.At(i, 1) +
                static_cast<double>((state >> 8) % 100) / 100;
        }
        cs.Descriptors.InterSize = s + 1;
        cs.Descriptors.InterR2.assign(static_cast<std::size_t>(s + 1) * (s + 1), 0.01);
        for (int c = 0; c <= s; ++c) {
            cs.Descriptors.InterR2[static_cast<std::size_t>(c) * (s + 1) + c] = 1;
        }
    }
};

void BM_CorrelatePair(benchmark::State& state) {
    PairCorrelation pair;
    const int n = static_cast<int>(state.range(0));
    pair.HoldRows(n);
    for (int i = 1; i <= n; ++i) {
        pair.X[i] = i % 17;
        pair.Y[i] = i % 13;
    }
    SilentWindow window;
    for (auto _ : state) {
        CorrelatePair(pair, n, window);
        benchmark::DoNotOptimize(pair.R2);
    }
}
BENCHMARK(BM_CorrelatePair)->Arg(500)->Arg(3000);

void BM_FitSet(benchmark::State& state) {
    const int k = static_cast<int>(state.range(0));
    Data data(3000, 40);
    PrepareCrossProducts(data.cs.Cycle, data.cs.Descriptors, data.cs.Search, data.cs.Workers.get());
    PredictorSet set{};
    for (int b = 1; b <= k; ++b) {
        set[b] = b;
    }
    const FitProblem problem = FitProblemOf(data.cs.Cycle, data.cs.Descriptors, data.cs.Search);
    for (auto _ : state) {
        const FitOutcome outcome = FitSet(problem, set, k, data.cs.Pair, data.window);
        benchmark::DoNotOptimize(outcome.R2);
    }
}
BENCHMARK(BM_FitSet)->Arg(2)->Arg(5)->Arg(20);

// Fits per second as the search makes them, on every thread of the machine (each its
// own state): FitSet on the cross products (the plain path), and the pass-by test
// of a whole set that settles most candidates of a search from a bound (the list's
// row 1000 is set high so the test passes the candidate by, as it does for most).
template <bool kPassBy> void BM_SearchFit(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int k = static_cast<int>(state.range(1));
    Data data(n, 40);
    PrepareCrossProducts(data.cs.Cycle, data.cs.Descriptors, data.cs.Search, data.cs.Workers.get());
    data.cs.Search.FitTermCount = k;
    data.cs.Search.CandidateR2[kListRows] = 0.999;
    data.cs.Search.Progress.BestR2Seen = 1;
    data.cs.Search.Progress.BestQ = 1e9;
    PredictorSet set{};
    int shift = 0;
    const FitProblem problem = FitProblemOf(data.cs.Cycle, data.cs.Descriptors, data.cs.Search);
    for (auto _ : state) {
        for (int b = 1; b <= k; ++b) {
            set[b] = 1 + (b * 3 + shift) % 40;
        }
        shift = (shift + 1) % 40;
        if constexpr (kPassBy) {
            NormalMatrix gathered;
            NormalMatrix normal;
            GatherNormal(data.cs.Search.Cross, set, k, gathered);
            CopySystem(gathered, normal, k);
            SolveNormalEquations(normal, k, data.window);
            const bool passed =
                BoundLeavesSearchUnchanged(data.cs.Cycle, data.cs.Search,
                                           FitR2BoundOfSolved(problem, set, k, normal, gathered));
            benchmark::DoNotOptimize(passed);
        } else {
            const FitOutcome outcome = FitSet(problem, set, k, data.cs.Pair, data.window);
            benchmark::DoNotOptimize(outcome.R2);
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_TEMPLATE(BM_SearchFit, false)
    ->Args({500, 5})
    ->Args({3000, 10})
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_SearchFit, true)
    ->Args({500, 5})
    ->Args({3000, 10})
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();

// Exact fits of the candidates the bound leaves, from their solved normal equations, on
// one thread: one at a time (FitCandidate, way 0), kFitLanes side by side (FitLanes,
// way 1), and the lanes' build for any x86-64 (way 2).
template <int kWay> void BM_CandidateFits(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int k = static_cast<int>(state.range(1));
    Data data(n, 40);
    PrepareCrossProducts(data.cs.Cycle, data.cs.Descriptors, data.cs.Search, data.cs.Workers.get());
    UsePlainFitLanes(kWay == 2);
    FitScratch scratch;
    PredictorSet sets[kFitLanes] = {};
    for (int l = 0; l < kFitLanes; ++l) {
        for (int b = 1; b <= k; ++b) {
            sets[l][b] = 1 + (b * 3 + l * 7) % 40;
        }
    }
    LaneCandidate lanes[kFitLanes];
    const FitProblem problem = FitProblemOf(data.cs.Cycle, data.cs.Descriptors, data.cs.Search);
    for (auto _ : state) {
        if constexpr (kWay == 0) {
            for (int l = 0; l < kFitLanes; ++l) {
                const FitOutcome outcome = FitCandidate(problem, scratch, sets[l], k);
                lanes[l].R2 = outcome.R2;
                lanes[l].SEE = outcome.SEE;
            }
        } else {
            for (int l = 0; l < kFitLanes; ++l) {
                SolveLaneCandidate(problem, scratch, sets[l], k, lanes[l]);
            }
            FitLanes(problem, scratch, lanes, kFitLanes);
        }
        benchmark::DoNotOptimize(lanes[0].R2);
    }
    UsePlainFitLanes(false);
    state.SetItemsProcessed(state.iterations() * kFitLanes);
}
BENCHMARK_TEMPLATE(BM_CandidateFits, 0)->Args({500, 5})->Args({915, 3})->Args({3000, 10});
BENCHMARK_TEMPLATE(BM_CandidateFits, 1)->Args({500, 5})->Args({915, 3})->Args({3000, 10});
BENCHMARK_TEMPLATE(BM_CandidateFits, 2)->Args({500, 5})->Args({915, 3})->Args({3000, 10});

// Candidates per second as the searches try them: a kept set of K-1 predictors extended
// by each of 400 descriptors, the batch shared out among 1 or 2 workers. Fast: the
// kept set's pivots taken over and the bound settling most candidates (row 1000 set
// high, as it stands for most of a search); plain: every candidate fitted exactly.
template <bool kPassBy> void BM_KeptSetTrials(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int k = static_cast<int>(state.range(1));
    const int workers = static_cast<int>(state.range(2));
    const int s = 400;
    Data data(n, s);
    data.cs.Workers = std::make_unique<WorkerPool>(workers);
    data.cs.Search.PassByIdleFits = kPassBy;
    PrepareCrossProducts(data.cs.Cycle, data.cs.Descriptors, data.cs.Search, data.cs.Workers.get());
    data.cs.Search.FitTermCount = k;
    data.cs.Search.CandidateR2[kListRows] = 0.999;
    data.cs.Search.Progress.BestR2Seen = 1;
    data.cs.Search.Progress.BestQ = 1e9;
    PredictorSet kept{};
    for (int b = 1; b < k; ++b) {
        kept[b] = 1 + (b - 1) * (s / k); // spread, so that d falls in every place
    }
    KeptElimination elimination;
    elimination.Eliminate(data.cs.Search.Cross, kept, k - 1);
    data.cs.Search.Trials.clear();
    for (int d = 1; d <= s; ++d) {
        SearchTrial trial;
        std::vector<int> columns(kept.begin() + 1, kept.begin() + k);
        if (std::find(columns.begin(), columns.end(), d) != columns.end()) {
            continue;
        }
        columns.insert(std::upper_bound(columns.begin(), columns.end(), d), d);
        std::copy(columns.begin(), columns.end(), trial.Set.begin() + 1);
        trial.Added = d;
        trial.Kept = &elimination;
        data.cs.Search.Trials.push_back(trial);
    }
    const int count = static_cast<int>(data.cs.Search.Trials.size());
    for (auto _ : state) {
        EvaluateTrials(data.cs.Cycle, data.cs.Descriptors, data.cs.Search, data.cs.Workers.get(),
                       count);
        benchmark::DoNotOptimize(data.cs.Search.Trials[0].Bound);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK_TEMPLATE(BM_KeptSetTrials, true)
    ->Args({500, 5, 1})
    ->Args({500, 5, 2})
    ->Args({3000, 10, 1})
    ->Args({3000, 10, 2})
    ->Args({915, 20, 1})
    ->Args({915, 20, 2})
    ->UseRealTime();
BENCHMARK_TEMPLATE(BM_KeptSetTrials, false)
    ->Args({500, 5, 1})
    ->Args({500, 5, 2})
    ->Args({3000, 10, 1})
    ->Args({3000, 10, 2})
    ->UseRealTime();

// One level (p = 5): 1000 kept sets of four predictors, each extended by 300 descriptors,
// on 1 or 2 workers.
void BM_SearchLevel(benchmark::State& state) {
    Data data(500, 300);
    data.cs.Workers = std::make_unique<WorkerPool>(static_cast<int>(state.range(0)));
    std::vector<PredictorSet> kept(kListRows + 1);
    unsigned seed = 3;
    for (int a = 1; a <= kListRows; ++a) {
        PredictorSet set{};
        for (int b = 1; b <= 4; ++b) {
            seed = seed * 1103515245u + 12345u;
            set[b] = 1 + static_cast<int>((seed >> 8) % 300);
        }
        kept[a] = set;
    }
    for (auto _ : state) {
        state.PauseTiming();
        data.cs.Search.KeptSets = kept;
        for (int r = 1; r <= kCandidateRow; ++r) {
            data.cs.Search.CandidateSets[r].fill(0);
        }
        std::fill(data.cs.Search.CandidateR2.begin(), data.cs.Search.CandidateR2.end(), 0.0);
        data.cs.Search.FitTermCount = 5;
        const CycleContext context{data.ps,       data.ps,
                                   data.cs.Cycle, data.cs.Workers.get(),
                                   data.window,   data.cs.ReportName};
        ListedSetIndex listed(5);
        PrepareCrossProducts(data.cs.Cycle, data.cs.Descriptors, data.cs.Search,
                             data.cs.Workers.get());
        state.ResumeTiming();
        for (int a = 1; a <= kListRows; ++a) {
            ExtendSet(context, data.cs.Descriptors, data.cs.Search, a, listed);
        }
        benchmark::DoNotOptimize(data.cs.Search.CandidateR2[1]);
    }
}
BENCHMARK(BM_SearchLevel)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

} // namespace
} // namespace kalemir::qspr
BENCHMARK_MAIN();
