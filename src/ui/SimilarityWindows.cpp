#include "ui/SimilarityWindows.h"

#include "common/NumberText.h"
#include "common/TextToNumber.h"
#include "similarity/Run.h"
#include "similarity/RunLocked.h"
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
    introLabel_ =
        NamedLabel(this, "introLabel",
                   "      KalemirS performs similarity computations from the point of view "
                   "of the chemical structure, shape,size, hydrophilicity           and "
                   "flexibility of the molecules in selected table.");
    introLabel_->setWordWrap(true);
    tablesLabel_ = NamedLabel(this, "tablesLabel", "Descriptors' tables");
    tableList_ = NamedList(this, "tableList", QAbstractItemView::SingleSelection);
    tableList_->addItems(ListFolderFiles("*SIM.des"));
    shapeMethodLabel_ = NamedLabel(this, "shapeMethodLabel", "Shape similarity method");
    usrOption_ = NamedOption(this, "usrOption", "corrected USR");
    superpositionOption_ = NamedOption(this, "superpositionOption", "Superposition");
    usrOption_->setChecked(true);
    minSimilarityLabel_ =
        NamedLabel(this, "minSimilarityLabel", "Minimum similarity in cluster(s)");
    structureLabel_ = NamedLabel(this, "structureLabel", "by chemical structure");
    shapeLabel_ = NamedLabel(this, "shapeLabel", "by shape");
    sizeLabel_ = NamedLabel(this, "sizeLabel", "by size");
    hydrophilicityLabel_ = NamedLabel(this, "hydrophilicityLabel", "by hydrophilicity");
    flexibilityLabel_ = NamedLabel(this, "flexibilityLabel", "by flexibility");
    minStructureField_ = NamedField(this, "minStructureField", kSimilarityFieldWidth);
    minShapeField_ = NamedField(this, "minShapeField", kSimilarityFieldWidth);
    minSizeField_ = NamedField(this, "minSizeField", kSimilarityFieldWidth);
    minHydrophilicityField_ = NamedField(this, "minHydrophilicityField", kSimilarityFieldWidth);
    minFlexibilityField_ = NamedField(this, "minFlexibilityField", kSimilarityFieldWidth);
    const std::array<QLineEdit*, sim::kMeasureCount> boxes = MinimumFields();
    for (int k = 1; k <= sim::kMeasureCount; ++k) {
        boxes[k - 1]->setText(DefaultSimilarityText(k, sim::kCorrectedUsr));
    }
    okButton_ = NamedButton(this, "okButton", "OK");
    // OK appears once a table is chosen; its place is kept so that nothing moves then.
    QSizePolicy keepPlace = okButton_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    okButton_->setSizePolicy(keepPlace);
    folderBar_ = new FolderBar("KalemirS", "KalemirS: Table window", dialogs_, this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(introLabel_, 0, 0, 1, 3);
    grid->addWidget(tablesLabel_, 1, 0);
    grid->addWidget(tableList_, 2, 0, 8, 1);
    grid->addWidget(shapeMethodLabel_, 1, 1, 1, 2);
    grid->addWidget(usrOption_, 2, 1, 1, 2);
    grid->addWidget(superpositionOption_, 3, 1, 1, 2);
    grid->addWidget(minSimilarityLabel_, 4, 1, 1, 2);
    const int row = AddFieldRows(grid, 5, 1,
                                 {{structureLabel_, minStructureField_},
                                  {shapeLabel_, minShapeField_},
                                  {sizeLabel_, minSizeField_},
                                  {hydrophilicityLabel_, minHydrophilicityField_},
                                  {flexibilityLabel_, minFlexibilityField_}});
    grid->addWidget(okButton_, row, 2, Qt::AlignRight);
    grid->addWidget(folderBar_, row + 1, 0, 1, 3);
    resize(760, 500);
    MakeDefaultButton(this, okButton_);
    InstallHelpKey(this, dialogs_, "KalemirS: Table window");

    // Window load.
    choices_.ShapeMethod = sim::kCorrectedUsr;
    choices_.TableFileName = "XXXXX";
    okButton_->hide();
    connect(tableList_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OnTableClick(item->text()); });
    // A table chosen with the arrow keys is chosen as by a click.
    connect(tableList_, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = tableList_->selectedItems();
        if (!chosen.isEmpty()) {
            OnTableClick(chosen.front()->text());
        }
    });
    connect(folderBar_, &FolderBar::FolderChanged, this, [this] {
        tableList_->clear();
        tableList_->addItems(ListFolderFiles("*SIM.des"));
        choices_.TableFileName = "XXXXX";
        okButton_->hide();
    });
    connect(okButton_, &QPushButton::clicked, this, [this] { OnOk(); });
    // Another shape method brings its own shape minimum, unless the user typed one.
    connect(superpositionOption_, &QRadioButton::toggled, this, [this](bool superposition) {
        const int before = superposition ? sim::kCorrectedUsr : sim::kSuperposition;
        if (minShapeField_->text().trimmed() == DefaultSimilarityText(sim::kShape, before)) {
            minShapeField_->setText(DefaultSimilarityText(
                sim::kShape, superposition ? sim::kSuperposition : sim::kCorrectedUsr));
        }
    });
}

void TableWindow::OnTableClick(const QString& name) {
    choices_.TableFileName = name.toLatin1().toStdString();
    sim::DeriveFileNames(choices_);
    okButton_->show();
    choices_.ShapeMethod = usrOption_->isChecked() ? sim::kCorrectedUsr : sim::kSuperposition;
    minShapeField_->setText(DefaultSimilarityText(sim::kShape, choices_.ShapeMethod));
}

std::array<QLineEdit*, sim::kMeasureCount> TableWindow::MinimumFields() const {
    return {minStructureField_, minShapeField_, minSizeField_, minHydrophilicityField_,
            minFlexibilityField_};
}

bool TableWindow::SimilaritiesAccepted() {
    const std::array<QLineEdit*, sim::kMeasureCount> boxes = MinimumFields();
    QLabel* const labels[] = {structureLabel_, shapeLabel_, sizeLabel_, hydrophilicityLabel_,
                              flexibilityLabel_};
    for (int k = 0; k < sim::kMeasureCount; ++k) {
        if (const auto problem =
                sim::ClusterSimilarityProblem(boxes[k]->text().toLatin1().toStdString())) {
            boxes[k]->setFocus();
            boxes[k]->selectAll();
            dialogs_.Inform(this, "KalemirS",
                            minSimilarityLabel_->text() + " " + labels[k]->text() + ": " +
                                QString::fromLatin1(problem->c_str()) + ".");
            return false;
        }
    }
    return true;
}

void TableWindow::OnOk() {
    if (!SimilaritiesAccepted()) {
        return;
    }
    choices_.ShapeMethod = usrOption_->isChecked() ? sim::kCorrectedUsr : sim::kSuperposition;
    const std::array<QLineEdit*, sim::kMeasureCount> boxes = MinimumFields();
    for (int k = 1; k <= sim::kMeasureCount; ++k) {
        choices_.MinClusterSimilarity[k] = TextToNumber(boxes[k - 1]->text().toStdString());
    }
    CaptionOfWidget caption(this);
    try {
        sim::RunLocked([&] { sim::PrepareTable(choices_, table_, caption); });
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
    const QString resultsFile = QString::fromLatin1(choices.ResultsFileName.c_str());
    const bool stopped = !results.StoppedStage.empty();
    if (stopped) {
        const QString where = QString::fromLatin1(results.StoppedStage.c_str());
        setWindowTitle("Analysis stopped " + where);
        resultsLabel_ = new QLabel("The analysis was stopped " + where + ": " + resultsFile +
                                       " holds what was written until then.",
                                   this);
        MarkAsStopNotice(resultsLabel_);
    } else {
        setWindowTitle(QString(86, ' '));
        resultsLabel_ = new QLabel("See the results in " + resultsFile + " file.", this);
    }
    resultsLabel_->setObjectName("resultsLabel");
    resultsLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    corLabel_ = new QLabel(this);
    corLabel_->setObjectName("corLabel");
    corLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (!stopped && table.PredictionCount > 0) {
        corLabel_->setText(
            "Estimated correctness COR = " +
            QString::fromLatin1(PlainNumberSingle(results.EstimatedCorrectness).c_str()) +
            "   (for KalemirQ's \"Estimated correctness (KalemirS)\")");
    } else {
        corLabel_->hide();
    }
    quitButton_ = NamedButton(this, "quitButton", "Quit");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(resultsLabel_);
    layout->addWidget(corLabel_);
    layout->addWidget(quitButton_, 0, Qt::AlignRight);
    resize(520, 150);
    MakeDefaultButton(this, quitButton_);
    connect(quitButton_, &QPushButton::clicked, this, [this] { emit Quit(); });
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
            sim::RunLocked(
                [&] { sim::RunSimilarityAnalysis(choices_, prepared_, results_, window); });
        },
        "KalemirS",
        [this](bool stopped) {
            if (stopped && results_.StoppedStage.empty()) {
                results_.StoppedStage = "before its end";
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
