#include "tables/TableMaker.h"

#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/RunLock.h"
#include "common/WorkerPool.h"
#include "tables/Descriptors2D.h"
#include "tables/Descriptors3D.h"
#include "tables/Fragments.h"
#include "tables/MoleculeWork.h"
#include "tables/SetManifest.h"
#include "tables/Standardise.h"
#include "tables/StructureInput.h"
#include "tables/TableFiles.h"
#include "tables/TableText.h"

#include <RDGeneral/RDLog.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace kalemir::tables {

namespace {

using Clock = std::chrono::steady_clock;

/// Fixed columns of the similarity table after the fragments, before the property.
const char* const kShapeColumnNames[] = {
    "USR01", "USR02", "USR03",  "USR04", "USR05", "USR06", "USR07",  "USR08", "USR09", "USR10",
    "USR11", "USR12", "NPRsum", "PMI3",  "PMI2",  "PMI1",  "Volume", "TPSA",  "HBDA",  "PhiFlex"};

TableChoice ParseTableChoice(const std::string& list) {
    TableChoice choice{false, false, false, false, false, false, false};
    if (list.empty()) {
        throw InputError("no table chosen");
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma - start);
        bool* flag = item == "qspr"  ? &choice.qspr
                     : item == "d2d" ? &choice.d2d
                     : item == "mfp" ? &choice.mfp
                     : item == "vfr" ? &choice.vfr
                     : item == "sim" ? &choice.sim
                     : item == "shp" ? &choice.shp
                     : item == "d3d" ? &choice.d3d
                                     : nullptr;
        if (flag == nullptr) {
            throw InputError("--tables: unknown table '" + item + "' (choose from " + kAllTables +
                             ")");
        }
        *flag = true;
        if (comma == std::string::npos) {
            return choice;
        }
        start = comma + 1;
    }
}

bool IsSetName(const std::string& set) {
    return set.size() == 5 && std::all_of(set.begin(), set.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
           });
}

void CheckReadable(const std::string& path, const std::string& what) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        throw InputError(path + ": no such " + what);
    }
    if (!S_ISREG(info.st_mode) || access(path.c_str(), R_OK) != 0) {
        throw InputError(path + ": cannot read the " + what);
    }
}

/// Minutes and seconds, "m:ss".
std::string MinutesSeconds(double seconds) {
    const long whole = std::lround(seconds);
    const long s = whole % 60;
    return std::to_string(whole / 60) + ":" + (s < 10 ? "0" : "") + std::to_string(s);
}

/// The molecules of the run: their records, token names and rows.
struct Molecule {
    const StructureRecord* record = nullptr;
    std::string name;
    MoleculeRow row;
    bool known = false; ///< has a measured value
    double value = 0;
    bool heldOut = false;
};

/// Names every record as a table token; a record without a name is called "mol" and its
/// position. Two molecules with the same token name are refused.
std::vector<std::string> TokenNames(const std::vector<StructureRecord>& records,
                                    const std::string& path, bool& rewritten) {
    std::vector<std::string> names;
    std::map<std::string, long> lineOf;
    rewritten = false;
    for (const StructureRecord& record : records) {
        std::string name = TokenName(record.name);
        rewritten = rewritten || name != record.name || name.empty();
        if (name.empty()) {
            name = "mol" + std::to_string(record.position);
        }
        const auto [it, added] = lineOf.emplace(name, record.line);
        if (!added) {
            throw InputError(path + " line " + std::to_string(record.line) + ": molecule " + name +
                             " has the name of the molecule on line " + std::to_string(it->second) +
                             "; names must differ");
        }
        names.push_back(std::move(name));
    }
    return names;
}

/// The held-out molecules: those with values ranked by value (ties by input order), the
/// ones at ranks floor((k + 0.5) * n / K), k = 0..K-1, spread evenly over the range.
void ChooseHeldOut(std::vector<Molecule*>& known, long count) {
    std::vector<Molecule*> ranked = known;
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const Molecule* a, const Molecule* b) { return a->value < b->value; });
    const auto n = static_cast<long>(ranked.size());
    for (long k = 0; k < count; ++k) {
        const auto rank = static_cast<long>(std::floor(
            (static_cast<double>(k) + 0.5) * static_cast<double>(n) / static_cast<double>(count)));
        ranked[static_cast<std::size_t>(rank)]->heldOut = true;
    }
}

std::string Join(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        line += (i == 0 ? "" : "\t") + fields[i];
    }
    return line;
}

/// Writes a descriptor table: "Cases" and the column names, one row per molecule; columns
/// whose text is the same for every molecule are left out. Returns the columns written.
std::vector<std::string> WriteDescriptorTable(TableFiles& files, const std::string& name,
                                              const std::vector<std::string>& columns,
                                              const std::vector<const Molecule*>& order,
                                              const std::vector<std::vector<std::string>>& cells) {
    std::vector<std::size_t> kept;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const bool varies = std::any_of(cells.begin(), cells.end(), [&](const auto& row) {
            return row[c] != cells.front()[c];
        });
        if (varies) {
            kept.push_back(c);
        }
    }
    files.Begin(name);
    std::string line = "Cases";
    for (const std::size_t c : kept) {
        line += "\t" + columns[c];
    }
    files.Line(line);
    for (std::size_t m = 0; m < order.size(); ++m) {
        line = order[m]->name;
        for (const std::size_t c : kept) {
            line += "\t" + cells[m][c];
        }
        files.Line(line);
    }
    files.End();
    std::vector<std::string> written;
    for (const std::size_t c : kept) {
        written.push_back(columns[c]);
    }
    return written;
}

/// The names of every file a run of the set may write, in writing order.
std::vector<std::string> SetFileNames(const std::string& set) {
    return {set,
            set + "d2d.des",
            set + "mfp.des",
            set + "vfr.des",
            set + "SIM.des",
            set + "SHP.des",
            set + "d3d.des",
            set + "obs",
            set + "map.txt",
            set + "skipped.txt",
            ManifestName(set)};
}

std::string PathIn(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string ValueText(const Molecule& molecule) {
    return molecule.known && !molecule.heldOut ? PropertyNumber(molecule.value) : "?";
}

} // namespace

void CheckTableRequest(const TableRequest& request) {
    if (!IsSetName(request.set)) {
        throw InputError("the set name must be five letters and digits, not '" + request.set + "'");
    }
    ParseTableChoice(request.tables);
    StandardisationNamed(request.standardise);
    if (request.holdOut < 0) {
        throw InputError("--hold-out must not be negative");
    }
    if (request.structures.empty()) {
        throw InputError("no structure file given");
    }
    FormatOfFile(request.structures);
    CheckReadable(request.structures, "structure file");
    if (!request.valuesFile.empty()) {
        CheckReadable(request.valuesFile, "values file");
    }
    if (request.property.empty() && request.valuesFile.empty()) {
        throw InputError("no measured values: name the property with --property or give "
                         "--values");
    }
    const std::string folder = request.folder.empty() ? "." : request.folder;
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw InputError(folder + ": no such folder");
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        throw InputError(folder + ": cannot write into this folder");
    }
    if (!(request.embedSeconds > 0) || !std::isfinite(request.embedSeconds)) {
        throw InputError("--embed-seconds must be a positive number of seconds");
    }
    if (!request.replace) {
        const std::vector<std::string> existing = ExistingSetFiles(request);
        if (!existing.empty()) {
            std::string list;
            for (const std::string& path : existing) {
                list += (list.empty() ? "" : ", ") + path;
            }
            throw InputError("the set " + request.set + " is already in the folder (" + list +
                             "); give --replace to replace it");
        }
    }
}

std::vector<std::string> ExistingSetFiles(const TableRequest& request) {
    std::vector<std::string> existing;
    for (const std::string& name : SetFileNames(request.set)) {
        const std::string path = PathIn(request.folder, name);
        struct stat info {};
        if (lstat(path.c_str(), &info) == 0) {
            existing.push_back(path);
        }
    }
    return existing;
}

std::vector<std::string> StructureFieldNames(const std::string& path) {
    return OfferedFields(path);
}

std::string ProposedProperty(const std::string& path, const std::string& nameField) {
    const auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
            return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        });
        return text;
    };
    for (const std::string& field : OfferedFields(path)) {
        const std::string name = lower(field);
        const bool isName = nameField.empty() ? name == "name" || name == "id" : field == nameField;
        if (isName || name == "smiles") {
            continue;
        }
        InputFields fields;
        fields.property = field;
        fields.name = nameField;
        const std::vector<StructureRecord> records = ReadStructures(path, fields);
        const auto numbers =
            std::count_if(records.begin(), records.end(), [](const StructureRecord& record) {
                double value = 0;
                return ReadMeasuredValue(record.valueText, value);
            });
        if (2 * static_cast<std::size_t>(numbers) > records.size()) {
            return field;
        }
    }
    return {};
}

TableOutcome MakeTables(const TableRequest& request, ComputingWindow& window,
                        const MoleculeProgress& progress) {
    CheckTableRequest(request);
    // One run per folder: the tables' folder is locked as a QSPR or similarity run locks it.
    const RunLock lock(kTablesProgram, request.folder.empty()
                                           ? std::string(kRunLockName)
                                           : request.folder + "/" + kRunLockName);
    const TableChoice choice = ParseTableChoice(request.tables);
    const Standardisation standardise = StandardisationNamed(request.standardise);
    RDLog::LogStateSetter quietToolkit; // reasons go to the skipped list, not to the terminal

    // Reading: every refusal comes before any work.
    window.SetCaption("Reading " + request.structures);
    window.BeginStage("reading " + request.structures);
    InputFields fields;
    fields.property = request.valuesFile.empty() ? request.property : std::string();
    fields.name = request.nameField;
    fields.smiles = request.smilesField;
    std::vector<StructureRecord> records = ReadStructures(request.structures, fields);
    if (records.empty()) {
        throw InputError(request.structures + ": no molecule in the file");
    }
    TableOutcome outcome;
    std::string propertyName = request.property;
    if (!request.valuesFile.empty()) {
        propertyName =
            JoinValues(request.valuesFile, request.property, records, outcome.unmatchedValues);
    }
    propertyName = TokenName(propertyName);
    if (propertyName.empty()) {
        propertyName = "Property";
    }
    bool namesRewritten = false;
    const std::vector<std::string> names = TokenNames(records, request.structures, namesRewritten);

    // The molecules' rows, shared out to the workers and kept by input position.
    std::vector<Molecule> molecules(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        molecules[i].record = &records[i];
        molecules[i].name = names[i];
    }
    const Descriptors2D descriptors;
    const auto total = static_cast<int>(molecules.size());
    std::atomic<int> done{0};
    const auto start = Clock::now();
    const std::string of = " of " + std::to_string(total);
    WorkerPool pool(request.threads);
    window.SetCaption("Molecule 0" + of);
    window.BeginStage("descriptors of every molecule", total);
    pool.ForEach(total, 1, [&](int first, int last, int worker) {
        for (int i = first; i < last; ++i) {
            if (window.StopRequested()) {
                throw RunInterrupted();
            }
            molecules[static_cast<std::size_t>(i)].row =
                ComputeMoleculeRow(records[static_cast<std::size_t>(i)], choice,
                                   {request.seed, request.embedSeconds}, descriptors, standardise);
            const int finished = ++done;
            if (worker == 0) {
                const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
                const double left = elapsed / finished * (total - finished);
                window.SetCaption("Molecule " + std::to_string(finished) + of + ", about " +
                                  MinutesSeconds(left) + " left");
                window.CountDone(finished);
                if (progress) {
                    progress(finished, total);
                }
                window.Yield();
            }
        }
    });
    if (progress) {
        progress(total, total);
    }

    // Molecules left out, values, the hold-out set and the order of the tables.
    std::vector<Molecule*> known;
    std::vector<Molecule*> usable;
    for (Molecule& molecule : molecules) {
        if (!molecule.row.problem.empty()) {
            outcome.skipped.push_back({molecule.record->position, molecule.record->line,
                                       molecule.name, molecule.row.problem});
            continue;
        }
        if (!molecule.row.shapeProblem.empty()) {
            outcome.skipped.push_back(
                {molecule.record->position, molecule.record->line, molecule.name,
                 molecule.row.shapeProblem + ": left out of the similarity and shape tables only",
                 true});
        }
        usable.push_back(&molecule);
        molecule.known = ReadMeasuredValue(molecule.record->valueText, molecule.value);
        if (molecule.known) {
            known.push_back(&molecule);
        }
    }
    if (usable.empty()) {
        // Every molecule is left out of every table, so every entry is a whole one.
        throw InputError(
            "no molecule is left: all " + std::to_string(total) + " were left out (first: line " +
            std::to_string(outcome.skipped.front().line) + ", " + outcome.skipped.front().name +
            ": " + outcome.skipped.front().reason + ")");
    }
    if (known.empty()) {
        throw InputError("no molecule has a measured value of " + propertyName);
    }
    if (request.holdOut >= static_cast<long>(known.size())) {
        throw InputError("--hold-out " + std::to_string(request.holdOut) +
                         " leaves no calibration molecule: " + std::to_string(known.size()) +
                         " molecules have values");
    }
    ChooseHeldOut(known, request.holdOut);
    std::vector<const Molecule*> order;
    for (const Molecule* molecule : usable) {
        if (molecule->known && !molecule->heldOut) {
            order.push_back(molecule);
        }
    }
    outcome.calibration = static_cast<long>(order.size());
    for (const Molecule* molecule : usable) {
        if (!molecule->known || molecule->heldOut) {
            order.push_back(molecule);
        }
    }
    outcome.prediction = static_cast<long>(order.size()) - outcome.calibration;
    outcome.heldOut = request.holdOut;
    // The similarity and shape tables: the molecules with a conformer, in the same order.
    std::vector<const Molecule*> shapeOrder;
    long shapeCalibration = 0;
    for (const Molecule* molecule : order) {
        if (molecule->row.shapeProblem.empty()) {
            shapeOrder.push_back(molecule);
            shapeCalibration += molecule->known && !molecule->heldOut ? 1 : 0;
        }
    }

    // The tables, each complete in a temporary file before any is put in place.
    window.SetCaption("Writing the tables of " + request.set);
    window.BeginStage("writing the tables of " + request.set);
    TableFiles files(request.folder);
    const std::string& set = request.set;
    std::vector<ManifestTable> manifest;
    if (choice.qspr) {
        manifest.push_back({set, {propertyName}});
        files.Begin(set);
        files.Line("Cases\t" + propertyName);
        for (const Molecule* molecule : order) {
            files.Line(molecule->name + "\t" + ValueText(*molecule));
        }
        files.End();
    }
    if (choice.d2d) {
        std::vector<std::vector<std::string>> cells;
        for (const Molecule* molecule : order) {
            auto& row = cells.emplace_back();
            for (const double value : molecule->row.d2d) {
                row.push_back(DescriptorNumber(value));
            }
        }
        manifest.push_back(
            {set + "d2d.des",
             WriteDescriptorTable(files, set + "d2d.des", descriptors.Names(), order, cells)});
    }
    if (choice.mfp) {
        std::vector<std::string> columns;
        for (unsigned c = 0; c < kMorganColumns; ++c) {
            columns.push_back("MFP" + std::to_string(c));
        }
        std::vector<std::vector<std::string>> cells;
        for (const Molecule* molecule : order) {
            auto& row = cells.emplace_back();
            for (const unsigned count : molecule->row.morgan) {
                row.push_back(std::to_string(count));
            }
        }
        manifest.push_back(
            {set + "mfp.des", WriteDescriptorTable(files, set + "mfp.des", columns, order, cells)});
    }
    // Only the fragments some molecule of the set has: a column of zeros tells the
    // analysis nothing, and the similarity program's fragment count F follows the columns.
    const auto presentFragments = [](const std::vector<const Molecule*>& molecules,
                                     std::vector<std::size_t>& present,
                                     std::vector<std::string>& fragments) {
        for (std::size_t f = 0; f < FragmentNames().size(); ++f) {
            const bool used =
                std::any_of(molecules.begin(), molecules.end(), [f](const Molecule* molecule) {
                    return !molecule->row.massPercent.empty() && molecule->row.massPercent[f] > 0.0;
                });
            if (used) {
                present.push_back(f);
                fragments.push_back(FragmentNames()[f]);
            }
        }
    };
    std::vector<std::size_t> present;
    std::vector<std::string> fragments;
    presentFragments(order, present, fragments);
    if (choice.vfr) {
        manifest.push_back({set + "vfr.des", fragments});
        files.Begin(set + "vfr.des");
        files.Line("Cases\t" + Join(fragments));
        for (const Molecule* molecule : order) {
            std::string line = molecule->name;
            for (const std::size_t f : present) {
                line += "\t" + DescriptorNumber(molecule->row.massPercent[f]);
            }
            files.Line(line);
        }
        files.End();
    }
    if (choice.sim) {
        present.clear();
        fragments.clear();
        presentFragments(shapeOrder, present, fragments);
        files.Begin(set + "SIM.des");
        std::string header = "Cases\t" + Join(fragments);
        for (const char* column : kShapeColumnNames) {
            header += std::string("\t") + column;
        }
        header += "\t" + propertyName + "\tNatoms\t" + std::to_string(shapeCalibration) + "\t" +
                  std::to_string(static_cast<long>(shapeOrder.size()) - shapeCalibration) + "\t" +
                  std::to_string(fragments.size()) + "\t0\t0";
        files.Line(header);
        manifest.push_back({set + "SIM.des", fragments});
        for (const char* column : kShapeColumnNames) {
            manifest.back().columns.emplace_back(column);
        }
        manifest.back().columns.push_back(propertyName);
        for (const Molecule* molecule : shapeOrder) {
            const SimilarityColumns& s = molecule->row.shape;
            std::string line = molecule->name;
            for (const std::size_t f : present) {
                line += "\t" + DescriptorNumber(molecule->row.atomPercent[f]);
            }
            for (const double moment : s.Usr) {
                line += "\t" + DescriptorNumber(moment);
            }
            for (const double value : {s.NprSum, s.Pmi3, s.Pmi2, s.Pmi1, s.Volume, s.Tpsa,
                                       static_cast<double>(s.Hbda), s.PhiFlex}) {
                line += "\t" + DescriptorNumber(value);
            }
            line += "\t" + ValueText(*molecule) + "\t" + std::to_string(s.AtomCount) + "\t" +
                    DescriptorNumber(s.BertzCt) + "\t0\t0\t0\t0";
            files.Line(line);
        }
        files.End();
    }
    if (choice.shp) {
        // One whole-number shift per axis for every molecule keeps the set's common frame
        // and makes every coordinate at least 1: a 0 would end a molecule's atom list.
        std::array<double, 3> lowest{HUGE_VAL, HUGE_VAL, HUGE_VAL};
        for (const Molecule* molecule : shapeOrder) {
            for (const auto& atom : molecule->row.heavyCoordinates) {
                for (std::size_t a = 0; a < 3; ++a) {
                    lowest[a] = std::min(lowest[a], atom[a]);
                }
            }
        }
        std::array<double, 3> shift{};
        for (std::size_t a = 0; a < 3; ++a) {
            shift[a] = std::ceil(1.0 - lowest[a]);
        }
        manifest.push_back({set + "SHP.des", {}});
        files.Begin(set + "SHP.des");
        for (const Molecule* molecule : shapeOrder) {
            files.Line("newmol");
            for (const auto& atom : molecule->row.heavyCoordinates) {
                for (std::size_t a = 0; a < 3; ++a) {
                    files.Line(CoordinateNumber(atom[a] + shift[a]));
                }
            }
            files.Line("finmol");
        }
        files.End();
    }
    // The descriptor tables are read by position beside the QSPR table: a molecule without a
    // conformer would leave a hole that no honest number fills, so then the table is not made.
    bool d3dMade = false;
    if (choice.d3d) {
        const auto withoutConformer =
            std::count_if(order.begin(), order.end(),
                          [](const Molecule* molecule) { return molecule->row.d3d.empty(); });
        if (withoutConformer == 0) {
            std::vector<std::vector<std::string>> cells;
            for (const Molecule* molecule : order) {
                auto& row = cells.emplace_back();
                for (const double value : molecule->row.d3d) {
                    row.push_back(DescriptorNumber(value));
                }
            }
            manifest.push_back(
                {set + "d3d.des",
                 WriteDescriptorTable(files, set + "d3d.des", Descriptor3DNames(), order, cells)});
            d3dMade = true;
        } else {
            outcome.d3dLeftOut = std::to_string(withoutConformer) + " molecule" +
                                 (withoutConformer == 1 ? " has" : "s have") + " no 3D conformer";
        }
    }
    if (request.holdOut > 0) {
        files.Begin(set + "obs");
        files.Line("Cases\t" + propertyName);
        for (const Molecule* molecule : order) {
            if (molecule->heldOut) {
                files.Line(molecule->name + "\t" + PropertyNumber(molecule->value));
            }
        }
        files.End();
    }
    files.Begin(set + "map.txt");
    // Without standardisation the map keeps its former columns.
    const bool standardised = standardise != Standardisation::None;
    files.Line(std::string("Cases\tSet\tInput\tPosition\tObserved\tSMILES") +
               (standardised ? "\tStandardised\tChanges" : ""));
    for (const Molecule* molecule : order) {
        const bool calibration = molecule->known && !molecule->heldOut;
        std::string input = molecule->record->name;
        std::replace_if(
            input.begin(), input.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; },
            ' ');
        files.Line(molecule->name + "\t" + (calibration ? "cal" : "pred") + "\t" + input + "\t" +
                   std::to_string(molecule->record->position) + "\t" +
                   (molecule->known ? PropertyNumber(molecule->value) : std::string("?")) + "\t" +
                   molecule->row.smiles +
                   (standardised
                        ? "\t" + molecule->row.standardSmiles + "\t" + molecule->row.changes
                        : std::string()));
    }
    if (namesRewritten) {
        files.Line();
        files.Line("Names as table tokens: every blank, TAB, comma, double quote, control or "
                   "non-ASCII character of an input name is written as _; a molecule without a "
                   "name is called mol and its input position.");
    }
    files.End();
    files.Begin(set + "skipped.txt");
    files.Line("Position\tLine\tName\tReason");
    for (const SkippedMolecule& skipped : outcome.skipped) {
        files.Line(std::to_string(skipped.position) + "\t" + std::to_string(skipped.line) + "\t" +
                   skipped.name + "\t" + skipped.reason);
    }
    files.End();
    WriteManifest(files, request, manifest);
    outcome.files = files.PutInPlace();
    // A held-out table of an earlier run of this set names molecules that the new QSPR table
    // may hold as calibration molecules: an external validation on it would be wrong.
    if (choice.qspr && request.holdOut == 0) {
        const std::string stale = files.PathOf(set + "obs");
        if (std::remove(stale.c_str()) == 0) {
            outcome.removedStale = stale;
        }
    }
    // Nor may a 3D table of an earlier run stand beside QSPR rows it does not match.
    if (choice.d3d && !d3dMade) {
        std::remove(files.PathOf(set + "d3d.des").c_str());
    }
    return outcome;
}

} // namespace kalemir::tables
