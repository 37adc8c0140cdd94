#include "qspr/core/TableSplitting.h"

#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/FileFaults.h"
#include "common/NumberText.h"
#include "common/Records.h"
#include "common/TextToNumber.h"
#include "common/WorkFiles.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/LineWriter.h"
#include "qspr/setup/NameJoin.h"
#include "qspr/setup/QsprTables.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace kalemir::qspr {

namespace {

std::size_t FirstSeparator(std::string_view record) {
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (IsSeparator(record[i])) {
            return i;
        }
    }
    return std::string_view::npos;
}

void EnsureTableRows(CycleInputs& cycle, int row) {
    if (static_cast<int>(cycle.TableNames.size()) <= row) {
        cycle.TableNames.resize(static_cast<std::size_t>(row) + 1);
    }
}

/// The run reads table row `i` from its work copy from now on.
void UseWorkCopy(CycleInputs& cycle, int i, const std::string& copy) {
    cycle.ChosenTableNames[i].First = copy;
    cycle.ChosenTableNames[i].Second = copy;
    EnsureTableRows(cycle, i);
    cycle.TableNames[i].First = copy;
    cycle.TableNames[i].Second = copy;
}

} // namespace

void MakeWorkCopies(CycleInputs& cycle, WorkFileSet& workFiles) {
    std::vector<std::string> molecules;
    for (std::size_t line = 1; cycle.JoinByName && line < cycle.QsprLines.size(); ++line) {
        const std::vector<std::string_view> tokens = Tokenise(cycle.QsprLines[line]);
        molecules.emplace_back(tokens.empty() ? std::string_view() : tokens[0]);
    }
    for (int i = 1; i <= cycle.SelectedTableCount; ++i) {
        const std::string original = cycle.ChosenTableNames[i].First;
        const std::string copy = WorkFilePath("kalemirq-copy" + std::to_string(i) + "-" + original);
        if (cycle.JoinByName) {
            workFiles.Add(copy);
            WriteJoinedByName(original, molecules, copy);
            UseWorkCopy(cycle, i, copy);
            continue;
        }
        std::FILE* in = std::fopen(original.c_str(), "rb");
        if (in == nullptr) {
            throw FileError(original + ": cannot open: " + std::strerror(errno));
        }
        workFiles.Add(copy);
        std::FILE* out = std::fopen(copy.c_str(), "wb");
        if (out == nullptr) {
            std::fclose(in);
            throw WriteFailure(copy + ": cannot write: " + std::strerror(errno));
        }
        std::vector<char> buffer(1 << 16);
        bool writeFailed = false;
        bool readFailed = false;
        for (;;) {
            const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
            if (got > 0 && !WriteBytes(out, buffer.data(), got)) {
                writeFailed = true;
                break;
            }
            if (got < buffer.size()) {
                readFailed = std::ferror(in) != 0;
                break;
            }
        }
        const int error = errno;
        std::fclose(in);
        const bool closeFailed = std::fclose(out) != 0;
        if (readFailed) {
            throw FileError(original + ": cannot read: " + std::strerror(error));
        }
        if (writeFailed || closeFailed) {
            throw WriteFailure(original + ": cannot copy to " + copy + ": " +
                               std::strerror(writeFailed ? error : errno));
        }
        UseWorkCopy(cycle, i, copy);
    }
}

void SplitTables(CycleInputs& cycle, TableState& tables, WorkFileSet& workFiles, WorkerPool* pool,
                 ComputingWindow& window) {
    window.Yield();
    window.ShowPicture(false);
    tables.NewtabCount = 0;
    tables.NewtabWidths.assign(1, 0);
    std::string record;
    std::vector<std::string> names;
    std::vector<std::string> lines(kRecordBlock);
    std::string line;
    for (tables.TableIndex = 1; tables.TableIndex <= cycle.TableCount; ++tables.TableIndex) {
        window.Yield();
        tables.CurrentTableName = cycle.TableNames[tables.TableIndex].First;
        const std::string& source = tables.CurrentTableName;
        int columns = 0;
        {
            RecordReader reader(source);
            reader.Read(record);
            columns = CountSeparatorRuns(record);
        }
        const std::vector<int> widths = WorkTableWidths(columns);

        // The molecule column: each record's first token with the separator that ended it.
        names.clear();
        int recordCount = 0;
        {
            RecordReader reader(source);
            do {
                reader.Read(record);
                ++recordCount;
                const std::size_t sep = FirstSeparator(record);
                if (sep != std::string::npos) {
                    names.emplace_back(record, 0, sep + 1);
                }
            } while (!reader.AtEnd());
        }
        std::vector<std::string>& column0 = tables.SplitNameColumn;
        const std::size_t needed =
            std::max(names.size(), static_cast<std::size_t>(recordCount)) + 1;
        if (column0.size() < needed) {
            column0.resize(needed);
        }
        for (std::size_t r = 0; r <= names.size(); ++r) {
            column0[r] = r < names.size() ? names[r] : "0";
        }
        column0[0] = HasTableSuffix(source, "grd.des") ? "grid" : "Cases";

        // The work tables of this table, in order: each block takes the next widths[b]
        // descriptors.
        const int blocks = static_cast<int>(widths.size());
        std::vector<std::unique_ptr<LineWriter>> writers;
        for (int b = 1; b <= blocks; ++b) {
            window.Yield();
            ++tables.NewtabCount;
            tables.NewtabWidths.push_back(widths[static_cast<std::size_t>(b) - 1]);
            if (HasTableSuffix(source, "vfr.des")) {
                tables.FragmentNewtab = tables.NewtabCount;
            }
            const std::string workName = WorkFilePath(WorkTableName(tables.NewtabCount));
            window.SetCaption(" Splitting of the large tables ... saving ... newtab" +
                              NumText(tables.NewtabCount));
            EnsureTableRows(cycle, tables.NewtabCount);
            cycle.TableNames[tables.NewtabCount].Second = workName;
            workFiles.Add(workName);
            writers.push_back(std::make_unique<LineWriter>(workName));
        }
        // One reading of the table makes the lines of all its work tables: each record is
        // cut into its blocks on a worker, and the lines are written here in record order,
        // a block of records at a time (while the workers cut the next block).
        lines.resize(static_cast<std::size_t>(kRecordsInFlight) * static_cast<std::size_t>(blocks));
        RecordReader reader(source);
        int written = 0; // records whose lines are written
        auto makeLines = [&](int r, std::string_view record, int) {
            std::string* text = &lines[static_cast<std::size_t>(r % kRecordsInFlight) * blocks];
            for (int b = 0; b < blocks; ++b) {
                text[b] = "\t";
                text[b] += column0[r];
            }
            // Token t (the molecule name is token 0) is descriptor t, written into the line
            // of its block; a block the record does not reach is filled with 0.
            int b = 0;
            int blockEnd = widths.front();
            int filled = 0;
            ForEachToken(record, [&](int column, std::string_view token) {
                const int t = column - 1;
                if (t < 1) {
                    return true;
                }
                while (t > blockEnd) {
                    if (++b == blocks) {
                        return false;
                    }
                    blockEnd += widths[static_cast<std::size_t>(b)];
                }
                text[b] += '\t';
                text[b] += token;
                ++filled;
                return true;
            });
            int d = 1; // the first descriptor of block c
            for (int c = 0; c < blocks; ++c) {
                const int width = widths[static_cast<std::size_t>(c)];
                const int have = std::clamp(filled - (d - 1), 0, width);
                for (int k = have; k < width; ++k) {
                    text[c] += "\t0";
                }
                d += width;
            }
        };
        const int r = ParseRecordsInBlocks(
            reader, false, {0, std::numeric_limits<int>::max()}, pool, makeLines, [&](int count) {
                for (int k = 0; k < count; ++k, ++written) {
                    const std::size_t at =
                        static_cast<std::size_t>(written % kRecordsInFlight) * blocks;
                    for (int b = 0; b < blocks; ++b) {
                        writers[static_cast<std::size_t>(b)]->Line(lines[at + b]);
                    }
                }
            });
        for (int b = 0; b < blocks; ++b) {
            LineWriter& writer = *writers[static_cast<std::size_t>(b)];
            line = "\t";
            line += column0[r];
            for (int c = 0; c < widths[static_cast<std::size_t>(b)]; ++c) {
                line += "\t0";
            }
            writer.Line(line);
            writer.Close();
            tables.NewtabTotalKB += static_cast<long long>(
                std::floor(static_cast<double>(writer.Bytes()) / 1000 + 0.5));
        }
    }
    for (int i = 1; i <= tables.NewtabCount; ++i) {
        cycle.TableNames[i].First = cycle.TableNames[i].Second;
        cycle.TableNames[i].Second = "0";
    }
    cycle.TableCount = tables.NewtabCount;
}

void ParseQsprTable(CycleInputs& cycle, TableState& tables, SignificantDescriptors& descriptors,
                    PairCorrelation& pair) {
    const int n = cycle.CalibrationCount;
    const int p = cycle.PredictionCount;
    TableCellStore& cells = tables.Cells;
    const int lines = std::max(cycle.QsprLastLine, n + p) + 1;
    cells.Names.resize(static_cast<std::size_t>(lines));
    cells.PropertyText.resize(static_cast<std::size_t>(lines));
    std::vector<std::string_view> tokens;
    for (int k = 0; k <= cycle.QsprLastLine; ++k) {
        Tokenise(cycle.QsprLines[k], tokens);
        cells.Names[k] = tokens.empty() ? std::string() : std::string(tokens[0]);
        cells.PropertyText[k] = tokens.size() > 1 ? std::string(tokens[1]) : std::string();
    }
    const int v = cycle.ValidationCount;
    cycle.ValidationNames.assign(static_cast<std::size_t>(std::max(v, 0)) + 1, std::string());
    for (int i = 1; i <= v; ++i) {
        const int row = n - v + i;
        if (row >= 0 && row < lines) {
            cycle.ValidationNames[i] = cells.Names[row];
        }
    }
    DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    dm.Reset(n + p + 5);
    pair.HoldRows(n + p);
    for (int k = 0; k <= n + p; ++k) {
        dm.MoleculeNames[k] = cells.Names[k];
    }
    dm.ColumnNames[kPropertyColumn] = cells.PropertyText[0];
    for (int k = 1; k <= n + p; ++k) {
        if (cells.PropertyText[k] != "?") {
            dm.At(k, kPropertyColumn) = TextToNumber(cells.PropertyText[k]);
        }
    }
    ++descriptors.DataVersion;
}

void LoadWorkTable(const CycleInputs& cycle, TableState& tables, WorkFileSet& workFiles,
                   WorkerPool* pool, ComputingWindow& window) {
    const int rows = cycle.CalibrationCount + cycle.PredictionCount + 1;
    TableCellStore& cells = tables.Cells;
    cells.Rows = rows;
    cells.Values.assign(static_cast<std::size_t>(kTableColumns) * rows, 0.0);
    for (int j = 1; j < kTableColumns; ++j) {
        cells.Headings[j] = "xxx";
    }
    tables.CurrentTableName = cycle.TableNames[tables.TableIndex].First;
    {
        // Records 0..QsprLastLine, parsed on the workers: each fills its own row.
        RecordReader reader(tables.CurrentTableName);
        auto parse = [&](int r, std::string_view record, int) {
            if (r == 0) {
                ForEachToken(record, [&](int c, std::string_view token) {
                    if (c >= kTableColumns) {
                        return false;
                    }
                    cells.Headings[c] = std::string(token);
                    return true;
                });
            } else if (r < rows) {
                ForEachToken(record, [&](int c, std::string_view token) {
                    if (c >= kTableColumns) {
                        return false;
                    }
                    cells.At(r, c) = TextToNumber(token);
                    return true;
                });
            }
        };
        ParseRecordsInBlocks(reader, false, {0, cycle.QsprLastLine}, pool, parse, [&](int count) {
            // One yield per record, as when they were read one by one.
            for (int k = 0; k < count; ++k) {
                window.Yield();
            }
        });
    }
    workFiles.Remove(tables.CurrentTableName);
    window.SetCaption(" After splitting ... deleting ... " +
                      tables.CurrentTableName.substr(tables.CurrentTableName.rfind('/') + 1));
    for (int i = 1; i < rows; ++i) {
        cells.At(i, 1) = 0;
    }
}

void ScreenTableColumns(const CycleInputs& cycle, TableState& tables, PairCorrelation& pair,
                        ComputingWindow& window, WorkerPool* pool) {
    const int n = cycle.CalibrationCount;
    TableCellStore& cells = tables.Cells;
    const int workers = pool != nullptr ? pool->Size() : 1;
    const int lastColumn = kTableColumns - 1;
    ForEachOn(pool, lastColumn, 16, [&](int first, int last, int) {
        for (int j = first + 1; j <= last; ++j) {
            double* column = cells.Column(j);
            for (int i = 1; i < cells.Rows; ++i) {
                if (column[i] == 0) {
                    column[i] = 0.0001;
                }
            }
        }
    });
    pair.HoldRows(n);
    std::fill(pair.X.begin() + 1, pair.X.end(), 0.0);
    std::fill(pair.Y.begin() + 1, pair.Y.end(), 0.0);
    for (int i = 1; i <= n; ++i) {
        pair.Y[i] = TextToNumber(cells.PropertyText[i]);
    }
    // Each column's r2 with the property: the columns before the last on every worker with
    // its own copy of the buffer (the same property values and fit rules), the calling
    // thread showing the progress; the last one here, so that the buffer is left as its
    // correlation leaves it.
    auto correlate = [&](int j, PairCorrelation& with, ComputingWindow& shown) {
        const double* column = cells.Column(j);
        for (int i = 1; i <= n; ++i) {
            with.X[i] = column[i];
        }
        CorrelatePair(with, n, shown);
        cells.ColumnR2[j] = with.R2;
    };
    std::vector<PairCorrelation> own(static_cast<std::size_t>(workers), pair);
    std::vector<SilentWindow> quiet(static_cast<std::size_t>(workers));
    ForEachOn(pool, lastColumn - 1, 16, [&](int first, int last, int worker) {
        for (int j = first + 1; j <= last; ++j) {
            if (worker == 0) {
                window.SetCaption(" Correlation " + PlainNumber(j) + " / 1099");
                window.Yield();
            }
            correlate(j, own[static_cast<std::size_t>(worker)],
                      quiet[static_cast<std::size_t>(worker)]);
        }
    });
    window.SetCaption(" Correlation " + PlainNumber(lastColumn) + " / 1099");
    window.Yield();
    correlate(lastColumn, pair, window);
}

} // namespace kalemir::qspr
