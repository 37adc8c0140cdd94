#include "ui/TablesWindow.h"

#include "common/Errors.h"
#include "ui/Controls.h"
#include "ui/DialogService.h"
#include "ui/Keyboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QProcess>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <utility>

namespace kalemir::ui {

namespace {

constexpr const char* kDefaultName = "(title line, .smi name, Name or ID)";

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
    StructureLabel = NamedLabel(this, "StructureLabel", "No structure file chosen");
    ChooseButton = NamedButton(this, "ChooseButton", "Structures...");
    ValuesLabel = NamedLabel(this, "ValuesLabel", "Values from the structure file");
    ValuesButton = NamedButton(this, "ValuesButton", "Values...");
    PropertyList = new QComboBox(this);
    NameList = new QComboBox(this);
    SetName = new QLineEdit(this);
    SetName->setMaxLength(5);
    SetName->setPlaceholderText("five letters and digits");
    HoldOut = new QSpinBox(this);
    HoldOut->setRange(0, 100000);
    auto* tableChoice = new QHBoxLayout;
    for (const auto& [name, what] : kTables) {
        auto* box = new QCheckBox(name, this);
        box->setObjectName(QString(name) + "Box");
        box->setToolTip(what);
        box->setChecked(true);
        TableBoxes.push_back(box);
        tableChoice->addWidget(box);
    }
    tableChoice->addStretch(1);
    MakeButton = NamedButton(this, "MakeButton", "Make");
    MakeButton->setEnabled(false);
    Progress = new QProgressBar(this);
    Progress->setRange(0, 1);
    Progress->setValue(0);
    FilesMade = new QListWidget(this);
    OpenQsprButton = NamedButton(this, "OpenQsprButton", "Open the folder in KalemirQ");
    OpenQsprButton->setEnabled(false);

    auto* form = new QFormLayout;
    auto* structures = new QHBoxLayout;
    structures->addWidget(StructureLabel, 1);
    structures->addWidget(ChooseButton);
    form->addRow("Structure file", structures);
    auto* values = new QHBoxLayout;
    values->addWidget(ValuesLabel, 1);
    values->addWidget(ValuesButton);
    form->addRow("Measured values", values);
    form->addRow("Property", PropertyList);
    form->addRow("Name", NameList);
    form->addRow("Set name", SetName);
    form->addRow("Molecules held out", HoldOut);
    form->addRow("Tables", tableChoice);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(MakeButton, 0, Qt::AlignRight);
    layout->addWidget(Progress);
    layout->addWidget(NamedLabel(this, "FilesMadeLabel", "Files made"));
    layout->addWidget(FilesMade, 1);
    layout->addWidget(OpenQsprButton, 0, Qt::AlignRight);
    resize(640, 520);
    MakeDefaultButton(this, MakeButton);

    startQspr = [](const QString& folder) {
        const QString program = QCoreApplication::applicationDirPath() + "/KalemirQ";
        return QProcess::startDetached(program, {folder}, folder);
    };
    connect(ChooseButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, "Structure file", QDir::currentPath(),
            "Structures (*.sdf *.sd *.smi *.csv *.tsv);;All files (*)");
        if (!path.isEmpty()) {
            SetStructureFile(path);
        }
    });
    connect(ValuesButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, "Values file", QDir::currentPath(),
                                                          "Values (*.csv *.tsv);;All files (*)");
        if (!path.isEmpty()) {
            SetValuesFile(path);
        }
    });
    connect(SetName, &QLineEdit::textChanged, this, [this] {
        MakeButton->setEnabled(!structures_.isEmpty() && SetName->text().size() == 5);
    });
    connect(MakeButton, &QPushButton::clicked, this, [this] { Make(); });
    connect(OpenQsprButton, &QPushButton::clicked, this, [this] {
        const QString folder = QFileInfo(structures_).absolutePath();
        if (!startQspr(folder)) {
            dialogs_.Inform(this, "KalemirT", "KalemirQ cannot be started in " + folder + ".");
        }
    });
    poll_.setInterval(100);
    connect(&poll_, &QTimer::timeout, this, [this] {
        Progress->setRange(0, std::max(1, total_.load()));
        Progress->setValue(done_.load());
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
    StructureLabel->setText(QFileInfo(path).fileName());
    NameList->clear();
    NameList->addItem(kDefaultName);
    NameList->addItems(ToStrings(fields));
    if (values_.isEmpty()) {
        PropertyList->clear();
        PropertyList->addItems(ToStrings(fields));
        ProposeProperty();
    }
    if (SetName->text().isEmpty()) {
        QString stem = QFileInfo(path).baseName().toUpper().remove(QRegularExpression("[^A-Z0-9]"));
        SetName->setText((stem + "00000").left(3) + "01");
    }
    MakeButton->setEnabled(SetName->text().size() == 5);
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
    ValuesLabel->setText(QFileInfo(path).fileName());
    PropertyList->clear();
    // The first column names the molecules; the others can hold the value.
    PropertyList->addItems(ToStrings(columns).mid(1));
}

void TablesWindow::ProposeProperty() {
    std::string proposed;
    try {
        proposed = tables::ProposedProperty(structures_.toLocal8Bit().toStdString(), {});
    } catch (const std::exception&) {
        return; // the list stays at its first field; Make reports what is wrong with the file
    }
    if (!proposed.empty()) {
        PropertyList->setCurrentText(QString::fromLocal8Bit(proposed.c_str()));
    }
}

tables::TableRequest TablesWindow::Request() const {
    tables::TableRequest request;
    request.structures = structures_.toLocal8Bit().toStdString();
    request.folder = QFileInfo(structures_).absolutePath().toLocal8Bit().toStdString();
    request.set = SetName->text().toStdString();
    request.property = PropertyList->currentText().toLocal8Bit().toStdString();
    request.valuesFile = values_.toLocal8Bit().toStdString();
    if (NameList->currentIndex() > 0) {
        request.nameField = NameList->currentText().toLocal8Bit().toStdString();
    }
    request.holdOut = HoldOut->value();
    QStringList chosen;
    for (const QCheckBox* box : TableBoxes) {
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
                                        "The set " + SetName->text() +
                                            " is already in the folder (" + names.join(", ") +
                                            "). Replace its tables?")) {
            return;
        }
    }
    MakeButton->setEnabled(false);
    FilesMade->clear();
    OpenQsprButton->setEnabled(false);
    done_ = 0;
    total_ = 0;
    poll_.start();
    worker_ = std::thread([this, request] {
        bool stopped = false;
        QString error;
        tables::TableOutcome outcome;
        try {
            outcome = tables::MakeTables(request, engineWindow_, [this](int done, int total) {
                done_ = done;
                total_ = total;
            });
        } catch (const RunInterrupted&) {
            stopped = true;
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, stopped, error, outcome] { OnMade(stopped, error, outcome); },
            Qt::QueuedConnection);
    });
}

void TablesWindow::OnMade(bool stopped, const QString& error, const tables::TableOutcome& outcome) {
    worker_.join();
    poll_.stop();
    Progress->setRange(0, std::max(1, total_.load()));
    Progress->setValue(done_.load());
    MakeButton->setEnabled(true);
    if (!error.isEmpty()) {
        dialogs_.Inform(this, "KalemirT", error);
    } else if (!stopped) {
        for (const std::string& file : outcome.files) {
            FilesMade->addItem(QFileInfo(QString::fromLocal8Bit(file.c_str())).fileName());
        }
        OpenQsprButton->setEnabled(true);
        if (!outcome.d3dLeftOut.empty()) {
            dialogs_.Inform(this, "KalemirT",
                            SetName->text() + "d3d.des is not made: " +
                                QString::fromLocal8Bit(outcome.d3dLeftOut.c_str()) + ".");
        }
        if (!outcome.skipped.empty()) {
            dialogs_.Inform(this, "KalemirT",
                            QString::number(outcome.skipped.size()) +
                                " molecules were left out of some or all tables: see " +
                                SetName->text() + "skipped.txt.");
        }
    }
    emit Made(stopped, error);
}

} // namespace kalemir::ui
