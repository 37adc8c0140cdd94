#pragma once
// The table maker's window: choose the structure file (and a values file), pick the
// property and name fields from the lists the file offers, name the set, choose the
// hold-out count and the tables to make; Make (or Return) runs the table maker on a worker thread
// with a progress bar and then lists the files made (a set already in the folder is replaced only
// when the user says so); a button opens their folder in the QSPR program. Apply a model...
// estimates new structures with a saved model, on the worker thread too, and lists the
// estimates file.

#include "common/ComputingWindow.h"
#include "tables/Predict.h"
#include "tables/TableMaker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace kalemir::ui {

class DialogService;

class TablesWindow : public QWidget {
    Q_OBJECT
public:
    explicit TablesWindow(DialogService& dialogs, QWidget* parent = nullptr);
    ~TablesWindow() override;

    /// Takes a structure file: fills the field lists from it.
    void SetStructureFile(const QString& path);
    /// Takes a values file (CSV/TSV of name and value): the property list offers its columns.
    void SetValuesFile(const QString& path);
    /// The request the fields describe, as Make starts it.
    tables::TableRequest Request() const;
    bool Running() const { return worker_.joinable(); }

    /// Replaces how "Open the folder in KalemirQ" starts the QSPR program in a folder (tests
    /// watch the call instead of starting it).
    void SetQsprStarter(std::function<bool(const QString& folder)> start) {
        startQspr_ = std::move(start);
    }

signals:
    /// Make ended: normally (error empty), stopped, or with the error shown to the user.
    void Made(bool stopped, QString error);
    /// Apply a model... ended: normally (error empty), stopped, or with the error shown.
    void Estimated(bool stopped, QString error);

private:
    void Make();
    /// Chooses in the property list the field the structure file most likely measures.
    void ProposeProperty();
    void OnMade(bool stopped, const QString& error, const tables::TableOutcome& outcome);
    void ApplyModel();
    void OnEstimated(bool stopped, const QString& error, const tables::PredictOutcome& outcome,
                     const QStringList& warnings);
    /// Starts the progress display for a run on the worker thread.
    void BeginWork();

    DialogService& dialogs_;
    QString structures_;
    QString values_;
    SilentWindow engineWindow_;
    std::atomic<int> done_{0};
    std::atomic<int> total_{0};
    QTimer poll_;
    std::thread worker_;
    /// Starts the QSPR program in a folder.
    std::function<bool(const QString& folder)> startQspr_;
    QLabel* structureLabel_ = nullptr;
    QPushButton* structuresButton_ = nullptr;
    QLabel* valuesLabel_ = nullptr;
    QPushButton* valuesButton_ = nullptr;
    QComboBox* propertyList_ = nullptr;
    QComboBox* nameList_ = nullptr;
    QLineEdit* setNameField_ = nullptr;
    QSpinBox* holdOutField_ = nullptr;
    /// One box per table a run can make, named "qsprBox", "d2dBox", ... in --tables order.
    std::vector<QCheckBox*> tableBoxes_;
    QPushButton* makeButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QListWidget* filesMadeList_ = nullptr;
    QPushButton* openQsprButton_ = nullptr;
    /// Estimates new structures with a saved model: asks for the model and the structures.
    QPushButton* applyModelButton_ = nullptr;
    /// Every ranked equation's estimate besides the best one's.
    QCheckBox* allEquationsBox_ = nullptr;
    /// The molecules estimated and those without an estimate, after Apply a model...
    QLabel* estimateSummary_ = nullptr;
};

} // namespace kalemir::ui
