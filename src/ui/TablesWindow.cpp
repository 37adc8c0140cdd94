#include "ui/TablesWindow.h"

#include "common/Errors.h"
#include "tables/StructureInput.h"
#include "ui/Controls.h"
#include "ui/DialogService.h"
#include "ui/Keyboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QProcess>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <optional>
#include <utility>

namespace kalemir::ui {

namespace {

constexpr const char* kDefaultName = "(title line, .smi name, Name or ID)";
constexpr const char* kStructureFilter = "Structures (*.sdf *.sd *.smi *.csv *.tsv);;All files (*)";

/// How work on the worker thread ended: stopped by the user, or what went wrong (empty when
/// it finished).
struct WorkEnd {
    bool Stopped = false;
    QString Error;
};

template <typename Work> WorkEnd RunCatching(Work&& work) {
    try {
        work();
    } catch (const RunInterrupted&) {
        return {true, {}};
    } catch (const std::exception& e) {
        return {false, QString::fromLocal8Bit(e.what())};
    }
    return {};
}

/// The tables a run can make, in --tables order, with what each holds.
const std::pair<const char*, const char*> kTables[] = {
    {"qspr", "the QSPR table of measured values"},
    {"d2d", "2D descriptors"},
    {"mfp", "Morgan fingerprint counts"},
    {"vfr", "fragment mass percents"},
    {"sim", "the similarity table"},
    {"shp", "the shape table of 3D coordinates"},
    {"d3d", "3D descriptors from the same conformers"},
};

QStringList ToStrings(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) {
        list << QString::fromLocal8Bit(name.c_str());
    }
    return list;
}

} // namespace

TablesWindow::TablesWindow(DialogService& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs) {
    setObjectName("TablesWindow");
    setWindowTitle("KalemirT - tables from molecules");
    structureLabel_ = NamedLabel(this, "structureLabel", "No structure file chosen");
    structuresButton_ = NamedButton(this, "structuresButton", "Structures...");
    valuesLabel_ = NamedLabel(this, "valuesLabel", "Values from the structure file");
    valuesButton_ = NamedButton(this, "valuesButton", "Values...");
    propertyList_ = new QComboBox(this);
    propertyList_->setObjectName("propertyList");
    nameList_ = new QComboBox(this);
    nameList_->setObjectName("nameList");
    setNameField_ = new QLineEdit(this);
    setNameField_->setObjectName("setNameField");
    setNameField_->setMaxLength(5);
    setNameField_->setPlaceholderText("five letters and digits");
    holdOutField_ = new QSpinBox(this);
    holdOutField_->setObjectName("holdOutField");
    holdOutField_->setRange(0, 100000);
    auto* tableChoice = new QHBoxLayout;
    for (const auto& [name, what] : kTables) {
        auto* box = new QCheckBox(name, this);
        box->setObjectName(QString(name) + "Box");
        box->setToolTip(what);
        box->setChecked(true);
        tableBoxes_.push_back(box);
        tableChoice->addWidget(box);
    }
    tableChoice->addStretch(1);
    makeButton_ = NamedButton(this, "makeButton", "Make");
    makeButton_->setEnabled(false);
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName("progressBar");
    progressBar_->setRange(0, 1);
    progressBar_->setValue(0);
    filesMadeList_ = new QListWidget(this);
    filesMadeList_->setObjectName("filesMadeList");
    openQsprButton_ = NamedButton(this, "openQsprButton", "Open the folder in KalemirQ");
    openQsprButton_->setEnabled(false);
    applyModelButton_ = NamedButton(this, "applyModelButton", "Apply a model...");
    applyModelButton_->setToolTip("Estimate new structures with a saved model (*-results.json)");
    allEquationsBox_ = new QCheckBox("All ranked equations", this);
    allEquationsBox_->setObjectName("allEquationsBox");
    allEquationsBox_->setToolTip("An estimate of every ranked equation besides the best one's");
    estimateSummary_ = NamedLabel(this, "estimateSummary", "");
    estimateSummary_->setWordWrap(true);

    auto* form = new QFormLayout;
    auto* structures = new QHBoxLayout;
    structures->addWidget(structureLabel_, 1);
    structures->addWidget(structuresButton_);
    form->addRow("Structure file", structures);
    auto* values = new QHBoxLayout;
    values->addWidget(valuesLabel_, 1);
    values->addWidget(valuesButton_);
    form->addRow("Measured values", values);
    form->addRow("Property", propertyList_);
    form->addRow("Name", nameList_);
    form->addRow("Set name", setNameField_);
    form->addRow("Molecules held out", holdOutField_);
    form->addRow("Tables", tableChoice);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(makeButton_, 0, Qt::AlignRight);
    layout->addWidget(progressBar_);
    layout->addWidget(NamedLabel(this, "filesMadeLabel", "Files made"));
    layout->addWidget(filesMadeList_, 1);
    auto* estimate = new QHBoxLayout;
    estimate->addWidget(estimateSummary_, 1);
    estimate->addWidget(allEquationsBox_);
    estimate->addWidget(applyModelButton_);
    estimate->addWidget(openQsprButton_);
    layout->addLayout(estimate);
    resize(640, 520);
    MakeDefaultButton(this, makeButton_);

    startQspr_ = [](const QString& folder) {
        const QString program = QCoreApplication::applicationDirPath() + "/KalemirQ";
        return QProcess::startDetached(program, {folder}, folder);
    };
    connect(structuresButton_, &QPushButton::clicked, this, [this] {
        const std::optional<QString> path =
            dialogs_.AskOpenFile(this, "Structure file", QDir::currentPath(), kStructureFilter);
        if (path) {
            SetStructureFile(*path);
        }
    });
    connect(valuesButton_, &QPushButton::clicked, this, [this] {
        const std::optional<QString> path = dialogs_.AskOpenFile(
            this, "Values file", QDir::currentPath(), "Values (*.csv *.tsv);;All files (*)");
        if (path) {
            SetValuesFile(*path);
        }
    });
    connect(setNameField_, &QLineEdit::textChanged, this, [this] {
        makeButton_->setEnabled(!structures_.isEmpty() && setNameField_->text().size() == 5);
    });
    connect(makeButton_, &QPushButton::clicked, this, [this] { Make(); });
    connect(applyModelButton_, &QPushButton::clicked, this, [this] { ApplyModel(); });
    connect(openQsprButton_, &QPushButton::clicked, this, [this] {
        const QString folder = QFileInfo(structures_).absolutePath();
        if (!startQspr_(folder)) {
            dialogs_.Inform(this, "KalemirT", "KalemirQ cannot be started in " + folder + ".");
        }
    });
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, [this] {
        progressBar_->setRange(0, std::max(1, total_.load()));
        progressBar_->setValue(done_.load());
    });
}

TablesWindow::~TablesWindow() {
    if (worker_.joinable()) {
        engineWindow_.RequestStop();
        worker_.join();
    }
}

void TablesWindow::SetStructureFile(const QString& path) {
    std::vector<std::string> fields;
    try {
        fields = tables::StructureFieldNames(path.toLocal8Bit().toStdString());
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "KalemirT", QString::fromLocal8Bit(e.what()));
        return;
    }
    structures_ = path;
    structureLabel_->setText(QFileInfo(path).fileName());
    nameList_->clear();
    nameList_->addItem(kDefaultName);
    nameList_->addItems(ToStrings(fields));
    if (values_.isEmpty()) {
        propertyList_->clear();
        propertyList_->addItems(ToStrings(fields));
        ProposeProperty();
    }
    if (setNameField_->text().isEmpty()) {
        QString stem = QFileInfo(path).baseName().toUpper().remove(QRegularExpression("[^A-Z0-9]"));
        setNameField_->setText((stem + "00000").left(3) + "01");
    }
    makeButton_->setEnabled(setNameField_->text().size() == 5);
}

void TablesWindow::SetValuesFile(const QString& path) {
    std::vector<std::string> columns;
    try {
        columns = tables::StructureFieldNames(path.toLocal8Bit().toStdString());
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "KalemirT", QString::fromLocal8Bit(e.what()));
        return;
    }
    values_ = path;
    valuesLabel_->setText(QFileInfo(path).fileName());
    propertyList_->clear();
    // The first column names the molecules; the others can hold the value.
    propertyList_->addItems(ToStrings(columns).mid(1));
}

void TablesWindow::ProposeProperty() {
    std::string proposed;
    try {
        proposed = tables::ProposedProperty(structures_.toLocal8Bit().toStdString(), {});
    } catch (const InputError&) {
        return; // the list stays at its first field; Make reports what is wrong with the file
    } catch (const FileError&) {
        return;
    }
    if (!proposed.empty()) {
        propertyList_->setCurrentText(QString::fromLocal8Bit(proposed.c_str()));
    }
}

tables::TableRequest TablesWindow::Request() const {
    tables::TableRequest request;
    request.structures = structures_.toLocal8Bit().toStdString();
    request.folder = QFileInfo(structures_).absolutePath().toLocal8Bit().toStdString();
    request.set = setNameField_->text().toStdString();
    request.property = propertyList_->currentText().toLocal8Bit().toStdString();
    request.valuesFile = values_.toLocal8Bit().toStdString();
    if (nameList_->currentIndex() > 0) {
        request.nameField = nameList_->currentText().toLocal8Bit().toStdString();
    }
    request.holdOut = holdOutField_->value();
    QStringList chosen;
    for (const QCheckBox* box : tableBoxes_) {
        if (box->isChecked()) {
            chosen << box->text();
        }
    }
    request.tables = chosen.join(',').toStdString();
    return request;
}

void TablesWindow::Make() {
    if (worker_.joinable()) {
        return;
    }
    tables::TableRequest request = Request();
    // Every other check first: the question about the set's files comes only for a request
    // that can run.
    request.replace = true;
    try {
        tables::CheckTableRequest(request);
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "KalemirT", QString::fromLocal8Bit(e.what()));
        return;
    }
    const std::vector<std::string> existing = tables::ExistingSetFiles(request);
    if (!existing.empty()) {
        QStringList names;
        for (const std::string& path : existing) {
            names << QFileInfo(QString::fromLocal8Bit(path.c_str())).fileName();
        }
        if (!dialogs_.AskYesNoDefaultNo(this, "KalemirT",
                                        "The set " + setNameField_->text() +
                                            " is already in the folder (" + names.join(", ") +
                                            "). Replace its tables?")) {
            return;
        }
    }
    BeginWork();
    worker_ = std::thread([this, request] {
        tables::TableOutcome outcome;
        const WorkEnd end = RunCatching([&] {
            outcome = tables::MakeTables(request, engineWindow_, [this](int done, int total) {
                done_ = done;
                total_ = total;
            });
        });
        QMetaObject::invokeMethod(
            this, [this, end, outcome] { OnMade(end.Stopped, end.Error, outcome); },
            Qt::QueuedConnection);
    });
}

void TablesWindow::BeginWork() {
    makeButton_->setEnabled(false);
    applyModelButton_->setEnabled(false);
    filesMadeList_->clear();
    estimateSummary_->clear();
    openQsprButton_->setEnabled(false);
    done_ = 0;
    total_ = 0;
    poll_.start();
}

void TablesWindow::OnMade(bool stopped, const QString& error, const tables::TableOutcome& outcome) {
    worker_.join();
    poll_.stop();
    progressBar_->setRange(0, std::max(1, total_.load()));
    progressBar_->setValue(done_.load());
    makeButton_->setEnabled(true);
    applyModelButton_->setEnabled(true);
    if (!error.isEmpty()) {
        dialogs_.Inform(this, "KalemirT", error);
    } else if (!stopped) {
        for (const std::string& file : outcome.files) {
            filesMadeList_->addItem(QFileInfo(QString::fromLocal8Bit(file.c_str())).fileName());
        }
        openQsprButton_->setEnabled(true);
        if (!outcome.d3dLeftOut.empty()) {
            dialogs_.Inform(this, "KalemirT",
                            setNameField_->text() + "d3d.des is not made: " +
                                QString::fromLocal8Bit(outcome.d3dLeftOut.c_str()) + ".");
        }
        if (!outcome.skipped.empty()) {
            dialogs_.Inform(this, "KalemirT",
                            QString::number(outcome.skipped.size()) +
                                " molecules were left out of some or all tables: see " +
                                setNameField_->text() + "skipped.txt.");
        }
    }
    emit Made(stopped, error);
}

void TablesWindow::ApplyModel() {
    if (worker_.joinable()) {
        return;
    }
    const std::optional<QString> model = dialogs_.AskOpenFile(
        this, "Model", QDir::currentPath(), "Models (*-results.json);;All files (*)");
    if (!model) {
        return;
    }
    const QString start =
        structures_.isEmpty() ? QDir::currentPath() : QFileInfo(structures_).absolutePath();
    const std::optional<QString> structures =
        dialogs_.AskOpenFile(this, "Structures to estimate", start, kStructureFilter);
    if (!structures) {
        return;
    }
    tables::PredictRequest request;
    request.model = model->toLocal8Bit().toStdString();
    request.structures = structures->toLocal8Bit().toStdString();
    request.allEquations = allEquationsBox_->isChecked();
    // The estimates go into the working folder, as the command line writes them.
    request.output = QDir::current()
                         .absoluteFilePath(QString::fromLocal8Bit(
                             tables::DefaultEstimatesName(request.structures).c_str()))
                         .toLocal8Bit()
                         .toStdString();
    try {
        tables::FormatOfFile(request.structures);
        if (const auto problem = tables::OtherTablesProblem(request.model)) {
            if (!dialogs_.AskYesNoDefaultNo(this, "KalemirT",
                                            QString::fromLocal8Bit(problem->c_str()) +
                                                ".\nThe estimates may differ from the "
                                                "model's own. Estimate anyway?")) {
                return;
            }
            request.allowOtherTables = true;
        }
    } catch (const std::exception& e) {
        dialogs_.Inform(this, "KalemirT", QString::fromLocal8Bit(e.what()));
        return;
    }
    BeginWork();
    worker_ = std::thread([this, request] {
        QStringList warnings;
        tables::PredictOutcome outcome;
        const WorkEnd end = RunCatching([&] {
            outcome = tables::EstimateMolecules(
                request, engineWindow_,
                [&warnings](const std::string& warning) {
                    warnings << QString::fromLocal8Bit(warning.c_str());
                },
                [this](int done, int total) {
                    done_ = done;
                    total_ = total;
                });
        });
        QMetaObject::invokeMethod(
            this,
            [this, end, outcome, warnings] {
                OnEstimated(end.Stopped, end.Error, outcome, warnings);
            },
            Qt::QueuedConnection);
    });
}

void TablesWindow::OnEstimated(bool stopped, const QString& error,
                               const tables::PredictOutcome& outcome, const QStringList& warnings) {
    worker_.join();
    poll_.stop();
    progressBar_->setRange(0, std::max(1, total_.load()));
    progressBar_->setValue(done_.load());
    makeButton_->setEnabled(!structures_.isEmpty() && setNameField_->text().size() == 5);
    applyModelButton_->setEnabled(true);
    if (!error.isEmpty()) {
        dialogs_.Inform(this, "KalemirT", error);
    } else if (!stopped) {
        filesMadeList_->addItem(QString::fromLocal8Bit(outcome.output.c_str()));
        QString summary = QString::number(outcome.molecules) + " molecules estimated";
        if (outcome.described < outcome.molecules) {
            summary += ", " + QString::number(outcome.molecules - outcome.described) +
                       " without an estimate (the problem column says why)";
        }
        estimateSummary_->setText(summary);
        // The other tables were accepted in the question; only the rest is news.
        QStringList news;
        for (const QString& warning : warnings) {
            if (!warning.endsWith("; estimating as asked")) {
                news << warning;
            }
        }
        if (!news.isEmpty()) {
            dialogs_.Inform(this, "KalemirT", news.join("\n"));
        }
    }
    emit Estimated(stopped, error);
}

} // namespace kalemir::ui
