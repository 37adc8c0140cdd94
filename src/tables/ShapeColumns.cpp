#include "tables/ShapeColumns.h"

#include "tables/MoleculeProblem.h"

#include <GraphMol/ROMol.h>

namespace kalemir::tables {

SimilarityColumns ComputeSimilarityColumns(const RDKit::ROMol&) {
    throw MoleculeProblem("shape columns not yet available");
}

std::vector<std::array<double, 3>> HeavyAtomCoordinates(const RDKit::ROMol&) {
    return {};
}

} // namespace kalemir::tables
