#include "tables/Fragments.h"

#include "tables/MoleculeProblem.h"

#include <GraphMol/Atom.h>
#include <GraphMol/Bond.h>
#include <GraphMol/PeriodicTable.h>
#include <GraphMol/ROMol.h>

#include <array>
#include <string>
#include <vector>

namespace kalemir::tables {
namespace {

// Column indexes into FragmentNames(), and the names in column order. The constants spell
// the fragments' formulas, as the column names do, rather than the naming rules.
// NOLINTBEGIN(readability-identifier-naming)
// clang-format off
enum Fragment : int {
    CH3, CH2, CH, C, CH2db, CHdb, Cdb, CHtb, Ctb, CHar, Car, C2H5, CF3, CO, CHO, COOH, COO,
    CONH2, CONH, CN, OH, OCH3, NH2, NH, Natom, Ndb, NHar, Nar, Nplus, NO2, NO, Satom, Sar, SO2,
    F, Cl, Br, SO2NH, C2H5O, Oatom, Oar, I, SH, SS, CS, SO, SO3, PO4, PO3, PO, Patom,
    COOminus, CH4, FragmentCount
};
// NOLINTEND(readability-identifier-naming)

constexpr std::array<const char*, FragmentCount> kNames{
    "CH3", "CH2", "CH", "C", "CH2db", "CHdb", "Cdb", "CHtb", "Ctb", "CHar", "Car", "C2H5",
    "CF3", "CO", "CHO", "COOH", "COO", "CONH2", "CONH", "CN", "OH", "OCH3", "NH2", "NH",
    "Natom", "Ndb", "NHar", "Nar", "Nplus", "NO2", "NO", "Satom", "Sar", "SO2", "F", "Cl", "Br",
    "SO2NH", "C2H5O", "Oatom", "Oar", "I", "SH", "SS", "CS", "SO", "SO3", "PO4", "PO3", "PO",
    "Patom", "COOminus", "CH4"};
// clang-format on
static_assert(kNames[FragmentCount - 1] != nullptr, "a name for every fragment");

/// After the named fragments, one per element for the atoms none of them fits: column
/// FragmentCount + Z - 1 for atomic number Z.
constexpr int kLastElement = 118;

/// An element that has named fragments gets "other" after its symbol (Cother, Sother);
/// any other is named by its symbol alone (Si, B, Se, Na).
bool HasNamedFragments(int element) {
    for (int named : {6, 7, 8, 9, 15, 16, 17, 35, 53})
        if (element == named)
            return true;
    return false;
}

constexpr int kUnassigned = -1;

/// What the partition needs to know about one heavy atom.
struct HeavyAtom {
    const RDKit::Atom* Atom = nullptr;
    int Element = 0;
    int Hydrogens = 0;   // implicit, explicit-count and H neighbours
    int HeavyDegree = 0; // neighbours other than hydrogens
    int DoubleBonds = 0; // non-aromatic double bonds
    int TripleBonds = 0;
    bool Aromatic = false;
    int Charge = 0;
    double Mass = 0; // the atom with its hydrogens
    int Owner = kUnassigned;
};

/// Shares one molecule out: groups first, in a fixed order, then single atoms by type.
class Partition {
public:
    explicit Partition(const RDKit::ROMol& mol) : mol_(mol), atoms_(mol.getNumAtoms()) {
        static const double hydrogenMass = RDKit::PeriodicTable::getTable()->getAtomicWeight(1);
        for (const RDKit::Atom* atom : mol.atoms()) {
            HeavyAtom& a = atoms_[atom->getIdx()];
            a.Atom = atom;
            a.Element = atom->getAtomicNum();
            a.Aromatic = atom->getIsAromatic();
            a.Charge = atom->getFormalCharge();
            a.Mass = atom->getMass();
            a.Hydrogens = static_cast<int>(atom->getTotalNumHs(false));
            a.Mass += a.Hydrogens * hydrogenMass;
            for (const RDKit::Bond* bond : mol.atomBonds(atom)) {
                const RDKit::Atom* other = bond->getOtherAtom(atom);
                if (other->getAtomicNum() == 1) {
                    ++a.Hydrogens;
                    a.Mass += other->getMass();
                    continue;
                }
                ++a.HeavyDegree;
                if (bond->getBondType() == RDKit::Bond::DOUBLE)
                    ++a.DoubleBonds;
                if (bond->getBondType() == RDKit::Bond::TRIPLE)
                    ++a.TripleBonds;
            }
        }
    }

    FragmentShares Share() {
        bool heavy = false;
        for (int i = 0; i < static_cast<int>(atoms_.size()); ++i)
            heavy = heavy || IsHeavy(i);
        if (!heavy)
            throw MoleculeProblem("no heavy atom");
        MatchGroups();
        TypeRemainingAtoms();
        return Sum();
    }

private:
    bool IsHeavy(int i) const { return atoms_[i].Element > 1; }
    bool IsFree(int i) const { return IsHeavy(i) && atoms_[i].Owner == kUnassigned; }

    std::vector<int> Neighbours(int i) const {
        std::vector<int> result;
        for (const RDKit::Atom* other : mol_.atomNeighbors(atoms_[i].Atom))
            if (other->getAtomicNum() > 1)
                result.push_back(static_cast<int>(other->getIdx()));
        return result;
    }

    RDKit::Bond::BondType BondBetween(int i, int j) const {
        return mol_.getBondBetweenAtoms(i, j)->getBondType();
    }

    /// A free atom of the element with no hydrogen and one heavy neighbour: the O of a
    /// carbonyl, N-oxide, nitro or sulfonyl group, the N of a nitrile, the F of CF3.
    bool IsTerminal(int j, int element) const {
        const HeavyAtom& a = atoms_[j];
        return IsFree(j) && a.Element == element && a.HeavyDegree == 1 && a.Hydrogens == 0;
    }

    std::vector<int> TerminalNeighbours(int i, int element, RDKit::Bond::BondType bond) const {
        std::vector<int> result;
        for (int j : Neighbours(i))
            if (IsTerminal(j, element) && BondBetween(i, j) == bond)
                result.push_back(j);
        return result;
    }

    /// The carbonyl oxygen of carbon i: a free terminal O doubly bonded to it, or -1.
    int CarbonylOxygen(int i) const {
        const auto oxygens = TerminalNeighbours(i, 8, RDKit::Bond::DOUBLE);
        return oxygens.empty() ? -1 : oxygens.front();
    }

    bool IsFreeCarbon(int i, int hydrogens) const {
        const HeavyAtom& a = atoms_[i];
        return IsFree(i) && a.Element == 6 && !a.Aromatic && a.Hydrogens == hydrogens &&
               a.Charge == 0;
    }

    /// An sp3 carbon with the given hydrogens (a methyl or methylene of an alkyl chain).
    bool IsSaturatedCarbon(int i, int hydrogens) const {
        const HeavyAtom& a = atoms_[i];
        return IsFreeCarbon(i, hydrogens) && a.DoubleBonds == 0 && a.TripleBonds == 0;
    }

    /// A neutral, non-aromatic, singly bonded nitrogen with the given hydrogens.
    bool IsAmideNitrogen(int i, int hydrogens) const {
        const HeavyAtom& a = atoms_[i];
        return IsFree(i) && a.Element == 7 && !a.Aromatic && a.Charge == 0 &&
               a.Hydrogens == hydrogens && a.DoubleBonds == 0 && a.TripleBonds == 0;
    }

    /// An oxygen bonded to two heavy atoms by single bonds (ether or ester oxygen).
    bool IsEtherOxygen(int i) const {
        const HeavyAtom& a = atoms_[i];
        return IsFree(i) && a.Element == 8 && !a.Aromatic && a.Charge == 0 && a.Hydrogens == 0 &&
               a.HeavyDegree == 2 && a.DoubleBonds == 0;
    }

    void Assign(int fragment, std::initializer_list<int> members) {
        occurrences_.push_back({fragment, {}});
        for (int i : members) {
            atoms_[i].Owner = fragment;
            occurrences_.back().Members.push_back(i);
        }
    }

    // Each group below runs over the atoms in index order, so the partition of a molecule
    // does not depend on anything but its atom order.
    void MatchGroups() {
        const int n = static_cast<int>(atoms_.size());
        // Nitro: N with two terminal O (N(=O)=O or [N+](=O)[O-]).
        for (int i = 0; i < n; ++i) {
            if (!IsFree(i) || atoms_[i].Element != 7)
                continue;
            std::vector<int> oxygens;
            for (int j : Neighbours(i))
                if (IsTerminal(j, 8))
                    oxygens.push_back(j);
            if (oxygens.size() == 2)
                Assign(NO2, {i, oxygens[0], oxygens[1]});
        }
        // Sulfonate anions: S(=O)(=O)[O-] (the acid and its esters stay SO2 with OH or O).
        for (int i = 0; i < n; ++i) {
            if (!IsFree(i) || atoms_[i].Element != 16 || atoms_[i].Aromatic)
                continue;
            const auto oxygens = TerminalNeighbours(i, 8, RDKit::Bond::DOUBLE);
            const auto anions = ChargedOxygens(i);
            if (oxygens.size() == 2 && !anions.empty())
                Assign(SO3, {i, oxygens[0], oxygens[1], anions[0]});
        }
        // Sulfonyl: S(=O)(=O), with the NH of a secondary sulfonamide when there is one.
        for (int i = 0; i < n; ++i) {
            if (!IsFree(i) || atoms_[i].Element != 16 || atoms_[i].Aromatic)
                continue;
            const auto oxygens = TerminalNeighbours(i, 8, RDKit::Bond::DOUBLE);
            if (oxygens.size() != 2)
                continue;
            int nitrogen = -1;
            for (int j : Neighbours(i))
                if (nitrogen < 0 && IsAmideNitrogen(j, 1))
                    nitrogen = j;
            if (nitrogen >= 0)
                Assign(SO2NH, {i, oxygens[0], oxygens[1], nitrogen});
            else
                Assign(SO2, {i, oxygens[0], oxygens[1]});
        }
        // Carboxylic acids, then esters (the carbonyl carbon and the single-bonded O).
        for (int i = 0; i < n; ++i) {
            if (!IsFreeCarbon(i, 0))
                continue;
            const int carbonyl = CarbonylOxygen(i);
            if (carbonyl < 0)
                continue;
            for (int j : Neighbours(i)) {
                const HeavyAtom& o = atoms_[j];
                if (IsFree(j) && o.Element == 8 && o.Charge == 0 && o.HeavyDegree == 1 &&
                    o.Hydrogens == 1 && BondBetween(i, j) == RDKit::Bond::SINGLE) {
                    Assign(COOH, {i, carbonyl, j});
                    break;
                }
            }
        }
        for (int i = 0; i < n; ++i) {
            if (!IsFreeCarbon(i, 0))
                continue;
            const int carbonyl = CarbonylOxygen(i);
            if (carbonyl < 0)
                continue;
            for (int j : Neighbours(i)) {
                if (IsEtherOxygen(j)) {
                    Assign(COO, {i, carbonyl, j});
                    break;
                }
            }
        }
        // Carboxylate anions, C(=O)[O-].
        for (int i = 0; i < n; ++i) {
            if (!IsFreeCarbon(i, 0))
                continue;
            const int carbonyl = CarbonylOxygen(i);
            const auto anions = ChargedOxygens(i);
            if (carbonyl >= 0 && !anions.empty())
                Assign(COOminus, {i, carbonyl, anions[0]});
        }
        // Amides: primary C(=O)NH2, then secondary C(=O)NH (a urea takes one of its NH).
        MatchAmides(2, CONH2);
        MatchAmides(1, CONH);
        // Aldehydes, then the remaining carbonyls (ketones, tertiary amides, ring C=O).
        for (int i = 0; i < n; ++i) {
            if (!IsFreeCarbon(i, 1))
                continue;
            const int carbonyl = CarbonylOxygen(i);
            if (carbonyl >= 0)
                Assign(CHO, {i, carbonyl});
        }
        for (int i = 0; i < n; ++i) {
            const HeavyAtom& a = atoms_[i];
            if (!IsFree(i) || a.Element != 6 || a.Hydrogens != 0 || a.Charge != 0)
                continue;
            const int carbonyl = CarbonylOxygen(i);
            if (carbonyl >= 0)
                Assign(CO, {i, carbonyl});
        }
        // Thiocarbonyls: C=S of thioketones, thioamides, thioureas.
        for (int i = 0; i < n; ++i) {
            const HeavyAtom& a = atoms_[i];
            if (!IsFree(i) || a.Element != 6 || a.Aromatic || a.Charge != 0)
                continue;
            const auto sulfurs = TerminalNeighbours(i, 16, RDKit::Bond::DOUBLE);
            if (!sulfurs.empty())
                Assign(CS, {i, sulfurs[0]});
        }
        // Sulfoxides and sulfinyl groups: an S with one S=O that is no sulfonyl.
        for (int i = 0; i < n; ++i) {
            if (!IsFree(i) || atoms_[i].Element != 16 || atoms_[i].Aromatic)
                continue;
            const auto oxygens = TerminalNeighbours(i, 8, RDKit::Bond::DOUBLE);
            if (oxygens.size() == 1)
                Assign(SO, {i, oxygens[0]});
        }
        // Disulfides: two singly bonded S without hydrogen bonded to each other.
        for (int i = 0; i < n; ++i) {
            if (!IsSulfideSulfur(i))
                continue;
            for (int j : Neighbours(i)) {
                if (IsSulfideSulfur(j)) {
                    Assign(SS, {i, j});
                    break;
                }
            }
        }
        // Phosphoryl groups P=O with the oxygens singly bonded to P: phosphates (three),
        // phosphonates (two), other phosphoryls (phosphine oxides, phosphinates: PO with
        // their OH or O typed alone).
        for (int i = 0; i < n; ++i) {
            if (!IsFree(i) || atoms_[i].Element != 15)
                continue;
            const auto oxo = TerminalNeighbours(i, 8, RDKit::Bond::DOUBLE);
            if (oxo.size() != 1)
                continue;
            std::vector<int> singles;
            for (int j : Neighbours(i)) {
                const HeavyAtom& o = atoms_[j];
                if (IsFree(j) && o.Element == 8 && !o.Aromatic && o.Charge <= 0 && o.Charge >= -1 &&
                    BondBetween(i, j) == RDKit::Bond::SINGLE)
                    singles.push_back(j);
            }
            if (singles.size() == 3)
                Assign(PO4, {i, oxo[0], singles[0], singles[1], singles[2]});
            else if (singles.size() == 2)
                Assign(PO3, {i, oxo[0], singles[0], singles[1]});
            else
                Assign(PO, {i, oxo[0]});
        }
        // Nitriles.
        for (int i = 0; i < n; ++i) {
            if (!IsFreeCarbon(i, 0))
                continue;
            const auto nitrogens = TerminalNeighbours(i, 7, RDKit::Bond::TRIPLE);
            if (!nitrogens.empty() && atoms_[nitrogens[0]].Charge == 0)
                Assign(CN, {i, nitrogens[0]});
        }
        // Trifluoromethyl.
        for (int i = 0; i < n; ++i) {
            if (!IsSaturatedCarbon(i, 0))
                continue;
            const auto fluorines = TerminalNeighbours(i, 9, RDKit::Bond::SINGLE);
            if (fluorines.size() == 3)
                Assign(CF3, {i, fluorines[0], fluorines[1], fluorines[2]});
        }
        // N-oxides and nitroso groups: N with one terminal O carrying no hydrogen.
        for (int i = 0; i < n; ++i) {
            if (!IsFree(i) || atoms_[i].Element != 7)
                continue;
            for (int j : Neighbours(i)) {
                if (IsTerminal(j, 8)) {
                    Assign(NO, {i, j});
                    break;
                }
            }
        }
        // Methoxy and ethoxy: the ether O with its methyl, or with its ethyl.
        for (int i = 0; i < n; ++i) {
            if (!IsEtherOxygen(i))
                continue;
            for (int j : Neighbours(i)) {
                if (IsSaturatedCarbon(j, 3)) {
                    Assign(OCH3, {i, j});
                    break;
                }
            }
        }
        for (int i = 0; i < n; ++i) {
            if (!IsEtherOxygen(i))
                continue;
            for (int j : Neighbours(i)) {
                const int methyl = MethylOf(j);
                if (methyl >= 0) {
                    Assign(C2H5O, {i, j, methyl});
                    break;
                }
            }
        }
        // Ethyl: a methylene bonded to a methyl.
        for (int i = 0; i < n; ++i) {
            const int methyl = MethylOf(i);
            if (methyl >= 0)
                Assign(C2H5, {i, methyl});
        }
    }

    /// The free terminal O- atoms singly bonded to atom i (of a carboxylate, a sulfonate).
    std::vector<int> ChargedOxygens(int i) const {
        std::vector<int> result;
        for (int j : Neighbours(i))
            if (IsTerminal(j, 8) && atoms_[j].Charge == -1 &&
                BondBetween(i, j) == RDKit::Bond::SINGLE)
                result.push_back(j);
        return result;
    }

    /// A free, neutral, non-aromatic S without hydrogen bonded by two single bonds.
    bool IsSulfideSulfur(int i) const {
        const HeavyAtom& a = atoms_[i];
        return IsFree(i) && a.Element == 16 && !a.Aromatic && a.Charge == 0 && a.Hydrogens == 0 &&
               a.HeavyDegree == 2 && a.DoubleBonds == 0 && a.TripleBonds == 0;
    }

    /// When i is a free CH2 of a chain bonded to a free CH3, that methyl; otherwise -1.
    int MethylOf(int i) const {
        if (!IsSaturatedCarbon(i, 2) || atoms_[i].HeavyDegree != 2)
            return -1;
        for (int j : Neighbours(i))
            if (IsSaturatedCarbon(j, 3) && atoms_[j].HeavyDegree == 1)
                return j;
        return -1;
    }

    void MatchAmides(int hydrogens, int fragment) {
        const int n = static_cast<int>(atoms_.size());
        for (int i = 0; i < n; ++i) {
            if (!IsFreeCarbon(i, 0))
                continue;
            const int carbonyl = CarbonylOxygen(i);
            if (carbonyl < 0)
                continue;
            for (int j : Neighbours(i)) {
                if (IsAmideNitrogen(j, hydrogens)) {
                    Assign(fragment, {i, carbonyl, j});
                    break;
                }
            }
        }
    }

    /// The fragment of an atom no group took, from its element, hydrogens and bonding;
    /// Unassigned when none fits.
    int AtomType(const HeavyAtom& a) const {
        const bool multiple = a.DoubleBonds > 0 || a.TripleBonds > 0;
        switch (a.Element) {
        case 6:
            if (a.Charge != 0)
                return kUnassigned;
            if (a.Aromatic)
                return a.Hydrogens == 0 ? Car : a.Hydrogens == 1 ? CHar : kUnassigned;
            if (a.TripleBonds > 0)
                return a.Hydrogens == 0 ? Ctb : a.Hydrogens == 1 ? CHtb : kUnassigned;
            if (a.DoubleBonds > 0) {
                static constexpr int kByHydrogens[] = {Cdb, CHdb, CH2db};
                return a.Hydrogens <= 2 ? kByHydrogens[a.Hydrogens] : kUnassigned;
            }
            {
                static constexpr int kByHydrogens[] = {C, CH, CH2, CH3, CH4};
                return a.Hydrogens <= 4 ? kByHydrogens[a.Hydrogens] : kUnassigned;
            }
        case 7:
            if (a.Charge > 0)
                return a.Charge == 1 ? Nplus : kUnassigned;
            // A negative N (the end of an azide) is typed by its bonding like a neutral one.
            if (a.Aromatic)
                return a.Hydrogens == 0 ? Nar : a.Hydrogens == 1 ? NHar : kUnassigned;
            if (a.TripleBonds > 0)
                return kUnassigned;
            if (a.DoubleBonds > 0)
                return Ndb;
            {
                static constexpr int kByHydrogens[] = {Natom, NH, NH2};
                return a.Hydrogens <= 2 ? kByHydrogens[a.Hydrogens] : kUnassigned;
            }
        case 8:
            if (a.Charge != 0 || multiple)
                return kUnassigned;
            if (a.Aromatic)
                return a.Hydrogens == 0 ? Oar : kUnassigned;
            if (a.Hydrogens == 1 && a.HeavyDegree == 1)
                return OH;
            return a.Hydrogens == 0 && a.HeavyDegree == 2 ? Oatom : kUnassigned;
        case 16:
            if (a.Charge == 0 && a.Hydrogens == 1 && !a.Aromatic && !multiple)
                return SH;
            if (a.Charge != 0 || a.Hydrogens != 0)
                return kUnassigned;
            if (a.Aromatic)
                return Sar;
            return multiple ? kUnassigned : Satom;
        case 9:
        case 17:
        case 35:
        case 53:
            if (a.Charge != 0 || a.Hydrogens != 0 || a.HeavyDegree != 1)
                return kUnassigned;
            return a.Element == 9 ? F : a.Element == 17 ? Cl : a.Element == 35 ? Br : I;
        case 15:
            return a.Charge == 0 && !multiple && !a.Aromatic ? Patom : kUnassigned;
        default:
            return kUnassigned;
        }
    }

    /// Every atom no group took gets its type, else its element's own fragment, so that
    /// no molecule is left out for want of a fragment.
    void TypeRemainingAtoms() {
        const int n = static_cast<int>(atoms_.size());
        for (int i = 0; i < n; ++i) {
            const HeavyAtom& a = atoms_[i];
            const bool loneHydrogen = a.Element == 1 && a.HeavyDegree == 0;
            if ((!IsHeavy(i) && !loneHydrogen) || a.Owner != kUnassigned)
                continue;
            int fragment = loneHydrogen ? kUnassigned : AtomType(a);
            if (fragment == kUnassigned) {
                if (a.Element < 1 || a.Element > kLastElement)
                    Fail(i);
                fragment = FragmentCount + a.Element - 1;
            }
            Assign(fragment, {i});
        }
    }

    [[noreturn]] void Fail(int i) const {
        throw MoleculeProblem("no fragment for atom " + std::to_string(i + 1) + " (" +
                              atoms_[i].Atom->getSymbol() + ")");
    }

    FragmentShares Sum() const {
        // Masses and atoms are summed occurrence by occurrence, in the order found.
        const int columns = FragmentCount + kLastElement;
        std::vector<double> mass(columns, 0.0);
        std::vector<int> count(columns, 0);
        double totalMass = 0;
        int totalAtoms = 0;
        for (const Occurrence& occurrence : occurrences_) {
            for (int i : occurrence.Members) {
                mass[occurrence.Fragment] += atoms_[i].Mass;
                count[occurrence.Fragment] += 1 + atoms_[i].Hydrogens;
            }
        }
        for (int f = 0; f < columns; ++f) {
            totalMass += mass[f];
            totalAtoms += count[f];
        }
        if (totalAtoms == 0)
            throw MoleculeProblem("no heavy atom");
        FragmentShares shares;
        shares.AtomCount = totalAtoms;
        shares.MassPercent.resize(columns);
        shares.AtomPercent.resize(columns);
        for (int f = 0; f < columns; ++f) {
            shares.MassPercent[f] = 100.0 * mass[f] / totalMass;
            shares.AtomPercent[f] = 100.0 * count[f] / totalAtoms;
        }
        return shares;
    }

    struct Occurrence {
        int Fragment;
        std::vector<int> Members;
    };

    const RDKit::ROMol& mol_;
    std::vector<HeavyAtom> atoms_;
    std::vector<Occurrence> occurrences_;
};

} // namespace

const std::vector<std::string>& FragmentNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all(kNames.begin(), kNames.end());
        const RDKit::PeriodicTable* table = RDKit::PeriodicTable::getTable();
        for (int element = 1; element <= kLastElement; ++element) {
            const std::string symbol = table->getElementSymbol(static_cast<unsigned>(element));
            all.push_back(HasNamedFragments(element) ? symbol + "other" : symbol);
        }
        return all;
    }();
    return names;
}

FragmentShares ShareIntoFragments(const RDKit::ROMol& mol) {
    return Partition(mol).Share();
}

} // namespace kalemir::tables
