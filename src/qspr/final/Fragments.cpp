#include "qspr/final/Fragments.h"

#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "common/Records.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "common/TextToNumber.h"
#include "qspr/core/Correlation.h"
#include "qspr/setup/QsprTables.h"

#include <cmath>
#include <vector>

namespace kalemir::qspr {

namespace {

/// Fragment columns 2..99 of the cells; column 100 holds the property.
constexpr int kLastFragmentColumn = 99;
constexpr int kFragmentColumns = 101;

struct FragmentCells {
    int Rows = 0; ///< rows 0..N+1
    std::vector<std::string> Names = std::vector<std::string>(kFragmentColumns, "xxx");
    std::vector<std::string> MoleculeNames; ///< column 1 of rows 1..N+1
    std::vector<double> Values;             ///< row-major, kFragmentColumns per row

    double& At(int r, int c) { return Values[static_cast<std::size_t>(r) * kFragmentColumns + c]; }
};

void ReadFragmentTable(const std::string& path, FragmentCells& cells, ComputingWindow& window) {
    RecordReader reader(path);
    std::string record;
    std::vector<std::string_view> tokens;
    for (int r = 0; r < cells.Rows; ++r) {
        reader.Read(record);
        Tokenise(record, tokens);
        int column = 1;
        for (const std::string_view token : tokens) {
            if (r == 0) {
                cells.Names[column] = std::string(token);
            } else if (column == 1) {
                cells.MoleculeNames[r] = std::string(token);
            } else {
                cells.At(r, column) = TextToNumber(token);
            }
            if (column < kLastFragmentColumn) {
                ++column;
            }
        }
        window.Yield();
        if (reader.AtEnd()) {
            break;
        }
    }
}

} // namespace

bool IsSignificantFragment(double r, int n) {
    return r * r > std::log(static_cast<double>(n)) / n;
}

std::string FragmentLine(const std::string& fragment, const std::string& molecule, double r) {
    std::string name = fragment;
    if (name.size() < 8) {
        name.append(8 - name.size(), ' ');
    }
    return "        " + name + "   included in  " + molecule +
           "  molecule   r =  " + PlainNumber(RoundDown(r, 4));
}

void ReportFragments(RunResults& results, const CycleInputs& cycle, const OutlierState& outliers,
                     PairCorrelation& pair, ComputingWindow& window, ReportAppender& report) {
    const int n = cycle.CalibrationCount;
    FragmentCells cells;
    cells.Rows = n + 2;
    cells.MoleculeNames.assign(static_cast<std::size_t>(cells.Rows), std::string("0"));
    cells.Values.assign(static_cast<std::size_t>(cells.Rows) * kFragmentColumns, 0.0);
    std::vector<std::string_view> tokens;
    for (int i = 1; i <= n && i < static_cast<int>(cycle.QsprLines.size()); ++i) {
        Tokenise(cycle.QsprLines[i], tokens);
        cells.At(i, 100) = tokens.size() > 1 ? TextToNumber(tokens[1]) : 0.0;
    }
    for (int t = 1; t <= cycle.SelectedTableCount; ++t) {
        const std::string& name = cycle.ChosenTableNames[t].First;
        if (HasTableSuffix(name, "vfr.des")) {
            ReadFragmentTable(name, cells, window);
        }
    }
    int fragments = 0;
    for (int c = 2; c <= kLastFragmentColumn; ++c) {
        if (cells.Names[c] != "xxx") {
            ++fragments;
        }
    }
    report.Lines({"", "     TOTAL NUMBER OF IDENTIFIED MOLECULAR FRAGMENTS IN THE CALIBRATION SET "
                      "IS " +
                          PlainNumber(fragments)});
    report.Line(outliers.OutlierSteps > 0
                    ? "     SIGNIFICANT MOLECULAR FRAGMENTS AFTER ELIMINATION OF HIGH OUTLIERS ARE"
                    : "     SIGNIFICANT MOLECULAR FRAGMENTS ARE");
    report.Line("");
    pair.HoldRows(n);
    std::fill(pair.X.begin(), pair.X.end(), 0.0);
    std::fill(pair.Y.begin(), pair.Y.end(), 0.0);
    for (int i = 1; i <= n; ++i) {
        pair.Y[i] = cells.At(i, 100);
    }
    pair.SignedR2 = 0;
    int significant = 0;
    results.Record.FragmentsReported = true;
    results.Record.FragmentCount = fragments;
    results.Record.Fragments.clear();
    for (int f = 2; f <= fragments + 1; ++f) {
        for (int i = 1; i <= n; ++i) {
            pair.X[i] = cells.At(i, f);
        }
        CorrelatePair(pair, n, window);
        const double r = pair.R;
        FragmentRecord& kept = results.Record.Fragments.emplace_back();
        kept.Name = cells.Names[f];
        kept.R = r;
        if (!IsSignificantFragment(r, n)) {
            continue;
        }
        ++significant;
        kept.Significant = true;
        for (int i = 1; i <= n; ++i) {
            if (cells.At(i, f) > 0.04) {
                report.Line(FragmentLine(cells.Names[f], cells.MoleculeNames[i], r));
                kept.Molecule = cells.MoleculeNames[i];
                break;
            }
        }
    }
    if (significant > 0) {
        report.Lines({"",
                      "     Correlation sign + means 'high mass percent of this fragment increases "
                      "the Property value'.",
                      "     Correlation sign - means 'high mass percent of this fragment decreases "
                      "the Property value'."});
    } else {
        report.Line("     MISSING");
    }
}

} // namespace kalemir::qspr
