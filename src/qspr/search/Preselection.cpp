#include "qspr/search/Preselection.h"

#include "common/ComputingWindow.h"
#include "common/DateTime.h"
#include "common/Errors.h"
#include "common/MachineMemory.h"
#include "common/NumberText.h"
#include "common/Records.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "common/TextToNumber.h"
#include "common/WorkFiles.h"
#include "common/WorkerPool.h"
#include "qspr/core/AnalysisStop.h"
#include "qspr/core/CentredSums.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/LineWriter.h"
#include "qspr/core/TableSplitting.h"
#include "qspr/search/GroupSelection.h"
#include "qspr/setup/QsprTables.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

namespace kalemir::qspr {

int PreselectionTable::LastColumn() const {
    int j = 2;
    while (j < kSplitTableColumns && Headers[j] != kUnfilledHeader) {
        ++j;
    }
    return j - 1;
}

namespace {

/// Descriptor columns of the selection table, its significant fragments included.
constexpr int kSelectionTableDescriptors = 979;

/// A failure found inside the stage, with the error number of its failure block.
class PreselectionFault : public std::runtime_error {
public:
    PreselectionFault(PreselectionError code, const std::string& what)
        : std::runtime_error(what), code_(code) {}
    PreselectionError Code() const { return code_; }

private:
    PreselectionError code_;
};

std::string FirstFragmentTable(const CycleInputs& cycle) {
    for (int i = 1;
         i <= cycle.SelectedTableCount && i < static_cast<int>(cycle.ChosenTableNames.size());
         ++i) {
        if (HasTableSuffix(cycle.ChosenTableNames[i].First, "vfr.des")) {
            return cycle.ChosenTableNames[i].First;
        }
    }
    return {};
}

std::string RoundedR2(double r2) {
    return PlainNumber(RoundDown(r2, 4));
}

void WriteFailureBlock(const TableState& tables, const std::string& reportName,
                       PreselectionError number, long long maxNewtabTotalKB) {
    ReportAppender report(reportName);
    report.Line();
    if (number == kErrorOutOfMemory) {
        report.Lines({"There are too many molecules in the database", "... and/or",
                      "there are too many descriptors to consider.",
                      "... You should correct this because not enough memory is available.",
                      "... Then delete the saved newtab files and restart the program.", ""});
        report.Line("The total size of saved newtab files is " + PlainNumber(tables.NewtabTotalKB) +
                    " KB.");
        report.Line("According to KALEMIR the total allowable size is " +
                    PlainNumber(maxNewtabTotalKB) + " KB.");
    } else {
        report.Lines({"Unexpected error", ""});
        report.Line("Error " + PlainNumber(number));
    }
    report.Lines({"", "STOP PROGRAM", ""});
    report.Close();
}

/// Points the table list at the selection table and the chosen fragment table.
void ResetTableList(CycleInputs& cycle, const TableState& tables, WorkFileSet& workFiles,
                    const std::string& selection, const std::string& fragment) {
    for (int i = 1; i <= tables.NewtabCount && i < static_cast<int>(cycle.TableNames.size()); ++i) {
        cycle.TableNames[i].First.clear();
    }
    // The work copies of the other chosen tables are no longer read.
    for (int i = 1;
         i <= cycle.SelectedTableCount && i < static_cast<int>(cycle.ChosenTableNames.size());
         ++i) {
        const std::string& name = cycle.ChosenTableNames[i].First;
        const auto& registered = workFiles.Paths();
        if (name != fragment &&
            std::find(registered.begin(), registered.end(), name) != registered.end()) {
            workFiles.Remove(name);
        }
    }
    const int count = fragment.empty() ? 1 : 2;
    if (cycle.TableNames.size() < 3) {
        cycle.TableNames.resize(3);
    }
    if (cycle.ChosenTableNames.size() < 3) {
        cycle.ChosenTableNames.resize(3);
    }
    cycle.TableNames[1] = {selection, selection};
    cycle.TableNames[2] = count == 2 ? TableNameRow{fragment, fragment} : TableNameRow{};
    cycle.TableCount = count;
    cycle.SelectedTableCount = count;
    for (int i = 1; i <= 2; ++i) {
        cycle.ChosenTableNames[i] = cycle.TableNames[i];
    }
}

} // namespace

bool ExceedsSizeLimit(long long newtabTotalKB, long long limitKB) {
    return newtabTotalKB > limitKB;
}

long long SplitTablesAllowanceKB(int memoryMB, long long machineBytes) {
    if (memoryMB > 0) {
        return static_cast<long long>(memoryMB) * 1000;
    }
    return std::max(kMaxNewtabTotalKB, machineBytes / 1000);
}

long long HeldTablesBytes(const std::vector<int>& newtabWidths, int rows) {
    // Each split table holds its descriptors, the molecule column and column 0 as numbers
    // and the molecule names as strings; the later stages hold up to three tables of
    // kMaxHeldDescriptors columns (selection table, descriptor matrix, cycle copies).
    constexpr long long kCell = sizeof(double);
    constexpr long long kLaterColumns = 3LL * (kMaxHeldDescriptors + 2);
    long long bytes = kLaterColumns * rows * kCell;
    for (std::size_t t = 1; t < newtabWidths.size(); ++t) {
        bytes += (newtabWidths[t] + 2LL) * rows * kCell +
                 static_cast<long long>(rows) * static_cast<long long>(sizeof(std::string));
    }
    return bytes;
}

std::string ValueText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

void ScreenFragments(const CycleInputs& cycle, PairCorrelation& pair, PreselectionState& sel,
                     ComputingWindow& window) {
    sel.FragmentColumnCount = 0;
    sel.SignificantFragmentCount = 0;
    std::string name;
    for (int t = 1; t <= cycle.TableCount; ++t) {
        if (HasTableSuffix(cycle.TableNames[t].First, "vfr.des")) {
            name = cycle.TableNames[t].First;
            break;
        }
    }
    if (name.empty()) {
        return;
    }
    constexpr int kFragmentColumns = 101; // 1 first token, 2..99 fragments, 100 property
    constexpr int kLastFragment = 99;
    const int n = cycle.CalibrationCount;
    // Column-major: column c, rows 0..n+1.
    const std::size_t rows = static_cast<std::size_t>(n) + 2;
    std::vector<double> cells(rows * kFragmentColumns, 0.0);
    auto at = [&](int row, int c) -> double& {
        return cells[static_cast<std::size_t>(c) * rows + static_cast<std::size_t>(row)];
    };
    {
        RecordReader reader(name);
        std::string record;
        int r = 0;
        do {
            reader.Read(record);
            ForEachToken(record, [&](int c, std::string_view token) {
                if (c > kLastFragment) {
                    return false;
                }
                if (r >= 1) {
                    at(r, c) = TextToNumber(token);
                }
                sel.FragmentColumnCount = std::max(sel.FragmentColumnCount, c);
                return true;
            });
            window.Yield();
            ++r;
        } while (r <= n && !reader.AtEnd());
    }
    std::vector<std::string_view> tokens;
    for (int k = 1; k <= n && k < static_cast<int>(cycle.QsprLines.size()); ++k) {
        Tokenise(cycle.QsprLines[k], tokens);
        at(k, 100) = tokens.size() > 1 ? TextToNumber(tokens[1]) : 0.0;
    }
    pair.HoldRows(n + cycle.PredictionCount);
    pair.SignedR2 = 0;
    for (int i = 1; i <= n; ++i) {
        pair.Y[i] = at(i, 100);
    }
    for (int c = 2; c <= sel.FragmentColumnCount; ++c) {
        for (int i = 1; i <= n; ++i) {
            pair.X[i] = at(i, c);
        }
        CorrelatePair(pair, n, window);
        if (pair.R2 >= cycle.MinPropertyR2) {
            ++sel.SignificantFragmentCount;
        }
    }
}

void LoadSplitTable(const CycleInputs& cycle, WorkFileSet& workFiles, WorkerPool* pool,
                    PreselectionCells& cells, int t, ComputingWindow& window) {
    const std::string name = cycle.TableNames[t].First;
    PreselectionTable& table = cells.Tables[t];
    const int rows =
        std::max(cycle.QsprLastLine, cycle.CalibrationCount + cycle.PredictionCount) + 1;
    table.Rows = rows;
    table.Headers.assign(kSplitTableColumns, kUnfilledHeader);
    table.Molecules.assign(static_cast<std::size_t>(rows), std::string());
    {
        std::optional<RecordReader> opened;
        try {
            opened.emplace(name);
        } catch (const FileError& e) {
            throw PreselectionFault(errno == ENOENT ? kErrorFileNotFound : kErrorFileAccess,
                                    e.what());
        }
        RecordReader& reader = *opened;
        window.Yield();
        // The header line first: it gives the width; then the molecule lines 1..QsprLastLine,
        // parsed on the workers, each into its own row.
        std::string header;
        const bool any = cycle.QsprLastLine >= 0 && reader.ReadLine(header);
        int columns = 1;
        if (any) {
            ForEachToken(header, [&](int c, std::string_view token) {
                if (c >= kSplitTableColumns) {
                    return false;
                }
                table.Headers[c] = std::string(token);
                columns = c + 1;
                return true;
            });
            window.Yield();
        }
        table.Columns = any ? std::max(columns, 2) : 2;
        table.Values.assign(static_cast<std::size_t>(table.Columns) * rows, 0.0);
        table.R2.assign(static_cast<std::size_t>(table.Columns), 0.0);
        table.Marks.assign(static_cast<std::size_t>(table.Columns), 0);
        table.Means.assign(static_cast<std::size_t>(table.Columns), 0.0);
        if (any) {
            auto parse = [&](int r, std::string_view line, int) {
                if (r >= rows) {
                    return;
                }
                double* values = table.Values.data() + r;
                const int width = table.Columns;
                ForEachToken(line, [&](int c, std::string_view token) {
                    if (c >= width) {
                        return false;
                    }
                    if (c == 1) {
                        table.Molecules[r] = std::string(token);
                    } else {
                        values[static_cast<std::size_t>(c) * rows] = TextToNumber(token);
                    }
                    return true;
                });
            };
            ParseRecordsInBlocks(reader, true, {1, cycle.QsprLastLine}, pool, parse,
                                 [&](int count) {
                                     // One yield per record, as when they were read one by one.
                                     for (int k = 0; k < count; ++k) {
                                         window.Yield();
                                     }
                                 });
        }
    }
    table.Molecules[0] = table.Headers[1];
    workFiles.Remove(name);
    window.SetCaption(" After splitting ... deleting ... " + name.substr(name.rfind('/') + 1));
}

void PrepareScreen(const CycleInputs& cycle, const SignificantDescriptors& descriptors,
                   PreselectionState& sel) {
    const int n = cycle.CalibrationCount;
    sel.Property.assign(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        sel.Property[i] = descriptors.DescriptorMatrix.At(i, kPropertyColumn);
    }
    const CentredSums property = CentredSumsOf(sel.Property.data() + 1, n);
    sel.PropertyMean = property.Mean;
    sel.PropertySyy = property.Squares;
    sel.ValueHistogram.assign(static_cast<std::size_t>(n + cycle.PredictionCount) + 1, 0);
}

double NormalisedEntropy(const double* values, int n, int p, std::vector<int>& bins) {
    const int binCount = n + p;
    if (static_cast<int>(bins.size()) < binCount + 1) {
        bins.resize(static_cast<std::size_t>(binCount) + 1);
    }
    // The true range of the column (also for columns lying wholly beyond +-10000).
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    for (int i = 1; i <= binCount; ++i) {
        lowest = std::min(lowest, values[i]);
        highest = std::max(highest, values[i]);
    }
    const double width = (highest - lowest) / binCount;
    std::fill(bins.begin() + 1, bins.begin() + binCount + 1, 0);
    for (int i = 1; i <= n; ++i) {
        const double d = values[i] - lowest;
        // The first bin k (1..n+p) with width * (k - 1) <= d <= width * k: the smallest k
        // with d <= width * k, when its lower edge holds too.
        int k = 1;
        if (width > 0) {
            const double q = d / width;
            k = q < 1 ? 1 : static_cast<int>(std::min<double>(std::ceil(q), binCount + 1.0));
            while (k > 1 && d <= width * (k - 1)) {
                --k;
            }
            while (k <= binCount && !(d <= width * k)) {
                ++k;
            }
        } else if (!(d <= 0)) {
            k = binCount + 1;
        }
        if (k <= binCount && width * (k - 1) <= d) {
            ++bins[k];
        }
    }
    double sum = 0;
    for (int k = 1; k <= binCount; ++k) {
        if (bins[k] > 0) {
            const double f = static_cast<double>(bins[k]) / n;
            sum += f * std::log(f);
        }
    }
    const double h = -sum;
    return h / std::log(static_cast<double>(n));
}

void ScreenDescriptors(const CycleContext& context, PairCorrelation& pair, PreselectionCells& cells,
                       PreselectionState& sel, int t) {
    const CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    WorkerPool* pool = context.Pool;
    const int n = cycle.CalibrationCount;
    const int p = cycle.PredictionCount;
    PreselectionTable& table = cells.Tables[t];
    pair.SignedR2 = 0;
    const int last = std::min(table.LastColumn(), table.Columns - 1);
    // Each column is screened on its own (its r2, the information test, its mean) on the
    // workers; the counts are then taken in column order on this thread.
    auto screen = [&](int j, PairCorrelation& columnPair, std::vector<int>& bins,
                      ComputingWindow& columnWindow) {
        const double* x = table.Column(j);
        CorrelateWithFixedY(columnPair, x,
                            {sel.Property.data(), n, sel.PropertyMean, sel.PropertySyy},
                            columnWindow);
        double r2 = columnPair.R2;
        if (r2 > 0 && NormalisedEntropy(x, n, p, bins) < kMinInformation) {
            r2 = 0;
        }
        table.R2[j] = r2;
        table.Marks[j] = 0;
        table.Means[j] = columnPair.MeanX;
    };
    const bool pooled = pool != nullptr && pool->Size() > 1 && last > 2;
    if (pooled) {
        const int workers = pool->Size();
        std::vector<PairCorrelation> pairs(static_cast<std::size_t>(workers));
        std::vector<std::vector<int>> bins(static_cast<std::size_t>(workers), sel.ValueHistogram);
        std::vector<SilentWindow> silent(static_cast<std::size_t>(workers));
        for (PairCorrelation& each : pairs) {
            each.SignedR2 = pair.SignedR2;
            each.FitTermCount = pair.FitTermCount;
        }
        constexpr int kScreenGrain = 16;
        // Columns 2..last-1 on the workers; the last one here, so that the pair holds
        // what its screen leaves, as after a screen column by column.
        pool->ForEach(last - 2, kScreenGrain, [&](int first, int end, int worker) {
            for (int j = first + 2; j < end + 2; ++j) {
                screen(j, pairs[static_cast<std::size_t>(worker)],
                       bins[static_cast<std::size_t>(worker)],
                       silent[static_cast<std::size_t>(worker)]);
            }
        });
        screen(last, pair, sel.ValueHistogram, window);
    } else {
        for (int j = 2; j <= last; ++j) {
            screen(j, pair, sel.ValueHistogram, window);
        }
    }
    const std::string captionStart =
        "group " + PlainNumber(t) + "   roughly selected descriptors  ";
    for (int j = 2; j <= last; ++j) {
        if (pooled && j < last) {
            window.Yield(); // the turn the column's own screen gives on one thread
        }
        ++sel.DescriptorCount;
        const double r2 = table.R2[j];
        if (r2 >= cycle.MinPropertyR2) {
            ++sel.SignificantCount;
            sel.MaxSignificantR2 = std::max(sel.MaxSignificantR2, r2);
            sel.MinSignificantR2 = std::min(sel.MinSignificantR2, r2);
        }
        window.SetCaption(captionStart + PlainNumber(sel.SignificantCount));
    }
}

void WriteSelectionTable(const std::string& path, const PreselectionCells& cells, int rows,
                         const std::vector<std::pair<int, int>>& columns, WorkerPool* pool) {
    const PreselectionTable& first = cells.Tables[1];
    LineWriter writer(path);
    // The lines of a block of rows are made on the workers while the block before is
    // written, in row order, by the worker that takes the first piece.
    constexpr int kRowBlock = 256;
    constexpr int kRowGrain = 8;
    std::vector<std::string> made(static_cast<std::size_t>(std::min(rows, kRowBlock)));
    std::vector<std::string> ready(made.size());
    int readyCount = 0;
    auto writeReady = [&] {
        for (int k = 0; k < readyCount; ++k) {
            writer.Line(ready[static_cast<std::size_t>(k)]);
        }
        readyCount = 0;
    };
    auto makeLine = [&](int r, std::string& line) {
        line = "\t";
        line += first.Molecules[r];
        for (const auto& [t, j] : columns) {
            const PreselectionTable& table = cells.Tables[t];
            line += '\t';
            if (r == 0) {
                line += table.Headers[j];
            } else {
                line += ValueText(table.Column(j)[r]);
            }
        }
    };
    for (int start = 0; start < rows; start += kRowBlock) {
        const int count = std::min(kRowBlock, rows - start);
        // Piece 0 writes the block before; pieces 1..count make this block's lines.
        auto body = [&](int from, int to, int) {
            for (int k = from; k < to; ++k) {
                if (k == 0) {
                    writeReady();
                } else {
                    makeLine(start + k - 1, made[static_cast<std::size_t>(k) - 1]);
                }
            }
        };
        ForEachOn(pool, count + 1, kRowGrain, body);
        std::swap(made, ready);
        readyCount = count;
    }
    writeReady();
    writer.Close();
}

void SelectAllSignificant(const CycleInputs& cycle, const TableState& tables,
                          const PreselectionCells& cells, PreselectionState& sel,
                          WorkerPool* pool) {
    std::vector<std::pair<int, int>> columns;
    for (int t = 1; t <= cycle.TableCount; ++t) {
        if (t == tables.FragmentNewtab) {
            continue;
        }
        const PreselectionTable& table = cells.Tables[t];
        const int last = std::min(table.LastColumn(), table.Columns - 1);
        for (int j = 2; j <= last; ++j) {
            if (table.R2[j] >= cycle.MinPropertyR2) {
                columns.emplace_back(t, j);
            }
        }
    }
    sel.SelectedCount = static_cast<int>(columns.size());
    WriteSelectionTable(cycle.SelFileName, cells,
                        cycle.CalibrationCount + cycle.PredictionCount + 1, columns, pool);
}

PreselectionState PreselectDescriptors(const CycleContext& context, TableState& tables,
                                       SignificantDescriptors& descriptors, PairCorrelation& pair,
                                       WorkFileSet& workFiles, const PreselectionOptions& options) {
    const RunInputs& in = context.In;
    CycleInputs& cycle = context.Cycle;
    const std::string& reportName = context.ReportName;
    WorkerPool* pool = context.Pool;
    ComputingWindow& window = context.Window;
    PreselectionState sel;
    if (cycle.SelFileName.empty()) {
        cycle.SelFileName = SelectionTableName(in.QsprTableCopy);
    }
    cycle.SelFileName = WorkFilePath(cycle.SelFileName);
    // The selection table is a work file of the run: the cycles read and rewrite it, and
    // it is gone when the run ends.
    workFiles.Add(cycle.SelFileName);
    const std::string fragment = FirstFragmentTable(cycle);
    tables.NewtabTotalKB = 0;
    tables.FragmentNewtab = 0;
    ScreenFragments(cycle, pair, sel, window);
    SplitTables(cycle, tables, workFiles, pool, window);
    ParseQsprTable(cycle, tables, descriptors, pair);

    const long long machineBytes =
        options.MachineBytes > 0 ? options.MachineBytes : MachineMemoryBytes();
    long long allowanceKB = options.MaxNewtabTotalKB > 0
                                ? options.MaxNewtabTotalKB
                                : SplitTablesAllowanceKB(in.MemoryMB, machineBytes);
    // A failure of the stage writes its block to the report and stops the analysis.
    auto stop = [&](PreselectionError code, const std::string& detail) {
        WriteFailureBlock(tables, reportName, code, allowanceKB);
        if (code == kErrorOutOfMemory) {
            throw AnalysisStop(kPreselectionStage, code,
                               "preliminary selection stopped: " + detail);
        }
        throw AnalysisStop(kPreselectionStage, code,
                           "preliminary selection stopped by error " + PlainNumber(code) + ": " +
                               detail);
    };
    try {
        if (ExceedsSizeLimit(tables.NewtabTotalKB, allowanceKB)) {
            throw PreselectionFault(kErrorOutOfMemory,
                                    "the split tables take " + PlainNumber(tables.NewtabTotalKB) +
                                        " KB, more than the " + PlainNumber(allowanceKB) +
                                        " KB allowed");
        }
        const int rows =
            std::max(cycle.QsprLastLine, cycle.CalibrationCount + cycle.PredictionCount) + 1;
        const long long needBytes = HeldTablesBytes(tables.NewtabWidths, rows);
        if (machineBytes > 0 && needBytes > machineBytes) {
            // The report names the largest split tables of this shape the memory holds.
            allowanceKB = static_cast<long long>(static_cast<double>(tables.NewtabTotalKB) *
                                                 static_cast<double>(machineBytes) /
                                                 static_cast<double>(needBytes));
            throw PreselectionFault(kErrorOutOfMemory,
                                    "the split tables of " + PlainNumber(tables.NewtabTotalKB) +
                                        " KB need " + PlainNumber(needBytes / 1'000'000) +
                                        " MB of memory, the run may use " +
                                        PlainNumber(machineBytes / 1'000'000) + " MB");
        }
        {
            PreselectionCells cells;
            cells.Tables.resize(static_cast<std::size_t>(cycle.TableCount) + 1);
            for (int t = 1; t <= cycle.TableCount; ++t) {
                tables.TableIndex = t;
                LoadSplitTable(cycle, workFiles, pool, cells, t, window);
            }
            PrepareScreen(cycle, descriptors, sel);
            for (int t = 1; t <= cycle.TableCount; ++t) {
                if (t != tables.FragmentNewtab) {
                    tables.TableIndex = t;
                    ScreenDescriptors(context, pair, cells, sel, t);
                }
            }
            descriptors.SignificantCount = sel.SignificantCount;
            {
                ReportAppender report(reportName);
                report.Line("  Number of descriptors: " + PlainNumber(sel.DescriptorCount));
                report.Line("  Number of significant descriptors: " +
                            PlainNumber(sel.SignificantCount));
                report.Lines({"", "  For significant descriptors:"});
                report.Line("     minimum r2 = " + RoundedR2(sel.MinSignificantR2));
                report.Line("     maximum r2 = " + RoundedR2(sel.MaxSignificantR2));
                report.Line();
                report.Close();
            }
            sel.SelectionCapacity = kSelectionTableDescriptors - sel.SignificantFragmentCount;
            sel.SelectedCount = 0;
            if (sel.SignificantCount <= kMaxHeldDescriptors) {
                SelectAllSignificant(cycle, tables, cells, sel, pool);
            } else {
                SelectWithinGroups(context, tables, pair, cells, sel, options);
                WriteSelection(cycle, cells, pool);
            }
        }
        ReportAppender report(reportName);
        report.Line("  Number of selected significant descriptors: " +
                    PlainNumber(sel.SelectedCount));
        report.Lines({"", "  The preliminary selection was done at"});
        report.Line(std::string(12, ' ') + DateText() + std::string(5, ' ') + TimeText());
        report.Line();
        report.Close();
    } catch (const RunInterrupted&) {
        throw;
    } catch (const WriteFailure&) {
        // A file that cannot be written ends the run at once (exit 1): the report could
        // not take the failure block either.
        throw;
    } catch (const PreselectionFault& e) {
        stop(e.Code(), e.what());
    } catch (const std::bad_alloc&) {
        // The split tables do not fit in memory: the stage's out-of-memory stop.
        stop(kErrorOutOfMemory, "not enough memory for the split tables of " +
                                    PlainNumber(tables.NewtabTotalKB) + " KB");
    } catch (const std::length_error&) {
        stop(kErrorOutOfMemory, "not enough memory for the split tables of " +
                                    PlainNumber(tables.NewtabTotalKB) + " KB");
    } catch (const FileError& e) {
        stop(kErrorFileAccess, e.what());
    }
    // Any other exception is a fault of the program, not a stop of the analysis: it goes
    // on to the front end as it is.
    ResetTableList(cycle, tables, workFiles, cycle.SelFileName, fragment);
    return sel;
}

} // namespace kalemir::qspr
