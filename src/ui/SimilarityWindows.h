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

namespace kalemir::ui {

class DialogService;
class FolderBar;

class TableWindow : public QWidget {
    Q_OBJECT
public:
    /// The window sets `choices`; its OK prepares `table` from them.
    TableWindow(sim::RunChoices& choices, sim::PreparedTable& table, DialogService& dialogs,
                QWidget* parent = nullptr);

    QListWidget* Listfile;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QPushButton* ButonOK;
    FolderBar* Folder;

signals:
    void Prepared();

private:
    void OnTableClick(const QString& name);
    void OnOk();
    /// Refuses a minimum similarity that is no number from 0 to 1; true when all are.
    bool SimilaritiesAccepted();

    sim::RunChoices& choices_;
    sim::PreparedTable& table_;
    DialogService& dialogs_;
};

class FinalWindow : public QWidget {
    Q_OBJECT
public:
    /// `results` gives the estimated correctness COR when the table has a prediction set.
    FinalWindow(const sim::RunChoices& choices, const sim::PreparedTable& table,
                const sim::RunResults& results, QWidget* parent = nullptr);
    QLabel* Label1;
    /// COR, to be typed into KalemirQ's "Estimated correctness (KalemirS)" field; hidden
    /// without a prediction set or after a stopped run.
    QLabel* CorLabel;
    QPushButton* ButonQuit;

signals:
    void Quit();
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
