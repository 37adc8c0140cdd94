// Speed of the preliminary selection on 3000 molecules x 6000 descriptors: the screen of
// the tables held in memory, the whole stage from the table file (split, load, screen,
// selection table), and the fits of one chain of the large-group selection.

#include "common/ComputingWindow.h"
#include "qspr/core/TableSplitting.h"
#include "qspr/run/ComputingState.h"
#include "qspr/search/GroupSelection.h"
#include "qspr/search/Preselection.h"
#include "qspr/setup/QsprTables.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace kalemir::qspr {
namespace {

constexpr int kMolecules = 3000;
constexpr int kDescriptors = 6000;
constexpr int kTables = 6; // the split tables of 1000 descriptors each

double Property(int i) {
    return i * 0.001;
}

double Value(int i, int d) {
    unsigned s = static_cast<unsigned>(i) * 2654435761u ^ static_cast<unsigned>(d) * 40503u;
    s = s * 1103515245u + 12345u;
    const double noise = static_cast<double>((s >> 8) % 10000) / 10000.0;
    return Property(i) + (1 + d % 7) * noise;
}

/// The 6000 descriptors held in memory as after loading the split tables.
struct Held {
    ProgramState ps;
    ComputingState cs;
    PreselectionCells cells;
    PreselectionState sel;
    SilentWindow window;

    Held() {
        cs.Cycle.CalibrationCount = kMolecules;
        cs.Cycle.QsprLastLine = kMolecules;
        cs.Cycle.MinPropertyR2 = 0.01;
        cs.Cycle.TableCount = kTables;
        cs.Descriptors.DescriptorMatrix.Reset(kMolecules + 5);
        for (int i = 1; i <= kMolecules; ++i) {
            cs.Descriptors.DescriptorMatrix.At(i, kPropertyColumn) = Property(i);
        }
        cells.Tables.resize(kTables + 1);
        for (int t = 1; t <= kTables; ++t) {
            PreselectionTable& table = cells.Tables[t];
            table.Rows = kMolecules + 1;
            table.Columns = kSplitTableColumns;
            table.Headers.assign(kSplitTableColumns, "d");
            table.Molecules.assign(kMolecules + 1, "m");
            table.Values.assign(static_cast<std::size_t>(table.Columns) * table.Rows, 0.0);
            table.R2.assign(kSplitTableColumns, 0.0);
            table.Marks.assign(kSplitTableColumns, 0);
            table.Means.assign(kSplitTableColumns, 0.0);
            for (int j = 2; j < kSplitTableColumns; ++j) {
                double* x = table.Column(j);
                for (int i = 1; i <= kMolecules; ++i) {
                    x[i] = Value(i, (t - 1) * 1000 + j);
                }
            }
        }
        PrepareScreen(cs.Cycle, cs.Descriptors, sel);
    }
    void Screen() {
        sel.DescriptorCount = 0;
        sel.SignificantCount = 0;
        for (int t = 1; t <= kTables; ++t) {
            ScreenDescriptors({ps, ps, cs.Cycle, nullptr, window, cs.ReportName}, cs.Pair, cells,
                              sel, t);
        }
    }
};

Held& SharedHeld() {
    static Held held;
    return held;
}

void BM_ScreenHeldTables(benchmark::State& state) {
    Held& held = SharedHeld();
    for (auto _ : state) {
        held.Screen();
        benchmark::DoNotOptimize(held.sel.SignificantCount);
    }
    state.counters["descriptors"] = static_cast<double>(held.sel.DescriptorCount);
    state.counters["significant"] = held.sel.SignificantCount;
}
BENCHMARK(BM_ScreenHeldTables)->Unit(benchmark::kMillisecond)->Iterations(3);

/// One chain of the default length for N = 3000 (Int(1.25 ln 3000 + 0.5) = 10): sizes
/// 2..10, each trying every descriptor of the six tables with the chain's kept
/// positions, as SelectWithinGroups does.
void BM_OneChainOfFits(benchmark::State& state) {
    Held& held = SharedHeld();
    held.Screen();
    const int sizes = 10;
    long long fits = 0;
    for (auto _ : state) {
        GroupFitWork work(kMolecules);
        GroupSet set{};
        set[1] = {1, 2};
        for (int p = 2; p <= sizes; ++p) {
            GroupMember best{1, 2 + p};
            for (int t = 1; t <= kTables; ++t) {
                for (int j = 2; j < kSplitTableColumns; ++j) {
                    set[p] = {t, j};
                    benchmark::DoNotOptimize(FitGroupSet({held.cells, held.sel, kMolecules}, set, p,
                                                         work, held.cs.Pair, held.window));
                    ++fits;
                }
            }
            set[p] = best;
        }
    }
    state.counters["fits"] = static_cast<double>(fits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_OneChainOfFits)->Unit(benchmark::kMillisecond)->Iterations(1);

/// The whole stage from a 3000 x 6000 table file (about 130 MB): split into six work
/// tables, loaded, screened; the selection of more than 1000 significant descriptors is
/// left out by a high threshold so that the figure is that of the reading and screen.
void BM_PreselectFromFile(benchmark::State& state) {
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("kalemir-bench-presel-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    {
        std::FILE* qspr = std::fopen("BEN01", "wb");
        std::fprintf(qspr, "Cases\tProp\r\n");
        for (int i = 1; i <= kMolecules; ++i) {
            std::fprintf(qspr, "m%d\t%.6g\r\n", i, Property(i));
        }
        std::fclose(qspr);
        std::FILE* des = std::fopen("BEN01big.des", "wb");
        std::fprintf(des, "Cases");
        for (int d = 1; d <= kDescriptors; ++d) {
            std::fprintf(des, "\td%d", d);
        }
        std::fprintf(des, "\r\n");
        for (int i = 1; i <= kMolecules; ++i) {
            std::fprintf(des, "m%d", i);
            for (int d = 1; d <= kDescriptors; ++d) {
                std::fprintf(des, "\t%.5g", Value(i, d));
            }
            std::fprintf(des, "\r\n");
        }
        std::fclose(des);
    }
    for (auto _ : state) {
        ProgramState ps;
        ComputingState cs;
        SilentWindow window;
        ps.QsprTableName = ps.QsprTableCopy = "BEN01";
        cs.Cycle.SelFileName = SelectionTableName("BEN01");
        cs.Cycle.QsprLines = ReadQsprLines("BEN01");
        cs.Cycle.QsprLastLine = static_cast<int>(cs.Cycle.QsprLines.size()) - 1;
        cs.Cycle.CalibrationCount = kMolecules;
        cs.Cycle.MinPropertyR2 = 0.999; // none significant: the reading and the screen alone
        cs.Cycle.SelectedTableCount = cs.Cycle.TableCount = 1;
        cs.Cycle.TableNames.resize(2);
        cs.Cycle.ChosenTableNames.resize(2);
        cs.Cycle.TableNames[1] = cs.Cycle.ChosenTableNames[1] = {"BEN01big.des", "BEN01big.des"};
        const PreselectionState sel = PreselectDescriptors(
            CycleContext{ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName}, cs.Tables,
            cs.Descriptors, cs.Pair, cs.WorkFiles);
        state.counters["descriptors"] = static_cast<double>(sel.DescriptorCount);
        state.counters["newtabKB"] = static_cast<double>(cs.Tables.NewtabTotalKB);
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PreselectFromFile)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace kalemir::qspr

BENCHMARK_MAIN();
