#pragma once
// The table maker: from a structure file and measured values to every table the suite's
// programs read (QSPR table, 2D descriptors, Morgan counts, fragments, similarity and
// shape tables) plus the map of names and the list of molecules left out. Plain types
// only, so the command line and the windows need no chemistry headers.

#include <functional>
#include <string>
#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::tables {

/// The program whose run lock the table maker holds in the tables' folder.
inline constexpr const char* kTablesProgram = "KalemirT";
/// The seed of the 3D embedding when none is given.
inline constexpr unsigned kDefaultSeed = 42;
/// The time one molecule's 3D embedding may take when none is given (seconds).
inline constexpr double kDefaultEmbedSeconds = 10;
/// Every table a run can make, as --tables names them, and the default choice.
inline constexpr const char* kAllTables = "qspr,d2d,mfp,vfr,sim,shp,d3d";

/// What to make, as the command line or the window gives it.
struct TableRequest {
    std::string structures;  ///< the structure file (.sdf, .smi, .csv, .tsv)
    std::string set;         ///< five letters and digits that name the table set
    std::string folder;      ///< where the tables go ("" = the current folder)
    std::string property;    ///< SD field or CSV column with the measured value
    std::string valuesFile;  ///< instead: a CSV/TSV of name and value
    std::string nameField;   ///< SD field or CSV column with the molecule name
    std::string smilesField; ///< CSV column with the SMILES
    long holdOut = 0;        ///< molecules with values moved to the prediction set
    std::string tables = kAllTables;
    unsigned seed = kDefaultSeed;
    double embedSeconds = kDefaultEmbedSeconds; ///< the longest one embedding may take
    int threads = 0;                            ///< worker threads (0: the machine's cores)
    bool replace = false; ///< the set's tables already in the folder may be replaced
    /// "parent" (cleaned, largest organic fragment, neutralised), "none", "tautomers".
    std::string standardise = "parent";
};

/// A molecule left out of every table, or only of the similarity and shape tables.
struct SkippedMolecule {
    long position = 0;
    long line = 0;
    std::string name;
    std::string reason;
    bool shapeOnly = false; ///< still in the QSPR, descriptor and fragment tables
};

/// What a run made.
struct TableOutcome {
    std::vector<std::string> files; ///< paths of the files written, in writing order
    long calibration = 0;
    long prediction = 0;
    long heldOut = 0;
    long unmatchedValues = 0; ///< lines of the values file that name no molecule
    /// The held-out table of an earlier run, removed because this run holds none out.
    std::string removedStale;
    /// Why the 3D descriptor table was asked for but not made ("" otherwise).
    std::string d3dLeftOut;
    std::vector<SkippedMolecule> skipped;
};

/// Checks the request before any work: the set name, the table list, the files, the folder,
/// and unless request.replace, that no file of the set is in the folder yet. Throws
/// InputError with a message for the user.
void CheckTableRequest(const TableRequest& request);

/// The files of the set (any table, the map, the skipped list) already in the request's
/// folder, as paths, in the order a run writes them.
std::vector<std::string> ExistingSetFiles(const TableRequest& request);

/// Told the molecules done and their number, now and then, on the calling thread.
using MoleculeProgress = std::function<void(int done, int total)>;

/// Reads the molecules, computes every row on the worker threads (progress and the stop
/// request through the window) and writes the tables, holding the run lock of the tables'
/// folder. Throws InputError when the input is refused, another run holds the folder or no
/// molecule is left (nothing written), WriteFailure when a table cannot be written (no
/// table left half-written), RunInterrupted when stopped; a fault of the program (out of
/// memory, a broken invariant) ends the run too, with no table written.
TableOutcome MakeTables(const TableRequest& request, ComputingWindow& window,
                        const MoleculeProgress& progress = {});

/// The field names a structure file offers for the property and the name (SD data fields,
/// CSV/TSV header columns). Throws InputError.
std::vector<std::string> StructureFieldNames(const std::string& path);

/// The property a structure file most likely holds: the first offered field, other than the
/// name field (nameField, or by default a column called Name or ID) and the SMILES column,
/// in which more than half of the molecules have a number; "" when there is none.
/// Throws InputError.
std::string ProposedProperty(const std::string& path, const std::string& nameField);

} // namespace kalemir::tables
