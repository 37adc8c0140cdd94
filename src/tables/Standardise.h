#pragma once
// Standardisation of a molecule before any descriptor: the structure cleaned up and its
// functional groups normalised, the largest organic fragment kept (counter-ions and
// solvents removed) and charges neutralised where a neutral form exists. Internal to the
// table maker: speaks RDKit.

#include <memory>
#include <string>

namespace RDKit {
class ROMol;
}

namespace kalemir::tables {

enum class Standardisation {
    None,     ///< the structure as given
    Parent,   ///< cleaned up, largest organic fragment, neutralised
    Tautomers ///< as Parent, then the canonical tautomer
};

/// The standardisation named by the --standardise word ("parent", "none", "tautomers").
/// Throws InputError for any other word.
Standardisation StandardisationNamed(const std::string& word);

/// A standardised molecule and what changed, in words for the map file.
struct StandardParent {
    /// The standardised molecule; null when nothing changed (the input stands as it is,
    /// atom order and coordinates included).
    std::unique_ptr<RDKit::ROMol> mol;
    /// "removed 1 fragment: trifluoroacetic acid; neutralised 1 charge", or "unchanged".
    std::string changes = "unchanged";
};

/// Standardises the sanitized heavy-atom molecule. Safe to call concurrently. Throws
/// MoleculeProblem when the toolkit cannot standardise it.
StandardParent StandardiseMolecule(const RDKit::ROMol& mol, Standardisation how);

/// The name of a common counter-ion or solvent given by its SMILES ("chloride",
/// "trifluoroacetic acid"), else its molecular formula ("C2HF3O2").
std::string FragmentWords(const RDKit::ROMol& fragment);

} // namespace kalemir::tables
