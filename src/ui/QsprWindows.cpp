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
        descriptorTables.push_back(state.ChosenTableNames[static_cast<std::size_t>(i)].first);
    }
    return qspr::TablesOfRun(state.QsprTableCopy, descriptorTables, state.ObservedTableName);
}

} // namespace

// ---- Workfiles ---------------------------------------------------------------------

WorkfilesWindow::WorkfilesWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs) {
    setObjectName("Workfiles");
    setWindowTitle(QString(42, ' ') + "Workfiles");

    Label1 = NamedLabel(this, "Label1",
                        "KALEMIRq computes QSPRs using                   some data tables ");
    QFont script = Label1->font();
    script.setItalic(true);
    script.setPointSize(script.pointSize() + 6);
    Label1->setFont(script);
    Label2 = NamedLabel(this, "Label2", "           QSPR tables");
    Label3 = NamedLabel(this, "Label3", "        Descriptor tables");
    Label4 = NamedLabel(this, "Label4",
                        "Select one QSPR table by Click                                           "
                        "Select one Descriptor table by Click                                     "
                        "        Then you may select more Descriptor tables by Shift+Click or "
                        "Ctrl+Click");
    Label4->setWordWrap(true);
    Label5 = NamedLabel(this, "Label5", "  If you please, heed         the above rules");
    Label5->setWordWrap(true);
    MissingNote = NamedLabel(this, "MissingNote", "");
    MissingNote->setWordWrap(true);

    List1 = NamedList(this, "List1", QAbstractItemView::SingleSelection);
    List2 = NamedList(this, "List2", QAbstractItemView::ExtendedSelection);
    ListTables();
    ButonOK = NamedButton(this, "ButonOK", "OK");
    Folder = new FolderBar("KalemirQ", "KalemirQ: Workfiles", dialogs_, this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Label3, 1, 1);
    grid->addWidget(List1, 2, 0);
    grid->addWidget(List2, 2, 1);
    grid->addWidget(Label4, 3, 0, 1, 2);
    grid->addWidget(Label5, 4, 0);
    grid->addWidget(ButonOK, 4, 1, Qt::AlignRight);
    grid->addWidget(MissingNote, 5, 0, 1, 2);
    grid->addWidget(Folder, 6, 0, 1, 2);
    resize(640, 540);
    MakeDefaultButton(this, ButonOK);
    InstallHelpKey(this, dialogs_, "KalemirQ: Workfiles");
    connect(Folder, &FolderBar::FolderChanged, this, [this] { ListTables(); });

    // Window load.
    clickCounter_ = 0;
    HideReminder();
    connect(List1, &QListWidget::itemClicked, this, [this] { OnListClick(); });
    connect(List2, &QListWidget::itemClicked, this, [this] { OnListClick(); });
    connect(ButonOK, &QPushButton::clicked, this, [this] { OnOk(); });
}

void WorkfilesWindow::ListTables() {
    List1->clear();
    List1->addItems(ListFolderFiles("*."));
    List2->clear();
    for (const QString& name : ListFolderFiles("*.des")) {
        if (qspr::DescriptorTableProblem(ToReport(name)).empty()) {
            List2->addItem(name);
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
    Label5->show();
    MissingNote->setText(FromReport(qspr::MissingChoice(choice)));
    MissingNote->setVisible(!MissingNote->text().isEmpty());
}

void WorkfilesWindow::HideReminder() {
    Label5->hide();
    MissingNote->hide();
}

void WorkfilesWindow::OnOk() {
    qspr::WorkfilesChoice choice;
    const QList<QListWidgetItem*> chosen = List1->selectedItems();
    if (!chosen.isEmpty()) {
        choice.qsprTable = ToReport(chosen.front()->text());
    }
    for (int i = 0; i < List2->count(); ++i) {
        choice.listedTables.push_back(ToReport(List2->item(i)->text()));
        choice.selected.push_back(List2->item(i)->isSelected());
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
    for (std::size_t i = 0; i < choice.listedTables.size() && i < choice.selected.size(); ++i) {
        if (choice.selected[i]) {
            tables.push_back(choice.listedTables[i]);
        }
    }
    if (choice.qsprTable.empty() || tables.empty()) {
        return true; // OK shows its reminder
    }
    const std::vector<std::string> differences =
        qspr::CheckQsprTables("", choice.qsprTable, tables);
    if (differences.empty()) {
        return true;
    }
    QString question;
    for (const std::string& difference : differences) {
        question += FromReport(difference) + "\n\n";
    }
    if (!qspr::NameJoinProblem("", choice.qsprTable, tables).empty()) {
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
    choice.joinByName = answer == 1;
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

    Label1 = NamedLabel(this, "Label1", "Min. descriptor / Property correlation ");
    Label6 = NamedLabel(this, "Label6", "Number of molecules in the validation set");
    Label7 = NamedLabel(this, "Label7", "Estimated correctness (KalemirS)");
    Label4 = NamedLabel(this, "Label4", "Max. descriptors intercorrelation .......");
    Label5 = NamedLabel(this, "Label5", "Max. predictors number .................");
    Label8 = NamedLabel(this, "Label8", "Y-randomisation runs (0: none) .........");
    Label3 = NamedLabel(this, "Label3", "Elimination of identified outliers");
    Label2 = NamedLabel(this, "Label2",
                        " If your option is 'elimination of outliers' the modification of above "
                        "default values is futile.");
    Label2->setWordWrap(true);
    Text1 = NamedField(this, "Text1", kParameterFieldWidth);
    Text2 = NamedField(this, "Text2", kParameterFieldWidth);
    Text3 = NamedField(this, "Text3", kParameterFieldWidth);
    Text4 = NamedField(this, "Text4", kParameterFieldWidth);
    Text5 = NamedField(this, "Text5", kParameterFieldWidth);
    Text6 = NamedField(this, "Text6", kParameterFieldWidth);
    ObservedLabel =
        NamedLabel(this, "ObservedLabel", "Observed values of the prediction set (table)");
    Observed = NamedField(this, "Observed", kParameterFieldWidth);
    Observed->setPlaceholderText("optional");
    memoryLabel = NamedLabel(this, "memoryLabel", "Memory for the split tables, MB");
    memoryField = NamedField(this, "memoryField", kParameterFieldWidth);
    memoryField->setPlaceholderText("the machine's");
    Option1 = NamedOption(this, "Option1", "Yes");
    Option2 = NamedOption(this, "Option2", "No");
    ButonOK = NamedButton(this, "ButonOK", "OK");
    ButonCancel = NamedButton(this, "ButonCancel", "Cancel");

    auto* grid = new QGridLayout(this);
    int row = AddFieldRows(grid, 0, 0,
                           {{Label1, Text1},
                            {Label6, Text2},
                            {Label7, Text3},
                            {Label4, Text4},
                            {Label5, Text5},
                            {Label8, Text6},
                            {ObservedLabel, Observed},
                            {memoryLabel, memoryField}});
    auto* options = new QHBoxLayout;
    options->addWidget(Option1);
    options->addWidget(Option2);
    grid->addWidget(Label3, row, 0);
    grid->addLayout(options, row, 1);
    ++row;
    grid->addWidget(Label2, row++, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButonOK);
    buttons->addWidget(ButonCancel);
    grid->addLayout(buttons, row, 0, 1, 2);
    resize(560, 360);

    // Window load.
    const qspr::ParameterEntries entries = qspr::LoadParameters(state_);
    Text1->setText(FromReport(entries.MinPropertyR2Text));
    Text2->setText(FromReport(entries.ValidationCountText));
    Text4->setText(FromReport(entries.MaxInterR2Text));
    Text5->setText(FromReport(entries.MaxPredictorsText));
    Text6->setText(FromReport(entries.RandomisationRunsText));
    memoryField->setText(FromReport(entries.MemoryText));
    Option1->setChecked(entries.EliminateOutliers);
    Option2->setChecked(!entries.EliminateOutliers);
    Label7->setVisible(entries.EstimatedCorShown);
    Text3->setVisible(entries.EstimatedCorShown);
    if (entries.EstimatedCorShown) {
        Text3->setText(FromReport(entries.EstimatedCorText));
    }
    ObservedLabel->setVisible(state_.PredictionCount > 0);
    Observed->setVisible(state_.PredictionCount > 0);
    connect(ButonOK, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(ButonCancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    auto* escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, [this] { OnCancel(); });
    MakeDefaultButton(this, ButonOK);
    InstallHelpKey(this, dialogs_, "KalemirQ: Parameters of statistical analysis");
}

bool ParametersWindow::EntriesAccepted(const qspr::ParameterEntries& entries) {
    // The field of each qspr::ParameterEntry.
    QLineEdit* const boxes[] = {nullptr, Text1, Text2, Text3, Text4, Text5, Text6, memoryField};
    const std::vector<qspr::EntryProblem> problems = qspr::CheckParameterEntries(state_, entries);
    auto point = [&](const qspr::EntryProblem& problem) {
        QLineEdit* box = boxes[problem.field];
        box->setFocus();
        box->selectAll();
    };
    // Entries OK cannot take first, then the numbers it would limit, each confirmed.
    for (const qspr::EntryProblem& problem : problems) {
        if (!problem.confirmable) {
            point(problem);
            dialogs_.Inform(this, "Parameters", FromReport(problem.message));
            return false;
        }
    }
    for (const qspr::EntryProblem& problem : problems) {
        if (!dialogs_.AskYesNo(this, "Parameters", FromReport(problem.message) + ". Take it?")) {
            point(problem);
            return false;
        }
    }
    return true;
}

void ParametersWindow::OnOk() {
    qspr::ParameterEntries entries;
    entries.MinPropertyR2Text = ToReport(Text1->text());
    entries.ValidationCountText = ToReport(Text2->text());
    entries.EstimatedCorText = ToReport(Text3->text());
    entries.MaxInterR2Text = ToReport(Text4->text());
    entries.MaxPredictorsText = ToReport(Text5->text());
    entries.RandomisationRunsText = ToReport(Text6->text());
    entries.MemoryText = ToReport(memoryField->text());
    entries.EliminateOutliers = Option1->isChecked();
    entries.EstimatedCorShown = Text3->isVisible();
    if (!EntriesAccepted(entries)) {
        return;
    }
    qspr::ParametersOutcome outcome;
    try {
        const std::string observed = ToReport(Observed->text().trimmed());
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
    StopNotice = NamedLabel(this, "StopNotice", "");
    MarkAsStopNotice(StopNotice);
    StopNotice->hide();
    Text = NamedList(this, "Text", QAbstractItemView::ExtendedSelection);
    QFont fixed("DejaVu Sans Mono");
    fixed.setStyleHint(QFont::Monospace);
    Text->setFont(fixed);
    FindText = new QLineEdit(this);
    FindText->setObjectName("FindText");
    FindText->setPlaceholderText("Find in the report (Return: next)");
    FindText->setClearButtonEnabled(true);
    FindStatus = NamedLabel(this, "FindStatus", "");
    Scatterp = NamedButton(this, "Scatterp", "Scatter");
    Williams = NamedButton(this, "Williams", "Williams");
    ModelReport = NamedButton(this, "ModelReport", "Model report");
    ButonQuit = NamedButton(this, "ButonQuit", "Quit");
    ButonPrint = NamedButton(this, "ButonPrint", "Print");

    auto* find = new QHBoxLayout;
    find->addWidget(FindText, 1);
    find->addWidget(FindStatus);
    // Buttons left of the stretch belong to the plots, those right of it to the report.
    buttons_ = new QHBoxLayout;
    buttons_->addWidget(Scatterp);
    buttons_->addWidget(Williams);
    buttons_->addWidget(ModelReport);
    buttons_->addStretch(1);
    buttons_->addWidget(ButonPrint);
    buttons_->addWidget(ButonQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StopNotice);
    layout->addWidget(Text, 1);
    layout->addStretch(0);
    layout->addLayout(find);
    layout->addLayout(buttons_);
    resize(qspr::kPlotWidthTwips / 15 + 40, qspr::kPlotHeightTwips / 15 + 60);
    FindText->hide();
    FindStatus->hide();
    ChainTabOrder();
    LetButtonsPressOnReturn(this);
    InstallHelpKey(this, dialogs_, "KalemirQ: Results");

    // The report can be selected (Ctrl+A, Shift+arrows), copied (Ctrl+C) and searched
    // (Ctrl+F, then Return or F3 for the next line).
    auto* copy = new QShortcut(QKeySequence::Copy, Text);
    copy->setContext(Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this,
            [this] { QGuiApplication::clipboard()->setText(SelectedText()); });
    auto* findKey = new QShortcut(QKeySequence::Find, this);
    connect(findKey, &QShortcut::activated, this, [this] { ShowFind(); });
    auto* nextKey = new QShortcut(QKeySequence::FindNext, this);
    connect(nextKey, &QShortcut::activated, this, [this] {
        if (FindText->isVisible()) {
            FindNext(FindText->text());
        }
    });
    connect(FindText, &QLineEdit::returnPressed, this, [this] { FindNext(FindText->text()); });
    auto* closeFind = new QShortcut(QKeySequence::Cancel, FindText);
    closeFind->setContext(Qt::WidgetShortcut);
    connect(closeFind, &QShortcut::activated, this, [this] {
        FindText->hide();
        FindStatus->hide();
        Text->setFocus();
    });

    connect(ButonPrint, &QPushButton::clicked, this, [this] { OnPrint(); });
    connect(ButonQuit, &QPushButton::clicked, this, [this] { QuitOnce(); });
    connect(Scatterp, &QPushButton::clicked, this, [this] { OnScatter(); });
    connect(Williams, &QPushButton::clicked, this, [this] { OnWilliams(); });
    connect(ModelReport, &QPushButton::clicked, this, [this] {
        const QString path = FromReport(qspr::ModelReportName(state_.QsprTableName));
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    });
}

void ResultsWindow::ChainTabOrder() {
    QWidget* previous = FindText;
    setTabOrder(Text, FindText);
    for (int i = 0; i < buttons_->count(); ++i) {
        if (QWidget* button = buttons_->itemAt(i)->widget()) {
            setTabOrder(previous, button);
            previous = button;
        }
    }
}

QString ResultsWindow::SelectedText() const {
    QStringList lines;
    for (int i = 0; i < Text->count(); ++i) {
        if (Text->item(i)->isSelected()) {
            lines << Text->item(i)->text();
        }
    }
    return lines.isEmpty() ? QString() : lines.join('\n') + '\n';
}

void ResultsWindow::ShowFind() {
    if (!Text->isVisible()) {
        return;
    }
    FindText->show();
    FindStatus->show();
    FindText->setFocus();
    FindText->selectAll();
}

bool ResultsWindow::FindNext(const QString& text) {
    FindStatus->clear();
    const int count = Text->count();
    if (text.isEmpty() || count == 0) {
        return false;
    }
    const int start = Text->currentRow() + 1;
    for (int step = 0; step < count; ++step) {
        QListWidgetItem* item = Text->item((start + step) % count);
        if (item->text().contains(text, Qt::CaseInsensitive)) {
            Text->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
            Text->scrollToItem(item, QAbstractItemView::PositionAtCenter);
            return true;
        }
    }
    FindStatus->setText("not found");
    return false;
}

void ResultsWindow::Activate() {
    if (state_.FragmentTableMissing == 1) {
        ButonPrint->hide();
        Scatterp->hide();
    }
    if (!state_.StoppedStage.empty()) {
        const QString where = FromReport(state_.StoppedStage);
        setWindowTitle(QString(47, ' ') + "Results ... analysis stopped " + where);
        StopNotice->setText("The analysis was stopped " + where +
                            ": the report below is incomplete.");
        StopNotice->show();
    }
    if (!state_.EarlierResultFilesRemoved.empty()) {
        QStringList names;
        for (const std::string& name : state_.EarlierResultFilesRemoved) {
            names << FromReport(name);
        }
        const QString removed = "Removed at the start: " + names.join(", ") + " of an earlier run.";
        StopNotice->setText(state_.StoppedStage.empty() ? removed
                                                        : StopNotice->text() + "\n" + removed);
        StopNotice->show();
    }
    // The Williams plot needs the best equation by Q.
    Williams->setVisible(!state_.Record.BestModel.Descriptors.empty());
    ModelReport->setVisible(
        QFileInfo::exists(FromReport(qspr::ModelReportName(state_.QsprTableName))));
    QApplication::processEvents();
    Text->clear();
    try {
        for (const std::string& line : qspr::ReadReportLines(qspr::kWorkingReport)) {
            Text->addItem(FromReport(line));
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
    for (int i = 0; i < Text->count(); ++i) {
        lines << Text->item(i)->text();
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
        if (const std::string problem = qspr::ResultNameProblem(name, kept); !problem.empty()) {
            dialogs_.Inform(this, title, FromReport(problem) + ".");
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
        for (QWidget* widget : {static_cast<QWidget*>(Text), static_cast<QWidget*>(ButonPrint),
                                static_cast<QWidget*>(Scatterp), static_cast<QWidget*>(Williams)}) {
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
