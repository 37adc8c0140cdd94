#include "qspr/validation/ModelReport.h"

#include "common/DateTime.h"
#include "common/Records.h"
#include "common/SvgPlot.h"
#include "qspr/validation/Qmrf.h"
#include "qspr/validation/WilliamsPlot.h"

#include <array>
#include <charconv>
#include <cmath>
#include <ctime>

#ifndef KALEMIR_VERSION
#define KALEMIR_VERSION "0"
#endif

namespace kalemir::qspr {

namespace {

/// Shortest text that reads back as the same double ("nan" for a figure not defined).
std::string FullPrecision(double x) {
    if (!std::isfinite(x)) {
        return "nan";
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    return std::string(buffer.data(), result.ptr);
}

/// A table cell holding a figure: 4 decimals shown, the full value in data-value.
std::string Cell(const std::string& id, double x, int decimals = 4) {
    return "<td class=\"num\" id=\"" + EscapeMarkup(id) + "\" data-value=\"" + FullPrecision(x) +
           "\">" + FixedText(x, decimals) + "</td>";
}

/// A probability: 4 decimals, or two significant digits in exponent form below 0.001.
std::string ProbabilityCell(const std::string& id, double p) {
    std::string text = FixedText(p, 4);
    if (std::isfinite(p) && p < 0.001) {
        std::array<char, 32> buffer{};
        const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), p,
                                          std::chars_format::scientific, 1);
        text.assign(buffer.data(), result.ptr);
    }
    return "<td class=\"num\" id=\"" + EscapeMarkup(id) + "\" data-value=\"" + FullPrecision(p) +
           "\">" + text + "</td>";
}

std::string Td(const std::string& text) {
    return "<td>" + EscapeMarkup(text) + "</td>";
}

/// A row of a two-column table of figures: name, value, what it means.
std::string FigureRow(const std::string& name, const std::string& id, double x,
                      const std::string& meaning, int decimals = 4) {
    return "<tr><th>" + EscapeMarkup(name) + "</th>" + Cell(id, x, decimals) + Td(meaning) +
           "</tr>\n";
}

std::string CountRow(const std::string& name, const std::string& id, long long count,
                     const std::string& meaning) {
    return "<tr><th>" + EscapeMarkup(name) + "</th><td class=\"num\" id=\"" + id +
           "\" data-value=\"" + std::to_string(count) + "\">" + std::to_string(count) + "</td>" +
           Td(meaning) + "</tr>\n";
}

std::string EquationText(const BestModelRecord& m) {
    std::string text = "estimate = " + FixedText(m.Intercept, 4);
    for (std::size_t k = 0; k < m.Descriptors.size(); ++k) {
        text += (m.Coefficients[k] < 0 ? " - " : " + ") +
                FixedText(std::fabs(m.Coefficients[k]), 4) + " " + m.Descriptors[k];
    }
    return text;
}

std::string TermRow(const std::string& id, const TermStatistics& t,
                    const PredictorMeaning* meaning) {
    std::string row = "<tr>" + Td(t.Term) + Cell(id + "-coefficient", t.Coefficient) +
                      Cell(id + "-se", t.StandardError) + Cell(id + "-t", t.T, 3) +
                      ProbabilityCell(id + "-p", t.P) + Cell(id + "-vif", t.Vif, 3);
    if (meaning == nullptr) {
        return row + "<td colspan=\"2\">constant term</td></tr>\n";
    }
    return row + Td(meaning->Family) +
           Td(meaning->Table.empty() ? "not found in the descriptor tables"
                                     : "column " + meaning->Descriptor + " of " + meaning->Table) +
           "</tr>\n";
}

std::string EquationSection(const ValidationFigures& v, const ModelFacts& facts,
                            const BestModelRecord& m) {
    std::string s = "<h2 id=\"equation\">Equation (best by Q, cycle " + std::to_string(m.Cycle) +
                    ")</h2>\n<p class=\"equation\">" + EscapeMarkup(EquationText(m)) + "</p>\n";
    s += "<table class=\"terms\"><tr><th>term</th><th>coefficient</th><th>standard error</th>"
         "<th>t</th><th>p</th><th>VIF</th><th>family</th><th>what it is</th></tr>\n";
    s += TermRow("intercept", facts.Coefficients.Intercept, nullptr);
    for (std::size_t k = 0; k < facts.Coefficients.Terms.size(); ++k) {
        s += TermRow("term-" + std::to_string(k + 1), facts.Coefficients.Terms[k],
                     k < facts.Predictors.size() ? &facts.Predictors[k] : nullptr);
    }
    s += "</table>\n<p class=\"note\">Standard errors from the residual variance RSS / (n - p - 1) "
         "with " +
         std::to_string(facts.Coefficients.DegreesOfFreedom) +
         " degrees of freedom; p two-sided from Student's t; VIF = 1 / (1 - R2 of the predictor "
         "on the others), above 10 a predictor largely repeats the others. Residual SD " +
         FixedText(v.Diagnostics.SEE, 4) + ".</p>\n";
    return s;
}

std::string CalibrationSection(const ModelFacts& facts, const BestModelRecord& m) {
    std::string s =
        "<h2 id=\"calibration\">Calibration statistics</h2>\n<table class=\"figures\">\n";
    const std::size_t n = m.CalibrationNames.size();
    const std::size_t p = m.Descriptors.size();
    s += CountRow("n", "calibration-n", static_cast<long long>(n), "calibration molecules");
    s += CountRow("p", "calibration-p", static_cast<long long>(p), "predictors");
    s += FigureRow("n / p", "calibration-ratio", p > 0 ? double(n) / double(p) : NAN,
                   "molecules per predictor; five or more is the usual rule", 1);
    if (const CycleRecord* c = facts.BestCycle) {
        s += FigureRow("r2", "calibration-r2", c->R2,
                       "squared correlation of estimated and observed");
        s += FigureRow(
            "Q", "calibration-q", c->Q,
            "sqrt(r2 / (1 - r2)) ((n - p) / (n + p))^2, the criterion the search ranks by");
        s += FigureRow("F", "calibration-f", c->F, "Fisher's ratio of the regression", 2);
        s += FigureRow("SEE", "calibration-see", c->SEE, "standard error of estimation");
        s += FigureRow("RMS", "calibration-rms", c->RMS, "root mean square of the residuals");
        s += FigureRow("r2CV", "calibration-r2cv", c->R2CV, "cross-validated r2 of the search");
        s += FigureRow("Kendall tau", "calibration-kendall", c->Kendall,
                       "rank agreement of estimated and observed");
    }
    return s + "</table>\n";
}

std::string LeaveOneOutSection(const ValidationFigures& v) {
    const LeaveOneOutSummary& l = v.LeaveOneOut;
    std::string s = "<h2 id=\"loo\">Leave-one-out</h2>\n<table class=\"figures\">\n";
    s += FigureRow("Q2 LOO", "loo-q2", l.Q2,
                   "share of the variance predicted for molecules left out; accepted above 0.5");
    s += FigureRow("RMSE LOO", "loo-rmse", l.Rmse, "error of the left-out estimates");
    s += FigureRow("PRESS", "loo-press", l.Press, "sum of squared left-out errors");
    s += CountRow("n LOO", "loo-n", l.Count, "molecules with a left-out estimate");
    s += FigureRow("h*", "warning-leverage", v.Diagnostics.WarningLeverage,
                   "warning leverage 3 (p + 1) / n");
    s += "</table>\n";
    for (const std::string& name : l.FittedExactly) {
        s += "<p>" + EscapeMarkup(name) + " has leverage 1 and no left-out estimate.</p>\n";
    }
    return s;
}

std::string RandomisationSection(const ValidationFigures& v, const ModelFacts& facts) {
    std::string s = "<h2 id=\"randomisation\">Y-randomisation</h2>\n";
    if (!v.Randomisation || v.Randomisation->Runs == 0) {
        return s + "<p>not run (KalemirQ run --randomise M runs it)</p>\n";
    }
    const RandomisationSummary& y = *v.Randomisation;
    s += "<table class=\"figures\">\n";
    s += CountRow("runs", "randomisation-runs", y.Runs, "analyses on permuted property values");
    s += "<tr><th>seed</th><td class=\"num\">" + std::to_string(y.Seed) +
         "</td><td>of the permutations; the same seed, the same runs</td></tr>\n";
    s += FigureRow("mean r2", "randomisation-mean-r2", y.MeanR2, "far below the real r2");
    s += FigureRow("max r2", "randomisation-max-r2", y.MaxR2, "below the real r2");
    s += FigureRow("mean Q", "randomisation-mean-q", y.MeanQ, "far below the real Q");
    s += FigureRow("max Q", "randomisation-max-q", y.MaxQ, "below the real Q");
    s +=
        FigureRow("cR2p", "randomisation-cr2p", y.CR2p, "r sqrt(r2 - mean permuted r2); above 0.5");
    s += FigureRow("share Q reached", "randomisation-share-q", y.ShareQReached,
                   "runs whose Q reaches the real one; below 0.05");
    s += "</table>\n<div class=\"plots\">\n";
    const double realR2 = facts.BestCycle != nullptr ? facts.BestCycle->R2 : NAN;
    const double realQ = facts.BestCycle != nullptr ? facts.BestCycle->Q : NAN;
    s += DrawSvgHistogram("randomisation-r2-plot", "r2 of the shuffled runs", "r2", y.R2,
                          {{"real r2", realR2}}, 20);
    s += DrawSvgHistogram("randomisation-q-plot", "Q of the shuffled runs", "Q", y.Q,
                          {{"real Q", realQ}}, 20);
    return s + "</div>\n";
}

std::string ExternalSection(const ValidationFigures& v) {
    std::string s = "<h2 id=\"external\">External validation</h2>\n";
    if (!v.HasObserved) {
        return s + "<p>no observed values given for the prediction set (KalemirQ run --observed "
                   "TABLE gives them)</p>\n";
    }
    for (std::size_t k = 0; k < v.External.size(); ++k) {
        const ExternalStatistics& e = v.External[k];
        const std::string id = "external-" + std::to_string(k + 1) + "-";
        s += "<h3>" + EscapeMarkup(e.Source) + " (observed values from " +
             EscapeMarkup(v.ObservedTable) + ")</h3>\n<table class=\"figures\">\n";
        s += CountRow("n", id + "n", e.Count, "prediction molecules with an observed value");
        s += FigureRow("Q2F1", id + "q2f1", e.Q2F1,
                       "1 - PRESS / squares about the calibration mean; above 0.6");
        s += FigureRow("Q2F2", id + "q2f2", e.Q2F2,
                       "1 - PRESS / squares about the external mean; above 0.6");
        s +=
            FigureRow("Q2F3", id + "q2f3", e.Q2F3, "scaled by the calibration variance; above 0.6");
        s += FigureRow("CCC", id + "ccc", e.CCC,
                       "concordance of estimated and observed; above 0.85");
        s += FigureRow("RMSEP", id + "rmsep", e.RMSEP, "root mean square error of prediction");
        s += FigureRow("MAE", id + "mae", e.MAE, "mean absolute error of prediction");
        s += FigureRow("r2", id + "r2", e.R2, "observed against estimated; above 0.6");
        s += FigureRow("r2m", id + "r2m", e.R2m, "above 0.5");
        s += FigureRow("r2m mean", id + "r2m-mean", e.R2mMean, "mean over both axes; above 0.5");
        s += FigureRow("delta r2m", id + "r2m-delta", e.R2mDelta, "below 0.2");
        s += "</table>\n";
    }
    return s;
}

/// Observed against computed: calibration molecules filled, prediction molecules with an
/// observed value open, and the line of equality.
std::string ScatterSvg(const CalibrationDiagnostics& d) {
    SvgPlotContent plot;
    plot.Id = "scatter-plot";
    plot.Title = "Observed against computed (best equation by Q)";
    plot.XLabel = "computed";
    plot.YLabel = "observed";
    SvgSeries calibration{"calibration", "#1f4e9c", false, {}};
    for (const CalibrationDiagnostic& c : d.Calibration) {
        calibration.Points.push_back({c.Estimated, c.Observed, c.Name});
    }
    SvgSeries prediction{"prediction (observed given)", "#c05000", true, {}};
    for (const PredictionDiagnostic& p : d.Prediction) {
        if (p.Observed) {
            prediction.Points.push_back({p.Estimated, *p.Observed, p.Name});
        }
    }
    double low = INFINITY;
    double high = -INFINITY;
    for (const SvgSeries* series : {&calibration, &prediction}) {
        for (const SvgPoint& point : series->Points) {
            low = std::min({low, point.X, point.Y});
            high = std::max({high, point.X, point.Y});
        }
    }
    if (std::isfinite(low)) {
        const double pad = high > low ? (high - low) * 0.05 : 0.5;
        plot.XMin = plot.YMin = low - pad;
        plot.XMax = plot.YMax = high + pad;
        plot.Guides.push_back({low - pad, low - pad, high + pad, high + pad, "#888", "y = x"});
    }
    plot.Series = {calibration, prediction};
    return DrawSvgPlot(plot);
}

/// Standardised residuals against leverages with h* and the +3 / -3 limits.
std::string WilliamsSvg(const CalibrationDiagnostics& d) {
    SvgPlotContent plot;
    plot.Id = "williams-plot";
    plot.Title = "Williams plot";
    plot.XLabel = "leverage";
    plot.YLabel = "standardised residual";
    SvgSeries calibration{"calibration", "#1f4e9c", false, {}};
    double maxLeverage = d.WarningLeverage;
    double maxResidual = 0;
    for (const CalibrationDiagnostic& c : d.Calibration) {
        calibration.Points.push_back({c.Leverage, c.StandardisedResidual, c.Name});
        maxLeverage = std::max(maxLeverage, std::isfinite(c.Leverage) ? c.Leverage : 0.0);
        maxResidual = std::max(maxResidual, std::isfinite(c.StandardisedResidual)
                                                ? std::fabs(c.StandardisedResidual)
                                                : 0.0);
    }
    SvgSeries prediction{"prediction (observed given)", "#c05000", true, {}};
    for (const PredictionDiagnostic& p : d.Prediction) {
        if (p.Observed) {
            prediction.Points.push_back({p.Leverage, p.StandardisedResidual, p.Name});
            maxLeverage = std::max(maxLeverage, std::isfinite(p.Leverage) ? p.Leverage : 0.0);
            maxResidual = std::max(maxResidual, std::isfinite(p.StandardisedResidual)
                                                    ? std::fabs(p.StandardisedResidual)
                                                    : 0.0);
        }
    }
    // The axes the bitmap's Williams plot takes.
    plot.XMin = 0;
    plot.XMax = 1.25 * maxLeverage > 0 ? 1.25 * maxLeverage : 1;
    plot.YMax = std::max(4.0, 1.25 * maxResidual);
    plot.YMin = -plot.YMax;
    const double limit = kWilliamsResidualLimit;
    plot.Guides = {{0, limit, plot.XMax, limit, "#c00", "+3"},
                   {0, -limit, plot.XMax, -limit, "#c00", "-3"},
                   {d.WarningLeverage, plot.YMin, d.WarningLeverage, plot.YMax, "#c00", "h*"}};
    plot.Series = {calibration, prediction};
    return DrawSvgPlot(plot);
}

std::string DomainSection(const ProgramState& state, const ValidationFigures& v) {
    const RunRecord& r = state.Record;
    const CalibrationDiagnostics& d = v.Diagnostics;
    std::string s = "<h2 id=\"domain\">Applicability domain of the prediction set</h2>\n";
    if (d.Prediction.empty()) {
        return s + "<p>no prediction molecules</p>\n";
    }
    s +=
        "<p>A prediction molecule whose leverage is above h* = " + FixedText(d.WarningLeverage, 4) +
        " is estimated by extrapolation. The suite's own ADO mark (both of its criteria met) is "
        "that of equation #" +
        (r.PredictionBlocks.empty() ? std::string("-")
                                    : std::to_string(r.PredictionBlocks.front().Number)) +
        ".</p>\n<table class=\"domain\"><tr><th>molecule</th><th>estimate</th>"
        "<th>leverage</th><th>beyond h*</th><th>ADO</th><th>observed</th></tr>\n";
    for (std::size_t j = 0; j < d.Prediction.size(); ++j) {
        const PredictionDiagnostic& p = d.Prediction[j];
        std::string ado = "-";
        if (!r.PredictionBlocks.empty() && j < r.PredictionBlocks.front().AdoCounts.size()) {
            ado = r.PredictionBlocks.front().AdoCounts[j] == 2 ? "ADO" : "no";
        }
        const std::string id = "prediction-" + std::to_string(j + 1);
        s += std::string(p.BeyondWarningLeverage ? "<tr class=\"beyond\">" : "<tr>") + Td(p.Name) +
             Cell(id + "-estimate", p.Estimated, 3) + Cell(id + "-leverage", p.Leverage) +
             Td(p.BeyondWarningLeverage ? "yes" : "no") + Td(ado) +
             (p.Observed ? Cell(id + "-observed", *p.Observed, 3) : Td("-")) + "</tr>\n";
    }
    return s + "</table>\n";
}

std::string InputsSection(const ProgramState& state, const ModelFacts& facts) {
    const RunRecord& r = state.Record;
    std::string s = "<h2 id=\"inputs\">Inputs, versions and options</h2>\n<table class=\"inputs\">"
                    "<tr><th>input</th><th>file</th><th>SHA-256</th></tr>\n";
    for (const InputFile& input : facts.Inputs) {
        s += "<tr>" + Td(input.Role) + Td(input.Name) + "<td class=\"hash\">" + input.Sha256 +
             "</td></tr>\n";
    }
    s += "</table>\n<table class=\"figures\">\n<tr><th>program</th><td>KalemirQ " +
         EscapeMarkup(facts.Version) +
         "</td></tr>\n<tr><th>results format</th><td>"
         "kalemirq-results 1</td></tr>\n<tr><th>written</th><td id=\"date\">" +
         facts.Date + "</td></tr>\n";
    for (const auto& [name, text] : r.GivenParameters) {
        s += "<tr><th>" + EscapeMarkup(name) + " (as given)</th>" + Td(text.empty() ? "-" : text) +
             "</tr>\n";
    }
    if (const CycleRecord* c = facts.BestCycle) {
        const CycleParameters& p = c->Parameters;
        s += "<tr><th>min r2 (used)</th>" + Td(FixedText(p.MinPropertyR2, 4)) + "</tr>\n";
        s += "<tr><th>validation molecules (used)</th>" + Td(std::to_string(p.ValidationCount)) +
             "</tr>\n";
        s += "<tr><th>max inter r2 (used)</th>" + Td(FixedText(p.MaxInterR2, 4)) + "</tr>\n";
        s += "<tr><th>max predictors (used)</th>" + Td(std::to_string(p.MaxPredictors)) + "</tr>\n";
    }
    s += "<tr><th>Y-randomisation runs</th>" + Td(std::to_string(state.RandomisationRuns)) +
         "</tr>\n<tr><th>seed of the shuffles</th>" + Td(std::to_string(state.RandomisationSeed)) +
         "</tr>\n<tr><th>observed values</th>" +
         Td(state.ObservedTableName.empty() ? "-" : state.ObservedTableName) + "</tr>\n";
    return s + "</table>\n";
}

std::string QmrfSection(const std::vector<QmrfChapter>& chapters) {
    std::string s = "<h2 id=\"qmrf\">QMRF draft</h2>\n<p class=\"note\">Fields marked " +
                    EscapeMarkup(kQmrfPlaceholder) + " are for the author to write.</p>\n";
    for (const QmrfChapter& chapter : chapters) {
        s += "<h3>" + EscapeMarkup(chapter.Title) + "</h3>\n<dl>\n";
        for (const QmrfField& field : chapter.Fields) {
            const bool placeholder = field.Text.rfind(kQmrfPlaceholder, 0) == 0;
            std::string text = EscapeMarkup(field.Text);
            for (std::size_t at = text.find('\n'); at != std::string::npos;
                 at = text.find('\n', at)) {
                text.replace(at, 1, "<br>");
            }
            s += "<dt>" + EscapeMarkup(field.Name) + "</dt><dd" +
                 (placeholder ? " class=\"placeholder\"" : "") + ">" + text + "</dd>\n";
        }
        s += "</dl>\n";
    }
    return s;
}

constexpr const char* kStyle =
    "body{font-family:sans-serif;max-width:1100px;margin:1em auto;padding:0 1em;color:#111}"
    "h1{font-size:1.5em}h2{border-bottom:1px solid #999;margin-top:1.6em}"
    "table{border-collapse:collapse;margin:.5em 0}td,th{border:1px solid #ccc;padding:2px 8px;"
    "text-align:left;vertical-align:top}td.num{white-space:nowrap;text-align:right;font-variant-"
    "numeric:tabular-nums}"
    "td.hash{font-family:monospace;font-size:.85em}.equation{font-family:monospace;font-size:1.1em;"
    "background:#f4f4f4;padding:.5em}.note{color:#444;font-size:.9em}tr.beyond td{background:#fde}"
    ".plots{display:flex;flex-wrap:wrap}.plots svg{width:520px;height:auto;margin:0 1em 1em "
    "0;border:1px solid "
    "#ddd}dd.placeholder{color:#a00;font-style:italic}"
    "dt{font-weight:bold;margin-top:.4em}";

} // namespace

std::string DescriptorFamily(const std::string& tableName) {
    std::string stem = tableName.substr(tableName.find_last_of('/') + 1);
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".des") == 0) {
        stem.resize(stem.size() - 4);
    }
    const std::string end = stem.size() >= 3 ? stem.substr(stem.size() - 3) : stem;
    if (end == "d2d") {
        return "2D descriptor";
    }
    if (end == "mfp" || end == "fpc") {
        return "fingerprint count";
    }
    if (end == "vfr") {
        return "fragment mass percent";
    }
    if (end == "d3d") {
        return "3D descriptor";
    }
    return "descriptor";
}

std::vector<PredictorMeaning> DescribePredictors(const std::vector<std::string>& descriptors,
                                                 const std::vector<std::string>& tables) {
    std::vector<PredictorMeaning> meanings;
    for (const std::string& d : descriptors) {
        meanings.push_back({d, "", "descriptor"});
    }
    for (const std::string& table : tables) {
        RecordReader reader(table);
        std::string header;
        reader.Read(header);
        const std::vector<std::string_view> columns = Tokenise(header);
        for (PredictorMeaning& m : meanings) {
            if (!m.Table.empty()) {
                continue;
            }
            for (std::size_t c = 1; c < columns.size(); ++c) {
                if (columns[c] == m.Descriptor) {
                    m.Table = table;
                    m.Family = DescriptorFamily(table);
                    break;
                }
            }
        }
    }
    return meanings;
}

ModelFacts GatherModelFacts(const ProgramState& state, const ResultInputs& inputs,
                            const InputFacts& tables) {
    ModelFacts facts;
    facts.Date = IsoDateTimeText();
    facts.Version = KALEMIR_VERSION;
    const RunRecord& r = state.Record;
    facts.Coefficients = ComputeCoefficientStatistics(r.BestModel);
    facts.Predictors = DescribePredictors(r.BestModel.Descriptors, inputs.DescriptorTables);
    facts.Inputs.push_back({"QSPR table", inputs.QsprTable, tables.at(inputs.QsprTable).Sha256});
    for (const std::string& name : inputs.DescriptorTables) {
        facts.Inputs.push_back({"descriptor table", name, tables.at(name).Sha256});
    }
    if (inputs.Observed) {
        facts.Inputs.push_back(
            {"observed values", inputs.Observed->Path, tables.at(inputs.Observed->Path).Sha256});
    }
    for (const CycleRecord& c : r.Cycles) {
        if (c.Cycle == r.BestModel.Cycle && !c.Descriptors.empty()) {
            facts.BestCycle = &c;
        }
    }
    return facts;
}

std::string ModelReportHtml(const ProgramState& state, const ValidationFigures& figures,
                            const ModelFacts& facts) {
    const BestModelRecord& m = state.Record.BestModel;
    const std::string title = "QSPR model of " + state.QsprTableName;
    std::string s =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>" +
        EscapeMarkup(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<h1>" +
        EscapeMarkup(title) + "</h1>\n<p>Written by KalemirQ " + EscapeMarkup(facts.Version) +
        " on " + facts.Date +
        ". <a href=\"#equation\">equation</a> | <a href=\"#calibration\">calibration</a>"
        " | <a href=\"#loo\">leave-one-out</a> | <a href=\"#randomisation\">"
        "Y-randomisation</a> | <a href=\"#external\">external validation</a> | "
        "<a href=\"#plots\">plots</a> | <a href=\"#domain\">applicability domain</a>"
        " | <a href=\"#inputs\">inputs</a> | <a href=\"#qmrf\">QMRF</a></p>\n";
    s += EquationSection(figures, facts, m);
    s += CalibrationSection(facts, m);
    s += LeaveOneOutSection(figures);
    s += RandomisationSection(figures, facts);
    s += ExternalSection(figures);
    s += "<h2 id=\"plots\">Plots</h2>\n<div class=\"plots\">\n" + ScatterSvg(figures.Diagnostics) +
         WilliamsSvg(figures.Diagnostics) + "</div>\n";
    s += DomainSection(state, figures);
    s += InputsSection(state, facts);
    s += QmrfSection(QmrfChapters(state, figures, facts));
    return WithCrLf(s + "</body>\n</html>\n");
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (const char c : text) {
        out += c == '\n' ? "\r\n" : std::string(1, c);
    }
    return out;
}

std::string ModelReportName(const std::string& qsprTable) {
    return qsprTable + "-model.html";
}

} // namespace kalemir::qspr
