#pragma once
// The windows of the QSPR program, in the order the user meets them: Workfiles,
// Parameters, Computing, Results. QsprFlow owns the program-wide state and moves from one
// window to the next.

#include "qspr/setup/Parameters.h"
#include "qspr/setup/ProgramState.h"
#include "ui/ComputingView.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>

namespace kalemir::ui {

class DialogService;

class WorkfilesWindow : public QWidget {
    Q_OBJECT
public:
    WorkfilesWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent = nullptr);

    QListWidget* List1;
    QListWidget* List2;
    QPushButton* ButonOK;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;

signals:
    void Accepted();

private:
    void OnListClick();
    void OnOk();

    qspr::ProgramState& state_;
    DialogService& dialogs_;
    short clickCounter_ = 0;
};

class ParametersWindow : public QWidget {
    Q_OBJECT
public:
    ParametersWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent = nullptr);

    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QLineEdit* Text5;
    QLineEdit* Text6; ///< Y-randomisation runs
    /// Observed values of the prediction set for the external validation (optional).
    QLineEdit* Observed;
    QLabel* ObservedLabel;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QPushButton* ButonOK;

signals:
    void Compute();
    void FragmentTableMissing();

private:
    void OnOk();

    qspr::ProgramState& state_;
    DialogService& dialogs_;
};

class ResultsWindow : public QWidget {
    Q_OBJECT
public:
    ResultsWindow(qspr::ProgramState& state, DialogService& dialogs, QWidget* parent = nullptr);

    QListWidget* Text;
    QPushButton* Scatterp;
    QPushButton* Williams;
    QPushButton* ButonQuit;
    QPushButton* ButonPrint;

    /// Fills the list from the working report (the window's activation).
    void Activate();
    /// Asks for the report's name until it can be given; true once renamed.
    bool SaveReport();

signals:
    void Quit();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnPrint();
    void OnScatter();
    void OnWilliams();

    qspr::ProgramState& state_;
    DialogService& dialogs_;
    QImage drawing_;
};

/// The sequence of windows of one run of the QSPR program.
class QsprFlow : public QObject {
    Q_OBJECT
public:
    /// The computation the computing window's activation runs.
    using Computation = std::function<void(qspr::ProgramState&, ComputingWindow&)>;

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
    void ShowParameters();
    void ShowComputing();
    void ShowResults();

    DialogService& dialogs_;
    Computation computation_;
    qspr::ProgramState state_;
    WorkfilesWindow* workfiles_ = nullptr;
    ParametersWindow* parameters_ = nullptr;
    ComputingView* computing_ = nullptr;
    ResultsWindow* results_ = nullptr;
};

} // namespace kalemir::ui
