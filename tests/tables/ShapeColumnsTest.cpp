#include "tables/ShapeColumns.h"

#include "tables/Conformer.h"
#include "tables/MoleculeProblem.h"

#include <GraphMol/FileParsers/MolSupplier.h>
#include <GraphMol/RWMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>

namespace kalemir::tables {
namespace {

std::unique_ptr<RDKit::RWMol> FromSmiles(const std::string& smiles) {
    return std::unique_ptr<RDKit::RWMol>(RDKit::SmilesToMol(smiles));
}

struct ComplexityCase {
    const char* name;
    const char* smiles;
    double bertz;
};

class BertzTest : public ::testing::TestWithParam<ComplexityCase> {};

TEST_P(BertzTest, WorkedByHand) {
    EXPECT_NEAR(BertzComplexity(*FromSmiles(GetParam().smiles)), GetParam().bertz, 1e-6);
}

// Worked by hand from Bertz's definition, H(c) = -sum p log2 p over counts c:
//   ethane: one bond, no pair of adjacent bonds, one atom type: 0.
//   ethanol: types C, C, O: 3 * H(2, 1) = 2.754888; its one connection (C-C-O) adds
//     1 * (H(1) + log2 1) = 0.
//   acetic acid: the methyl C and the OH oxygen share a distance row (0, 1, 1.5, 2 with
//     C=O counting 1/2), so the classes are {CH3, OH}, {C}, {=O}; connections
//     (CH3|OH)-C-(=O) 1*2 + 2*1 = 4, (CH3|OH)-C-(CH3|OH) 1, the C=O bond 2*1/2 = 1: total 6;
//     6 * (H(4, 1, 1) + log2 6) + 4 * H(2, 2) = 23.019550 + 4 = 27.019550.
//   benzene: one class; aromatic bonds 1.5: six bonds 1.5*0.5/2 = 2.25 in all, six pairs
//     1.5*1.5 = 13.5; 15.75 * (H(2.25, 13.5) + log2 15.75) = 71.961005.
INSTANTIATE_TEST_SUITE_P(SmallMolecules, BertzTest,
                         ::testing::Values(ComplexityCase{"ethane", "CC", 0},
                                           ComplexityCase{"ethanol", "CCO", 2.754888},
                                           ComplexityCase{"acetic_acid", "CC(=O)O", 27.019550},
                                           ComplexityCase{"benzene", "c1ccccc1", 71.961005}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MolecularVolume, SingleAtomIsItsVanDerWaalsSphere) {
    // Argon, van der Waals radius 1.88 A: 4/3 pi 1.88^3 = 27.833 A^3; the 0.2 A grid
    // counts 27.448 A^3 (points on the sphere's boundary fall outside), within 2 %. A
    // scaled radius (0.8, say) would give half the volume.
    const auto argon = MakeConformer(*FromSmiles("[Ar]"), false, 1);
    const double sphere = 4.0 / 3.0 * std::numbers::pi * 1.88 * 1.88 * 1.88;
    EXPECT_NEAR(MolecularVolume(*argon), sphere, 0.02 * sphere);
}

TEST(MolecularVolume, OverlappingAtomsCountOnce) {
    // Two carbons 1.54 A apart with hydrogens fill less than the sum of their spheres.
    const auto ethane = MakeConformer(*FromSmiles("CC"), false, 1);
    const double spheres =
        4.0 / 3.0 * std::numbers::pi * (2 * std::pow(1.7, 3) + 6 * std::pow(1.2, 3));
    const double volume = MolecularVolume(*ethane);
    EXPECT_LT(volume, 0.8 * spheres);
    EXPECT_GT(volume, 4.0 / 3.0 * std::numbers::pi * std::pow(1.7, 3));
}

TEST(SimilarityColumns, FewerThanFourHeavyAtomsRefused) {
    const auto ethanol = MakeConformer(*FromSmiles("CCO"), false, 1);
    EXPECT_THROW(ComputeSimilarityColumns(*ethanol), MoleculeProblem);
}

TEST(SimilarityColumns, AgreeWithTheExampleTableForItsFirstMolecule) {
    // The example similarity table's row for the first molecule of the aligned set,
    // computed from its SD coordinates with hydrogens added.
    const std::string file = "/usr/share/RDKit/Projects/DbCLI/testData/bzr.sdf";
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << file << " is not installed";
    RDKit::SDMolSupplier supplier(file);
    const std::unique_ptr<RDKit::ROMol> first(supplier.next());
    const auto mol = MakeConformer(*first, true, 1);
    const SimilarityColumns c = ComputeSimilarityColumns(*mol);
    const double usr[12] = {3.37484, 1.29587, 0.581775,  3.46852, 1.58209, -0.180681,
                            6.29085, 2.71234, -0.802066, 5.7057,  2.74879, -0.681151};
    for (int i = 0; i < 12; ++i)
        EXPECT_NEAR(c.Usr[i], usr[i], 5e-6 * std::fabs(usr[i])) << i;
    EXPECT_NEAR(c.NprSum, 2.24707, 5e-6);
    EXPECT_NEAR(c.Pmi3, 4090, 5e-3);
    EXPECT_NEAR(c.Pmi2, 3243.97, 5e-3);
    EXPECT_NEAR(c.Pmi1, 1856.56, 5e-3);
    EXPECT_NEAR(c.Volume, 311.784, 5e-4);
    EXPECT_NEAR(c.Tpsa, 46.31, 1e-9);
    EXPECT_EQ(c.Hbda, 5);
    EXPECT_NEAR(c.PhiFlex, 4.11077, 5e-6);
    EXPECT_EQ(c.AtomCount, 43);
    EXPECT_NEAR(c.BertzCt, 943.703, 5e-4);
    EXPECT_EQ(HeavyAtomCoordinates(*mol).size(), 25u);
    EXPECT_EQ(HeavyAtomCoordinates(*mol)[0][0], first->getConformer().getAtomPos(0).x);
}

} // namespace
} // namespace kalemir::tables
