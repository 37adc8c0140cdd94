#include "qspr/core/BestSetReport.h"

#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/LineWriter.h"
#include "qspr/setup/QsprTables.h"

#include <unordered_map>
#include <vector>

namespace kalemir::qspr {

namespace {

std::vector<int> SlotColumns(const SearchState& search) {
    std::vector<int> columns;
    for (int b = 1; b <= kSetWidth; ++b) {
        const int c = static_cast<int>(search.BestSets[kBestByQSlot][b]);
        if (c != 0) {
            columns.push_back(c);
        }
    }
    return columns;
}

} // namespace

std::string PredictorCellText(const std::string& text) {
    return text.size() >= 8 ? text.substr(0, 7) : text;
}

std::string PredictorValueText(double value) {
    double rounded = RoundHalfAway(value, 4);
    if (rounded == 0) {
        rounded = 0; // no negative zero
    }
    return PredictorCellText(NumText(rounded));
}

void ReportBestPredictors(const CycleContext& context, const SignificantDescriptors& descriptors,
                          SearchState& search, PairCorrelation& pair) {
    const RunInputs& in = context.In;
    const CycleInputs& cycle = context.Cycle;
    const std::string& reportName = context.ReportName;
    ComputingWindow& window = context.Window;
    if (search.ValuableSetCount == 0) {
        return;
    }
    const int n = cycle.CalibrationCount;
    const int last = n + cycle.PredictionCount;
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    const std::vector<int> columns = SlotColumns(search);
    ReportAppender report(reportName);
    report.Lines(
        {"", " The most valuable predictors' set by correlation/intercorrelation is:", ""});
    for (int c : columns) {
        report.Line("          " + dm.ColumnNames[c]);
    }
    report.Lines({"", "    Square correlations predictor / Property:", ""});
    for (int c : columns) {
        const double f = dm.At(last + 4, c);
        const double r2 = f > 1 ? (f - 1 + cycle.MinPropertyR2) / f : 1.0;
        report.Line("   " + dm.ColumnNames[c] + "     " + PlainNumber(RoundDown(r2, 4)));
    }
    report.Lines({"", "    Intercorrelations of predictors:", ""});
    pair.HoldRows(cycle.CalibrationCount);
    for (std::size_t a = 0; a < columns.size(); ++a) {
        for (std::size_t b = a + 1; b < columns.size(); ++b) {
            std::fill(pair.X.begin() + 1, pair.X.end(), 0.0);
            std::fill(pair.Y.begin() + 1, pair.Y.end(), 0.0);
            const double* x = dm.Column(columns[a]);
            const double* y = dm.Column(columns[b]);
            for (int i = 1; i <= n; ++i) {
                pair.X[i] = x[i];
                pair.Y[i] = y[i];
            }
            CorrelatePair(pair, n, window);
            report.Line("   " + dm.ColumnNames[columns[a]] + "     " + dm.ColumnNames[columns[b]] +
                        "     " + PlainNumber(RoundDown(pair.R2, 4)));
        }
    }
    search.PrdFileName = PredictorFileName(in.QsprTableName, cycle.Number);
    report.Lines(
        {"", "    THE VALUE OF THE BELOW PREDICTORS is saved as " + search.PrdFileName + " file.",
         ""});
    report.Close();
}

void WriteBestSetValues(const CycleInputs& cycle, const TableState& tables,
                        const SignificantDescriptors& descriptors, const SearchState& search) {
    if (search.ValuableSetCount == 0) {
        return;
    }
    const int last = cycle.CalibrationCount + cycle.PredictionCount;
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    const std::vector<int> columns = SlotColumns(search);
    // The first matrix row of each molecule name: the cross-validation reorders rows.
    std::unordered_map<std::string, int> rowOf;
    for (int m = last; m >= 1; --m) {
        rowOf[dm.MoleculeNames[m]] = m;
    }
    LineWriter writer(search.PrdFileName);
    std::string line;
    for (int r = 0; r <= last; ++r) {
        const std::string& name = r == 0 ? std::string("Cases") : tables.Cells.Names[r];
        line = PredictorCellText(name) + "\t";
        const auto found = r == 0 ? rowOf.end() : rowOf.find(name);
        for (int c : columns) {
            if (r == 0) {
                line += PredictorCellText(dm.ColumnNames[c]);
            } else if (found != rowOf.end()) {
                line += PredictorValueText(dm.At(found->second, c) + dm.At(last + 1, c));
            } else {
                line += PredictorValueText(0);
            }
            line += '\t';
        }
        writer.Line(line);
    }
    writer.Close();
}

} // namespace kalemir::qspr
