#include "similarity/CliffList.h"

#include "common/NumberText.h"
#include "common/Report.h"
#include "common/SvgPlot.h"
#include "similarity/Measures.h"
#include "similarity/SimTable.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>

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
    const int nc = table.calibrationCount;
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
    // Grid cells: (x cell, y cell, is cliff) -> pairs.
    std::map<std::tuple<int, int, bool>, long> cells;
    for (int a = 1; a < nc; ++a) {
        const double* row = similarity.Row(a);
        for (int b = a + 1; b <= nc; ++b) {
            const double s = row[b - a - 1];
            const double d = std::fabs(Property(table, a) - Property(table, b));
            const bool cliff = s >= threshold;
            if (grid) {
                const int x = std::clamp(static_cast<int>(s * 200), 0, 199);
                const int y = std::clamp(static_cast<int>(d / span * 100), 0, 99);
                ++cells[{x, y, cliff}];
            } else {
                (cliff ? cliffs : plain).Points.push_back({s, d, {}});
            }
        }
    }
    for (const auto& [cell, count] : cells) {
        const auto [x, y, cliff] = cell;
        (cliff ? cliffs : plain)
            .Points.push_back(
                {(x + 0.5) / 200, (y + 0.5) / 100 * span, std::to_string(count) + " pairs"});
    }
    SvgPlotSpec spec;
    spec.Id = "sas-" + std::string(KindWord(measure));
    spec.Title = "Structure-activity similarity map, " + std::string(KindWord(measure)) +
                 " similarity" + (grid ? " (one point per occupied cell)" : "");
    spec.XLabel = "similarity";
    spec.YLabel = "|property difference|";
    spec.XMin = 0;
    spec.XMax = 1.02;
    spec.YMin = 0;
    spec.YMax = span * 1.05;
    spec.Guides = {{threshold, 0, threshold, spec.YMax, "#c00000", "threshold"}};
    spec.Series = {plain, cliffs};
    return DrawSvgPlot(spec);
}

} // namespace

double Sali(double similarity, double difference) {
    const double distance = 1 - similarity;
    if (distance <= 0) {
        return difference == 0 ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return std::fabs(difference) / distance;
}

double CliffThreshold(const RunChoices& choices, int measure) {
    return choices.cliffSimilarity >= 0 ? choices.cliffSimilarity
                                        : choices.minClusterSimilarity[measure];
}

std::vector<CliffRecord> ListCliffs(const PreparedTable& table, const PairMatrix& similarity,
                                    double threshold) {
    std::vector<CliffRecord> cliffs;
    const int nc = table.calibrationCount;
    for (int a = 1; a < nc; ++a) {
        const double* row = similarity.Row(a);
        for (int b = a + 1; b <= nc; ++b) {
            const double s = row[b - a - 1];
            if (s >= threshold) {
                cliffs.push_back({a, b, Sali(s, Property(table, a) - Property(table, b))});
            }
        }
    }
    std::stable_sort(cliffs.begin(), cliffs.end(),
                     [](const CliffRecord& x, const CliffRecord& y) { return x.sali > y.sali; });
    return cliffs;
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
    const std::string word(KindWord(measure));
    {
        ReportAppender file(CliffFileName(choices.tableFileName),
                            measure == kChemical ? ReportAppender::Mode::Create
                                                 : ReportAppender::Mode::Append);
        if (measure == kChemical) {
            file.Line("measure,molecule_a,molecule_b,similarity,difference,sali");
        }
        for (const CliffRecord& c : ListCliffs(table, similarity, threshold)) {
            file.Line(word + "," + CsvField(table.names[static_cast<std::size_t>(c.a)]) + "," +
                      CsvField(table.names[static_cast<std::size_t>(c.b)]) + "," +
                      PlainNumber(similarity(c.a, c.b)) + "," +
                      PlainNumber(Property(table, c.a) - Property(table, c.b)) + "," +
                      SaliText(c.sali));
        }
        file.Close();
    }
    WriteSvg(SasMapName(choices.tableFileName, measure),
             SasMap(table, similarity, measure, threshold));
}

} // namespace kalemir::sim
