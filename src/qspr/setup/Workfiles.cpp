#include "qspr/setup/Workfiles.h"

#include "common/DateTime.h"
#include "common/Report.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/QsprTables.h"
#include "qspr/setup/RunFiles.h"

#include <cstdio>

namespace kalemir::qspr {

namespace {

const std::string& QsprLine(const ProgramState& state, int line) {
    static const std::string empty;
    return line >= 0 && line < static_cast<int>(state.QsprLines.size()) ? state.QsprLines[line]
                                                                        : empty;
}

} // namespace

std::string JoinedByPositionWarning(const std::string& difference) {
    return "warning: " + difference + "; joined by position as asked";
}

bool WorkfilesOk(ProgramState& state, const WorkfilesChoice& choice,
                 const std::vector<std::string>& joinedByPosition) {
    state.QsprTableName = choice.QsprTable;
    state.JoinByName = choice.JoinByName;

    const std::size_t listed = choice.ListedTables.size();
    state.TableNames.assign(10 * listed + 1, TableNameRow{});
    state.ChosenTableNames.assign(10 * listed + 1, TableNameRow{});

    int k = 0;
    for (std::size_t i = 0; i < listed; ++i) {
        if (i < choice.Selected.size() && choice.Selected[i]) {
            ++k;
            state.TableNames[k].First = choice.ListedTables[i];
            state.TableNames[k].Second = choice.ListedTables[i];
        }
    }
    state.TableCount = k;
    state.SelectedTableCount = k;
    state.FragmentTableMissing = 0;
    for (int i = 1; i <= state.TableCount; ++i) {
        state.ChosenTableNames[i] = state.TableNames[i];
    }

    if (state.QsprTableName.empty() || state.TableCount == 0) {
        return false;
    }

    // The table is read before the report is started, so that a table beyond the data
    // model is refused with nothing written.
    std::vector<std::string> lines = ReadQsprLines(state.QsprTableName);

    state.EarlierReportKeptAs = SetAsideEarlierReport(kWorkingReport);
    ReportAppender report(kWorkingReport, ReportAppender::Mode::Create);
    report.Lines({"", "     Program KALEMIRq for QSPR computations",
                  "     " + DateText() + "     " + TimeText(), "",
                  "     QSPR table used:", "     " + state.QsprTableName});
    for (const std::string& difference : joinedByPosition) {
        report.Line("     " + JoinedByPositionWarning(difference));
    }
    report.Close();

    state.QsprTableCopy = state.QsprTableName;
    state.SelFileName = SelectionTableName(state.QsprTableName);
    state.QsprLines = std::move(lines);
    state.QsprLastLine = static_cast<int>(state.QsprLines.size()) - 1;

    CountMolecules(state);
    state.InitialCalibrationCount = state.CalibrationCount;
    DeriveDefaultThresholds(state, state.CalibrationCount);
    return true;
}

std::string MissingChoice(const WorkfilesChoice& choice) {
    std::string missing;
    if (choice.QsprTable.empty()) {
        missing = "choose a QSPR table";
    }
    bool fragmentTable = false;
    for (std::size_t i = 0; i < choice.ListedTables.size() && i < choice.Selected.size(); ++i) {
        fragmentTable |= choice.Selected[i] && HasTableSuffix(choice.ListedTables[i], "vfr.des");
    }
    if (!fragmentTable) {
        missing +=
            (missing.empty() ? "" : "; ") + std::string("choose the fragment table (*vfr.des)");
    }
    return missing;
}

void WithdrawWorkingReport(ProgramState& state) {
    std::remove(kWorkingReport);
    if (!state.EarlierReportKeptAs.empty() &&
        std::rename(state.EarlierReportKeptAs.c_str(), kWorkingReport) == 0) {
        state.EarlierReportKeptAs.clear();
    }
}

void CountMolecules(ProgramState& state) {
    state.CalibrationCount = 0;
    state.PredictionCount = 0;
    // The loop body runs at least once: a table of a header alone counts one (empty)
    // calibration molecule.
    const int last = std::max(1, state.QsprLastLine);
    for (int line = 1; line <= last; ++line) {
        if (IsPredictionRecord(QsprLine(state, line))) {
            ++state.PredictionCount;
        } else {
            ++state.CalibrationCount;
        }
    }
}

} // namespace kalemir::qspr
