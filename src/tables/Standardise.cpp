#include "tables/Standardise.h"

#include "common/Errors.h"
#include "tables/ChemistryFailure.h"
#include "tables/MoleculeProblem.h"

#include <GraphMol/Descriptors/MolDescriptors.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/MolStandardize/Charge.h>
#include <GraphMol/MolStandardize/Fragment.h>
#include <GraphMol/MolStandardize/Metal.h>
#include <GraphMol/MolStandardize/MolStandardize.h>
#include <GraphMol/MolStandardize/Normalize.h>
#include <GraphMol/MolStandardize/Tautomer.h>
#include <GraphMol/RWMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>

#include <map>
#include <vector>

namespace kalemir::tables {

namespace {

/// Counter-ions and solvents of salts and solvates as vendors and databases record them.
// clang-format off
const char* const kCommonFragments[][2] = {
    {"[Cl-]", "chloride"}, {"Cl", "hydrogen chloride"}, {"[Br-]", "bromide"},
    {"Br", "hydrogen bromide"}, {"[I-]", "iodide"}, {"I", "hydrogen iodide"},
    {"[F-]", "fluoride"}, {"[Na+]", "sodium"}, {"[Na]", "sodium"}, {"[K+]", "potassium"},
    {"[K]", "potassium"}, {"[Li+]", "lithium"}, {"[Ca+2]", "calcium"},
    {"[Mg+2]", "magnesium"}, {"[Zn+2]", "zinc"}, {"[NH4+]", "ammonium"}, {"N", "ammonia"},
    {"O", "water"}, {"[OH-]", "hydroxide"},
    {"O=C(O)C(F)(F)F", "trifluoroacetic acid"}, {"O=C([O-])C(F)(F)F", "trifluoroacetate"},
    {"CC(=O)O", "acetic acid"}, {"CC(=O)[O-]", "acetate"}, {"O=CO", "formic acid"},
    {"CS(=O)(=O)O", "methanesulfonic acid"}, {"CS(=O)(=O)[O-]", "mesylate"},
    {"Cc1ccc(S(=O)(=O)O)cc1", "toluenesulfonic acid"},
    {"Cc1ccc(S(=O)(=O)[O-])cc1", "tosylate"},
    {"O=S(=O)(O)c1ccccc1", "benzenesulfonic acid"},
    {"O=S(=O)(O)O", "sulfuric acid"}, {"O=S(=O)([O-])O", "hydrogen sulfate"},
    {"O=S(=O)([O-])[O-]", "sulfate"}, {"O=P(O)(O)O", "phosphoric acid"},
    {"O=[N+]([O-])O", "nitric acid"}, {"O=[N+]([O-])[O-]", "nitrate"},
    {"[O-][Cl+3]([O-])([O-])[O-]", "perchlorate"}, {"O=Cl(=O)(=O)[O-]", "perchlorate"},
    {"O=C(O)C(=O)O", "oxalic acid"}, {"O=C(O)/C=C/C(=O)O", "fumaric acid"},
    {"O=C(O)/C=C\\C(=O)O", "maleic acid"}, {"O=C(O)CCC(=O)O", "succinic acid"},
    {"O=C(O)C(O)C(O)C(=O)O", "tartaric acid"},
    {"O=C(O)[C@H](O)[C@@H](O)C(=O)O", "tartaric acid"},
    {"O=C(O)[C@@H](O)[C@H](O)C(=O)O", "tartaric acid"},
    {"O=C(O)CC(O)(CC(=O)O)C(=O)O", "citric acid"}, {"CC(O)C(=O)O", "lactic acid"},
    {"O=C(O)c1ccccc1", "benzoic acid"}, {"CO", "methanol"}, {"CCO", "ethanol"},
    {"CC(C)O", "isopropanol"}, {"CC(C)=O", "acetone"}, {"CC#N", "acetonitrile"},
    {"CS(C)=O", "dimethyl sulfoxide"}, {"CN(C)C=O", "dimethylformamide"},
    {"CCOCC", "diethyl ether"}, {"C1CCOC1", "tetrahydrofuran"}, {"C1COCCO1", "dioxane"},
    {"ClCCl", "dichloromethane"}, {"ClC(Cl)Cl", "chloroform"}, {"CCOC(C)=O", "ethyl acetate"},
    {"c1ccccc1", "benzene"}, {"Cc1ccccc1", "toluene"}, {"c1ccncc1", "pyridine"},
    {"CCN(CC)CC", "triethylamine"}};
// clang-format on

/// The names above by the toolkit's canonical SMILES.
const std::map<std::string, std::string>& CommonFragmentNames() {
    static const std::map<std::string, std::string> names = [] {
        std::map<std::string, std::string> byCanonical;
        for (const auto& [smiles, name] : kCommonFragments) {
            const std::unique_ptr<RDKit::ROMol> mol(RDKit::SmilesToMol(smiles));
            if (mol != nullptr) {
                byCanonical.emplace(RDKit::MolToSmiles(*mol), name);
            }
        }
        return byCanonical;
    }();
    return names;
}

int ChargedAtoms(const RDKit::ROMol& mol) {
    int count = 0;
    for (const RDKit::Atom* atom : mol.atoms()) {
        count += atom->getFormalCharge() != 0 ? 1 : 0;
    }
    return count;
}

std::string Counted(std::size_t count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

/// The fragments of the molecule other than the parent, in words.
std::vector<std::string> RemovedFragments(const RDKit::ROMol& whole, const RDKit::ROMol& parent) {
    std::vector<std::string> removed;
    bool parentSeen = false;
    const std::string parentSmiles = RDKit::MolToSmiles(parent);
    for (const auto& fragment : RDKit::MolOps::getMolFrags(whole, false)) {
        if (!parentSeen && RDKit::MolToSmiles(*fragment) == parentSmiles) {
            parentSeen = true;
            continue;
        }
        removed.push_back(FragmentWords(*fragment));
    }
    return removed;
}

/// The clean-up writes sulfoxides charge-separated (C[S+](C)[O-]); chemists draw them, and
/// the fragments and descriptors read them, as S=O: the bond is put back.
void RestoreSulfoxides(RDKit::RWMol& mol) {
    bool restored = false;
    for (RDKit::Atom* sulfur : mol.atoms()) {
        if (sulfur->getAtomicNum() != 16 || sulfur->getFormalCharge() != 1 ||
            sulfur->getDegree() != 3) {
            continue;
        }
        for (RDKit::Bond* bond : mol.atomBonds(sulfur)) {
            RDKit::Atom* oxygen = bond->getOtherAtom(sulfur);
            if (oxygen->getAtomicNum() == 8 && oxygen->getFormalCharge() == -1 &&
                oxygen->getDegree() == 1 && bond->getBondType() == RDKit::Bond::SINGLE) {
                bond->setBondType(RDKit::Bond::DOUBLE);
                sulfur->setFormalCharge(0);
                oxygen->setFormalCharge(0);
                restored = true;
                break;
            }
        }
    }
    if (restored) {
        RDKit::MolOps::sanitizeMol(mol);
    }
}

/// The toolkit's clean-up step by step (hydrogens removed, sanitized, metals disconnected,
/// groups normalised, charges put on the most acidic atoms, stereochemistry assigned), each
/// step's molecule held as the type it is made as, then sulfoxides drawn as S=O again.
std::unique_ptr<RDKit::RWMol> CleanUp(const RDKit::ROMol& mol) {
    RDKit::RWMol work(mol);
    RDKit::MolOps::removeHs(work);
    RDKit::MolOps::sanitizeMol(work);
    RDKit::MolStandardize::MetalDisconnector().disconnect(work);
    const std::unique_ptr<RDKit::ROMol> normalised(
        RDKit::MolStandardize::Normalizer().normalize(work));
    const std::unique_ptr<RDKit::ROMol> reionised(
        RDKit::MolStandardize::Reionizer().reionize(*normalised));
    auto cleaned = std::make_unique<RDKit::RWMol>(*reionised);
    RDKit::MolOps::assignStereochemistry(*cleaned);
    RestoreSulfoxides(*cleaned);
    return cleaned;
}

} // namespace

Standardisation StandardisationNamed(const std::string& word) {
    if (word == "parent") {
        return Standardisation::Parent;
    }
    if (word == "none") {
        return Standardisation::None;
    }
    if (word == "tautomers") {
        return Standardisation::Tautomers;
    }
    throw InputError("--standardise: unknown choice '" + word +
                     "' (choose from parent, none, tautomers)");
}

std::string FragmentWords(const RDKit::ROMol& fragment) {
    const auto& names = CommonFragmentNames();
    const auto found = names.find(RDKit::MolToSmiles(fragment));
    return found != names.end() ? found->second : RDKit::Descriptors::calcMolFormula(fragment);
}

StandardParent StandardiseMolecule(const RDKit::ROMol& mol, Standardisation how) {
    StandardParent result;
    if (how == Standardisation::None) {
        return result;
    }
    std::vector<std::string> changes;
    // False when the standard form is the structure as read: the result then names no change.
    const auto standardise = [&] {
        // The toolkit's steps may drop flags of the molecule they read (stereochemistry
        // assigned): they read copies, and the input is left as the caller gave it.
        const RDKit::RWMol input(mol);
        const std::string inputSmiles = RDKit::MolToSmiles(RDKit::ROMol(mol));
        const std::unique_ptr<RDKit::RWMol> cleaned = CleanUp(input);
        const auto inputFragments = RDKit::MolOps::getMolFrags(input, false);
        if (RDKit::MolOps::getMolFrags(*cleaned, false).size() > inputFragments.size()) {
            changes.emplace_back("disconnected metal atoms");
        }
        RDKit::MolStandardize::LargestFragmentChooser chooser(true);
        const std::unique_ptr<RDKit::ROMol> parent(chooser.choose(*cleaned));
        const std::vector<std::string> removed = RemovedFragments(*cleaned, *parent);
        if (!removed.empty()) {
            std::string words = "removed " + Counted(removed.size(), "fragment", "fragments") + ":";
            for (std::size_t k = 0; k < removed.size(); ++k) {
                words += (k == 0 ? " " : ", ") + removed[k];
            }
            changes.push_back(std::move(words));
        }
        RDKit::MolStandardize::Uncharger uncharger;
        std::unique_ptr<RDKit::ROMol> neutral(uncharger.uncharge(*parent));
        const int neutralised = ChargedAtoms(*parent) - ChargedAtoms(*neutral);
        if (neutralised > 0) {
            changes.push_back("neutralised " +
                              Counted(static_cast<std::size_t>(neutralised), "charge", "charges"));
        }
        if (how == Standardisation::Tautomers) {
            RDKit::MolStandardize::TautomerEnumerator enumerator;
            std::unique_ptr<RDKit::ROMol> tautomer(enumerator.canonicalize(*neutral));
            if (RDKit::MolToSmiles(*tautomer) != RDKit::MolToSmiles(*neutral)) {
                changes.emplace_back("canonical tautomer");
            }
            neutral = std::move(tautomer);
        }
        if (RDKit::MolToSmiles(*neutral) == inputSmiles) {
            return false;
        }
        // The clean-up rewrote groups (a charge-separated form, an azide, a sulfoxide).
        const bool sameFragments =
            RDKit::MolOps::getMolFrags(*cleaned, false).size() == inputFragments.size();
        if (changes.empty() || (sameFragments && RDKit::MolToSmiles(*cleaned) != inputSmiles)) {
            changes.insert(changes.begin(), "normalised groups");
        }
        RDKit::MolOps::assignStereochemistry(*neutral, true, true);
        result.mol = std::move(neutral);
        return true;
    };
    const bool changed = UnlessChemistryFails(standardise, [](const std::exception&) -> bool {
        throw MoleculeProblem("the structure cannot be standardised");
    });
    if (!changed) {
        return result;
    }
    result.changes.clear();
    for (std::size_t k = 0; k < changes.size(); ++k) {
        result.changes += (k == 0 ? "" : "; ") + changes[k];
    }
    return result;
}

} // namespace kalemir::tables
