#pragma once
// The per-molecule columns of the similarity table after the fragment percents, and the
// heavy-atom coordinates of the shape table. Internal to the table maker: speaks RDKit.

#include <array>
#include <vector>

namespace RDKit {
class ROMol;
}

namespace kalemir::tables {

/// One molecule's shape, size, polarity and complexity columns.
struct SimilarityColumns {
    /// Ultrafast shape recognition moments of the heavy-atom conformer (12 values).
    std::array<double, 12> Usr{};
    /// 1 + NPR1 + NPR2 of the heavy atoms with atomic masses: 2 rod, 2.5 disc, 3 sphere.
    double NprSum = 0;
    /// Principal moments of inertia of the heavy atoms (amu*A^2), descending.
    double Pmi3 = 0, Pmi2 = 0, Pmi1 = 0;
    /// Molecular volume of the conformer with hydrogens (A^3).
    double Volume = 0;
    /// Topological polar surface area (A^2).
    double Tpsa = 0;
    /// H-bond donors + acceptors.
    int Hbda = 0;
    /// Kier molecular flexibility index.
    double PhiFlex = 0;
    /// Atoms including hydrogens.
    int AtomCount = 0;
    /// Bertz topological complexity index.
    double BertzCt = 0;
};

/// Computes the columns from the molecule with explicit hydrogens and its 3D conformer
/// (as MakeConformer returns it). Safe to call concurrently on different molecules.
/// Throws MoleculeProblem for a molecule of fewer than 4 heavy atoms, whose shape
/// recognition moments are not defined.
SimilarityColumns ComputeSimilarityColumns(const RDKit::ROMol& molWithHs3d);

/// Volume inside the atoms' van der Waals spheres (hydrogens included), counted on a
/// 0.2 A grid: the conformer is centred on its centroid and turned onto its covariance
/// axes, the grid (centred on the origin) is 8 A longer than the atoms' extent along
/// each axis, and every grid point inside a sphere counts 0.008 A^3.
double MolecularVolume(const RDKit::ROMol& molWithHs3d);

/// Bertz's complexity index (S. H. Bertz, J. Am. Chem. Soc. 103, 3599 (1981)) of the
/// molecule's graph as given (pass it without hydrogens): the information content of the
/// atom types plus that of the "connections" (pairs of adjacent bonds, a bond of order
/// b > 1 adding b(b-1)/2, aromatic bonds order 1.5), atoms told apart by symmetry
/// classes (equal sorted rows, to 4 decimals, of the bond-order weighted distance
/// matrix).
double BertzComplexity(const RDKit::ROMol& mol);

/// x, y, z of each heavy atom of the conformer, in atom order.
std::vector<std::array<double, 3>> HeavyAtomCoordinates(const RDKit::ROMol& molWithHs3d);

} // namespace kalemir::tables
