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
SimilarityColumns ComputeSimilarityColumns(const RDKit::ROMol& molWithHs3d);

/// x, y, z of each heavy atom of the conformer, in atom order.
std::vector<std::array<double, 3>> HeavyAtomCoordinates(const RDKit::ROMol& molWithHs3d);

} // namespace kalemir::tables
