#include "ui/SimilarityWindows.h"

#include "common/NumberText.h"
#include "common/RunLock.h"
#include "common/TextToNumber.h"
#include "similarity/Run.h"
#include "similarity/SimTable.h"
#include "ui/Controls.h"
#include "ui/DialogService.h"
#include "ui/FolderBar.h"
#include "ui/FolderFiles.h"
#include "ui/HelpPages.h"
#include "ui/Keyboard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kalemir::ui {

namespace {

/// The table window's own caption shows the progress of the preparation it runs itself.
class CaptionOfWidget : public ComputingWindow {
public:
    explicit CaptionOfWidget(QWidget* widget) : widget_(widget) {}
    void SetCaption(std::string_view caption) override {
        widget_->setWindowTitle(QString::fromLatin1(caption.data(), int(caption.size())));
    }
    void ClearPicture() override {}
    void ShowPicture(bool) override {}
    void PrintLine(std::string_view) override {}
    void ShowPlaced(PlacedLine, int, std::string_view) override {}

private:
    QWidget* widget_;
};

/// Entry fields of the minimum similarities hold numbers from 0 to 1.
constexpr int kSimilarityFieldWidth = 100;

/// The text a minimum-similarity field starts with: the engine's default ("0.9", "0.92").
QString DefaultSimilarityText(int measure, int shapeMethod) {
    return QString::fromStdString(
        PlainNumber(sim::DefaultMinClusterSimilarity(measure, shapeMethod)));
}

} // namespace

TableWindow::TableWindow(sim::RunChoices& choices, sim::PreparedTable& table,
                         DialogService& dialogs, QWidget* parent)
    : QWidget(parent), choices_(choices), table_(table), dialogs_(dialogs) {
    setObjectName("TableWindow");
    setWindowTitle(QString(68, ' ') + "Click to select certain table");
    Label1 = NamedLabel(this, "Label1",
                        "      KalemirS performs similarity computations from the point of view "
                        "of the chemical structure, shape,size, hydrophilicity           and "
                        "flexibility of the molecules in selected table.");
    Label1->setWordWrap(true);
    Label2 = NamedLabel(this, "Label2", "Descriptors' tables");
    Listfile = NamedList(this, "Listfile", QAbstractItemView::SingleSelection);
    Listfile->addItems(ListFolderFiles("*SIM.des"));
    Label3 = NamedLabel(this, "Label3", "Shape similarity method");
    Option1 = NamedOption(this, "Option1", "corrected USR");
    Option2 = NamedOption(this, "Option2", "Superposition");
    Option1->setChecked(true);
    Label4 = NamedLabel(this, "Label4", "Minimum similarity in cluster(s)");
    Label5 = NamedLabel(this, "Label5", "by chemical structure");
    Label6 = NamedLabel(this, "Label6", "by shape");
    Label7 = NamedLabel(this, "Label7", "by size");
    Label8 = NamedLabel(this, "Label8", "by hydrophilicity");
    Label9 = NamedLabel(this, "Label9", "by flexibility");
    Text1 = NamedField(this, "Text1", kSimilarityFieldWidth);
    Text2 = NamedField(this, "Text2", kSimilarityFieldWidth);
    Text3 = NamedField(this, "Text3", kSimilarityFieldWidth);
    Text4 = NamedField(this, "Text4", kSimilarityFieldWidth);
    Text5 = NamedField(this, "Text5", kSimilarityFieldWidth);
    QLineEdit* const boxes[] = {Text1, Text2, Text3, Text4, Text5};
    for (int k = 1; k <= sim::kMeasureCount; ++k) {
        boxes[k - 1]->setText(DefaultSimilarityText(k, sim::kCorrectedUsr));
    }
    ButonOK = NamedButton(this, "ButonOK", "OK");
    // OK appears once a table is chosen; its place is kept so that nothing moves then.
    QSizePolicy keepPlace = ButonOK->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    ButonOK->setSizePolicy(keepPlace);
    Folder = new FolderBar("KalemirS", "KalemirS: Table window", dialogs_, this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Listfile, 2, 0, 8, 1);
    grid->addWidget(Label3, 1, 1, 1, 2);
    grid->addWidget(Option1, 2, 1, 1, 2);
    grid->addWidget(Option2, 3, 1, 1, 2);
    grid->addWidget(Label4, 4, 1, 1, 2);
    const int row = AddFieldRows(
        grid, 5, 1,
        {{Label5, Text1}, {Label6, Text2}, {Label7, Text3}, {Label8, Text4}, {Label9, Text5}});
    grid->addWidget(ButonOK, row, 2, Qt::AlignRight);
    grid->addWidget(Folder, row + 1, 0, 1, 3);
    resize(760, 500);
    MakeDefaultButton(this, ButonOK);
    InstallHelpKey(this, dialogs_, "KalemirS: Table window");

    // Window load.
    choices_.shapeMethod = sim::kCorrectedUsr;
    choices_.tableFileName = "XXXXX";
    ButonOK->hide();
    connect(Listfile, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OnTableClick(item->text()); });
    // A table chosen with the arrow keys is chosen as by a click.
    connect(Listfile, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = Listfile->selectedItems();
        if (!chosen.isEmpty()) {
            OnTableClick(chosen.front()->text());
        }
    });
    connect(Folder, &FolderBar::FolderChanged, this, [this] {
        Listfile->clear();
        Listfile->addItems(ListFolderFiles("*SIM.des"));
        choices_.tableFileName = "XXXXX";
        ButonOK->hide();
    });
    connect(ButonOK, &QPushButton::clicked, this, [this] { OnOk(); });
    // Another shape method brings its own shape minimum, unless the user typed one.
    connect(Option2, &QRadioButton::toggled, this, [this](bool superposition) {
        const int before = superposition ? sim::kCorrectedUsr : sim::kSuperposition;
        if (Text2->text().trimmed() == DefaultSimilarityText(sim::kShape, before)) {
            Text2->setText(DefaultSimilarityText(sim::kShape, superposition ? sim::kSuperposition
                                                                            : sim::kCorrectedUsr));
        }
    });
}

void TableWindow::OnTableClick(const QString& name) {
    choices_.tableFileName = name.toLatin1().toStdString();
    sim::DeriveFileNames(choices_);
    ButonOK->show();
    choices_.shapeMethod = Option1->isChecked() ? sim::kCorrectedUsr : sim::kSuperposition;
    Text2->setText(DefaultSimilarityText(sim::kShape, choices_.shapeMethod));
}

bool TableWindow::SimilaritiesAccepted() {
    QLineEdit* const boxes[] = {Text1, Text2, Text3, Text4, Text5};
    QLabel* const labels[] = {Label5, Label6, Label7, Label8, Label9};
    for (int k = 0; k < sim::kMeasureCount; ++k) {
        const std::string problem =
            sim::ClusterSimilarityProblem(boxes[k]->text().toLatin1().toStdString());
        if (!problem.empty()) {
            boxes[k]->setFocus();
            boxes[k]->selectAll();
            dialogs_.Inform(this, "KalemirS",
                            Label4->text() + " " + labels[k]->text() + ": " +
                                QString::fromLatin1(problem.c_str()) + ".");
            return false;
        }
    }
    return true;
}

void TableWindow::OnOk() {
    if (!SimilaritiesAccepted()) {
        return;
    }
    choices_.shapeMethod = Option1->isChecked() ? sim::kCorrectedUsr : sim::kSuperposition;
    const QLineEdit* boxes[] = {Text1, Text2, Text3, Text4, Text5};
    for (int k = 1; k <= sim::kMeasureCount; ++k) {
        choices_.minClusterSimilarity[k] = TextToNumber(boxes[k - 1]->text().toStdString());
    }
    CaptionOfWidget caption(this);
    try {
        const RunLock lock("KalemirS"); // one run per folder, as on the command line
        sim::PrepareTable(choices_, table_, caption);
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "KalemirS", QString::fromLocal8Bit(e.what()));
        return;
    }
    emit Prepared();
}

FinalWindow::FinalWindow(const sim::RunChoices& choices, const sim::PreparedTable& table,
                         const sim::RunResults& results, QWidget* parent)
    : QWidget(parent) {
    setObjectName("FinalWindow");
    const QString resultsFile = QString::fromLatin1(choices.resultsFileName.c_str());
    const bool stopped = !results.stoppedStage.empty();
    if (stopped) {
        const QString where = QString::fromLatin1(results.stoppedStage.c_str());
        setWindowTitle("Analysis stopped " + where);
        Label1 = new QLabel("The analysis was stopped " + where + ": " + resultsFile +
                                " holds what was written until then.",
                            this);
        MarkAsStopNotice(Label1);
    } else {
        setWindowTitle(QString(86, ' '));
        Label1 = new QLabel("See the results in " + resultsFile + " file.", this);
    }
    Label1->setObjectName("Label1");
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    CorLabel = new QLabel(this);
    CorLabel->setObjectName("CorLabel");
    CorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (!stopped && table.predictionCount > 0) {
        CorLabel->setText(
            "Estimated correctness COR = " +
            QString::fromLatin1(PlainNumberSingle(results.estimatedCorrectness).c_str()) +
            "   (for KalemirQ's \"Estimated correctness (KalemirS)\")");
    } else {
        CorLabel->hide();
    }
    ButonQuit = NamedButton(this, "ButonQuit", "Quit");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(CorLabel);
    layout->addWidget(ButonQuit, 0, Qt::AlignRight);
    resize(520, 150);
    MakeDefaultButton(this, ButonQuit);
    connect(ButonQuit, &QPushButton::clicked, this, [this] { emit Quit(); });
}

SimilarityFlow::SimilarityFlow(DialogService& dialogs) : dialogs_(dialogs) {}

SimilarityFlow::~SimilarityFlow() {
    delete table_;
    delete computing_;
    delete final_;
}

void SimilarityFlow::Start() {
    table_ = new TableWindow(choices_, prepared_, dialogs_);
    connect(table_, &TableWindow::Prepared, this, [this] { ShowComputing(); });
    table_->show();
}

void SimilarityFlow::ShowComputing() {
    computing_ = MakeFlowComputingView(
        dialogs_,
        [this](ComputingWindow& window) {
            const RunLock lock("KalemirS");
            sim::RunSimilarityAnalysis(choices_, prepared_, results_, window);
        },
        "KalemirS",
        [this](bool stopped) {
            if (stopped && results_.stoppedStage.empty()) {
                results_.stoppedStage = "before its end";
            }
            ShowFinal();
        });
    HandOver(table_, computing_);
}

void SimilarityFlow::ShowFinal() {
    final_ = new FinalWindow(choices_, prepared_, results_);
    InstallHelpKey(final_, dialogs_, "KalemirS: Final window");
    connect(final_, &FinalWindow::Quit, this, [this] { emit Ended(); });
    HandOver(computing_, final_);
}

} // namespace kalemir::ui
