#pragma once
// The windows of the QSPR program, in the order the user meets them: Workfiles,
// Parameters, Computing, Results. QsprFlow owns the program-wide state and moves from one
// window to the next.

#include "qspr/job/QsprJob.h"
#include "qspr/setup/Parameters.h"
#include "qspr/setup/ProgramState.h"
#include "qspr/setup/RunFiles.h"
#include "qspr/setup/Workfiles.h"
#include "ui/ComputingView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace kalemir::ui {

class DialogService;
class FolderBar;

class WorkfilesWindow : public QWidget {
    Q_OBJECT
public:
    WorkfilesWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent = nullptr);

signals:
    void Accepted();

private:
    /// Lists the tables of the working folder; similarity and shape tables are no
    /// descriptor tables and are left out.
    void ListTables();
    void OnListClick();
    void OnOk();
    void ShowReminder(const qspr::WorkfilesChoice& choice);
    void HideReminder();
    /// The engine's checks of the chosen tables; a molecule column that differs from the
    /// QSPR table's is used only when the user agrees to the join by position, or to the
    /// join by name (offered when every QSPR molecule is in each table once, and then set
    /// in `choice`). Throws InputError; false when the user declines. `joined`: the
    /// differences the user accepted with the join by position.
    bool AcceptTables(qspr::WorkfilesChoice& choice, std::vector<std::string>& joined);

    qspr::ProgramState& state_;
    DialogService& dialogs_;
    short clickCounter_ = 0;
    QListWidget* qsprTableList_ = nullptr;
    QListWidget* descriptorTableList_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QLabel* introLabel_ = nullptr;
    QLabel* qsprTablesLabel_ = nullptr;
    QLabel* descriptorTablesLabel_ = nullptr;
    QLabel* selectionRulesLabel_ = nullptr;
    QLabel* reminderLabel_ = nullptr;
    /// Under the reminder: what the choice still lacks.
    QLabel* missingNote_ = nullptr;
    FolderBar* folderBar_ = nullptr;
};

class ParametersWindow : public QWidget {
    Q_OBJECT
public:
    ParametersWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent = nullptr);

signals:
    void Compute();
    void FragmentTableMissing();
    void Cancelled();

protected:
    /// Closing the window before the run starts takes back the report Workfiles OK began.
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOk();
    void OnCancel();
    /// Refuses entries that are no number and asks about numbers outside their range;
    /// true when OK may go on.
    bool EntriesAccepted(const qspr::ParameterEntries& entries);

    qspr::ProgramState& state_;
    DialogService& dialogs_;
    // The fields in screen order, each under its label.
    QLabel* minPropertyR2Label_ = nullptr;
    QLineEdit* minPropertyR2Field_ = nullptr;
    QLabel* validationCountLabel_ = nullptr;
    QLineEdit* validationCountField_ = nullptr;
    /// Shown when the QSPR table has a prediction set.
    QLabel* estimatedCorLabel_ = nullptr;
    QLineEdit* estimatedCorField_ = nullptr;
    QLabel* maxInterR2Label_ = nullptr;
    QLineEdit* maxInterR2Field_ = nullptr;
    QLabel* maxPredictorsLabel_ = nullptr;
    QLineEdit* maxPredictorsField_ = nullptr;
    QLabel* randomisationRunsLabel_ = nullptr;
    QLineEdit* randomisationRunsField_ = nullptr;
    /// Observed values of the prediction set for the external validation (optional).
    QLabel* observedLabel_ = nullptr;
    QLineEdit* observedField_ = nullptr;
    QLabel* memoryLabel_ = nullptr;
    QLineEdit* memoryField_ = nullptr;
    QLabel* outliersLabel_ = nullptr;
    QRadioButton* eliminateOutliersOption_ = nullptr;
    QRadioButton* keepOutliersOption_ = nullptr;
    /// Under the options: changing the fields is futile when outliers are eliminated.
    QLabel* outliersNoteLabel_ = nullptr;
    QPushButton* okButton_ = nullptr;
    /// Back to Workfiles, leaving the folder as it was before Workfiles OK.
    QPushButton* cancelButton_ = nullptr;
};

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    ResultsWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent = nullptr);

    /// Fills the list from the working report (the window's activation); a stopped run
    /// says so in the caption and above the report.
    void Activate();
    /// The selected report lines, in report order, as the clipboard gets them.
    QString SelectedText() const;
    /// Selects the next report line (after the current one, wrapping) that holds the text;
    /// false when none does.
    bool FindNext(const QString& text);
    /// Asks for the report's name until it can be given; true once renamed.
    bool SaveReport();
    /// The figures the job computed for the Williams plot (none after a stopped run).
    void TakeJobFigures(std::optional<qspr::ValidationFigures> figures);

signals:
    void Quit();

protected:
    void paintEvent(QPaintEvent* event) override;
    /// Closing the window asks for the report's name, as Quit does.
    void closeEvent(QCloseEvent* event) override;

private:
    /// Saves the report (SaveReport) once, then tells the flow to end.
    void QuitOnce();
    /// The files no result of the window may replace: the tables the run read, the
    /// working report and the plots and print already written.
    std::vector<qspr::KeptFile> KeptFiles() const;
    /// The plots take the window's place of the report and its buttons while they are
    /// shown and saved; `shown` false brings the report back with the buttons it had.
    void ShowPlots(bool shown);
    /// Shows a plot and asks for its file name until it is saved or the user cancels (the
    /// plot is then not saved).
    void ShowAndSavePlot(const QImage& drawing, const QString& prompt, const QString& proposed,
                         const std::string& what);
    void OnPrint();
    void OnScatter();
    void ShowFind();
    /// Tab goes through the report, the find field and the buttons in their screen order.
    void ChainTabOrder();
    /// Asks for a result's name until it is one the run may write (not one of `kept`) and
    /// the user agrees to replace an existing file; nullopt when cancelled.
    std::optional<QString> AskResultName(const QString& prompt, const QString& title,
                                         const QString& proposed,
                                         const std::vector<qspr::KeptFile>& kept);
    void OnWilliams();

    qspr::ProgramState& state_;
    DialogService& dialogs_;
    /// The figures the job computed for the Williams plot (none after a stopped run).
    std::optional<qspr::ValidationFigures> jobFigures_;
    /// Results written from this window, each kept from the later ones.
    std::vector<qspr::KeptFile> written_;
    bool quitting_ = false;
    /// Says that the analysis was stopped, and where; hidden after a whole run.
    QLabel* stopNotice_ = nullptr;
    QListWidget* reportList_ = nullptr;
    /// Ctrl+F: the text to look for in the report (Return or F3: the next line with it).
    QLineEdit* findField_ = nullptr;
    QLabel* findStatusLabel_ = nullptr;
    QPushButton* scatterButton_ = nullptr;
    QPushButton* williamsButton_ = nullptr;
    /// Opens the run's model report (QSPR table + "-model.html") in the browser.
    QPushButton* modelReportButton_ = nullptr;
    QPushButton* quitButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QImage drawing_;
    /// The row of buttons under the report, in screen order.
    QHBoxLayout* buttons_ = nullptr;
    /// The caption and the buttons shown before the plots took the window.
    QString reportCaption_;
    std::vector<QWidget*> hiddenForPlots_;
};

/// The sequence of windows of one run of the QSPR program.
class QsprFlow : public QObject {
    Q_OBJECT
public:
    /// The computation the computing window's activation runs: the QSPR job.
    using Computation = std::function<qspr::JobOutcome(qspr::ProgramState&, ComputingWindow&)>;

    QsprFlow(DialogService& dialogs, Computation computation);
    ~QsprFlow() override;

    void Start();
    qspr::ProgramState& State() { return state_; }
    WorkfilesWindow* Workfiles() const { return workfiles_; }
    ParametersWindow* Parameters() const { return parameters_; }
    ComputingView* Computing() const { return computing_; }
    ResultsWindow* Results() const { return results_; }

signals:
    void Ended();

private:
    void ShowWorkfiles();
    void ShowParameters();
    void ShowComputing();
    void ShowResults();

    DialogService& dialogs_;
    Computation computation_;
    qspr::ProgramState state_;
    qspr::JobOutcome outcome_;
    WorkfilesWindow* workfiles_ = nullptr;
    ParametersWindow* parameters_ = nullptr;
    ComputingView* computing_ = nullptr;
    ResultsWindow* results_ = nullptr;
};

} // namespace kalemir::ui
