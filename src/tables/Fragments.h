#pragma once
// Molecular fragments: every heavy atom of a molecule belongs to exactly one fragment
// occurrence and brings its hydrogens. Groups are matched first, in this order: NO2,
// SO3 (sulfonate anion), SO2NH (secondary sulfonamide) or SO2, COOH, COO, COOminus
// (carboxylate anion), CONH2, CONH, CHO, CO, CS (thiocarbonyl), SO (sulfoxide), SS
// (disulfide), PO4, PO3 or PO (phosphate, phosphonate, other phosphoryl), CN, CF3, NO
// (N-oxide, nitroso), OCH3, C2H5O, C2H5; the remaining atoms are typed by element,
// attached hydrogens and bonding (ar = aromatic, db / tb = atom with a double / triple
// bond, atom = bare heteroatom, SH thiol, Patom phosphine). An atom that fits none of
// these goes to its element's own fragment (Si, B, Se, Na; Cother, Nother, Sother ... for
// the elements that have named fragments). Internal to the table maker: speaks RDKit.

#include <string>
#include <vector>

namespace RDKit {
class ROMol;
}

namespace kalemir::tables {

/// The fragment names, in the order of the fragment table's columns: the 37 fragments
/// of the example tables first, in their order (CH3 ... Br), then SO2NH, C2H5O, Oatom
/// (ether oxygen), Oar (aromatic oxygen) and I, which no example molecule has, then the
/// sulfur, phosphorus, carboxylate and methane fragments, then one per element (H, He,
/// ... in atomic-number order). The table writer leaves out the fragments no molecule of
/// the set has (all-zero columns), as the example tables do; that keeps the example's 37
/// columns for the example molecules.
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
/// molecules. Throws MoleculeProblem when the molecule has no heavy atom or an atom that
/// is no element ("no fragment for atom 3 (*)").
FragmentShares ShareIntoFragments(const RDKit::ROMol& mol);

} // namespace kalemir::tables
