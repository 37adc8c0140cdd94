#pragma once
// The manifest of a table set: what made its tables (table maker and toolkit versions),
// with which options, and each table's file name and columns. Written beside the set as
// SETmanifest.json; KalemirQ copies it into its results file, and the estimation of new
// molecules reads it back to compute their descriptors in the same way.

#include <string>
#include <vector>

namespace kalemir::tables {

class TableFiles;
struct TableRequest;

/// The manifest's file name for a set ("BZR09" -> "BZR09manifest.json").
std::string ManifestName(const std::string& set);

/// The table maker's version written in the manifest.
std::string TableMakerVersion();

/// One table of the set: its file name and its columns after the molecule column.
struct ManifestTable {
    std::string file;
    std::vector<std::string> columns;
};

/// The manifest's JSON text (two-space indent, no trailing newline).
std::string ManifestText(const TableRequest& request, const std::vector<ManifestTable>& tables);

/// Writes the manifest as one more file of the set.
void WriteManifest(TableFiles& files, const TableRequest& request,
                   const std::vector<ManifestTable>& tables);

} // namespace kalemir::tables
