#include "qspr/validation/Qmrf.h"

#include "common/Records.h"
#include "common/SvgPlot.h"

#include <cmath>

namespace kalemir::qspr {

namespace {

std::string Placeholder(const std::string& what) {
    return std::string(kQmrfPlaceholder) + " " + what;
}

/// The property's name: the QSPR table header's column after the corner label.
std::string PropertyName(const ProgramState& state) {
    if (state.QsprLines.empty()) {
        return "the property";
    }
    const std::vector<std::string_view> columns = Tokenise(state.QsprLines.front());
    return columns.size() > 1 ? std::string(columns[1]) : "the property";
}

std::string F4(double x) {
    return FixedText(x, 4);
}

std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) {
        text += (text.empty() ? "" : ", ") + n;
    }
    return text.empty() ? "none" : text;
}

std::string EquationText(const BestModelRecord& m) {
    std::string text = "estimate = " + F4(m.Intercept);
    for (std::size_t k = 0; k < m.Descriptors.size(); ++k) {
        text += (m.Coefficients[k] < 0 ? " - " : " + ") + F4(std::fabs(m.Coefficients[k])) + " " +
                m.Descriptors[k];
    }
    return text;
}

} // namespace

std::vector<QmrfChapter> QmrfChapters(const ProgramState& state, const ValidationFigures& v,
                                      const ModelFacts& facts) {
    const RunRecord& r = state.Record;
    const BestModelRecord& m = r.BestModel;
    const std::string property = PropertyName(state);
    const std::size_t n = m.CalibrationNames.size();
    const std::size_t p = m.Descriptors.size();
    std::vector<QmrfChapter> chapters;

    chapters.push_back({"1. QSAR identifier",
                        {{"1.1 QSAR identifier (title)", "Multilinear QSPR of " + property +
                                                             " from " + state.QsprTableName + " (" +
                                                             std::to_string(p) + " predictors)"},
                         {"1.2 Other related models", Placeholder("related models, if any")},
                         {"1.3 Software coding the model", "KalemirQ " + facts.Version}}});

    chapters.push_back(
        {"2. General information",
         {{"2.1 Date of QMRF", facts.Date},
          {"2.2 QMRF author(s) and contact details", Placeholder("names and contact details")},
          {"2.3 Date of QMRF update(s)", Placeholder("dates of later updates")},
          {"2.4 Model developer(s) and contact details", Placeholder("names and contact details")},
          {"2.5 Date of model development and/or publication", facts.Date + " (this run)"},
          {"2.6 Reference(s) to main scientific papers and/or software package",
           "KalemirQ " + facts.Version + "; " + Placeholder("papers describing the model")},
          {"2.7 Availability of information about the model",
           "equation, data and validation in " + ModelReportName(state.QsprTableName) + " and " +
               ResultsJsonName(state.QsprTableName)}}});

    std::string values;
    if (!m.Observed.empty()) {
        double low = m.Observed.front();
        double high = low;
        double sum = 0;
        for (const double y : m.Observed) {
            low = std::min(low, y);
            high = std::max(high, y);
            sum += y;
        }
        values = std::to_string(n) + " calibration values from " + F4(low) + " to " + F4(high) +
                 ", mean " + F4(sum / static_cast<double>(n));
    }
    chapters.push_back(
        {"3. Defining the endpoint",
         {{"3.1 Species", Placeholder("species or system measured")},
          {"3.2 Endpoint", Placeholder("the endpoint " + property + " stands for")},
          {"3.3 Comment on endpoint", Placeholder("comment on the endpoint")},
          {"3.4 Endpoint units", Placeholder("units of " + property)},
          {"3.5 Dependent variable", property + " as given in " + state.QsprTableName},
          {"3.6 Experimental protocol", Placeholder("protocol of the measurements")},
          {"3.7 Endpoint data quality and variability", values.empty() ? "-" : values}}});

    std::string predictors;
    for (std::size_t k = 0; k < facts.Predictors.size(); ++k) {
        const PredictorMeaning& d = facts.Predictors[k];
        predictors += (k == 0 ? "" : "\n") + d.Descriptor + ": " + d.Family +
                      (d.Table.empty() ? "" : " (" + d.Table + ")");
    }
    std::string tables;
    for (const InputFile& input : facts.Inputs) {
        if (input.Role == "descriptor table") {
            tables += (tables.empty() ? "" : ", ") + input.Name;
        }
    }
    std::string selection = "search among sets of up to ";
    if (facts.BestCycle != nullptr) {
        const CycleParameters& c = facts.BestCycle->Parameters;
        selection +=
            std::to_string(c.MaxPredictors) +
            " predictors among the descriptors whose r2 with the property is at least " +
            F4(c.MinPropertyR2) + " and whose mutual r2 stays below " + F4(c.MaxInterR2) +
            ", ranked by the quality criterion Q = sqrt(r2 / (1 - r2)) ((n - p) / (n + p))^2";
    }
    chapters.push_back(
        {"4. Defining the algorithm",
         {{"4.1 Type of model", "QSPR, multiple linear regression (ordinary least squares)"},
          {"4.2 Explicit algorithm", EquationText(m)},
          {"4.3 Descriptors in the model", predictors},
          {"4.4 Descriptor selection", selection + "; descriptor tables " + tables},
          {"4.5 Algorithm and descriptor generation", "descriptor tables as listed in 4.4"},
          {"4.6 Software name and version for descriptor generation",
           Placeholder("program that made the descriptor tables, if not KalemirT")},
          {"4.7 Chemicals/Descriptors ratio",
           std::to_string(n) + " / " + std::to_string(p) + " = " +
               (p > 0 ? FixedText(double(n) / double(p), 1) : std::string("-"))}}});

    std::string beyond;
    int outside = 0;
    for (const PredictionDiagnostic& d : v.Diagnostics.Prediction) {
        if (d.BeyondWarningLeverage) {
            beyond += (beyond.empty() ? "" : ", ") + d.Name;
            ++outside;
        }
    }
    chapters.push_back(
        {"5. Defining the applicability domain",
         {{"5.1 Description of the applicability domain",
           "leverage of a molecule in the space of the predictors (hat matrix of the calibration "
           "set, intercept included)"},
          {"5.2 Method used to assess the applicability domain",
           "warning leverage h* = 3 (p + 1) / n; standardised residuals within +3 and -3 "
           "(Williams plot)"},
          {"5.3 Limits of applicability", "h* = " + F4(v.Diagnostics.WarningLeverage)},
          {"5.4 Prediction molecules beyond h*",
           std::to_string(outside) + " of " + std::to_string(v.Diagnostics.Prediction.size()) +
               (beyond.empty() ? "" : ": " + beyond)}}});

    std::string fit = "-";
    if (const CycleRecord* c = facts.BestCycle) {
        fit = "n = " + std::to_string(n) + ", r2 = " + F4(c->R2) + ", Q = " + F4(c->Q) +
              ", F = " + FixedText(c->F, 2) + ", SEE = " + F4(c->SEE) + ", RMS = " + F4(c->RMS);
    }
    std::string robustness = "Q2 LOO = " + F4(v.LeaveOneOut.Q2) +
                             ", RMSE LOO = " + F4(v.LeaveOneOut.Rmse) +
                             ", PRESS = " + F4(v.LeaveOneOut.Press);
    if (facts.BestCycle != nullptr) {
        robustness += ", r2CV of the search = " + F4(facts.BestCycle->R2CV);
    }
    std::string randomisation = "not run";
    if (v.Randomisation && v.Randomisation->Runs > 0) {
        const RandomisationSummary& y = *v.Randomisation;
        randomisation = std::to_string(y.Runs) + " runs (seed " + std::to_string(y.Seed) +
                        "): mean r2 " + F4(y.MeanR2) + ", max r2 " + F4(y.MaxR2) + ", cR2p " +
                        F4(y.CR2p) + ", share of runs reaching Q " + F4(y.ShareQReached);
    }
    chapters.push_back({"6. Internal validation",
                        {{"6.1 Availability of the training set", "yes: " + state.QsprTableName},
                         {"6.2 Training set molecules", NameList(m.CalibrationNames)},
                         {"6.3 Goodness of fit", fit},
                         {"6.4 Robustness (leave-one-out)", robustness},
                         {"6.5 Y-randomisation", randomisation}}});

    std::string external = "no observed values given for the prediction set";
    if (v.HasObserved && !v.External.empty()) {
        const ExternalStatistics& e = v.External.front();
        external = e.Source + ", n = " + std::to_string(e.Count) + ": Q2F1 = " + F4(e.Q2F1) +
                   ", Q2F2 = " + F4(e.Q2F2) + ", Q2F3 = " + F4(e.Q2F3) + ", CCC = " + F4(e.CCC) +
                   ", RMSEP = " + F4(e.RMSEP) + ", r2m = " + F4(e.R2m) + " (observed values from " +
                   v.ObservedTable + ")";
    }
    chapters.push_back(
        {"7. External validation",
         {{"7.1 Test set molecules", NameList(m.PredictionNames)},
          {"7.2 Predictivity", external},
          {"7.3 Comment on the external validation", Placeholder("how the test set was chosen")}}});

    chapters.push_back(
        {"8. Mechanistic interpretation",
         {{"8.1 Mechanistic basis of the model",
           Placeholder("what the predictors say about " + property)},
          {"8.2 A priori or a posteriori mechanistic interpretation", Placeholder("which")},
          {"8.3 Other information about the mechanistic interpretation", Placeholder("-")}}});

    chapters.push_back(
        {"9. Miscellaneous information",
         {{"9.1 Comments", Placeholder("comments")},
          {"9.2 Bibliography", Placeholder("references")},
          {"9.3 Supporting information", ModelReportName(state.QsprTableName) + ", " +
                                             ResultsJsonName(state.QsprTableName) + ", " +
                                             ValidationTextName(state.QsprTableName)}}});
    return chapters;
}

std::string QmrfMarkdown(const std::string& qsprTable, const std::vector<QmrfChapter>& chapters) {
    std::string s = "# QMRF draft: QSPR model of " + qsprTable + "\n\nFields marked " +
                    kQmrfPlaceholder + " are for the author to write.\n";
    for (const QmrfChapter& chapter : chapters) {
        s += "\n## " + chapter.Title + "\n";
        for (const QmrfField& field : chapter.Fields) {
            std::string text = field.Text;
            for (std::size_t at = text.find('\n'); at != std::string::npos;
                 at = text.find('\n', at + 3)) {
                text.replace(at, 1, "  \n");
            }
            s += "\n**" + field.Name + "**  \n" + text + "\n";
        }
    }
    return WithCrLf(s);
}

std::string QmrfDraftName(const std::string& qsprTable) {
    return qsprTable + "-qmrf.md";
}

} // namespace kalemir::qspr
