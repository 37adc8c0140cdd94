#include "qspr/job/QsprJob.h"

#include "common/Errors.h"
#include "common/RunLock.h"
#include "qspr/results/ResultsReport.h"
#include "qspr/run/Driver.h"
#include "qspr/validation/ExternalValidation.h"
#include "qspr/validation/Randomisation.h"
#include "qspr/validation/ResultFiles.h"
#include "qspr/validation/WilliamsPlot.h"

#include <algorithm>

namespace kalemir::qspr {

namespace {

void Tell(const JobRequest& request, const std::string& notice) {
    if (request.Notify) {
        request.Notify(notice);
    }
}

std::optional<ObservedTable> ObservedValues(const ProgramState& state) {
    if (state.ObservedTableName.empty()) {
        return std::nullopt;
    }
    return LoadObservedTable(state.ObservedTableName, state.QsprTableName);
}

/// The analysis of the chosen tables, then the Y-randomisation when runs were asked for
/// and the result files beside the report. Returns the figures the files hold.
std::optional<ValidationFigures> Compute(const JobRequest& request, ProgramState& state,
                                         ComputingWindow& window) {
    // The user's tables, named before the run works on copies of them.
    ResultInputs inputs;
    inputs.QsprTable = state.QsprTableName;
    for (int i = 1; i <= state.SelectedTableCount; ++i) {
        inputs.DescriptorTables.push_back(
            state.ChosenTableNames[static_cast<std::size_t>(i)].First);
    }
    // No result file of an earlier run stays beside the new report, stopped or not.
    for (const std::string& name : RemoveEarlierResultFiles(inputs.QsprTable)) {
        state.EarlierResultFilesRemoved.push_back(name);
        Tell(request, name + " of an earlier run removed");
    }
    RunComputation(state, window);
    inputs.Observed = ObservedValues(state);
    std::optional<RandomisationSummary> randomisation;
    if (state.RandomisationRuns > 0) {
        // The shuffled analyses start from the tables and parameters as they were chosen:
        // the run leaves its inputs as it found them.
        RandomisationSummary summary = RandomiseResponses(state, window, &state.StoppedStage);
        if (summary.Runs > 0) {
            randomisation = std::move(summary);
        }
    }
    if (state.Record.BestModel.Descriptors.empty()) {
        return std::nullopt;
    }
    ValidationFigures figures = ComputeValidationFigures(state.Record, inputs.Observed);
    figures.Randomisation = std::move(randomisation);
    WriteResultFiles(state, inputs, figures);
    return figures;
}

/// The results window's Scatter and Williams, without a display: the plots the run left,
/// each saved under its name.
void SavePlots(const JobRequest& request, ProgramState& state, JobOutcome& outcome) {
    const std::vector<std::string>& names = request.PlotNames;
    if (names.empty()) {
        return;
    }
    if (state.FragmentTableMissing == 1) {
        Tell(request, "no scatter plot: nothing was computed");
        return;
    }
    // The first two names are the scatter plots', a third the Williams plot's.
    const int scatterNames = std::min(static_cast<int>(names.size()), 2);
    const int count = ScatterPlotCount(state.CycleNumber);
    for (int k = 1; k <= count && k <= scatterNames; ++k) {
        const std::string& name = names[static_cast<std::size_t>(k - 1)];
        if (!request.WritePlot(DrawScatterPlot(state.ScatterPoints, k), name)) {
            throw FileError(name + ": cannot write the scatter plot");
        }
        outcome.PlotsWritten.push_back(name);
    }
    if (count < scatterNames) {
        Tell(request, "no outlier was removed, so there is one scatter plot only; " + names[1] +
                          " was not written");
    } else if (count > scatterNames) {
        Tell(request, "the plot after the removal of outliers was not saved (give a second "
                      "name to --plots)");
    }
    if (names.size() < 3) {
        return;
    }
    const std::string& name = names[2];
    if (!outcome.Figures) {
        Tell(request,
             "no Williams plot: the run found no best equation; " + name + " was not written");
        return;
    }
    if (!request.WritePlot(DrawWilliamsPlot(outcome.Figures->Diagnostics), name)) {
        throw FileError(name + ": cannot write the Williams plot");
    }
    outcome.PlotsWritten.push_back(name);
}

} // namespace

JobOutcome RunQsprJob(const JobRequest& request, ProgramState& state, ComputingWindow& window) {
    JobOutcome outcome;
    if (state.ComputationStarted) {
        return outcome;
    }
    const RunLock lock(kQsprProgram);
    const bool compute = !request.Setup || request.Setup(state) == ParametersOutcome::Compute;
    if (compute) {
        outcome.Figures = Compute(request, state, window);
    }
    SavePlots(request, state, outcome);
    if (request.ReportName.empty()) {
        return outcome;
    }
    // Results stage: quitting gives the working report its name.
    RenameReport(kWorkingReport, request.ReportName);
    outcome.ReportName = request.ReportName;
    return outcome;
}

JobOutcome RunQsprComputation(ProgramState& state, ComputingWindow& window) {
    return RunQsprJob(JobRequest{}, state, window);
}

ValidationFigures FiguresOfBestEquation(const ProgramState& state) {
    return ComputeValidationFigures(state.Record, ObservedValues(state));
}

} // namespace kalemir::qspr
