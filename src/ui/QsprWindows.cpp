#include "ui/QsprWindows.h"

#include "common/Errors.h"
#include "qspr/results/ResultsReport.h"
#include "qspr/results/ScatterPlot.h"
#include "qspr/setup/InputTables.h"
#include "qspr/setup/NameJoin.h"
#include "qspr/setup/QsprTables.h"
#include "qspr/setup/Workfiles.h"
#include "qspr/validation/ExternalValidation.h"
#include "qspr/validation/ModelReport.h"
#include "qspr/validation/ResultFiles.h"
#include "qspr/validation/WilliamsPlot.h"
#include "ui/Controls.h"
#include "ui/DialogService.h"
#include "ui/FolderBar.h"
#include "ui/FolderFiles.h"
#include "ui/HelpPages.h"
#include "ui/Keyboard.h"
#include "ui/ReportPrinter.h"
#include "ui/ScatterPainter.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

namespace kalemir::ui {

namespace {

QString FromReport(const std::string& text) {
    return QString::fromLatin1(text.c_str());
}

std::string ToReport(const QString& text) {
    return text.toLatin1().toStdString();
}

/// Entry fields of the parameters hold numbers of a few digits.
constexpr int kParameterFieldWidth = 120;

/// The tables the run read, which no result of it may replace.
std::vector<qspr::KeptFile> TablesOfState(const qspr::ProgramState& state) {
    std::vector<std::string> descriptorTables;
    for (int i = 1;
         i <= state.SelectedTableCount && i < static_cast<int>(state.ChosenTableNames.size());
         ++i) {
        descriptorTables.push_back(state.ChosenTableNames[static_cast<std::size_t>(i)].First);
    }
    return qspr::TablesOfRun(state.QsprTableCopy, descriptorTables, state.ObservedTableName);
}

} // namespace

// ---- Workfiles ---------------------------------------------------------------------

WorkfilesWindow::WorkfilesWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs) {
    setObjectName("Workfiles");
    setWindowTitle(QString(42, ' ') + "Workfiles");

    introLabel_ = NamedLabel(this, "introLabel",
                             "KALEMIRq computes QSPRs using                   some data tables ");
    QFont script = introLabel_->font();
    script.setItalic(true);
    script.setPointSize(script.pointSize() + 6);
    introLabel_->setFont(script);
    qsprTablesLabel_ = NamedLabel(this, "qsprTablesLabel", "           QSPR tables");
    descriptorTablesLabel_ = NamedLabel(this, "descriptorTablesLabel", "        Descriptor tables");
    selectionRulesLabel_ =
        NamedLabel(this, "selectionRulesLabel",
                   "Select one QSPR table by Click                                           "
                   "Select one Descriptor table by Click                                     "
                   "        Then you may select more Descriptor tables by Shift+Click or "
                   "Ctrl+Click");
    selectionRulesLabel_->setWordWrap(true);
    reminderLabel_ =
        NamedLabel(this, "reminderLabel", "  If you please, heed         the above rules");
    reminderLabel_->setWordWrap(true);
    missingNote_ = NamedLabel(this, "missingNote", "");
    missingNote_->setWordWrap(true);

    qsprTableList_ = NamedList(this, "qsprTableList", QAbstractItemView::SingleSelection);
    descriptorTableList_ =
        NamedList(this, "descriptorTableList", QAbstractItemView::ExtendedSelection);
    ListTables();
    okButton_ = NamedButton(this, "okButton", "OK");
    folderBar_ = new FolderBar("KalemirQ", "KalemirQ: Workfiles", dialogs_, this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(introLabel_, 0, 0, 1, 2);
    grid->addWidget(qsprTablesLabel_, 1, 0);
    grid->addWidget(descriptorTablesLabel_, 1, 1);
    grid->addWidget(qsprTableList_, 2, 0);
    grid->addWidget(descriptorTableList_, 2, 1);
    grid->addWidget(selectionRulesLabel_, 3, 0, 1, 2);
    grid->addWidget(reminderLabel_, 4, 0);
    grid->addWidget(okButton_, 4, 1, Qt::AlignRight);
    grid->addWidget(missingNote_, 5, 0, 1, 2);
    grid->addWidget(folderBar_, 6, 0, 1, 2);
    resize(640, 540);
    MakeDefaultButton(this, okButton_);
    InstallHelpKey(this, dialogs_, "KalemirQ: Workfiles");
    connect(folderBar_, &FolderBar::FolderChanged, this, [this] { ListTables(); });

    // Window load.
    clickCounter_ = 0;
    HideReminder();
    connect(qsprTableList_, &QListWidget::itemClicked, this, [this] { OnListClick(); });
    connect(descriptorTableList_, &QListWidget::itemClicked, this, [this] { OnListClick(); });
    connect(okButton_, &QPushButton::clicked, this, [this] { OnOk(); });
}

void WorkfilesWindow::ListTables() {
    qsprTableList_->clear();
    qsprTableList_->addItems(ListFolderFiles("*."));
    descriptorTableList_->clear();
    for (const QString& name : ListFolderFiles("*.des")) {
        if (!qspr::DescriptorTableProblem(ToReport(name))) {
            descriptorTableList_->addItem(name);
        }
    }
}

void WorkfilesWindow::OnListClick() {
    // The reminder goes with the second click in the lists, once.
    if (++clickCounter_ == 2) {
        HideReminder();
    }
}

void WorkfilesWindow::ShowReminder(const qspr::WorkfilesChoice& choice) {
    reminderLabel_->show();
    missingNote_->setText(FromReport(qspr::MissingChoice(choice)));
    missingNote_->setVisible(!missingNote_->text().isEmpty());
}

void WorkfilesWindow::HideReminder() {
    reminderLabel_->hide();
    missingNote_->hide();
}

void WorkfilesWindow::OnOk() {
    qspr::WorkfilesChoice choice;
    const QList<QListWidgetItem*> chosen = qsprTableList_->selectedItems();
    if (!chosen.isEmpty()) {
        choice.QsprTable = ToReport(chosen.front()->text());
    }
    for (int i = 0; i < descriptorTableList_->count(); ++i) {
        choice.ListedTables.push_back(ToReport(descriptorTableList_->item(i)->text()));
        choice.Selected.push_back(descriptorTableList_->item(i)->isSelected());
    }
    try {
        std::vector<std::string> joinedByPosition;
        if (!AcceptTables(choice, joinedByPosition)) {
            return;
        }
        if (!qspr::WorkfilesOk(state_, choice, joinedByPosition)) {
            ShowReminder(choice);
            return;
        }
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "Workfiles", QString::fromLocal8Bit(e.what()));
        return;
    }
    if (!state_.EarlierReportKeptAs.empty()) {
        dialogs_.Inform(this, "Workfiles",
                        FromReport(qspr::EarlierReportNotice(qspr::kWorkingReport,
                                                             state_.EarlierReportKeptAs)));
    }
    emit Accepted();
}

bool WorkfilesWindow::AcceptTables(qspr::WorkfilesChoice& choice,
                                   std::vector<std::string>& joined) {
    std::vector<std::string> tables;
    for (std::size_t i = 0; i < choice.ListedTables.size() && i < choice.Selected.size(); ++i) {
        if (choice.Selected[i]) {
            tables.push_back(choice.ListedTables[i]);
        }
    }
    if (choice.QsprTable.empty() || tables.empty()) {
        return true; // OK shows its reminder
    }
    const std::vector<std::string> differences =
        qspr::CheckQsprTables("", choice.QsprTable, tables);
    if (differences.empty()) {
        return true;
    }
    QString question;
    for (const std::string& difference : differences) {
        question += FromReport(difference) + "\n\n";
    }
    if (qspr::NameJoinProblem("", choice.QsprTable, tables)) {
        question += "Join these tables to the QSPR table by position anyway?";
        if (!dialogs_.AskYesNoDefaultNo(this, "Workfiles", question)) {
            return false;
        }
        joined = differences; // the report says so, as the command line does
        return true;
    }
    // Every molecule of the QSPR table is in each table once: the join by name is offered
    // beside the join by position.
    question += QString(qspr::kByNameProposal).mid(2) +
                "\n\nJoin these tables to the QSPR table by position or by name?";
    const int answer =
        dialogs_.AskChoice(this, "Workfiles", question, {"Join by position", "Join by name"});
    choice.JoinByName = answer == 1;
    if (answer == 0) {
        joined = differences;
    }
    return answer >= 0;
}

// ---- Parameters --------------------------------------------------------------------

ParametersWindow::ParametersWindow(qspr::ProgramState& state, DialogService& dialogs,
                                   QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs) {
    setObjectName("Parameters");
    setWindowTitle(QString(25, ' ') + "Parameters of statistical analysis");

    minPropertyR2Label_ =
        NamedLabel(this, "minPropertyR2Label", "Min. descriptor / Property correlation ");
    validationCountLabel_ =
        NamedLabel(this, "validationCountLabel", "Number of molecules in the validation set");
    estimatedCorLabel_ = NamedLabel(this, "estimatedCorLabel", "Estimated correctness (KalemirS)");
    maxInterR2Label_ =
        NamedLabel(this, "maxInterR2Label", "Max. descriptors intercorrelation .......");
    maxPredictorsLabel_ =
        NamedLabel(this, "maxPredictorsLabel", "Max. predictors number .................");
    randomisationRunsLabel_ =
        NamedLabel(this, "randomisationRunsLabel", "Y-randomisation runs (0: none) .........");
    outliersLabel_ = NamedLabel(this, "outliersLabel", "Elimination of identified outliers");
    outliersNoteLabel_ =
        NamedLabel(this, "outliersNoteLabel",
                   " If your option is 'elimination of outliers' the modification of above "
                   "default values is futile.");
    outliersNoteLabel_->setWordWrap(true);
    minPropertyR2Field_ = NamedField(this, "minPropertyR2Field", kParameterFieldWidth);
    validationCountField_ = NamedField(this, "validationCountField", kParameterFieldWidth);
    estimatedCorField_ = NamedField(this, "estimatedCorField", kParameterFieldWidth);
    maxInterR2Field_ = NamedField(this, "maxInterR2Field", kParameterFieldWidth);
    maxPredictorsField_ = NamedField(this, "maxPredictorsField", kParameterFieldWidth);
    randomisationRunsField_ = NamedField(this, "randomisationRunsField", kParameterFieldWidth);
    observedLabel_ =
        NamedLabel(this, "observedLabel", "Observed values of the prediction set (table)");
    observedField_ = NamedField(this, "observedField", kParameterFieldWidth);
    observedField_->setPlaceholderText("optional");
    memoryLabel_ = NamedLabel(this, "memoryLabel", "Memory for the split tables, MB");
    memoryField_ = NamedField(this, "memoryField", kParameterFieldWidth);
    memoryField_->setPlaceholderText("the machine's");
    eliminateOutliersOption_ = NamedOption(this, "eliminateOutliersOption", "Yes");
    keepOutliersOption_ = NamedOption(this, "keepOutliersOption", "No");
    okButton_ = NamedButton(this, "okButton", "OK");
    cancelButton_ = NamedButton(this, "cancelButton", "Cancel");

    auto* grid = new QGridLayout(this);
    int row = AddFieldRows(grid, 0, 0,
                           {{minPropertyR2Label_, minPropertyR2Field_},
                            {validationCountLabel_, validationCountField_},
                            {estimatedCorLabel_, estimatedCorField_},
                            {maxInterR2Label_, maxInterR2Field_},
                            {maxPredictorsLabel_, maxPredictorsField_},
                            {randomisationRunsLabel_, randomisationRunsField_},
                            {observedLabel_, observedField_},
                            {memoryLabel_, memoryField_}});
    auto* options = new QHBoxLayout;
    options->addWidget(eliminateOutliersOption_);
    options->addWidget(keepOutliersOption_);
    grid->addWidget(outliersLabel_, row, 0);
    grid->addLayout(options, row, 1);
    ++row;
    grid->addWidget(outliersNoteLabel_, row++, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
    grid->addLayout(buttons, row, 0, 1, 2);
    resize(560, 360);

    // Window load.
    const qspr::ParameterEntries entries = qspr::LoadParameters(state_);
    minPropertyR2Field_->setText(FromReport(entries.MinPropertyR2Text));
    validationCountField_->setText(FromReport(entries.ValidationCountText));
    maxInterR2Field_->setText(FromReport(entries.MaxInterR2Text));
    maxPredictorsField_->setText(FromReport(entries.MaxPredictorsText));
    randomisationRunsField_->setText(FromReport(entries.RandomisationRunsText));
    memoryField_->setText(FromReport(entries.MemoryText));
    eliminateOutliersOption_->setChecked(entries.EliminateOutliers);
    keepOutliersOption_->setChecked(!entries.EliminateOutliers);
    estimatedCorLabel_->setVisible(entries.EstimatedCorShown);
    estimatedCorField_->setVisible(entries.EstimatedCorShown);
    if (entries.EstimatedCorShown) {
        estimatedCorField_->setText(FromReport(entries.EstimatedCorText));
    }
    observedLabel_->setVisible(state_.PredictionCount > 0);
    observedField_->setVisible(state_.PredictionCount > 0);
    connect(okButton_, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { OnCancel(); });
    auto* escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, [this] { OnCancel(); });
    MakeDefaultButton(this, okButton_);
    InstallHelpKey(this, dialogs_, "KalemirQ: Parameters of statistical analysis");
}

bool ParametersWindow::EntriesAccepted(const qspr::ParameterEntries& entries) {
    // The field of each qspr::ParameterEntry.
    QLineEdit* const boxes[] = {
        nullptr,          minPropertyR2Field_, validationCountField_,   estimatedCorField_,
        maxInterR2Field_, maxPredictorsField_, randomisationRunsField_, memoryField_};
    const std::vector<qspr::EntryProblem> problems = qspr::CheckParameterEntries(state_, entries);
    auto point = [&](const qspr::EntryProblem& problem) {
        QLineEdit* box = boxes[problem.Field];
        box->setFocus();
        box->selectAll();
    };
    // Entries OK cannot take first, then the numbers it would limit, each confirmed.
    for (const qspr::EntryProblem& problem : problems) {
        if (!problem.Confirmable) {
            point(problem);
            dialogs_.Inform(this, "Parameters", FromReport(problem.Message));
            return false;
        }
    }
    for (const qspr::EntryProblem& problem : problems) {
        if (!dialogs_.AskYesNo(this, "Parameters", FromReport(problem.Message) + ". Take it?")) {
            point(problem);
            return false;
        }
    }
    return true;
}

void ParametersWindow::OnOk() {
    qspr::ParameterEntries entries;
    entries.MinPropertyR2Text = ToReport(minPropertyR2Field_->text());
    entries.ValidationCountText = ToReport(validationCountField_->text());
    entries.EstimatedCorText = ToReport(estimatedCorField_->text());
    entries.MaxInterR2Text = ToReport(maxInterR2Field_->text());
    entries.MaxPredictorsText = ToReport(maxPredictorsField_->text());
    entries.RandomisationRunsText = ToReport(randomisationRunsField_->text());
    entries.MemoryText = ToReport(memoryField_->text());
    entries.EliminateOutliers = eliminateOutliersOption_->isChecked();
    entries.EstimatedCorShown = estimatedCorField_->isVisible();
    if (!EntriesAccepted(entries)) {
        return;
    }
    qspr::ParametersOutcome outcome;
    try {
        const std::string observed = ToReport(observedField_->text().trimmed());
        if (!observed.empty()) {
            qspr::LoadObservedTable(observed, state_.QsprTableName);
        }
        state_.ObservedTableName = observed;
        outcome = qspr::ParametersOk(state_, entries);
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "Parameters", QString::fromLocal8Bit(e.what()));
        return;
    }
    if (outcome == qspr::ParametersOutcome::Compute) {
        emit Compute();
    } else {
        emit FragmentTableMissing();
    }
}

void ParametersWindow::OnCancel() {
    qspr::WithdrawWorkingReport(state_);
    emit Cancelled();
}

void ParametersWindow::closeEvent(QCloseEvent* event) {
    qspr::WithdrawWorkingReport(state_);
    QWidget::closeEvent(event);
}

// ---- Results -----------------------------------------------------------------------

ResultsWindow::ResultsWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs) {
    setObjectName("Results");
    setWindowTitle(QString(47, ' ') + "Results ...");
    stopNotice_ = NamedLabel(this, "stopNotice", "");
    MarkAsStopNotice(stopNotice_);
    stopNotice_->hide();
    reportList_ = NamedList(this, "reportList", QAbstractItemView::ExtendedSelection);
    QFont fixed("DejaVu Sans Mono");
    fixed.setStyleHint(QFont::Monospace);
    reportList_->setFont(fixed);
    findField_ = new QLineEdit(this);
    findField_->setObjectName("findField");
    findField_->setPlaceholderText("Find in the report (Return: next)");
    findField_->setClearButtonEnabled(true);
    findStatusLabel_ = NamedLabel(this, "findStatusLabel", "");
    scatterButton_ = NamedButton(this, "scatterButton", "Scatter");
    williamsButton_ = NamedButton(this, "williamsButton", "Williams");
    modelReportButton_ = NamedButton(this, "modelReportButton", "Model report");
    quitButton_ = NamedButton(this, "quitButton", "Quit");
    printButton_ = NamedButton(this, "printButton", "Print");

    auto* find = new QHBoxLayout;
    find->addWidget(findField_, 1);
    find->addWidget(findStatusLabel_);
    // Buttons left of the stretch belong to the plots, those right of it to the report.
    buttons_ = new QHBoxLayout;
    buttons_->addWidget(scatterButton_);
    buttons_->addWidget(williamsButton_);
    buttons_->addWidget(modelReportButton_);
    buttons_->addStretch(1);
    buttons_->addWidget(printButton_);
    buttons_->addWidget(quitButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stopNotice_);
    layout->addWidget(reportList_, 1);
    layout->addStretch(0);
    layout->addLayout(find);
    layout->addLayout(buttons_);
    resize(qspr::kPlotWidthTwips / 15 + 40, qspr::kPlotHeightTwips / 15 + 60);
    findField_->hide();
    findStatusLabel_->hide();
    ChainTabOrder();
    LetButtonsPressOnReturn(this);
    InstallHelpKey(this, dialogs_, "KalemirQ: Results");

    // The report can be selected (Ctrl+A, Shift+arrows), copied (Ctrl+C) and searched
    // (Ctrl+F, then Return or F3 for the next line).
    auto* copy = new QShortcut(QKeySequence::Copy, reportList_);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this,
            [this] { QGuiApplication::clipboard()->setText(SelectedText()); });
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] { ShowFind(); });
    auto* nextKey = new QShortcut(QKeySequence::FindNext, this);
    connect(nextKey, &QShortcut::activated, this, [this] {
        if (findField_->isVisible()) {
            FindNext(findField_->text());
        }
    });
    connect(findField_, &QLineEdit::returnPressed, this, [this] { FindNext(findField_->text()); });
    auto* closeFind = new QShortcut(QKeySequence::Cancel, findField_);
    closeFind->setContext(Qt::WidgetShortcut);
    connect(closeFind, &QShortcut::activated, this, [this] {
        findField_->hide();
        findStatusLabel_->hide();
        reportList_->setFocus();
    });

    connect(printButton_, &QPushButton::clicked, this, [this] { OnPrint(); });
    connect(quitButton_, &QPushButton::clicked, this, [this] { QuitOnce(); });
    connect(scatterButton_, &QPushButton::clicked, this, [this] { OnScatter(); });
    connect(williamsButton_, &QPushButton::clicked, this, [this] { OnWilliams(); });
    connect(modelReportButton_, &QPushButton::clicked, this, [this] {
        const QString path = FromReport(qspr::ModelReportName(state_.QsprTableName));
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    });
}

void ResultsWindow::ChainTabOrder() {
    QWidget* previous = findField_;
    setTabOrder(reportList_, findField_);
    for (int i = 0; i < buttons_->count(); ++i) {
        if (QWidget* button = buttons_->itemAt(i)->widget()) {
            setTabOrder(previous, button);
            previous = button;
        }
    }
}

QString ResultsWindow::SelectedText() const {
    QStringList lines;
    for (int i = 0; i < reportList_->count(); ++i) {
        if (reportList_->item(i)->isSelected()) {
            lines << reportList_->item(i)->text();
        }
    }
    return lines.isEmpty() ? QString() : lines.join('\n') + '\n';
}

void ResultsWindow::ShowFind() {
    if (!reportList_->isVisible()) {
        return;
    }
    findField_->show();
    findStatusLabel_->show();
    findField_->setFocus();
    findField_->selectAll();
}

bool ResultsWindow::FindNext(const QString& text) {
    findStatusLabel_->clear();
    const int count = reportList_->count();
    if (text.isEmpty() || count == 0) {
        return false;
    }
    const int start = reportList_->currentRow() + 1;
    for (int step = 0; step < count; ++step) {
        QListWidgetItem* item = reportList_->item((start + step) % count);
        if (item->text().contains(text, Qt::CaseInsensitive)) {
            reportList_->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
            reportList_->scrollToItem(item, QAbstractItemView::PositionAtCenter);
            return true;
        }
    }
    findStatusLabel_->setText("not found");
    return false;
}

void ResultsWindow::Activate() {
    if (state_.FragmentTableMissing == 1) {
        printButton_->hide();
        scatterButton_->hide();
    }
    if (!state_.StoppedStage.empty()) {
        const QString where = FromReport(state_.StoppedStage);
        setWindowTitle(QString(47, ' ') + "Results ... analysis stopped " + where);
        stopNotice_->setText("The analysis was stopped " + where +
                             ": the report below is incomplete.");
        stopNotice_->show();
    }
    if (!state_.EarlierResultFilesRemoved.empty()) {
        QStringList names;
        for (const std::string& name : state_.EarlierResultFilesRemoved) {
            names << FromReport(name);
        }
        const QString removed = "Removed at the start: " + names.join(", ") + " of an earlier run.";
        stopNotice_->setText(state_.StoppedStage.empty() ? removed
                                                         : stopNotice_->text() + "\n" + removed);
        stopNotice_->show();
    }
    // The Williams plot needs the best equation by Q.
    williamsButton_->setVisible(!state_.Record.BestModel.Descriptors.empty());
    modelReportButton_->setVisible(
        QFileInfo::exists(FromReport(qspr::ModelReportName(state_.QsprTableName))));
    QApplication::processEvents();
    reportList_->clear();
    try {
        for (const std::string& line : qspr::ReadReportLines(qspr::kWorkingReport)) {
            reportList_->addItem(FromReport(line));
        }
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "Results", QString::fromLocal8Bit(e.what()));
    }
}

void ResultsWindow::QuitOnce() {
    if (quitting_) {
        return;
    }
    quitting_ = true;
    SaveReport();
    emit Quit();
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    QuitOnce();
    QWidget::closeEvent(event);
}

std::vector<qspr::KeptFile> ResultsWindow::KeptFiles() const {
    std::vector<qspr::KeptFile> kept = TablesOfState(state_);
    kept.push_back({qspr::kWorkingReport, "the report of this run"});
    kept.insert(kept.end(), written_.begin(), written_.end());
    return kept;
}

void ResultsWindow::OnPrint() {
    if (state_.FragmentTableMissing == 1) {
        return;
    }
    QStringList lines;
    for (int i = 0; i < reportList_->count(); ++i) {
        lines << reportList_->item(i)->text();
    }
    const QString proposed = FromReport(qspr::NamePrefix(state_.QsprTableCopy, 7) + "qspr.pdf");
    const QString pdf = PrintReport(this, dialogs_, lines, [this, &proposed] {
        return AskResultName("Give a name to the PDF file of the print.", "*.pdf file name",
                             proposed, KeptFiles());
    });
    if (!pdf.isEmpty()) {
        written_.push_back({ToReport(pdf), "the print of the report"});
    }
}

std::optional<QString> ResultsWindow::AskResultName(const QString& prompt, const QString& title,
                                                    const QString& proposed,
                                                    const std::vector<qspr::KeptFile>& kept) {
    for (;;) {
        QApplication::processEvents();
        const std::optional<QString> answer = dialogs_.AskText(this, prompt, title, proposed);
        if (!answer) {
            return std::nullopt;
        }
        if (answer->isEmpty()) {
            continue;
        }
        const std::string name = ToReport(*answer);
        if (const auto problem = qspr::ResultNameProblem(name, kept)) {
            dialogs_.Inform(this, title, FromReport(*problem) + ".");
            continue;
        }
        if (name != qspr::kWorkingReport && QFileInfo::exists(*answer) &&
            !dialogs_.AskYesNo(this, title, *answer + " already exists. Replace it?")) {
            continue;
        }
        return answer;
    }
}

bool ResultsWindow::SaveReport() {
    const QString defaultName = FromReport(qspr::DefaultReportName(state_.QsprTableCopy));
    std::vector<qspr::KeptFile> kept = TablesOfState(state_);
    kept.insert(kept.end(), written_.begin(), written_.end());
    for (;;) {
        const std::optional<QString> answer =
            AskResultName(qspr::kSavePrompt, qspr::kSaveTitle, defaultName, kept);
        if (!answer) {
            dialogs_.Inform(this, qspr::kSaveTitle,
                            QString("The report stays under the name ") + qspr::kWorkingReport +
                                ".");
            return true;
        }
        const std::string name = ToReport(*answer);
        try {
            qspr::RenameReport(qspr::kWorkingReport, name);
            return true;
        } catch (const qspr::ReportNotRenamed& e) {
            dialogs_.Inform(this, qspr::kSaveTitle,
                            "The report cannot be saved as " + *answer + ": " +
                                QString::fromLocal8Bit(e.Reason().c_str()) +
                                ". Give another name.");
        }
    }
}

void ResultsWindow::ShowPlots(bool shown) {
    if (shown) {
        reportCaption_ = windowTitle();
        hiddenForPlots_.clear();
        for (QWidget* widget :
             {static_cast<QWidget*>(reportList_), static_cast<QWidget*>(printButton_),
              static_cast<QWidget*>(scatterButton_), static_cast<QWidget*>(williamsButton_)}) {
            if (!widget->isHidden()) {
                hiddenForPlots_.push_back(widget);
            }
            widget->hide();
        }
        return;
    }
    drawing_ = QImage();
    update();
    setWindowTitle(reportCaption_);
    for (QWidget* widget : hiddenForPlots_) {
        widget->show();
    }
    hiddenForPlots_.clear();
}

void ResultsWindow::ShowAndSavePlot(const QImage& drawing, const QString& prompt,
                                    const QString& proposed, const std::string& what) {
    drawing_ = drawing;
    update();
    QApplication::processEvents();
    for (;;) {
        const std::optional<QString> answer =
            AskResultName(prompt, qspr::kScatterTitle, proposed, KeptFiles());
        if (!answer) {
            return;
        }
        if (SaveScatterImage(drawing_, *answer)) {
            written_.push_back({ToReport(*answer), what});
            return;
        }
        dialogs_.Inform(this, qspr::kScatterTitle,
                        "The image cannot be saved as " + *answer + ". Give another name.");
    }
}

void ResultsWindow::OnScatter() {
    if (state_.FragmentTableMissing == 1) {
        return;
    }
    ShowPlots(true);
    setWindowTitle(qspr::kScatterCaption);
    const int count = qspr::ScatterPlotCount(state_.CycleNumber);
    for (int k = 1; k <= count; ++k) {
        ShowAndSavePlot(PaintScatterPlot(qspr::DrawScatterPlot(state_.ScatterPoints, k), size()),
                        FromReport(qspr::ScatterPrompt(k, count)),
                        FromReport(qspr::ScatterPlotDefaultName(state_.QsprTableCopy, k)),
                        k == 1 ? "the scatter plot before removing outliers"
                               : "the scatter plot after removing outliers");
    }
    ShowPlots(false);
}

void ResultsWindow::OnWilliams() {
    if (state_.Record.BestModel.Descriptors.empty()) {
        return;
    }
    qspr::ValidationFigures figures;
    try {
        figures = jobFigures_ ? *jobFigures_ : qspr::FiguresOfBestEquation(state_);
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "Williams plot", QString::fromLocal8Bit(e.what()));
        return;
    }
    ShowPlots(true);
    setWindowTitle(qspr::kWilliamsCaption);
    ShowAndSavePlot(PaintScatterPlot(qspr::DrawWilliamsPlot(figures.Diagnostics), size()),
                    FromReport(qspr::kWilliamsPrompt),
                    FromReport(qspr::WilliamsPlotName(state_.QsprTableCopy)), "the Williams plot");
    ShowPlots(false);
}

void ResultsWindow::TakeJobFigures(std::optional<qspr::ValidationFigures> figures) {
    jobFigures_ = std::move(figures);
}

void ResultsWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!drawing_.isNull()) {
        QPainter painter(this);
        painter.drawImage(0, 0, drawing_);
    }
}

// ---- The sequence of windows -------------------------------------------------------

QsprFlow::QsprFlow(DialogService& dialogs, Computation computation)
    : dialogs_(dialogs), computation_(std::move(computation)) {}

QsprFlow::~QsprFlow() {
    delete workfiles_;
    delete parameters_;
    delete computing_;
    delete results_;
}

void QsprFlow::Start() {
    ShowWorkfiles();
    workfiles_->show();
}

void QsprFlow::ShowWorkfiles() {
    workfiles_ = new WorkfilesWindow(state_, dialogs_);
    connect(workfiles_, &WorkfilesWindow::Accepted, this, [this] { ShowParameters(); });
}

void QsprFlow::ShowParameters() {
    parameters_ = new ParametersWindow(state_, dialogs_);
    connect(parameters_, &ParametersWindow::Compute, this, [this] { ShowComputing(); });
    connect(parameters_, &ParametersWindow::FragmentTableMissing, this, [this] { ShowResults(); });
    connect(parameters_, &ParametersWindow::Cancelled, this, [this] {
        // Back to a Workfiles window as the program starts, over the folder as it was.
        state_ = qspr::ProgramState{};
        ShowWorkfiles();
        HandOver(parameters_, workfiles_);
    });
    HandOver(workfiles_, parameters_);
}

void QsprFlow::ShowComputing() {
    computing_ = MakeFlowComputingView(
        dialogs_,
        [this](ComputingWindow& window) {
            if (computation_) {
                outcome_ = computation_(state_, window);
            }
        },
        "Computing",
        [this](bool stopped) {
            if (stopped && state_.StoppedStage.empty()) {
                state_.StoppedStage = "before its end";
            }
            ShowResults();
        });
    computing_->setWindowTitle(QString(23, ' ') + "Computing  ... reckoning ... wait ...");
    HandOver(parameters_, computing_);
}

void QsprFlow::ShowResults() {
    results_ = new ResultsWindow(state_, dialogs_);
    results_->TakeJobFigures(outcome_.Figures);
    connect(results_, &ResultsWindow::Quit, this, [this] { emit Ended(); });
    // The results follow the computing window, or the parameters when there was nothing
    // to compute.
    if (computing_ != nullptr) {
        HandOver(computing_, results_);
    } else {
        HandOver(parameters_, results_);
    }
    results_->Activate();
}

} // namespace kalemir::ui
