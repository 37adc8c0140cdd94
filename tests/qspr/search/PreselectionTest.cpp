// The preliminary selection: the screen with its information test, the size limit and
// the failure block, the selection table and the reset table list, and the selection
// within too large groups (seeds, chains, marks, the stop rules and the time panel).

#include "qspr/search/Preselection.h"
#include "TestData.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "common/TextToNumber.h"
#include "common/WorkerPool.h"
#include "qspr/core/AnalysisStop.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/Fit.h"
#include "qspr/core/TableSplitting.h"
#include "qspr/run/ComputingState.h"
#include "qspr/run/Driver.h"
#include "qspr/search/GroupSelection.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/QsprTables.h"
#include "qspr/setup/Workfiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <stdexcept>

namespace kalemir::qspr {
namespace {

using kalemir::testing::CopyExample;
using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

/// A small deterministic generator of values in [0, 1).
struct Lcg {
    unsigned state;
    double Next() {
        state = state * 1103515245u + 12345u;
        return static_cast<double>((state >> 8) % 100000) / 100000.0;
    }
};

std::string Number(double x) {
    return ValueText(x);
}

/// Writes a QSPR table "SYN01" of n calibration molecules (property y_i = i / n plus a
/// little noise), a descriptor table of `columns` descriptors made by `value(i, j)` and,
/// unless `fragment` is empty, a fragment table of three 0/1 fragments.
struct SyntheticTables {
    std::vector<double> y;
    std::vector<std::string> tables;

    SyntheticTables(int n, int columns, const std::function<double(int, int)>& value,
                    const std::string& descriptorTable = "SYN01big.des",
                    const std::string& fragment = "SYN01vfr.des") {
        Lcg rng{11};
        y.assign(static_cast<std::size_t>(n) + 1, 0.0);
        std::string qspr = "Cases\tProp\r\n";
        for (int i = 1; i <= n; ++i) {
            y[i] = static_cast<double>(i) / n + 0.05 * rng.Next();
            qspr += "m" + std::to_string(i) + "\t" + Number(y[i]) + "\r\n";
        }
        WriteFile("SYN01", qspr);
        std::string des = "Cases";
        for (int j = 1; j <= columns; ++j) {
            des += "\td" + std::to_string(j);
        }
        des += "\r\n";
        for (int i = 1; i <= n; ++i) {
            des += "m" + std::to_string(i);
            for (int j = 1; j <= columns; ++j) {
                des += "\t" + Number(value(i, j));
            }
            des += "\r\n";
        }
        WriteFile(descriptorTable, des);
        tables.push_back(descriptorTable);
        if (!fragment.empty()) {
            std::string vfr = "Cases\tf1\tf2\tf3\r\n";
            for (int i = 1; i <= n; ++i) {
                // f1 follows the property, f2 nearly so, f3 alternates.
                vfr += "m" + std::to_string(i) + "\t" + (i > n / 2 ? "1" : "0") + "\t" +
                       (i > n / 3 ? "1" : "0") + "\t" + (i % 2 == 0 ? "1" : "0") + "\r\n";
            }
            WriteFile(fragment, vfr);
            tables.push_back(fragment);
        }
    }
};

/// The Workfiles and Parameters windows' OK on the given tables.
void ChooseTables(ProgramState& ps, const std::string& qspr, const std::vector<std::string>& tables,
                  const std::function<void(ParameterEntries&)>& edit = {},
                  ParametersOutcome outcome = ParametersOutcome::Compute) {
    WorkfilesChoice choice;
    choice.QsprTable = qspr;
    choice.ListedTables = tables;
    choice.Selected.assign(tables.size(), true);
    ASSERT_TRUE(WorkfilesOk(ps, choice));
    ParameterEntries entries = LoadParameters(ps);
    if (edit) {
        edit(entries);
    }
    ASSERT_EQ(ParametersOk(ps, entries), outcome);
}

bool AnyFileContaining(const std::string& part) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(".")) {
        if (entry.path().filename().string().find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string HeaderOf(const std::string& path) {
    const std::string text = ReadFile(path);
    return text.substr(0, text.find("\r\n"));
}

// --- The size limit ---------------------------------------------------------------

TEST(ExceedsSizeLimit, AcceptsUpTo162000KilobytesAndRefuses162001) {
    EXPECT_FALSE(ExceedsSizeLimit(0));
    EXPECT_FALSE(ExceedsSizeLimit(162000));
    EXPECT_TRUE(ExceedsSizeLimit(162001));
    EXPECT_TRUE(ExceedsSizeLimit(10'000'000));
}

TEST(PreselectDescriptors, SizeLimitWritesTheMemoryMessageAndStops) {
    ScratchDir dir("presel-limit");
    SyntheticTables data(12, 100, [](int i, int j) { return i * j + 0.5; }); // about 6 KB
    ProgramState ps;
    ChooseTables(ps, "SYN01", data.tables);
    SilentWindow window;
    long long total = 0;
    {
        ComputingState cs;
        cs.Cycle = FirstCycleInputs(ps);
        MakeWorkCopies(cs.Cycle, cs.WorkFiles);
        PreselectionOptions options;
        options.MaxNewtabTotalKB =
            1; // the split tables take a few KB; the message names this limit
        EXPECT_THROW(PreselectDescriptors(
                         CycleContext{ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName},
                         cs.Tables, cs.Descriptors, cs.Pair, cs.WorkFiles, options),
                     StopProgram);
        total = cs.Tables.NewtabTotalKB;
        // Whatever is left is a registered work file, removed with the state.
    }
    EXPECT_FALSE(AnyFileContaining("newtab"));
    EXPECT_FALSE(AnyFileContaining("kalemirq-copy"));
    EXPECT_FALSE(std::filesystem::exists(".kalemir-work/SYN01sel.des"));
    const std::string report = ReadFile("rezultat.rez");
    const std::string expected =
        "\r\nThere are too many molecules in the database\r\n... and/or\r\n"
        "there are too many descriptors to consider.\r\n"
        "... You should correct this because not enough memory is available.\r\n"
        "... Then delete the saved newtab files and restart the program.\r\n\r\n"
        "The total size of saved newtab files is " +
        std::to_string(total) +
        " KB.\r\nAccording to KALEMIR the total allowable size is 1 KB.\r\n"
        "\r\nSTOP PROGRAM\r\n\r\n";
    ASSERT_GE(report.size(), expected.size());
    EXPECT_EQ(report.substr(report.size() - expected.size()), expected);
}

struct AllowanceCase {
    const char* name;
    int memoryMB;
    long long machineBytes;
    long long allowanceKB;
};

class SplitTablesAllowanceTest : public ::testing::TestWithParam<AllowanceCase> {};

TEST_P(SplitTablesAllowanceTest, FollowsTheUserOrTheMachine) {
    const AllowanceCase& c = GetParam();
    EXPECT_EQ(SplitTablesAllowanceKB(c.memoryMB, c.machineBytes), c.allowanceKB);
}

const AllowanceCase kAllowanceCases[] = {
    // A small machine keeps the allowance every earlier run fitted in.
    {"SmallMachineKeepsTheLeast", 0, 100'000'000, 162000},
    {"UnknownMachineKeepsTheLeast", 0, 0, 162000},
    {"MachineOf24GB", 0, 24'000'000'000, 24'000'000},
    {"UserRaisesIt", 4000, 1'000'000'000, 4'000'000},
    {"UserLowersIt", 100, 24'000'000'000, 100'000},
};

INSTANTIATE_TEST_SUITE_P(Allowance, SplitTablesAllowanceTest, ::testing::ValuesIn(kAllowanceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HeldTablesBytes, CellsOfEachSplitTableAndThreeTablesOfTheHeldDescriptors) {
    // 20,000 molecules (rows 0..20000) of one full split table and 36 fragments: each
    // table holds its columns plus columns 0 and 1 as doubles and a name per row; the
    // later stages three tables of 1002 columns.
    const long long name = sizeof(std::string);
    const long long expected = 3LL * 1002 * 20001 * 8 + (1002LL * 20001 * 8 + 20001 * name) +
                               (38LL * 20001 * 8 + 20001 * name);
    EXPECT_EQ(HeldTablesBytes({0, 1000, 36}, 20001), expected);
    EXPECT_EQ(HeldTablesBytes({0}, 10), 3LL * 1002 * 10 * 8);
}

TEST(PreselectDescriptors, TablesBeyondTheMachinesMemoryStopBeforeTheyAreLoaded) {
    ScratchDir dir("presel-machine");
    SyntheticTables data(12, 100, [](int i, int j) { return i * j + 0.5; });
    ProgramState ps;
    ChooseTables(ps, "SYN01", data.tables);
    SilentWindow window;
    long long total = 0;
    {
        ComputingState cs;
        cs.Cycle = FirstCycleInputs(ps);
        MakeWorkCopies(cs.Cycle, cs.WorkFiles);
        PreselectionOptions options;
        options.MaxNewtabTotalKB = 1'000'000;
        // One byte short of what the held tables need: 13 rows (0..12) of the
        // descriptor table's and the fragment table's split tables.
        options.MachineBytes = HeldTablesBytes({0, 100, 3}, 13) - 1;
        try {
            PreselectDescriptors({ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName},
                                 cs.Tables, cs.Descriptors, cs.Pair, cs.WorkFiles, options);
            ADD_FAILURE() << "the run went on";
        } catch (const AnalysisStop& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(" MB of memory, the run may use "), std::string::npos) << what;
            EXPECT_EQ(e.Code(), kErrorOutOfMemory);
            EXPECT_EQ(e.Stage(), kPreselectionStage);
        }
        total = cs.Tables.NewtabTotalKB;
    }
    ASSERT_GE(total, 1);
    EXPECT_FALSE(AnyFileContaining("newtab"));
    const std::string report = ReadFile("rezultat.rez");
    // The allowance named is the largest total of this shape the memory holds.
    const std::string expected = "The total size of saved newtab files is " +
                                 std::to_string(total) +
                                 " KB.\r\nAccording to KALEMIR the total allowable size is " +
                                 std::to_string(total - 1) + " KB.\r\n\r\nSTOP PROGRAM\r\n\r\n";
    ASSERT_GE(report.size(), expected.size());
    EXPECT_EQ(report.substr(report.size() - expected.size()), expected);
}

TEST(PreselectDescriptors, AnUnwritableSelectionTableEndsTheRunAsAFailedWrite) {
    // A file that cannot be written ends the run at once with exit status 1, as in every
    // other stage; the failure block is for the stage's own failures.
    ScratchDir dir("presel-write");
    SyntheticTables data(12, 5, [](int i, int j) { return i * j + 0.5; });
    ProgramState ps;
    ChooseTables(ps, "SYN01", data.tables);
    std::filesystem::create_directories(
        ".kalemir-work/SYN01sel.des"); // cannot be opened for writing
    SilentWindow window;
    {
        ComputingState cs;
        cs.Cycle = FirstCycleInputs(ps);
        MakeWorkCopies(cs.Cycle, cs.WorkFiles);
        EXPECT_THROW(PreselectDescriptors(
                         CycleContext{ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName},
                         cs.Tables, cs.Descriptors, cs.Pair, cs.WorkFiles),
                     WriteFailure);
    }
    EXPECT_FALSE(AnyFileContaining("newtab"));
    const std::string report = ReadFile("rezultat.rez");
    EXPECT_EQ(report.find("STOP PROGRAM"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
}

/// A window that fails, as a fault of the program would, once the tables are being loaded.
class FaultWhileLoading : public SilentWindow {
public:
    void SetCaption(std::string_view caption) override {
        if (caption.rfind(" After splitting", 0) == 0) {
            throw std::logic_error("fault while loading");
        }
    }
};

TEST(PreselectDescriptors, AFaultOfTheProgramIsNotTurnedIntoAStop) {
    // Only the stage's own failures (sizes, memory, files) stop the analysis with the
    // failure block; any other exception goes on to the front end as it is.
    ScratchDir dir("presel-fault");
    SyntheticTables data(12, 5, [](int i, int j) { return i * j + 0.5; });
    ProgramState ps;
    ChooseTables(ps, "SYN01", data.tables);
    FaultWhileLoading window;
    {
        ComputingState cs;
        cs.Cycle = FirstCycleInputs(ps);
        MakeWorkCopies(cs.Cycle, cs.WorkFiles);
        EXPECT_THROW(PreselectDescriptors(
                         CycleContext{ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName},
                         cs.Tables, cs.Descriptors, cs.Pair, cs.WorkFiles),
                     std::logic_error);
    }
    EXPECT_FALSE(AnyFileContaining("newtab"));
    const std::string report = ReadFile("rezultat.rez");
    EXPECT_EQ(report.find("STOP PROGRAM"), std::string::npos);
    EXPECT_EQ(report.find("Unexpected error"), std::string::npos);
}

// --- The screen ---------------------------------------------------------------------

TEST(NormalisedEntropy, FewBinsGiveLittleInformation) {
    // 19 molecules at 0 and one at 1, N = 20, no prediction set: bins 1 and 20 hold 19 and
    // 1, H = -(0.95 ln 0.95 + 0.05 ln 0.05) = 0.048727 + 0.149787 = 0.198515 and
    // E = H / ln 20 = 0.198515 / 2.995732 = 0.066266 (by hand).
    std::vector<double> x(21, 0.0);
    x[20] = 1;
    std::vector<int> bins;
    EXPECT_NEAR(NormalisedEntropy(x.data(), 20, 0, bins), 0.066266, 1e-6);
    // Twenty distinct evenly spread values fill twenty bins: H = ln 20, E = 1.
    for (int i = 1; i <= 20; ++i) {
        x[i] = i;
    }
    EXPECT_NEAR(NormalisedEntropy(x.data(), 20, 0, bins), 1.0, 1e-12);
    // A constant column: one bin, E = 0.
    std::fill(x.begin(), x.end(), 3.0);
    EXPECT_EQ(NormalisedEntropy(x.data(), 20, 0, bins), 0.0);
}

TEST(NormalisedEntropy, SameBinsAsTheFirstMatchingBinScan) {
    // The direct bin index agrees with a scan for the first bin k whose edges hold the
    // value, including the largest value and values on bin edges.
    Lcg rng{5};
    for (int trial = 0; trial < 50; ++trial) {
        const int n = 5 + trial;
        const int p = trial % 4;
        std::vector<double> x(static_cast<std::size_t>(n + p) + 1, 0.0);
        for (int i = 1; i <= n + p; ++i) {
            x[i] = trial % 3 == 0 ? std::floor(rng.Next() * 7) / 7 : rng.Next() * 3 - 1;
        }
        double lo = x[1];
        double hi = x[1];
        for (int i = 1; i <= n + p; ++i) {
            lo = std::min(lo, x[i]);
            hi = std::max(hi, x[i]);
        }
        const double w = (hi - lo) / (n + p);
        std::vector<int> scan(static_cast<std::size_t>(n + p) + 1, 0);
        for (int i = 1; i <= n; ++i) {
            const double d = x[i] - lo;
            for (int k = 1; k <= n + p; ++k) {
                if (w * (k - 1) <= d && d <= w * k) {
                    ++scan[k];
                    break;
                }
            }
        }
        double sum = 0;
        for (int k = 1; k <= n + p; ++k) {
            if (scan[k] > 0) {
                const double f = static_cast<double>(scan[k]) / n;
                sum += f * std::log(f);
            }
        }
        std::vector<int> bins;
        EXPECT_EQ(NormalisedEntropy(x.data(), n, p, bins), -sum / std::log(static_cast<double>(n)))
            << "trial " << trial;
    }
}

TEST(NormalisedEntropy, ValuesBeyondTenThousandUseTheirOwnRange) {
    // Values 50000..50019 spread over their range like 1..20 do.
    std::vector<double> x(21, 0.0);
    for (int i = 1; i <= 20; ++i) {
        x[i] = 50000 + i;
    }
    std::vector<int> bins;
    EXPECT_NEAR(NormalisedEntropy(x.data(), 20, 0, bins), 1.0, 1e-12);
}

/// One in-memory split table of the given columns (2..) over molecules 1..n.
/// A clock that starts at a fixed moment and moves on a minute per reading.
SelectionClock SteppingClock() {
    auto moment = std::make_shared<std::time_t>(1709161200); // 2024-02-28 23:00 UTC
    return [moment] { return (*moment) += 60; };
}

struct ScreenSetUp {
    ProgramState ps;
    ComputingState cs;
    PreselectionCells cells;
    PreselectionState sel;
    SilentWindow window;

    /// The selection within groups on this state, fast or plain as cs.Search says.
    GroupSelectionResult SelectGroups() {
        PreselectionOptions options;
        options.Clock = SteppingClock();
        options.PassByIdleFits = cs.Search.PassByIdleFits;
        return SelectWithinGroups({ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName},
                                  cs.Tables, cs.Pair, cells, sel, options);
    }

    ScreenSetUp(int n, const std::vector<double>& y,
                const std::vector<std::vector<double>>& columns, int tables = 1) {
        cs.Cycle.CalibrationCount = n;
        cs.Cycle.PredictionCount = 0;
        cs.Cycle.QsprLastLine = n;
        cs.Cycle.MinPropertyR2 = 0.1;
        cs.Cycle.TableCount = tables;
        cs.Descriptors.DescriptorMatrix.Reset(n + 5);
        cs.Pair.HoldRows(n + 5);
        for (int i = 1; i <= n; ++i) {
            cs.Descriptors.DescriptorMatrix.At(i, kPropertyColumn) = y[i];
        }
        cells.Tables.resize(static_cast<std::size_t>(tables) + 1);
        for (int t = 1; t <= tables; ++t) {
            PreselectionTable& table = cells.Tables[t];
            table.Rows = n + 1;
            table.Columns = static_cast<int>(columns.size()) + 2;
            table.Headers.assign(kSplitTableColumns, kUnfilledHeader);
            table.Headers[1] = "Cases";
            table.Molecules.assign(static_cast<std::size_t>(n) + 1, "m");
            table.Values.assign(static_cast<std::size_t>(table.Columns) * (n + 1), 0.0);
            table.R2.assign(static_cast<std::size_t>(table.Columns), 0.0);
            table.Marks.assign(static_cast<std::size_t>(table.Columns), 0);
            table.Means.assign(static_cast<std::size_t>(table.Columns), 0.0);
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const int j = static_cast<int>(c) + 2;
                table.Headers[j] = "t" + std::to_string(t) + "d" + std::to_string(j - 1);
                for (int i = 1; i <= n; ++i) {
                    table.Column(j)[i] = columns[c][i];
                }
            }
        }
        PrepareScreen(cs.Cycle, cs.Descriptors, sel);
    }
    void ScreenAll(WorkerPool* pool = nullptr) {
        for (int t = 1; t <= cs.Cycle.TableCount; ++t) {
            ScreenDescriptors({ps, ps, cs.Cycle, pool, window, cs.ReportName}, cs.Pair, cells, sel,
                              t);
        }
    }
};

std::vector<double> Ramp(int n) {
    std::vector<double> y(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        y[i] = i;
    }
    return y;
}

TEST(ScreenDescriptors, FewBinsCountedButNotSignificant) {
    const int n = 20;
    std::vector<double> y = Ramp(n);
    std::vector<double> indicator(n + 1, 0.0); // 0 for molecules 1..19, 1 for 20
    indicator[20] = 1;
    std::vector<double> spread = Ramp(n);
    spread[3] = 7; // still informative, strongly correlated
    ScreenSetUp set(n, y, {indicator, spread});
    set.ScreenAll();
    EXPECT_EQ(set.sel.DescriptorCount, 2);
    EXPECT_EQ(set.sel.SignificantCount, 1);
    EXPECT_EQ(set.cells.Tables[1].R2[2], 0.0); // the indicator's r2 (about 0.16) is dropped
    EXPECT_GT(set.cells.Tables[1].R2[3], 0.9);
}

TEST(ScreenDescriptors, WorkersGiveTheBitsOfTheScreenColumnByColumn) {
    // 203 columns, some of few values (dropped by the information test), screened on 1, 2
    // and 3 threads against the screen without a pool: every r2, mean and count the same.
    const int n = 40;
    std::vector<double> y = Ramp(n);
    std::vector<std::vector<double>> columns;
    Lcg rng{11};
    for (int c = 0; c < 203; ++c) {
        std::vector<double> x(static_cast<std::size_t>(n) + 1, 0.0);
        for (int i = 1; i <= n; ++i) {
            x[i] = c % 5 == 0 ? static_cast<double>(i > n - 2) : i * (c % 7) + 9 * rng.Next();
        }
        columns.push_back(x);
    }
    ScreenSetUp plain(n, y, columns);
    plain.ScreenAll();
    for (int threads : {1, 2, 3}) {
        WorkerPool pool(threads);
        ScreenSetUp pooled(n, y, columns);
        pooled.ScreenAll(&pool);
        const PreselectionTable& a = plain.cells.Tables[1];
        const PreselectionTable& b = pooled.cells.Tables[1];
        EXPECT_EQ(a.R2, b.R2) << threads;
        EXPECT_EQ(a.Means, b.Means) << threads;
        EXPECT_EQ(plain.sel.DescriptorCount, pooled.sel.DescriptorCount);
        EXPECT_EQ(plain.sel.SignificantCount, pooled.sel.SignificantCount);
        EXPECT_EQ(plain.sel.MinSignificantR2, pooled.sel.MinSignificantR2);
        EXPECT_EQ(plain.sel.MaxSignificantR2, pooled.sel.MaxSignificantR2);
        EXPECT_EQ(plain.cs.Pair.R2, pooled.cs.Pair.R2);
        EXPECT_EQ(plain.cs.Pair.MeanX, pooled.cs.Pair.MeanX);
        EXPECT_EQ(plain.window.Caption(), pooled.window.Caption());
    }
    EXPECT_GT(plain.sel.SignificantCount, 0);
    EXPECT_LT(plain.sel.SignificantCount, 203);
}

TEST(WriteSelectionTable, WorkersWriteTheSameFile) {
    // 600 molecules: the lines go out in blocks of 256 rows, the last one partial.
    ScratchDir dir("presel-lines");
    const int n = 600;
    std::vector<std::vector<double>> columns;
    Lcg rng{5};
    for (int c = 0; c < 7; ++c) {
        std::vector<double> x(static_cast<std::size_t>(n) + 1, 0.0);
        for (int i = 1; i <= n; ++i) {
            x[i] = (rng.Next() - 0.5) * std::pow(10.0, c - 3);
        }
        columns.push_back(x);
    }
    ScreenSetUp set(n, Ramp(n), columns);
    const std::vector<std::pair<int, int>> chosen = {{1, 2}, {1, 5}, {1, 8}};
    WriteSelectionTable("plain.des", set.cells, n + 1, chosen);
    const std::string plain = ReadFile("plain.des");
    EXPECT_EQ(std::count(plain.begin(), plain.end(), '\n'), n + 1);
    for (int threads : {1, 2, 3}) {
        WorkerPool pool(threads);
        WriteSelectionTable("pooled.des", set.cells, n + 1, chosen, &pool);
        EXPECT_EQ(ReadFile("pooled.des"), plain) << threads;
    }
}

TEST(ScreenDescriptors, R2EqualToTheThresholdIsSignificant) {
    const int n = 15;
    std::vector<double> y = Ramp(n);
    std::vector<double> x(n + 1, 0.0);
    Lcg rng{3};
    for (int i = 1; i <= n; ++i) {
        x[i] = i + 8 * rng.Next();
    }
    PairCorrelation pair;
    pair.HoldRows(n);
    for (int i = 1; i <= n; ++i) {
        pair.X[i] = x[i];
        pair.Y[i] = y[i];
    }
    SilentWindow window;
    CorrelatePair(pair, n, window);
    ScreenSetUp set(n, y, {x});
    set.cs.Cycle.MinPropertyR2 = pair.R2;
    set.ScreenAll();
    EXPECT_EQ(set.cells.Tables[1].R2[2], pair.R2);
    EXPECT_EQ(set.sel.SignificantCount, 1);
    EXPECT_EQ(set.sel.MinSignificantR2, pair.R2);
    EXPECT_EQ(set.sel.MaxSignificantR2, pair.R2);
    EXPECT_EQ(set.cells.Tables[1].Means[2], pair.MeanX);
}

/// Runs the stage on synthetic tables after the two windows' OK and the work copies.
struct PreselectionRun {
    ProgramState ps;
    ComputingState cs;
    SilentWindow window;
    PreselectionState sel;

    void Run(const std::vector<std::string>& tables, double minR2,
             ParametersOutcome outcome = ParametersOutcome::Compute) {
        ChooseTables(
            ps, "SYN01", tables,
            [&](ParameterEntries& e) {
                e.MinPropertyR2Text = ValueText(minR2);
                e.MaxPredictorsText = "3";
                e.EliminateOutliers = false;
            },
            outcome);
        cs.Cycle = FirstCycleInputs(ps);
        MakeWorkCopies(cs.Cycle, cs.WorkFiles);
        sel = PreselectDescriptors({ps, ps, cs.Cycle, cs.Workers.get(), window, cs.ReportName},
                                   cs.Tables, cs.Descriptors, cs.Pair, cs.WorkFiles);
    }
};

TEST(PreselectDescriptors, TableOfExactly1000DescriptorsScreensAll1000) {
    ScratchDir dir("presel-1000");
    // Only the last descriptor follows the property; the others are constant.
    SyntheticTables data(12, 1000, [](int i, int j) { return j == 1000 ? i * 1.5 : 2.0; });
    PreselectionRun run;
    run.Run(data.tables, 0.5);
    EXPECT_EQ(run.sel.DescriptorCount, 1000);
    EXPECT_EQ(run.sel.SignificantCount, 1);
    EXPECT_EQ(run.sel.SelectedCount, 1);
    EXPECT_EQ(HeaderOf(".kalemir-work/SYN01sel.des"), "\tCases\td1000");
    const std::string report = ReadFile("rezultat.rez");
    // d1000 against the property: r2 as the correlation routine gives it, rounded to
    // four decimals.
    PairCorrelation pair;
    pair.HoldRows(12);
    for (int i = 1; i <= 12; ++i) {
        pair.X[i] = i * 1.5;
        pair.Y[i] = data.y[i];
    }
    CorrelatePair(pair, 12, run.window);
    const std::string r2 = PlainNumber(RoundDown(pair.R2, 4));
    EXPECT_NE(report.find("\r\n  Number of descriptors: 1000\r\n"
                          "  Number of significant descriptors: 1\r\n\r\n"
                          "  For significant descriptors:\r\n     minimum r2 = " +
                          r2 + "\r\n     maximum r2 = " + r2 +
                          "\r\n\r\n"
                          "  Number of selected significant descriptors: 1\r\n\r\n"
                          "  The preliminary selection was done at\r\n            "),
              std::string::npos)
        << report;
}

/// Descriptor j of molecule i: the property's ramp plus noise of its own, so every
/// descriptor is significant and informative.
double NoisyCopy(int i, int j) {
    unsigned s = static_cast<unsigned>(i * 7919 + j * 104729);
    s = s * 1103515245u + 12345u;
    const double noise = static_cast<double>((s >> 8) % 1000) / 1000.0;
    return i + 6 * noise;
}

TEST(PreselectDescriptors, Exactly1000SignificantAreAllSelected) {
    ScratchDir dir("presel-1000s");
    SyntheticTables data(20, 1000, NoisyCopy);
    PreselectionRun run;
    run.Run(data.tables, 0.05);
    EXPECT_EQ(run.sel.SignificantCount, 1000);
    EXPECT_EQ(run.sel.SelectedCount, 1000);
    const std::string header = HeaderOf(".kalemir-work/SYN01sel.des");
    EXPECT_EQ(std::count(header.begin(), header.end(), '\t'), 1001);
    // f1 and f2 follow the property (r2 0.75 and about 0.47); f3 does not.
    EXPECT_EQ(run.sel.SignificantFragmentCount, 2);
    EXPECT_EQ(run.sel.SelectionCapacity, 977);
    // The values are written so that they read back as the same numbers.
    const std::string text = ReadFile(".kalemir-work/SYN01sel.des");
    const std::size_t row1 = text.find("\r\n") + 2;
    const std::string first = text.substr(row1, text.find("\r\n", row1) - row1);
    EXPECT_EQ(first.substr(0, 4), "\tm1\t");
    EXPECT_EQ(TextToNumber(first.substr(4)), TextToNumber(Number(NoisyCopy(1, 1))));
}

TEST(PreselectDescriptors, NoFragmentTableGivesCapacity979AndOneTable) {
    ScratchDir dir("presel-nofrag");
    SyntheticTables data(12, 3, NoisyCopy, "SYN01big.des", "");
    PreselectionRun run;
    // Without a fragment table the parameters window ends the analysis; the stage alone
    // still works on the one table.
    run.Run(data.tables, 0.05, ParametersOutcome::FragmentTableMissing);
    EXPECT_EQ(run.sel.FragmentColumnCount, 0);
    EXPECT_EQ(run.sel.SignificantFragmentCount, 0);
    EXPECT_EQ(run.sel.SelectionCapacity, 979);
    EXPECT_EQ(run.cs.Cycle.TableCount, 1);
    EXPECT_EQ(run.cs.Cycle.ChosenTableNames[1].First, ".kalemir-work/SYN01sel.des");
}

TEST(PreselectDescriptors, KeepsTheChosenFragmentTableOfAnotherPrefix) {
    ScratchDir dir("presel-prefix");
    SyntheticTables data(12, 3, NoisyCopy, "SYN01big.des", "OTHERvfr.des");
    const std::string before = ReadFile("OTHERvfr.des");
    PreselectionRun run;
    run.Run(data.tables, 0.05);
    ASSERT_EQ(run.cs.Cycle.TableCount, 2);
    EXPECT_EQ(run.cs.Cycle.SelectedTableCount, 2);
    EXPECT_EQ(run.cs.Cycle.TableNames[1].First, ".kalemir-work/SYN01sel.des");
    const std::string fragment = run.cs.Cycle.TableNames[2].First;
    EXPECT_TRUE(HasTableSuffix(fragment, "vfr.des"));
    EXPECT_NE(fragment.find("OTHERvfr.des"), std::string::npos);
    EXPECT_EQ(ReadFile(fragment), before); // the work copy, the user's file untouched
    EXPECT_EQ(run.cs.Cycle.ChosenTableNames[2].First, fragment);
    // The other chosen table's work copy is gone; the split tables are deleted.
    EXPECT_FALSE(AnyFileContaining("newtab"));
    EXPECT_FALSE(std::filesystem::exists(".kalemir-work/kalemirq-copy1-SYN01big.des"));
}

TEST(RunComputation, MoreThan1000SignificantGoThroughTheGroupSelection) {
    ScratchDir dir("presel-1001");
    SyntheticTables data(20, 1001, NoisyCopy);
    ProgramState ps;
    ChooseTables(ps, "SYN01", data.tables, [](ParameterEntries& e) {
        e.MinPropertyR2Text = "0.05";
        e.MaxPredictorsText = "2";
        e.EliminateOutliers = false;
    });
    ComputingState cs;
    SilentWindow window;
    RunComputation(ps, cs, window);
    const std::string report = ReadFile("rezultat.rez");
    EXPECT_NE(report.find("  Number of descriptors: 1001\r\n"
                          "  Number of significant descriptors: 1001\r\n"),
              std::string::npos);
    const std::string line = "  Number of selected significant descriptors: ";
    const std::size_t at = report.find(line);
    ASSERT_NE(at, std::string::npos);
    const double selected = TextToNumber(report.substr(at + line.size()));
    EXPECT_GE(selected, 1);
    EXPECT_LE(selected, 977);
    // The selection table is a work file: gone with the run.
    EXPECT_FALSE(std::filesystem::exists(".kalemir-work/SYN01sel.des"));
    // The cycles ran on the selection table and the fragment table.
    EXPECT_NE(report.find("   According to KalemirQ criteria in the QSPR computation phase", at),
              std::string::npos);
    EXPECT_EQ(cs.Cycle.ChosenTableNames[1].First, ".kalemir-work/SYN01sel.des");
    EXPECT_FALSE(AnyFileContaining("newtab"));
    EXPECT_FALSE(AnyFileContaining("kalemirq-copy"));
}

// --- The selection within too large groups ------------------------------------------

TEST(LoweredLogSizeLimit, ManyTablesLowerTheChainLength) {
    EXPECT_EQ(LoweredLogSizeLimit(4, 300), 250);
    EXPECT_EQ(LoweredLogSizeLimit(4, 250), 250); // 1000 is not above 1000
    EXPECT_EQ(LoweredLogSizeLimit(3, 6), 6);
    EXPECT_EQ(LoweredLogSizeLimit(300, 6), 3); // Int(3.33)
}

TEST(SeedThreshold, LevelsTakeTheStatedFractionsOfTheRange) {
    const double fractions[] = {0, 1.0 / 15, 1.0 / 5, 2.0 / 5, 2.0 / 3};
    for (int level = 1; level <= 5; ++level) {
        EXPECT_NEAR(SeedThreshold(0.2, 0.8, level), 0.2 + 0.6 * fractions[level - 1], 1e-15);
    }
}

TEST(FindSeed, R2OfOneIsNeverASeedAndTheLevelsWrap) {
    ScreenSetUp set(5, Ramp(5), {Ramp(5), Ramp(5), Ramp(5)});
    PreselectionTable& table = set.cells.Tables[1];
    table.R2[2] = 1.0;
    table.R2[3] = 0.6;
    table.R2[4] = 0.7;
    set.sel.MinSignificantR2 = 0.5;
    set.sel.MaxSignificantR2 = 1.0;
    // Level 5 (threshold 0.8333) finds only r2 = 1; level 1 then takes the smallest.
    int level = 5;
    GroupMember seed;
    ASSERT_TRUE(FindSeed(set.cells, set.sel, 0, level, seed));
    EXPECT_EQ(seed.Column, 3);
    EXPECT_EQ(level, 2);
    table.Marks[3] = table.Marks[4] = 1;
    EXPECT_FALSE(FindSeed(set.cells, set.sel, 0, level, seed)); // every level tried
    EXPECT_EQ(level, 2);
}

TEST(DotsInOrder, EqualOneRunningSumAtATime) {
    // Values of mixed magnitudes, so that any other order of the additions shows in the bits;
    // counts with and without a group of four left over.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> uniform(-1, 1);
    const int n = 301;
    std::vector<std::vector<double>> columns(10, std::vector<double>(n + 1));
    for (std::vector<double>& column : columns) {
        for (int m = 1; m <= n; ++m) {
            column[m] = uniform(random) * std::pow(10.0, static_cast<double>(m % 9) - 4);
        }
    }
    const double* partners[9];
    for (int j = 0; j < 9; ++j) {
        partners[j] = columns[j + 1].data();
    }
    for (const int count : {1, 4, 7, 9}) {
        double out[9];
        DotsInOrder(columns[0].data(), partners, count, n, out);
        for (int j = 0; j < count; ++j) {
            double sum = 0;
            for (int m = 1; m <= n; ++m) {
                sum = sum + columns[0][m] * partners[j][m];
            }
            EXPECT_EQ(std::memcmp(&out[j], &sum, sizeof sum), 0) << count << " " << j;
        }
    }
}

TEST(FitGroupSet, ExactFitAndKeptPositionsGiveTheSameBits) {
    const int n = 12;
    Lcg rng{17};
    std::vector<std::vector<double>> columns(4, std::vector<double>(n + 1, 0.0));
    std::vector<double> y(n + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        for (auto& c : columns) {
            c[i] = rng.Next() * 10;
        }
        y[i] = 2 * columns[0][i] - 3 * columns[1][i] + 1; // an exact equation
    }
    ScreenSetUp set(n, y, columns);
    set.ScreenAll();
    GroupSet group{};
    group[1] = {1, 2};
    group[2] = {1, 3};
    GroupFitWork work(n);
    const GroupFitData data{set.cells, set.sel, n};
    // A perfect fit.
    // (r comes out a rounding above 1, so the routine's cap for exactly 1 does not apply.)
    EXPECT_NEAR(FitGroupSet(data, group, 2, work, set.cs.Pair, set.window), 1.0, 1e-12);
    // One descriptor alone: the same r2 as its screen.
    group[1] = {1, 4};
    EXPECT_NEAR(FitGroupSet(data, group, 1, work, set.cs.Pair, set.window),
                set.cells.Tables[1].R2[4], 1e-12);
    // Growing a chain reuses positions 1..p-1; a fresh work space gives the same bits.
    group[1] = {1, 2};
    group[2] = {1, 4};
    for (int j = 3; j <= 5; ++j) {
        group[3] = {1, j};
        const double kept = FitGroupSet(data, group, 3, work, set.cs.Pair, set.window);
        GroupFitWork fresh(n);
        EXPECT_EQ(kept, FitGroupSet(data, group, 3, fresh, set.cs.Pair, set.window));
    }
}

TEST(SelectWithinGroups, ChainsEndingAtSizeOneKeepTheirSeedsAndNoSeedEndsTheSelection) {
    // Three copies of one descriptor: a second copy never raises Q, so each chain stays
    // at its seed; once all three are seeds no level finds another and the selection ends.
    const int n = 20;
    std::vector<double> x(n + 1, 0.0);
    Lcg rng{23};
    for (int i = 1; i <= n; ++i) {
        x[i] = i + 10 * rng.Next();
    }
    ScreenSetUp set(n, Ramp(n), {x, x, x});
    set.ScreenAll();
    set.cs.Cycle.LogSizeLimit = 4;
    set.sel.SelectionCapacity = 979;
    const GroupSelectionResult result = set.SelectGroups();
    EXPECT_EQ(result.Chains, 3);
    EXPECT_EQ(set.sel.SelectedCount, 3);
    for (int j = 2; j <= 4; ++j) {
        EXPECT_EQ(set.cells.Tables[1].Marks[j], 1) << j;
    }
    EXPECT_EQ(result.UnproductiveChains, 0);
}

TEST(SelectWithinGroups, ThreeUnproductiveChainsStopTheSelection) {
    // One strong descriptor among weak ones: the first chain takes it and sets Qmax;
    // the later chains, without it, stay below 0.95 x Qmax.
    const int n = 30;
    Lcg rng{31};
    std::vector<double> y = Ramp(n);
    std::vector<std::vector<double>> columns;
    for (int c = 0; c < 40; ++c) {
        std::vector<double> w(n + 1, 0.0);
        for (int i = 1; i <= n; ++i) {
            w[i] = c == 20 ? i + rng.Next() : i + 60 * rng.Next();
        }
        columns.push_back(w);
    }
    ScreenSetUp set(n, y, columns);
    set.cs.Cycle.MinPropertyR2 = 0.01;
    set.ScreenAll();
    set.cs.Cycle.LogSizeLimit = 3;
    set.sel.SelectionCapacity = 979;
    const GroupSelectionResult result = set.SelectGroups();
    EXPECT_EQ(result.UnproductiveChains, 3);
    EXPECT_EQ(result.Chains, 4);
    EXPECT_EQ(set.cells.Tables[1].Marks[22], 1); // the strong descriptor (column 22)
    EXPECT_LT(set.sel.SelectedCount, 40);
    int marks = 0;
    for (int j = 2; j <= 41; ++j) {
        marks += set.cells.Tables[1].Marks[j];
    }
    EXPECT_EQ(marks, set.sel.SelectedCount);
}

TEST(SelectWithinGroups, NeverSelectsMoreThanTheCapacity) {
    const int n = 20;
    std::vector<std::vector<double>> columns;
    for (int c = 0; c < 60; ++c) {
        std::vector<double> w(n + 1, 0.0);
        for (int i = 1; i <= n; ++i) {
            w[i] = NoisyCopy(i, c);
        }
        columns.push_back(w);
    }
    ScreenSetUp set(n, Ramp(n), columns);
    set.cs.Cycle.MinPropertyR2 = 0.05;
    set.ScreenAll();
    set.cs.Cycle.LogSizeLimit = 4;
    set.sel.SelectionCapacity = 7;
    set.SelectGroups();
    EXPECT_EQ(set.sel.SelectedCount, 7);
    // The last caption shows the count without Qmax once the capacity is reached.
    EXPECT_NE(set.window.Caption().find("    selected 7"), std::string::npos);
    EXPECT_EQ(set.window.Caption().find("Qmax"), std::string::npos);
}

/// Two tables of noisy copies of the property, with a capacity.
struct ChainCase {
    int capacity;
    int tables;
};

class ChainsOnWorkers : public ::testing::TestWithParam<ChainCase> {};

TEST_P(ChainsOnWorkers, MarkAndLeaveWhatTheOneByOneScanDoes) {
    // The steps fitted side by side must be taken in the scan's order: the marks, the
    // stop (a capacity of 7 fills in the middle of a step), the caption and the last
    // fit left in cs.Pair are those of the plain scan on one thread. The second table
    // repeats the first, so chains also meet exact copies (singular fits).
    const ChainCase c = GetParam();
    const int n = 25;
    std::vector<std::vector<double>> columns;
    for (int k = 0; k < 50; ++k) {
        std::vector<double> w(n + 1, 0.0);
        for (int i = 1; i <= n; ++i) {
            w[i] = NoisyCopy(i, k);
        }
        columns.push_back(w);
    }
    auto select = [&](bool plain, int threads) {
        auto set = std::make_unique<ScreenSetUp>(n, Ramp(n), columns, c.tables);
        set->cs.Cycle.MinPropertyR2 = 0.05;
        set->ScreenAll();
        set->cs.Cycle.LogSizeLimit = 4;
        set->sel.SelectionCapacity = c.capacity;
        set->cs.Search.PassByIdleFits = !plain;
        if (threads > 0) {
            set->cs.Workers = std::make_unique<WorkerPool>(threads);
        }
        const GroupSelectionResult result = set->SelectGroups();
        return std::make_pair(std::move(set), result);
    };
    const auto [plain, plainResult] = select(true, 0);
    if (c.capacity < 979) {
        EXPECT_EQ(plain->sel.SelectedCount, c.capacity);
    } else {
        EXPECT_GT(plainResult.Chains, 3);
    }
    for (int threads : {0, 1, 2, 3}) {
        const auto [fast, result] = select(false, threads);
        EXPECT_EQ(result.Chains, plainResult.Chains) << threads;
        EXPECT_EQ(result.UnproductiveChains, plainResult.UnproductiveChains) << threads;
        EXPECT_EQ(result.Qmax, plainResult.Qmax) << threads;
        EXPECT_EQ(fast->sel.SelectedCount, plain->sel.SelectedCount) << threads;
        for (int t = 1; t <= c.tables; ++t) {
            EXPECT_EQ(fast->cells.Tables[t].Marks, plain->cells.Tables[t].Marks) << threads;
        }
        EXPECT_EQ(fast->window.Caption(), plain->window.Caption()) << threads;
        EXPECT_EQ(fast->cs.Pair.R2, plain->cs.Pair.R2) << threads;
        EXPECT_EQ(fast->cs.Pair.R, plain->cs.Pair.R) << threads;
        EXPECT_EQ(fast->cs.Pair.SEE, plain->cs.Pair.SEE) << threads;
        EXPECT_EQ(fast->cs.Pair.MeanX, plain->cs.Pair.MeanX) << threads;
        EXPECT_EQ(fast->cs.Pair.FitTermCount, plain->cs.Pair.FitTermCount) << threads;
        EXPECT_EQ(fast->cs.Pair.SignedR2, 0) << threads;
    }
}

INSTANTIATE_TEST_SUITE_P(Capacities, ChainsOnWorkers,
                         ::testing::Values(ChainCase{7, 2}, ChainCase{979, 1}, ChainCase{979, 2},
                                           ChainCase{40, 2}));

TEST(ChainCaption, WithAndWithoutRoomLeft) {
    EXPECT_EQ(ChainCaption(3, 2, 1.23456, 2.5, 10, 979),
              " p = 3    group 2    Q = 1.2346    Qmax = 2.5    selected 10 / 979");
    EXPECT_EQ(ChainCaption(4, 1, 0.5, 2.5, 979, 979),
              " p = 4    group 1    Q = 0.5    selected 979");
}

// --- The time panel -------------------------------------------------------------------

struct ElapsedCase {
    const char* startDate;
    const char* startTime;
    const char* date;
    const char* time;
    double hours;
};

class ElapsedHoursCases : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedHoursCases, CountsTheDaysOfTheStartMonth) {
    const ElapsedCase& c = GetParam();
    EXPECT_NEAR(ElapsedHours(c.startDate, c.startTime, c.date, c.time), c.hours, 1e-12);
}

// Hand-counted: 28 Feb 23:00 to 1 Mar 01:00 is 26 h in a leap year (February of 29
// days), 2 h otherwise; 31 Dec 23:30 to 1 Jan 00:30 is 1 h; same day 10:15 to 12:45 is
// 2.5 h; seconds are not counted.
INSTANTIATE_TEST_SUITE_P(
    Months, ElapsedHoursCases,
    ::testing::Values(ElapsedCase{"02-28-2024", "23:00:00", "03-01-2024", "01:00:00", 26},
                      ElapsedCase{"02-28-2023", "23:00:00", "03-01-2023", "01:00:00", 2},
                      ElapsedCase{"12-31-2023", "23:30:00", "01-01-2024", "00:30:00", 1},
                      ElapsedCase{"04-30-2024", "22:00:00", "05-01-2024", "02:00:00", 4},
                      ElapsedCase{"05-07-2024", "10:15:59", "05-07-2024", "12:45:01", 2.5}));

TEST(PanelLines, ElapsedAndMaximumRemainingTime) {
    PanelInputs in;
    in.StartDate = "02-28-2024";
    in.StartTime = "23:00:00";
    in.Date = "03-01-2024";
    in.Time = "01:30:00";
    in.Selected = 490;
    in.Capacity = 980;
    in.LogSizeLimit = 6;
    const std::vector<std::string> lines = PanelLines(in);
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[5], "                  After roughly selection of descriptors");
    EXPECT_EQ(lines[10], std::string(28, ' ') + "02-28-2024     23:00:00");
    // E = 26.5 h = 1 day 2 h 30 min; R = E x (1 - 490/980) = 13.25 h = 0 days 13 h 15 min.
    EXPECT_EQ(lines[16], "           days              1" + std::string(25, ' ') + "0");
    EXPECT_EQ(lines[17], "          hours              2" + std::string(25, ' ') + "13");
    EXPECT_EQ(lines[18], "      minutes              30" + std::string(24, ' ') + "15");
    // With two unproductive chains of 2 h the estimate (3 - 2) x 2 - 0.5 = 1.5 h is lower.
    in.Unproductive = 2;
    in.LastChainHours = 2;
    in.ChainStartHours = 1;
    const std::vector<std::string> shorter = PanelLines(in);
    EXPECT_EQ(shorter[17], "          hours              2" + std::string(25, ' ') + "1");
    EXPECT_EQ(shorter[18], "      minutes              30" + std::string(24, ' ') + "30");
    // Few selected yet: no time lines; the capacity reached: the closing notice.
    in.Selected = 6;
    EXPECT_EQ(PanelLines(in).size(), 13u);
    in.Selected = 980;
    const std::vector<std::string> closing = PanelLines(in);
    ASSERT_EQ(closing.size(), 13u);
    EXPECT_EQ(closing[10], "                     Please wait a few more minutes.");
}

// --- The example ----------------------------------------------------------------------

TEST(RunComputation, Bzr01PreselectionLinesAndCyclesOnTheSelectionTable) {
    ScratchDir dir("presel-bzr");
    CopyExample(KALEMIR_EXAMPLES_DIR "/bzr",
                {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"});
    ProgramState ps;
    ChooseTables(ps, "BZR01", {"BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"});
    ComputingState cs;
    SilentWindow window;
    RunComputation(ps, cs, window);
    const std::string report = ReadFile("rezultat.rez");
    const std::size_t count = report.find("\r\n  Number of descriptors: ");
    const std::size_t significant = report.find("\r\n  Number of significant descriptors: ");
    const std::size_t range =
        report.find("\r\n  For significant descriptors:\r\n     minimum r2 = ");
    const std::size_t selected = report.find("\r\n  Number of selected significant descriptors: ");
    const std::size_t done = report.find("\r\n  The preliminary selection was done at\r\n");
    const std::size_t cycle =
        report.find("   According to KalemirQ criteria in the QSPR computation phase");
    ASSERT_NE(count, std::string::npos);
    EXPECT_LT(count, significant);
    EXPECT_LT(significant, range);
    EXPECT_LT(range, selected);
    EXPECT_LT(selected, done);
    EXPECT_LT(done, cycle);
    EXPECT_NE(cycle, std::string::npos);
    EXPECT_EQ(cs.Cycle.ChosenTableNames[1].First, ".kalemir-work/BZR01sel.des");
    EXPECT_TRUE(HasTableSuffix(cs.Cycle.ChosenTableNames[2].First, "vfr.des"));
    EXPECT_NE(cs.Cycle.ChosenTableNames[2].First.find("BZR01vfr.des"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(".kalemir-work/BZR01sel.des"));
    EXPECT_FALSE(AnyFileContaining("newtab"));
}

} // namespace
} // namespace kalemir::qspr
