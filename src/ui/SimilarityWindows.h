#pragma once
// The windows of the similarity program: the table window, the computing window and the
// final window, in that order. SimilarityFlow owns the run's choices, its prepared table and
// what the analysis leaves for the final window.

#include "similarity/SimState.h"
#include "ui/ComputingView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <array>

namespace kalemir::ui {

class DialogService;
class FolderBar;

class TableWindow : public QWidget {
    Q_OBJECT
public:
    /// The window sets `choices`; its OK prepares `table` from them.
    TableWindow(sim::RunChoices& choices, sim::PreparedTable& table, DialogService& dialogs,
                QWidget* parent = nullptr);

signals:
    void Prepared();

private:
    void OnTableClick(const QString& name);
    void OnOk();
    /// Refuses a minimum similarity that is no number from 0 to 1; true when all are.
    bool SimilaritiesAccepted();
    /// The minimum-similarity fields, in the order of the measures (structure first).
    std::array<QLineEdit*, sim::kMeasureCount> MinimumFields() const;

    sim::RunChoices& choices_;
    sim::PreparedTable& table_;
    DialogService& dialogs_;
    QLabel* introLabel_ = nullptr;
    QLabel* tablesLabel_ = nullptr;
    /// The similarity tables (*SIM.des) of the working folder.
    QListWidget* tableList_ = nullptr;
    QLabel* shapeMethodLabel_ = nullptr;
    QRadioButton* usrOption_ = nullptr;
    QRadioButton* superpositionOption_ = nullptr;
    /// The minimum similarity in a cluster, one field per measure under this label.
    QLabel* minSimilarityLabel_ = nullptr;
    QLabel* structureLabel_ = nullptr;
    QLineEdit* minStructureField_ = nullptr;
    QLabel* shapeLabel_ = nullptr;
    QLineEdit* minShapeField_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QLineEdit* minSizeField_ = nullptr;
    QLabel* hydrophilicityLabel_ = nullptr;
    QLineEdit* minHydrophilicityField_ = nullptr;
    QLabel* flexibilityLabel_ = nullptr;
    QLineEdit* minFlexibilityField_ = nullptr;
    QPushButton* okButton_ = nullptr;
    FolderBar* folderBar_ = nullptr;
};

class FinalWindow : public QWidget {
    Q_OBJECT
public:
    /// `results` gives the estimated correctness COR when the table has a prediction set.
    FinalWindow(const sim::RunChoices& choices, const sim::PreparedTable& table,
                const sim::RunResults& results, QWidget* parent = nullptr);

signals:
    void Quit();

private:
    /// Where the results are, or where the analysis was stopped.
    QLabel* resultsLabel_ = nullptr;
    /// COR, to be typed into KalemirQ's "Estimated correctness (KalemirS)" field; hidden
    /// without a prediction set or after a stopped run.
    QLabel* corLabel_ = nullptr;
    QPushButton* quitButton_ = nullptr;
};

class SimilarityFlow : public QObject {
    Q_OBJECT
public:
    explicit SimilarityFlow(DialogService& dialogs);
    ~SimilarityFlow() override;

    void Start();
    TableWindow* Table() const { return table_; }
    ComputingView* Computing() const { return computing_; }
    FinalWindow* Final() const { return final_; }

signals:
    void Ended();

private:
    void ShowComputing();
    void ShowFinal();

    DialogService& dialogs_;
    sim::RunChoices choices_;
    sim::PreparedTable prepared_;
    sim::RunResults results_;
    TableWindow* table_ = nullptr;
    ComputingView* computing_ = nullptr;
    FinalWindow* final_ = nullptr;
};

} // namespace kalemir::ui
