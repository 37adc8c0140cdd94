#pragma once
// Everything the tables need of one molecule, computed from its record on a worker thread:
// the structure parsed, its descriptors, fingerprint, fragments, 3D shape and coordinates.

#include "tables/ShapeColumns.h"
#include "tables/Standardise.h"
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
    /// Why the molecule cannot be used in any table; empty when it can.
    std::string problem;
    /// Why it has no similarity and shape rows (no conformer, too few or too many heavy
    /// atoms); empty when it has them. The other tables keep it.
    std::string shapeProblem;
    /// Canonical SMILES of the heavy-atom structure as given (for the map file).
    std::string smiles;
    /// Canonical SMILES of the standardised structure every column describes.
    std::string standardSmiles;
    /// What standardisation changed, in words.
    std::string changes;
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

/// Computes the molecule's row of every chosen table from its standardised structure. A
/// structure that does not parse, has no heavy atom or whose descriptors cannot be computed
/// gives a row with only `problem` set; one that cannot have a conformer (or whose conformer
/// fails or runs out of time) or shape columns keeps its other columns and gives
/// `shapeProblem`. Nothing thrown for one molecule ends the run. Safe to call concurrently
/// for different records.
MoleculeRow ComputeMoleculeRow(const StructureRecord& record, const TableChoice& tables,
                               const EmbeddingSettings& embedding, const Descriptors2D& descriptors,
                               Standardisation standardise = Standardisation::Parent);

} // namespace kalemir::tables
