#include "qspr/final/PredictorFiles.h"

#include "common/Errors.h"
#include "common/TextToNumber.h"
#include "qspr/core/BestSetReport.h"
#include "qspr/core/LineWriter.h"
#include "qspr/setup/QsprTables.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kalemir::qspr {

std::string EquationPredictorFileName(const std::string& qsprTableName, int equation) {
    return NamePrefix(qsprTableName, 5) + "#" + std::to_string(equation) + "prd.dat";
}

void WritePredictorFile(const RunInputs& in, const CycleInputs& cycle,
                        const SignificantDescriptors& descriptors, const SearchState& search,
                        const FinalWork& work) {
    const int e = work.EquationNumber;
    const int p = search.FitTermCount;
    const int last = cycle.CalibrationCount + cycle.PredictionCount;
    const DescriptorMatrixStore& dm = descriptors.DescriptorMatrix;
    const PredictorSet& set = search.KeptSets[e];
    LineWriter writer(EquationPredictorFileName(in.QsprTableName, e));
    std::string line;
    for (int i = 0; i <= last; ++i) {
        line = PredictorCellText(i == 0 ? std::string("Cases") : dm.MoleculeNames[i]);
        line += '\t';
        for (int k = 1; k <= p; ++k) {
            const int c = set[k];
            if (i == 0) {
                line += PredictorCellText(c != 0 ? dm.ColumnNames[c] : std::string());
            } else {
                line += PredictorValueText(c != 0 ? dm.At(i, c) + dm.At(last + 1, c) : 0.0);
            }
            line += '\t';
        }
        writer.Line(line);
    }
    writer.Close();
}

bool Leverages(const std::vector<double>& x, int p, int calibrationRows, int first, int last,
               std::vector<double>& leverage) {
    const std::size_t width = static_cast<std::size_t>(p) + 1;
    leverage.assign(static_cast<std::size_t>(std::max(last, 0)) + 1, 0.0);
    if (p < 1) {
        return false;
    }
    // M = X'X and [M | I] reduced to [I | M^-1].
    std::vector<double> m(static_cast<std::size_t>(p) * 2 * p, 0.0);
    auto at = [&](int r, int c) -> double& { return m[static_cast<std::size_t>(r) * 2 * p + c]; };
    for (int a = 0; a < p; ++a) {
        for (int b = 0; b < p; ++b) {
            double sum = 0;
            for (int i = 1; i <= calibrationRows; ++i) {
                sum += x[i * width + a + 1] * x[i * width + b + 1];
            }
            at(a, b) = sum;
        }
        at(a, p + a) = 1;
    }
    double scale = 0;
    for (int a = 0; a < p; ++a) {
        scale = std::fmax(scale, std::fabs(at(a, a)));
    }
    const double tolerance = scale * 1e-12;
    for (int col = 0; col < p; ++col) {
        int pivotRow = col;
        for (int r = col + 1; r < p; ++r) {
            if (std::fabs(at(r, col)) > std::fabs(at(pivotRow, col))) {
                pivotRow = r;
            }
        }
        if (!(std::fabs(at(pivotRow, col)) > tolerance)) {
            return false;
        }
        if (pivotRow != col) {
            for (int c = 0; c < 2 * p; ++c) {
                std::swap(at(pivotRow, c), at(col, c));
            }
        }
        const double pivot = at(col, col);
        for (int c = 0; c < 2 * p; ++c) {
            at(col, c) /= pivot;
        }
        for (int r = 0; r < p; ++r) {
            if (r == col) {
                continue;
            }
            const double f = at(r, col);
            if (f == 0) {
                continue;
            }
            for (int c = 0; c < 2 * p; ++c) {
                at(r, c) -= f * at(col, c);
            }
        }
    }
    for (int j = first; j <= last; ++j) {
        const double* row = x.data() + static_cast<std::size_t>(j) * width + 1;
        double h = 0;
        for (int a = 0; a < p; ++a) {
            double sum = 0;
            for (int b = 0; b < p; ++b) {
                sum += at(a, p + b) * row[b];
            }
            h += row[a] * sum;
        }
        leverage[j] = h;
    }
    return true;
}

void AssessApplicability(const RunInputs& in, const CycleInputs& cycle, const SearchState& search,
                         FinalWork& work) {
    const int n = cycle.CalibrationCount;
    const int np = n + cycle.PredictionCount;
    const int p = search.FitTermCount;
    const std::size_t width = static_cast<std::size_t>(p) + 1;
    const std::string path = EquationPredictorFileName(in.QsprTableName, work.EquationNumber);
    std::vector<double> x((static_cast<std::size_t>(np) + 1) * width, 0.0);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw FileError(path + ": cannot open: " + std::strerror(errno));
    }
    std::string line;
    int row = 0;
    int c = 0;
    while (row <= np && (c = std::fgetc(file)) != EOF) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (row >= 1) {
            std::size_t start = 0;
            for (int k = 0; k <= p; ++k) {
                const std::size_t tab = line.find('\t', start);
                const std::string_view cell =
                    start <= line.size()
                        ? std::string_view(line).substr(
                              start, tab == std::string::npos ? std::string::npos : tab - start)
                        : std::string_view();
                if (k >= 1) {
                    x[static_cast<std::size_t>(row) * width + k] = TextToNumber(cell);
                }
                if (tab == std::string::npos) {
                    break;
                }
                start = tab + 1;
            }
        }
        line.clear();
        ++row;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        throw FileError(path + ": cannot read");
    }
    std::vector<double> leverage;
    const int pc = cycle.PredictionCount;
    work.LeverageValues.assign(static_cast<std::size_t>(pc) + 1, 0.0f);
    work.LeverageMean = 0;
    work.LeverageSpread = 0;
    if (!Leverages(x, p, n, n + 1, np, leverage) || pc < 1) {
        return;
    }
    double sum = 0;
    for (int j = 1; j <= pc; ++j) {
        work.LeverageValues[j] = static_cast<float>(leverage[n + j]);
        sum += work.LeverageValues[j];
    }
    work.LeverageMean = sum / pc;
    if (pc > 1) {
        double squares = 0;
        for (int j = 1; j <= pc; ++j) {
            const double d = work.LeverageValues[j] - work.LeverageMean;
            squares += d * d;
        }
        work.LeverageSpread = static_cast<float>(std::sqrt(squares / (pc - 1)));
    }
}

} // namespace kalemir::qspr
