#include "tables/Conformer.h"

#include "tables/MoleculeProblem.h"

#include <GraphMol/RWMol.h>

namespace kalemir::tables {

std::unique_ptr<RDKit::RWMol> MakeConformer(const RDKit::ROMol&, bool, unsigned) {
    throw MoleculeProblem("3D embedding failed");
}

bool HasThreeDimensionalCoordinates(const RDKit::ROMol&) {
    return false;
}

} // namespace kalemir::tables
