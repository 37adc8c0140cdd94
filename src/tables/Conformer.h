#pragma once
// One 3D conformer per molecule for the shape and similarity tables. Internal to the
// table maker: speaks RDKit.

#include "tables/TableMaker.h"

#include <memory>
#include <string>

namespace RDKit {
class ROMol;
class RWMol;
} // namespace RDKit

namespace kalemir::tables {

/// The most heavy atoms a molecule of the shape table may have.
inline constexpr unsigned kMaxShapeHeavyAtoms = 100;

/// Returns the molecule with explicit hydrogens and one 3D conformer (id 0).
/// useInputCoordinates: the heavy atoms keep the input conformer's coordinates exactly
/// (an aligned set keeps its common frame) and the hydrogens are placed around them.
/// Otherwise the molecule is embedded (ETKDG v3, the given seed, one thread) and put in
/// its principal-axes frame: the heavy atoms' centre of mass at the origin and their
/// principal axes of inertia along x, y and z. The same input and seed give the same coordinates on
/// any thread. Throws MoleculeProblem when the embedding fails, when it takes longer than
/// embedSeconds (both tries together) or when the molecule has more than kMaxShapeHeavyAtoms
/// heavy atoms.
std::unique_ptr<RDKit::RWMol> MakeConformer(const RDKit::ROMol& mol, bool useInputCoordinates,
                                            unsigned seed,
                                            double embedSeconds = kDefaultEmbedSeconds);

/// The reason given for a molecule whose embedding ran past the limit:
/// "embedding took longer than 10 s".
std::string EmbeddingTimeReason(double embedSeconds);

/// True when the molecule has a conformer flagged 3D with a non-zero z somewhere.
bool HasThreeDimensionalCoordinates(const RDKit::ROMol& mol);

} // namespace kalemir::tables
