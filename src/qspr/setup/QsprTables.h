#pragma once
// The QSPR and descriptor table formats and the names of the files derived from them.

#include <string>
#include <vector>

namespace kalemir::qspr {

/// Non-empty records of a QSPR table in order, index 0 the header.
/// Throws InputError naming the file when it holds more than kMaxMolecules molecule records, and
/// FileError when it cannot be read.
std::vector<std::string> ReadQsprLines(const std::string& path);

/// True when the record is a prediction-set molecule: its last character is "?".
bool IsPredictionRecord(const std::string& record);

/// Number of descriptors of a descriptor table: the separator runs of its header record.
int CountDescriptorColumns(const std::string& path);

/// How a table of C descriptors is cut into work tables of at most 1000 columns:
/// the smallest k with C / k < 1001 blocks, k - 1 of Int(C / k) columns and a last block
/// with the rest.
std::vector<int> WorkTableWidths(int descriptorCount);

/// Work-table name: "newtab" + NumText(k) + ".des" ("newtab 1.des").
std::string WorkTableName(int k);

/// The first `count` characters of a name, or the whole name when shorter.
std::string NamePrefix(const std::string& name, std::size_t count);

/// Selection table name: first five characters of the QSPR table + "sel.des".
std::string SelectionTableName(const std::string& qsprTableName);

/// Predictor-value file of a cycle: first three characters of the QSPR table, the last
/// two digits of the cycle number, "prd.dat" (cycle 123 of BZR01 gives BZR23prd.dat).
std::string PredictorFileName(const std::string& qsprTableName, int cycleNumber);

/// True when the name's last seven characters are exactly `suffix` (case-sensitive).
bool HasTableSuffix(const std::string& name, const std::string& suffix);

} // namespace kalemir::qspr
