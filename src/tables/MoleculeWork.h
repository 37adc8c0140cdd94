#pragma once
// Everything the tables need of one molecule, computed from its record on a worker thread:
// the structure parsed, its descriptors, fingerprint, fragments, 3D shape and coordinates.

#include "tables/ShapeColumns.h"
#include "tables/StructureInput.h"

#include <array>
#include <string>
#include <vector>

namespace kalemir::tables {

class Descriptors2D;

/// Which tables a run makes.
struct TableChoice {
    bool qspr = true, d2d = true, mfp = true, vfr = true, sim = true, shp = true, d3d = true;
    /// The similarity, shape and 3D descriptor tables need a 3D conformer.
    bool NeedsConformer() const { return sim || shp || d3d; }
};

struct MoleculeRow {
    /// Why the molecule cannot be used; empty when it can.
    std::string problem;
    /// Canonical SMILES of the heavy-atom structure (for the map file).
    std::string smiles;
    std::vector<double> d2d;
    std::vector<unsigned> morgan;
    std::vector<double> massPercent;
    std::vector<double> atomPercent;
    SimilarityColumns shape;
    std::vector<std::array<double, 3>> heavyCoordinates;
    std::vector<double> d3d;
};

/// How each molecule's conformer is made.
struct EmbeddingSettings {
    unsigned seed = 0;
    /// The longest an embedding may take (seconds); a molecule past it has no conformer.
    double seconds = 0;
};

/// Computes the molecule's row of every chosen table. A structure that does not parse, has
/// no heavy atom or whose conformer fails or runs out of time gives a row with only
/// `problem` set; nothing thrown for one molecule ends the run. Safe to call concurrently
/// for different records.
MoleculeRow ComputeMoleculeRow(const StructureRecord& record, const TableChoice& tables,
                               const EmbeddingSettings& embedding,
                               const Descriptors2D& descriptors);

} // namespace kalemir::tables
