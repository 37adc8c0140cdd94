#include "ui/SimilarityWindows.h"

#include "common/RunLock.h"
#include "common/TextToNumber.h"
#include "similarity/Run.h"
#include "similarity/SimTable.h"
#include "ui/DialogService.h"
#include "ui/FolderFiles.h"

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
    void PrintAt(int, int, std::string_view) override {}

private:
    QWidget* widget_;
};

QLabel* NamedLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(name);
    return label;
}

QLineEdit* NamedBox(QWidget* parent, const char* name, const char* text) {
    auto* box = new QLineEdit(QString::fromLatin1(text), parent);
    box->setObjectName(name);
    box->setMaximumWidth(100);
    return box;
}

} // namespace

TableWindow::TableWindow(sim::ProgramState& state, DialogService& dialogs, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs) {
    setObjectName("TableWindow");
    setWindowTitle(QString(68, ' ') + "Click to select certain table");
    Label1 = NamedLabel(this, "Label1",
                        "      KalemirS performs similarity computations from the point of view "
                        "of the chemical structure, shape,size, hydrophilicity           and "
                        "flexibility of the molecules in selected table.");
    Label1->setWordWrap(true);
    Label2 = NamedLabel(this, "Label2", "Descriptors' tables");
    Listfile = new QListWidget(this);
    Listfile->setObjectName("Listfile");
    Listfile->addItems(ListFolderFiles("*SIM.des"));
    Label3 = NamedLabel(this, "Label3", "Shape similarity method");
    Option1 = new QRadioButton("corrected USR", this);
    Option1->setObjectName("Option1");
    Option2 = new QRadioButton("Superposition", this);
    Option2->setObjectName("Option2");
    Option1->setChecked(true);
    Label4 = NamedLabel(this, "Label4", "Minimum similarity in cluster(s)");
    Label5 = NamedLabel(this, "Label5", "by chemical structure");
    Label6 = NamedLabel(this, "Label6", "by shape");
    Label7 = NamedLabel(this, "Label7", "by size");
    Label8 = NamedLabel(this, "Label8", "by hydrophilicity");
    Label9 = NamedLabel(this, "Label9", "by flexibility");
    Text1 = NamedBox(this, "Text1", "0.9");
    Text2 = NamedBox(this, "Text2", "0.9");
    Text3 = NamedBox(this, "Text3", "0.9");
    Text4 = NamedBox(this, "Text4", "0.9");
    Text5 = NamedBox(this, "Text5", "0.88");
    ButonOK = new QPushButton("OK", this);
    ButonOK->setObjectName("ButonOK");

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Listfile, 2, 0, 8, 1);
    grid->addWidget(Label3, 1, 1, 1, 2);
    grid->addWidget(Option1, 2, 1, 1, 2);
    grid->addWidget(Option2, 3, 1, 1, 2);
    grid->addWidget(Label4, 4, 1, 1, 2);
    int row = 5;
    for (auto [label, box] :
         {std::pair{Label5, Text1}, std::pair{Label6, Text2}, std::pair{Label7, Text3},
          std::pair{Label8, Text4}, std::pair{Label9, Text5}}) {
        grid->addWidget(label, row, 1);
        grid->addWidget(box, row, 2);
        ++row;
    }
    grid->addWidget(ButonOK, row, 2, Qt::AlignRight);
    resize(760, 480);

    // Window load.
    state_.shapeMethod = sim::kCorrectedUsr;
    state_.tableFileName = "XXXXX";
    ButonOK->hide();
    connect(Listfile, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OnTableClick(item->text()); });
    connect(ButonOK, &QPushButton::clicked, this, [this] { OnOk(); });
}

void TableWindow::OnTableClick(const QString& name) {
    state_.tableFileName = name.toLatin1().toStdString();
    sim::DeriveFileNames(state_);
    ButonOK->show();
    if (Option1->isChecked()) {
        state_.shapeMethod = sim::kCorrectedUsr;
        Text2->setText("0.9");
    } else {
        state_.shapeMethod = sim::kSuperposition;
        Text2->setText("0.92");
    }
}

void TableWindow::OnOk() {
    state_.shapeMethod = Option1->isChecked() ? sim::kCorrectedUsr : sim::kSuperposition;
    const QLineEdit* boxes[] = {Text1, Text2, Text3, Text4, Text5};
    for (int k = 1; k <= sim::kMeasureCount; ++k) {
        state_.minClusterSimilarity[k] = TextToNumber(boxes[k - 1]->text().toStdString());
    }
    CaptionOfWidget caption(this);
    try {
        const RunLock lock("KalemirS"); // one run per folder, as on the command line
        sim::PrepareTable(state_, caption);
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "KalemirS", QString::fromLocal8Bit(e.what()));
        return;
    }
    emit Prepared();
}

FinalWindow::FinalWindow(const sim::ProgramState& state, QWidget* parent) : QWidget(parent) {
    setObjectName("FinalWindow");
    setWindowTitle(QString(86, ' '));
    Label1 = new QLabel(
        QString::fromLatin1(("See the results in " + state.resultsFileName + " file.").c_str()),
        this);
    Label1->setObjectName("Label1");
    ButonQuit = new QPushButton("Quit", this);
    ButonQuit->setObjectName("ButonQuit");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ButonQuit, 0, Qt::AlignRight);
    resize(420, 140);
    connect(ButonQuit, &QPushButton::clicked, this, [this] { emit Quit(); });
}

SimilarityFlow::SimilarityFlow(DialogService& dialogs) : dialogs_(dialogs) {}

SimilarityFlow::~SimilarityFlow() {
    delete table_;
    delete computing_;
    delete final_;
}

void SimilarityFlow::Start() {
    table_ = new TableWindow(state_, dialogs_);
    connect(table_, &TableWindow::Prepared, this, [this] { ShowComputing(); });
    table_->show();
}

void SimilarityFlow::ShowComputing() {
    computing_ = new ComputingView(dialogs_);
    computing_->jobOnActivation = [this](ComputingWindow& window) {
        const RunLock lock("KalemirS");
        sim::RunSimilarityAnalysis(state_, run_, window);
    };
    connect(computing_, &ComputingView::Finished, this, [this](bool, QString error) {
        if (!error.isEmpty()) {
            dialogs_.Inform(computing_, "KalemirS", error);
        }
        ShowFinal();
    });
    table_->hide();
    computing_->show();
    table_->deleteLater();
    table_ = nullptr;
}

void SimilarityFlow::ShowFinal() {
    final_ = new FinalWindow(state_);
    connect(final_, &FinalWindow::Quit, this, [this] { emit Ended(); });
    computing_->hide();
    final_->show();
    computing_->deleteLater();
    computing_ = nullptr;
}

} // namespace kalemir::ui
