// Pair loops of the five measures, the clustering and a whole corrected-USR run on
// synthetic tables of 1000 and 3000 molecules; the pair loops and whole runs on one and
// two worker threads (second argument).

#include "common/ComputingWindow.h"
#include "common/WorkerPool.h"
#include "similarity/Axiom.h"
#include "similarity/Clusters.h"
#include "similarity/Measures.h"
#include "similarity/Run.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

namespace {

using namespace kalemir::sim;

/// A table of n molecules: 37 fragment names of the example set, a few fragments per
/// molecule, fixed columns spread over the ranges of real tables, 20 atoms each.
PreparedTable SyntheticTable(int n) {
    static const char* const kNames[] = {
        "CH3", "CH2",   "CH",  "C",   "CH2db", "CHdb", "Cdb",  "CHtb",  "Ctb",   "CHar",
        "Car", "C2H5",  "CF3", "CO",  "CHO",   "COOH", "COO",  "CONH2", "CONH",  "CN",
        "OH",  "OCH3",  "NH2", "NH",  "Natom", "Ndb",  "NHar", "Nar",   "Nplus", "NO2",
        "NO",  "Satom", "Sar", "SO2", "F",     "Cl",   "Br"};
    PreparedTable table;
    table.FragmentCount = 37;
    table.CalibrationCount = n - n / 10;
    table.PredictionCount = n / 10;
    table.MoleculeCount = n;
    const int f = table.FragmentCount;
    table.HeaderTokens.assign(static_cast<std::size_t>(table.Columns()), "D");
    for (int j = 1; j <= f; ++j) {
        table.HeaderTokens[static_cast<std::size_t>(j)] = kNames[j - 1];
    }
    table.Values.assign(static_cast<std::size_t>(n + 1) * table.Columns(), 0.0);
    table.Names.assign(static_cast<std::size_t>(n) + 1, "Cases");
    table.PropertyTokens.assign(static_cast<std::size_t>(n) + 1, "5");
    table.PropertyTexts = table.PropertyTokens;
    table.AtomCoordinates.assign(static_cast<std::size_t>(n + 1) * kMaxAtoms * 3, 0.0);
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 1; i <= n; ++i) {
        table.Names[static_cast<std::size_t>(i)] = "m" + std::to_string(i);
        double left = 100;
        for (int k = 0; k < 6; ++k) {
            const int j = 1 + static_cast<int>(unit(random) * f) % f;
            const double share = k == 5 ? left : left * unit(random) * 0.6;
            table.Value(i, j) += share;
            left -= share;
        }
        for (int k = 1; k <= 12; ++k) {
            table.Value(i, f + k) = 1 + 3 * unit(random);
        }
        table.Value(i, f + kShapeCorrection) = 1.9 + 0.5 * unit(random);
        table.Value(i, f + kShape14) = 3000 + 1000 * unit(random);
        table.Value(i, f + kShape15) = 2000 + 1000 * unit(random);
        table.Value(i, f + kShape16) = 500 + 1000 * unit(random);
        table.Value(i, f + kSizeColumn) = 200 + 300 * unit(random);
        table.Value(i, f + kHydro1) = 100 * unit(random);
        table.Value(i, f + kHydro2) = static_cast<int>(10 * unit(random));
        table.Value(i, f + kFlexColumn) = 2 + 6 * unit(random);
        table.Value(i, f + kPropertyColumn) = 5 + 4 * unit(random);
        table.Value(i, f + kNormaliserColumn) = 30 + static_cast<int>(30 * unit(random));
        table.Value(i, f + kSecondChemical) = 300 + 1000 * unit(random);
        for (int a = 0; a < 20; ++a) {
            for (int axis = 0; axis < 3; ++axis) {
                table.AtomCoordinates[(static_cast<std::size_t>(i) * kMaxAtoms + a) * 3 + axis] =
                    1 + 10 * unit(random);
            }
        }
    }
    return table;
}

void PairLoop(benchmark::State& bench, int measure, int method) {
    const PreparedTable table = SyntheticTable(static_cast<int>(bench.range(0)));
    kalemir::SilentWindow window;
    kalemir::WorkerPool pool(static_cast<int>(bench.range(1)));
    MeasureState current;
    std::vector<std::uint8_t> votes;
    RunChoices choices;
    choices.ShapeMethod = method;
    const MeasureContext context{choices, table, measure, pool, window};
    for (auto _ : bench) {
        current.Pairs = ComputePairSimilarities(context, current.Similarity, votes).Statistics;
        benchmark::DoNotOptimize(current.Similarity(1, 2));
    }
    const double n = static_cast<double>(bench.range(0));
    bench.counters["pairs/s"] =
        benchmark::Counter(n * (n - 1) / 2, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ChemicalPairs(benchmark::State& s) {
    PairLoop(s, kChemical, kCorrectedUsr);
}
void BM_CorrectedUsrPairs(benchmark::State& s) {
    PairLoop(s, kShape, kCorrectedUsr);
}
void BM_SuperpositionPairs(benchmark::State& s) {
    PairLoop(s, kShape, kSuperposition);
}
void BM_SizePairs(benchmark::State& s) {
    PairLoop(s, kSize, kCorrectedUsr);
}
void BM_HydrophilicityPairs(benchmark::State& s) {
    PairLoop(s, kHydrophilicity, kCorrectedUsr);
}
void BM_FlexibilityPairs(benchmark::State& s) {
    PairLoop(s, kFlexibility, kCorrectedUsr);
}

void BM_Clustering(benchmark::State& bench) {
    const PreparedTable table = SyntheticTable(static_cast<int>(bench.range(0)));
    kalemir::SilentWindow window;
    kalemir::WorkerPool pool(1);
    MeasureState current;
    std::vector<std::uint8_t> votes;
    const RunChoices choices; // corrected USR shapes
    ComputePairSimilarities(MeasureContext{choices, table, kSize, pool, window}, current.Similarity,
                            votes);
    for (auto _ : bench) {
        auto clusters = FindClusters(current.Similarity, table.CalibrationCount, 0.9, pool);
        benchmark::DoNotOptimize(clusters.size());
    }
}

void BM_AxiomAndCliffs(benchmark::State& bench) {
    const PreparedTable table = SyntheticTable(static_cast<int>(bench.range(0)));
    kalemir::SilentWindow window;
    kalemir::WorkerPool pool(1);
    MeasureState current;
    std::vector<std::uint8_t> votes;
    const RunChoices choices; // corrected USR shapes
    ComputePairSimilarities(MeasureContext{choices, table, kSize, pool, window}, current.Similarity,
                            votes);
    for (auto _ : bench) {
        const PairList list = ListCalibrationPairs(table, current.Similarity, kSize, window);
        benchmark::DoNotOptimize(RankAgreement(list));
        benchmark::DoNotOptimize(FindCliffs(table, current.Similarity, kSize, window, pool));
    }
}

void BM_WholeRunCorrectedUsr(benchmark::State& bench) {
    const auto folder = std::filesystem::temp_directory_path() / "kalemir-sim-bench";
    std::filesystem::create_directories(folder);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    const PreparedTable table = SyntheticTable(static_cast<int>(bench.range(0)));
    RunChoices choices;
    choices.TableFileName = "BENCHSIM.des";
    choices.ResultsFileName = "BENCHSIM.res";
    choices.Threads = static_cast<int>(bench.range(1));
    kalemir::SilentWindow window;
    for (auto _ : bench) {
        RunResults results;
        RunSimilarityAnalysis(choices, table, results, window);
        std::filesystem::remove("BENCHSIM.res");
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}

/// Molecules 1000 and 3000, on one and two workers; wall-clock time (the workers' time is
/// not the calling thread's).
void SizesAndThreads(benchmark::internal::Benchmark* b) {
    b->ArgsProduct({{1000, 3000}, {1, 2}})->UseRealTime();
}

BENCHMARK(BM_ChemicalPairs)->Apply(SizesAndThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorrectedUsrPairs)->Apply(SizesAndThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SuperpositionPairs)
    ->Apply(SizesAndThreads)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_SizePairs)->Apply(SizesAndThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HydrophilicityPairs)->Apply(SizesAndThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlexibilityPairs)->Apply(SizesAndThreads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Clustering)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AxiomAndCliffs)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRunCorrectedUsr)->Apply(SizesAndThreads)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
