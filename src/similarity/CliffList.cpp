#include "similarity/CliffList.h"

#include "common/Errors.h"
#include "common/FileFaults.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/SvgPlot.h"
#include "common/WorkFiles.h"
#include "similarity/Measures.h"
#include "similarity/SimTable.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <queue>

namespace kalemir::sim {

namespace {

/// A name as a CSV field: quoted when it holds a comma, a quote or a blank.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\" ") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

std::string SaliText(double sali) {
    return std::isinf(sali) ? "inf" : PlainNumber(sali);
}

double Property(const PreparedTable& table, int row) {
    return table.Fixed(row, kPropertyColumn);
}

/// Writes an SVG text line by line through the report appender.
void WriteSvg(const std::string& path, const std::string& svg) {
    ReportAppender file(path, ReportAppender::Mode::Create);
    std::size_t start = 0;
    for (std::size_t end = svg.find('\n'); end != std::string::npos;
         start = end + 1, end = svg.find('\n', start)) {
        file.Line(std::string_view(svg).substr(start, end - start));
    }
    file.Close();
}

/// The map: one point per pair, or per occupied grid cell for large sets; cliffs in red.
std::string SasMap(const PreparedTable& table, const PairMatrix& similarity, int measure,
                   double threshold) {
    const int nc = table.CalibrationCount;
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (int a = 1; a <= nc; ++a) {
        low = std::min(low, Property(table, a));
        high = std::max(high, Property(table, a));
    }
    const double span = nc > 0 && high > low ? high - low : 1;
    const long pairs = nc < 2 ? 0 : static_cast<long>(nc) * (nc - 1) / 2;
    const bool grid = pairs > kMaxMapPairs;
    SvgSeries plain{"pairs", "#9aa7b8", false, {}, !grid};
    SvgSeries cliffs{
        "cliffs (similarity >= " + PlainNumber(threshold) + ")", "#c00000", false, {}, !grid};
    // Grid cells of the large sets: pairs per (is cliff, x cell, y cell).
    std::vector<long> cells(grid ? 2 * 200 * 100 : 0, 0);
    for (int a = 1; a < nc; ++a) {
        const double* row = similarity.Row(a);
        for (int b = a + 1; b <= nc; ++b) {
            const double s = row[b - a - 1];
            const double d = std::fabs(Property(table, a) - Property(table, b));
            const bool cliff = s >= threshold;
            if (grid) {
                const int x = std::clamp(static_cast<int>(s * 200), 0, 199);
                const int y = std::clamp(static_cast<int>(d / span * 100), 0, 99);
                ++cells[static_cast<std::size_t>(((cliff ? 1 : 0) * 200 + x) * 100 + y)];
            } else {
                (cliff ? cliffs : plain).Points.push_back({s, d, {}});
            }
        }
    }
    for (std::size_t cell = 0; cell < cells.size(); ++cell) {
        if (cells[cell] == 0) {
            continue;
        }
        const double x = static_cast<double>(cell / 100 % 200);
        const double y = static_cast<double>(cell % 100);
        (cell >= 200 * 100 ? cliffs : plain)
            .Points.push_back(
                {(x + 0.5) / 200, (y + 0.5) / 100 * span, std::to_string(cells[cell]) + " pairs"});
    }
    SvgPlotContent plot;
    plot.Id = "sas-" + std::string(KindWord(measure));
    plot.Title = "Structure-activity similarity map, " + std::string(KindWord(measure)) +
                 " similarity" + (grid ? " (one point per occupied cell)" : "");
    plot.XLabel = "similarity";
    plot.YLabel = "|property difference|";
    plot.XMin = 0;
    plot.XMax = 1.02;
    plot.YMin = 0;
    plot.YMax = span * 1.05;
    plot.Guides = {{threshold, 0, threshold, plot.YMax, "#c00000", "threshold"}};
    plot.Series = {plain, cliffs};
    return DrawSvgPlot(plot);
}

/// Calls visit for each calibration pair at or above the threshold, in pair order.
template <typename Visit>
void ForEachCliff(const PreparedTable& table, const PairMatrix& similarity, double threshold,
                  Visit&& visit) {
    const int nc = table.CalibrationCount;
    for (int a = 1; a < nc; ++a) {
        const double* row = similarity.Row(a);
        for (int b = a + 1; b <= nc; ++b) {
            const double s = row[b - a - 1];
            if (s >= threshold) {
                visit(CliffRecord{a, b, Sali(s, Property(table, a) - Property(table, b))});
            }
        }
    }
}

void SortBySali(std::vector<CliffRecord>& cliffs) {
    std::stable_sort(cliffs.begin(), cliffs.end(),
                     [](const CliffRecord& x, const CliffRecord& y) { return x.Sali > y.Sali; });
}

/// Sorted runs of cliffs in one work file, merged back in order: the largest SALI first,
/// on ties the earlier run (whose pairs come first in pair order), then the run's order.
class SortedRuns {
public:
    SortedRuns() = default;
    SortedRuns(const SortedRuns&) = delete;
    SortedRuns& operator=(const SortedRuns&) = delete;
    ~SortedRuns() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    std::size_t Count() const { return ends_.size(); }

    void Append(const std::vector<CliffRecord>& run) {
        if (file_ == nullptr) {
            path_ = WorkFilePath("cliffs.bin");
            work_.Add(path_);
            file_ = std::fopen(path_.c_str(), "w+b");
            if (file_ == nullptr) {
                throw FileError(path_ + ": cannot write: " + std::strerror(errno));
            }
        }
        if (!WriteBytes(file_, run.data(), run.size() * sizeof(CliffRecord))) {
            throw FileError(path_ + ": cannot write: " + std::strerror(errno));
        }
        ends_.push_back((ends_.empty() ? 0 : ends_.back()) + run.size());
    }

    /// Calls emit for every cliff of the runs in merged order.
    template <typename Emit> void Merge(Emit&& emit) {
        if (std::fflush(file_) != 0) {
            throw FileError(path_ + ": cannot write: " + std::strerror(errno));
        }
        std::vector<Cursor> cursors(ends_.size());
        for (std::size_t r = 0; r < ends_.size(); ++r) {
            cursors[r].Next = r == 0 ? 0 : ends_[r - 1];
            cursors[r].End = ends_[r];
        }
        // Heads of the runs: the top is the largest SALI, then the lowest run number.
        auto after = [&cursors](std::size_t x, std::size_t y) {
            const double sx = cursors[x].Head().Sali;
            const double sy = cursors[y].Head().Sali;
            return sx != sy ? sx < sy : x > y;
        };
        std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(after)> heads(after);
        for (std::size_t r = 0; r < cursors.size(); ++r) {
            if (Refill(cursors[r])) {
                heads.push(r);
            }
        }
        while (!heads.empty()) {
            const std::size_t r = heads.top();
            heads.pop();
            emit(cursors[r].Head());
            ++cursors[r].Pos;
            if (cursors[r].Pos < cursors[r].Block.size() || Refill(cursors[r])) {
                heads.push(r);
            }
        }
    }

private:
    /// A run being merged: its unread records [next, end) and a block read from it.
    struct Cursor {
        std::size_t Next = 0;
        std::size_t End = 0;
        std::vector<CliffRecord> Block;
        std::size_t Pos = 0;
        const CliffRecord& Head() const { return Block[Pos]; }
    };
    static constexpr std::size_t kBlock = 4096;

    /// Reads the cursor's next block; false when its run is used up.
    bool Refill(Cursor& c) {
        const std::size_t count = std::min(kBlock, c.End - c.Next);
        c.Block.resize(count);
        c.Pos = 0;
        if (count == 0) {
            return false;
        }
        if (std::fseek(file_, static_cast<long>(c.Next * sizeof(CliffRecord)), SEEK_SET) != 0 ||
            std::fread(c.Block.data(), sizeof(CliffRecord), count, file_) != count) {
            throw FileError(path_ + ": cannot read back: " + std::strerror(errno));
        }
        c.Next += count;
        return true;
    }

    WorkFileSet work_;
    std::string path_;
    std::FILE* file_ = nullptr;
    std::vector<std::size_t> ends_;
};

} // namespace

double Sali(double similarity, double difference) {
    const double distance = 1 - similarity;
    if (distance <= 0) {
        return difference == 0 ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return std::fabs(difference) / distance;
}

double CliffThreshold(const RunChoices& choices, int measure) {
    return choices.CliffSimilarity >= 0 ? choices.CliffSimilarity
                                        : choices.MinClusterSimilarity[measure];
}

std::vector<CliffRecord> ListCliffs(const PreparedTable& table, const PairMatrix& similarity,
                                    double threshold) {
    std::vector<CliffRecord> cliffs;
    ForEachCliff(table, similarity, threshold, [&](const CliffRecord& c) { cliffs.push_back(c); });
    SortBySali(cliffs);
    return cliffs;
}

void WriteMeasureCliffs(ReportAppender& file, const PreparedTable& table,
                        const PairMatrix& similarity, int measure, double threshold,
                        std::size_t chunk) {
    const std::string word(KindWord(measure));
    auto line = [&](const CliffRecord& c) {
        file.Line(word + "," + CsvField(table.Names[static_cast<std::size_t>(c.A)]) + "," +
                  CsvField(table.Names[static_cast<std::size_t>(c.B)]) + "," +
                  PlainNumber(similarity(c.A, c.B)) + "," +
                  PlainNumber(Property(table, c.A) - Property(table, c.B)) + "," +
                  SaliText(c.Sali));
    };
    chunk = std::max<std::size_t>(chunk, 1);
    std::vector<CliffRecord> held;
    SortedRuns runs;
    ForEachCliff(table, similarity, threshold, [&](const CliffRecord& c) {
        held.push_back(c);
        if (held.size() == chunk) {
            SortBySali(held);
            runs.Append(held);
            held.clear();
        }
    });
    SortBySali(held);
    if (runs.Count() == 0) {
        for (const CliffRecord& c : held) {
            line(c);
        }
        return;
    }
    if (!held.empty()) {
        runs.Append(held);
    }
    std::vector<CliffRecord>().swap(held);
    runs.Merge(line);
}

std::string CliffFileName(const std::string& tableFileName) {
    return NamePrefix(tableFileName) + "cliffs.csv";
}

std::string SasMapName(const std::string& tableFileName, int measure) {
    return NamePrefix(tableFileName) + "sas-" + std::string(KindWord(measure)) + ".svg";
}

void WriteCliffs(const RunChoices& choices, const PreparedTable& table,
                 const PairMatrix& similarity, int measure) {
    const double threshold = CliffThreshold(choices, measure);
    {
        ReportAppender file(CliffFileName(choices.TableFileName),
                            measure == kChemical ? ReportAppender::Mode::Create
                                                 : ReportAppender::Mode::Append);
        if (measure == kChemical) {
            file.Line("measure,molecule_a,molecule_b,similarity,difference,sali");
        }
        WriteMeasureCliffs(file, table, similarity, measure, threshold);
        file.Close();
    }
    WriteSvg(SasMapName(choices.TableFileName, measure),
             SasMap(table, similarity, measure, threshold));
}

} // namespace kalemir::sim
