#pragma once
// Molecular fragments: every heavy atom of a molecule belongs to exactly one fragment
// occurrence and brings its hydrogens. Groups (NO2, SO2, COOH, COO, CONH2, CONH, CO,
// CHO, CN, CF3, OCH3, C2H5) are matched first; the remaining atoms are typed by element,
// attached hydrogens and bonding (ar = aromatic, db / tb = atom with a double / triple
// bond, atom = bare heteroatom). Internal to the table maker: speaks RDKit.

#include <string>
#include <vector>

namespace RDKit {
class ROMol;
}

namespace kalemir::tables {

/// The 37 fragment names, in the order of the fragment table's columns.
const std::vector<std::string>& FragmentNames();

/// One molecule's share of each fragment, in FragmentNames() order.
struct FragmentShares {
    /// 100 * mass of the fragment's occurrences (hydrogens included) / molecular mass;
    /// the values of a molecule add up to 100.
    std::vector<double> MassPercent;
    /// 100 * atoms of the fragment's occurrences (hydrogens included) / AtomCount.
    std::vector<double> AtomPercent;
    /// All atoms of the molecule, hydrogens included (implicit and explicit).
    int AtomCount = 0;
};

/// Shares a molecule out into fragments. Safe to call concurrently on different
/// molecules. Throws MoleculeProblem naming the atom when an atom fits no fragment
/// ("no fragment for atom 7 (P)"), and when the molecule has no heavy atom.
FragmentShares ShareIntoFragments(const RDKit::ROMol& mol);

} // namespace kalemir::tables
