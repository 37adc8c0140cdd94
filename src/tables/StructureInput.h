#pragma once
// Reading the structure file (SD, SMILES, CSV or TSV) and the measured values into plain
// records, one per molecule, each with the line it starts on for messages. No chemistry
// here: the structures are parsed later, one molecule at a time.

#include <string>
#include <vector>

namespace kalemir::tables {

enum class StructureFormat { Sd, Smiles, Csv, Tsv };

/// The format named by the file's extension (.sdf/.sd, .smi, .csv, .tsv, any case).
/// Throws InputError for any other name.
StructureFormat FormatOfFile(const std::string& path);

/// One molecule as the input gives it.
struct StructureRecord {
    long position = 0;     ///< 1 for the first molecule of the file
    long line = 0;         ///< the line its record starts on
    std::string structure; ///< the mol block or the SMILES
    bool molBlock = false; ///< structure is an SD file's mol block
    std::string name;      ///< as given (may hold blanks); empty when there is none
    std::string valueText; ///< the measured value as given; empty when there is none
};

/// Which fields of the input hold what; empty names take the defaults.
struct InputFields {
    std::string property; ///< SD field or CSV column of the measured value
    std::string name;     ///< SD field or CSV column of the name (default: title, Name, ID)
    std::string smiles;   ///< CSV column of the SMILES (default: SMILES)
};

/// The records of the structure file and the property's name (the field or column named
/// by fields.property, or ""). Throws InputError for an unreadable file, a named field or
/// column the file does not have, or a CSV row that does not match its header.
std::vector<StructureRecord> ReadStructures(const std::string& path, const InputFields& fields);

/// The field names the structure file offers: the SD data fields of its records (in order
/// of first appearance), the header columns of a CSV/TSV file, nothing for SMILES.
std::vector<std::string> OfferedFields(const std::string& path);

/// Joins a CSV/TSV values file (header, then name and value per line) to the records by
/// name: each record gets the value of its name. `column` names the value column (default:
/// the second). Returns the value column's header. Throws InputError for an unreadable
/// file, a missing column, or a name listed twice.
std::string JoinValues(const std::string& path, const std::string& column,
                       std::vector<StructureRecord>& records, long& unmatched);

} // namespace kalemir::tables
