#include "tables/Standardise.h"

#include "common/Errors.h"

#include <GraphMol/ROMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>
#include <gtest/gtest.h>

#include <memory>

namespace kalemir::tables {
namespace {

struct StandardCase {
    const char* name;
    const char* smiles;
    const char* parent; ///< canonical SMILES of the standardised molecule; "" = unchanged
    const char* changes;
};

void PrintTo(const StandardCase& c, std::ostream* os) {
    *os << c.name;
}

class StandardiseTest : public ::testing::TestWithParam<StandardCase> {};

TEST_P(StandardiseTest, ParentAndWordsForTheMap) {
    const StandardCase& c = GetParam();
    const std::unique_ptr<RDKit::ROMol> mol(RDKit::SmilesToMol(c.smiles));
    ASSERT_NE(mol, nullptr);
    const StandardParent parent = StandardiseMolecule(*mol, Standardisation::Parent);
    EXPECT_EQ(parent.changes, c.changes);
    EXPECT_EQ(parent.mol != nullptr ? RDKit::MolToSmiles(*parent.mol) : std::string(), c.parent);
    // Without standardisation every molecule stands as it is.
    const StandardParent none = StandardiseMolecule(*mol, Standardisation::None);
    EXPECT_EQ(none.mol, nullptr);
    EXPECT_EQ(none.changes, "unchanged");
}

// Salts as vendors record them, charged forms, and molecules that must stay as drawn (a
// nitro group, a sulfoxide, a quaternary ammonium betaine, which has no neutral form).
INSTANTIATE_TEST_SUITE_P(
    Molecules, StandardiseTest,
    ::testing::Values(
        StandardCase{"neutral", "CCO", "", "unchanged"},
        StandardCase{"nitro", "CC[N+](=O)[O-]", "", "unchanged"},
        StandardCase{"sulfoxide", "CS(C)=O", "", "unchanged"},
        StandardCase{"betaine", "C[N+](C)(C)CC(=O)[O-]", "", "unchanged"},
        StandardCase{"hydrochloride", "CCN.Cl", "CCN", "removed 1 fragment: hydrogen chloride"},
        StandardCase{"trifluoroacetate", "NCc1ccccc1.OC(=O)C(F)(F)F", "NCc1ccccc1",
                     "removed 1 fragment: trifluoroacetic acid"},
        StandardCase{"sodium_carboxylate", "CC(=O)[O-].[Na+]", "CC(=O)O",
                     "removed 1 fragment: sodium; neutralised 1 charge"},
        StandardCase{"zwitterion", "C[C@@H](C(=O)[O-])[NH3+]", "C[C@H](N)C(=O)O",
                     "neutralised 2 charges"},
        StandardCase{"dihydrochloride_hydrate", "CN1CCN(c2ccccc2)CC1.Cl.Cl.O",
                     "CN1CCN(c2ccccc2)CC1",
                     "removed 3 fragments: water, hydrogen chloride, hydrogen chloride"},
        StandardCase{"unnamed_counter_ion", "CCCCCCN.OC(=O)C(F)(F)C(F)(F)F", "CCCCCCN",
                     "removed 1 fragment: C3HF5O2"}),
    [](const ::testing::TestParamInfo<StandardCase>& info) { return info.param.name; });

TEST(Standardise, ChoicesByName) {
    EXPECT_EQ(StandardisationNamed("parent"), Standardisation::Parent);
    EXPECT_EQ(StandardisationNamed("none"), Standardisation::None);
    EXPECT_EQ(StandardisationNamed("tautomers"), Standardisation::Tautomers);
    EXPECT_THROW(StandardisationNamed("salts"), InputError);
}

// The canonical tautomer only when asked: 2-hydroxypyridine is drawn on purpose.
TEST(Standardise, TautomerOnlyWhenAsked) {
    const std::unique_ptr<RDKit::ROMol> mol(RDKit::SmilesToMol("Oc1ccccn1"));
    EXPECT_EQ(StandardiseMolecule(*mol, Standardisation::Parent).mol, nullptr);
    const StandardParent tautomer = StandardiseMolecule(*mol, Standardisation::Tautomers);
    ASSERT_NE(tautomer.mol, nullptr);
    EXPECT_EQ(RDKit::MolToSmiles(*tautomer.mol), "O=c1cccc[nH]1");
    EXPECT_EQ(tautomer.changes, "canonical tautomer");
}

} // namespace
} // namespace kalemir::tables
