#include "qspr/validation/ExternalValidation.h"

#include "common/Errors.h"
#include "common/Records.h"
#include "common/TextToNumber.h"
#include "qspr/core/CentredSums.h"
#include "qspr/setup/QsprTables.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace kalemir::qspr {

namespace {

double NotDefined() {
    return std::numeric_limits<double>::quiet_NaN();
}

double Mean(const std::vector<double>& v) {
    double sum = 0;
    for (const double x : v) {
        sum += x;
    }
    return v.empty() ? NotDefined() : sum / static_cast<double>(v.size());
}

/// 1 - residual / total through the origin: y regressed on x without an intercept.
double OriginR2(const std::vector<double>& y, const std::vector<double>& x) {
    double xy = 0;
    double xx = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        xy += x[i] * y[i];
        xx += x[i] * x[i];
    }
    if (!(xx > 0)) {
        return NotDefined();
    }
    const double k = xy / xx;
    const double my = Mean(y);
    double residual = 0;
    double total = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        residual += (y[i] - k * x[i]) * (y[i] - k * x[i]);
        total += (y[i] - my) * (y[i] - my);
    }
    return total > 0 ? 1 - residual / total : NotDefined();
}

double R2m(double r2, double r02) {
    return r2 * (1 - std::sqrt(std::fabs(r2 - r02)));
}

} // namespace

std::vector<std::string> PredictionMoleculesOf(const std::string& qsprTable) {
    std::vector<std::string> names;
    const std::vector<std::string> lines = ReadQsprLines(qsprTable);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (IsPredictionRecord(lines[i])) {
            const auto tokens = Tokenise(lines[i]);
            if (!tokens.empty()) {
                names.emplace_back(tokens[0]);
            }
        }
    }
    return names;
}

ObservedTable ReadObservedTable(const std::string& path,
                                const std::vector<std::string>& predictionNames) {
    ObservedTable table;
    table.Path = path;
    const std::unordered_set<std::string> known(predictionNames.begin(), predictionNames.end());
    std::unordered_set<std::string> seen;
    ForEachMoleculeRecord(
        path, [&](const std::string&, const std::vector<std::string_view>& tokens, long line) {
            const std::string where = path + " line " + std::to_string(line);
            const std::string name(tokens.empty() ? std::string_view() : tokens[0]);
            if (tokens.size() < 2 || !BeginsWithNumber(tokens[1])) {
                throw InputError(where + ": molecule " + name + " has no observed value");
            }
            if (known.count(name) == 0) {
                throw InputError(where + ": molecule " + name + " is not in the prediction set");
            }
            if (!seen.insert(name).second) {
                throw InputError(where + ": molecule " + name + " is given twice");
            }
            table.Molecules.push_back(name);
            table.Values.push_back(TextToNumber(tokens[1]));
        });
    if (table.Molecules.empty()) {
        throw InputError(path + ": no molecule with an observed value");
    }
    return table;
}

ObservedTable LoadObservedTable(const std::string& path, const std::string& qsprTable) {
    try {
        return ReadObservedTable(path, PredictionMoleculesOf(qsprTable));
    } catch (const FileError& e) {
        throw InputError(e.what());
    }
}

ExternalStatistics ComputeExternalStatistics(const std::vector<double>& y,
                                             const std::vector<double>& e,
                                             const std::vector<double>& training) {
    ExternalStatistics s;
    const std::size_t n = y.size();
    s.Count = static_cast<int>(n);
    if (n == 0) {
        s.Q2F1 = s.Q2F2 = s.Q2F3 = s.CCC = s.RMSEP = s.MAE = s.R2 = s.R2m = s.R2mMean = s.R2mDelta =
            NotDefined();
        return s;
    }
    const double meanTraining = Mean(training);
    const double trainingSquares =
        training.empty()
            ? 0.0
            : CentredSumsOf(training.data(), static_cast<int>(training.size())).Squares;
    const CentredPairSums sums = CentredPairSumsOf(y.data(), e.data(), static_cast<int>(n));
    const double my = sums.MeanX;
    const double me = sums.MeanY;
    const double syy = sums.Sxx;
    const double see = sums.Syy;
    const double sye = sums.Sxy;
    double press = 0;
    double absolute = 0;
    double aboutTraining = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = y[i] - e[i];
        press += d * d;
        absolute += std::fabs(d);
        aboutTraining += (y[i] - meanTraining) * (y[i] - meanTraining);
    }
    const double count = static_cast<double>(n);
    s.Q2F1 = aboutTraining > 0 ? 1 - press / aboutTraining : NotDefined();
    s.Q2F2 = syy > 0 ? 1 - press / syy : NotDefined();
    s.Q2F3 = trainingSquares > 0 && !training.empty()
                 ? 1 - (press / count) / (trainingSquares / static_cast<double>(training.size()))
                 : NotDefined();
    const double cccDenominator = syy + see + count * (my - me) * (my - me);
    s.CCC = cccDenominator > 0 ? 2 * sye / cccDenominator : NotDefined();
    s.RMSEP = std::sqrt(press / count);
    s.MAE = absolute / count;
    s.R2 = syy * see > 0 ? sye * sye / (syy * see) : NotDefined();
    const double r2m = R2m(s.R2, OriginR2(y, e));
    const double r2mSwapped = R2m(s.R2, OriginR2(e, y));
    s.R2m = r2m;
    s.R2mMean = (r2m + r2mSwapped) / 2;
    s.R2mDelta = std::fabs(r2m - r2mSwapped);
    return s;
}

std::vector<ExternalStatistics> ValidateExternally(const RunRecord& record,
                                                   CalibrationDiagnostics& diagnostics,
                                                   const ObservedTable& observed) {
    std::unordered_map<std::string, double> value;
    for (std::size_t i = 0; i < observed.Molecules.size(); ++i) {
        value[observed.Molecules[i]] = observed.Values[i];
    }
    std::vector<ExternalStatistics> all;
    std::vector<double> y;
    std::vector<double> e;
    for (PredictionDiagnostic& pd : diagnostics.Prediction) {
        const auto it = value.find(pd.Name);
        if (it == value.end()) {
            continue;
        }
        pd.Observed = it->second;
        pd.StandardisedResidual =
            diagnostics.SEE > 0 ? (it->second - pd.Estimated) / diagnostics.SEE : NotDefined();
        y.push_back(it->second);
        e.push_back(pd.Estimated);
    }
    ExternalStatistics best = ComputeExternalStatistics(y, e, record.BestModel.Observed);
    best.Source = "best equation by Q";
    all.push_back(std::move(best));
    for (const PredictionBlockRecord& block : record.PredictionBlocks) {
        y.clear();
        e.clear();
        for (std::size_t j = 0; j < record.PredictionNames.size() && j < block.Estimates.size();
             ++j) {
            const auto it = value.find(record.PredictionNames[j]);
            if (it != value.end()) {
                y.push_back(it->second);
                e.push_back(block.Estimates[j]);
            }
        }
        ExternalStatistics s = ComputeExternalStatistics(y, e, record.BestModel.Observed);
        s.Source = "estimates file, equation #" + std::to_string(block.Number);
        all.push_back(std::move(s));
    }
    return all;
}

} // namespace kalemir::qspr
