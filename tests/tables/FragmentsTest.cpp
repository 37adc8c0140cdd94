#include "tables/Fragments.h"

#include "tables/MoleculeProblem.h"

#include <GraphMol/MolOps.h>
#include <GraphMol/RWMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace kalemir::tables {
namespace {

std::unique_ptr<RDKit::RWMol> FromSmiles(const std::string& smiles) {
    return std::unique_ptr<RDKit::RWMol>(RDKit::SmilesToMol(smiles));
}

int FragmentIndex(const std::string& name) {
    const auto& names = FragmentNames();
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

struct Share {
    const char* fragment;
    double massPercent;
    double atomPercent;
};

struct PartitionCase {
    const char* name;
    const char* smiles;
    int atomCount;
    std::vector<Share> shares; // every other fragment is 0
};

void PrintTo(const PartitionCase& c, std::ostream* os) {
    *os << c.name;
}

class PartitionTest : public ::testing::TestWithParam<PartitionCase> {};

void ExpectShares(const FragmentShares& got, const PartitionCase& c) {
    ASSERT_EQ(got.MassPercent.size(), FragmentNames().size());
    EXPECT_EQ(got.AtomCount, c.atomCount);
    std::vector<double> mass(FragmentNames().size(), 0.0);
    std::vector<double> atoms(FragmentNames().size(), 0.0);
    for (const Share& s : c.shares) {
        const int f = FragmentIndex(s.fragment);
        ASSERT_GE(f, 0) << s.fragment;
        mass[f] = s.massPercent;
        atoms[f] = s.atomPercent;
    }
    double sum = 0;
    for (std::size_t f = 0; f < mass.size(); ++f) {
        EXPECT_NEAR(got.MassPercent[f], mass[f], 5e-6) << FragmentNames()[f];
        EXPECT_NEAR(got.AtomPercent[f], atoms[f], 5e-6) << FragmentNames()[f];
        sum += got.MassPercent[f];
    }
    EXPECT_NEAR(sum, 100.0, 1e-9);
}

TEST_P(PartitionTest, SharesWorkedByHand) {
    const PartitionCase& c = GetParam();
    const auto mol = FromSmiles(c.smiles);
    ExpectShares(ShareIntoFragments(*mol), c);
}

TEST_P(PartitionTest, ExplicitHydrogenAtomsGoWithTheirHeavyAtom) {
    const PartitionCase& c = GetParam();
    const auto mol = FromSmiles(c.smiles);
    RDKit::MolOps::addHs(*mol);
    ExpectShares(ShareIntoFragments(*mol), c);
}

// Worked by hand with the toolkit's average atomic masses C 12.011, H 1.008, O 15.999,
// N 14.007, S 32.067; a fragment's atoms include its hydrogens.
//   ethanol CH3-CH2-OH: C2H5 (2 C + 5 H = 29.062, 7 atoms) + OH (17.007, 2 atoms);
//     total 46.069, 9 atoms: 29.062 / 46.069 = 63.0836 %, 7 / 9 = 77.7778 %.
//   acetic acid CH3-COOH: CH3 (15.035, 4 atoms) + COOH (12.011 + 2 * 15.999 + 1.008 =
//     45.017, 4 atoms); total 60.052: 25.0366 % and 74.9634 %, 50 % of the atoms each.
//   benzene: six CHar (13.019 each), all of the mass and of the 12 atoms.
//   N-methylbenzenesulfonamide CH3-NH-SO2-C6H5: CH3 (15.035, 4 atoms), SO2NH (32.067 +
//     31.998 + 14.007 + 1.008 = 79.080, 5 atoms), five CHar (65.095, 10 atoms), one Car
//     (12.011, 1 atom); total 171.221, 20 atoms.
//   benzenesulfonamide H2N-SO2-C6H5 (a primary sulfonamide: SO2 and NH2): SO2 (64.065,
//     3 atoms), NH2 (16.023, 3 atoms), CHar (65.095, 10), Car (12.011, 1); total 157.194.
//   nitrobenzene: NO2 (14.007 + 31.998 = 46.005, 3 atoms), five CHar (65.095, 10 atoms),
//     Car (12.011, 1 atom); total 123.111, 14 atoms.
//   ethyl acetate CH3-C(=O)-O-CH2-CH3: the ester group comes first, so COO (12.011 +
//     31.998 = 44.009, 3 atoms), CH3 (15.035, 4), C2H5 (29.062, 7); total 88.106.
//   methyl tert-butyl ether: OCH3 (15.999 + 15.035 = 31.034, 5 atoms), C (12.011, 1),
//     three CH3 (45.105, 12); total 88.150, 18 atoms.
//   diphenyl ether: Oatom (15.999, 1), ten CHar (130.19, 20), two Car (24.022, 2);
//     total 170.211, 23 atoms.
//   iodobenzene: I (126.904, 1), five CHar (65.095, 10), Car (12.011, 1); total 204.010,
//     12 atoms.
INSTANTIATE_TEST_SUITE_P(
    SmallMolecules, PartitionTest,
    ::testing::Values(
        PartitionCase{
            "ethanol", "CCO", 9, {{"C2H5", 63.083635, 77.777778}, {"OH", 36.916365, 22.222222}}},
        PartitionCase{
            "acetic_acid", "CC(=O)O", 8, {{"CH3", 25.036635, 50}, {"COOH", 74.963365, 50}}},
        PartitionCase{"benzene", "c1ccccc1", 12, {{"CHar", 100, 100}}},
        PartitionCase{"secondary_sulfonamide",
                      "CNS(=O)(=O)c1ccccc1",
                      20,
                      {{"CH3", 8.781049, 20},
                       {"SO2NH", 46.185923, 25},
                       {"CHar", 38.018117, 50},
                       {"Car", 7.014911, 5}}},
        PartitionCase{"primary_sulfonamide",
                      "NS(=O)(=O)c1ccccc1",
                      17,
                      {{"SO2", 40.755372, 17.647059},
                       {"NH2", 10.193137, 17.647059},
                       {"CHar", 41.410614, 58.823529},
                       {"Car", 7.640877, 5.882353}}},
        PartitionCase{"nitrobenzene",
                      "O=[N+]([O-])c1ccccc1",
                      14,
                      {{"NO2", 37.368716, 21.428571},
                       {"CHar", 52.875048, 71.428571},
                       {"Car", 9.756236, 7.142857}}},
        PartitionCase{"ethyl_acetate",
                      "CC(=O)OCC",
                      14,
                      {{"COO", 49.950060, 21.428571},
                       {"CH3", 17.064672, 28.571429},
                       {"C2H5", 32.985268, 50}}},
        PartitionCase{"methyl_tert_butyl_ether",
                      "COC(C)(C)C",
                      18,
                      {{"OCH3", 35.205899, 27.777778},
                       {"C", 13.625638, 5.555556},
                       {"CH3", 51.168463, 66.666667}}},
        PartitionCase{"diphenyl_ether",
                      "c1ccccc1Oc1ccccc1",
                      23,
                      {{"Oatom", 9.399510, 4.347826},
                       {"CHar", 76.487419, 86.956522},
                       {"Car", 14.113071, 8.695652}}},
        PartitionCase{"iodobenzene",
                      "Ic1ccccc1",
                      12,
                      {{"I", 62.204794, 8.333333},
                       {"CHar", 31.907750, 83.333333},
                       {"Car", 5.887456, 8.333333}}}),
    [](const ::testing::TestParamInfo<PartitionCase>& info) { return info.param.name; });

// The groups and element fragments for sulfur, phosphorus, silicon, boron, selenium,
// anions and atoms no named fragment fits, worked by hand with the masses above and
// P 30.974, Si 28.086, B 10.812, Se 78.960, Na 22.990, Sn 118.711:
//   ethanethiol: C2H5 (29.062, 7 atoms) + SH (33.075, 2); total 62.137, 9 atoms.
//   dimethyl disulfide: SS (64.134, 2) + 2 CH3 (30.070, 8); total 94.204.
//   thioacetamide CH3-C(=S)-NH2: CS (44.078, 2), CH3 (15.035, 4), NH2 (16.023, 3).
//   dimethyl sulfoxide: SO (48.066, 2) + 2 CH3 (30.070, 8); total 78.136.
//   methanesulfonate anion: SO3 (80.064, 4) + CH3 (15.035, 4); total 95.099.
//   trimethyl phosphate: PO4 (94.970, 5) + 3 CH3 (45.105, 12); total 140.075.
//   dimethyl methylphosphonate: PO3 (78.971, 4) + 3 CH3 (45.105, 12); total 124.076.
//   triphenylphosphine: Patom (30.974, 1), 15 CHar (195.285, 30), 3 Car (36.033, 3).
//   tetramethylsilane: Si (28.086, 1) + 4 CH3 (60.140, 16); total 88.226.
//   phenylboronic acid: B (10.812, 1), 2 OH (34.014, 4), 5 CHar (65.095, 10), Car.
//   dimethyl selenide: Se (78.960, 1) + 2 CH3 (30.070, 8); total 109.030.
//   sodium acetate as drawn: CH3 (15.035, 4), COOminus (44.009, 3), Na (22.990, 1).
//   methane: CH4 (16.043, 5 atoms), all of it.
//   carbon monoxide [C-]#[O+]: Cother (12.011, 1) + Oother (15.999, 1); total 28.010.
//   tetraethyltin: Sn (118.711, 1) + 4 C2H5 (116.248, 28); total 234.959, 29 atoms.
INSTANTIATE_TEST_SUITE_P(
    NewGroups, PartitionTest,
    ::testing::Values(
        PartitionCase{"ethanethiol",
                      "CCS",
                      9,
                      {{"C2H5", 46.770845, 77.777778}, {"SH", 53.229155, 22.222222}}},
        PartitionCase{
            "dimethyl_disulfide", "CSSC", 10, {{"SS", 68.079912, 20}, {"CH3", 31.920088, 80}}},
        PartitionCase{"thioacetamide",
                      "CC(N)=S",
                      9,
                      {{"CS", 58.664289, 22.222222},
                       {"CH3", 20.010381, 44.444444},
                       {"NH2", 21.325330, 33.333333}}},
        PartitionCase{
            "dimethyl_sulfoxide", "CS(C)=O", 10, {{"SO", 61.515819, 20}, {"CH3", 38.484181, 80}}},
        PartitionCase{"methanesulfonate",
                      "CS(=O)(=O)[O-]",
                      8,
                      {{"SO3", 84.190160, 50}, {"CH3", 15.809840, 50}}},
        PartitionCase{"trimethyl_phosphate",
                      "COP(=O)(OC)OC",
                      17,
                      {{"PO4", 67.799393, 29.411765}, {"CH3", 32.200607, 70.588235}}},
        PartitionCase{"dimethyl_methylphosphonate",
                      "COP(C)(=O)OC",
                      16,
                      {{"PO3", 63.647281, 25}, {"CH3", 36.352719, 75}}},
        PartitionCase{"triphenylphosphine",
                      "c1ccc(P(c2ccccc2)c2ccccc2)cc1",
                      34,
                      {{"Patom", 11.808976, 2.941176},
                       {"CHar", 74.453281, 88.235294},
                       {"Car", 13.737743, 8.823529}}},
        PartitionCase{"tetramethylsilane",
                      "C[Si](C)(C)C",
                      17,
                      {{"Si", 31.834153, 5.882353}, {"CH3", 68.165847, 94.117647}}},
        PartitionCase{"phenylboronic_acid",
                      "OB(O)c1ccccc1",
                      16,
                      {{"B", 8.867237, 6.25},
                       {"OH", 27.895876, 25},
                       {"CHar", 53.386314, 62.5},
                       {"Car", 9.850572, 6.25}}},
        PartitionCase{"dimethyl_selenide",
                      "C[Se]C",
                      9,
                      {{"Se", 72.420435, 11.111111}, {"CH3", 27.579565, 88.888889}}},
        PartitionCase{
            "sodium_acetate",
            "CC(=O)[O-].[Na+]",
            8,
            {{"CH3", 18.327767, 50}, {"COOminus", 53.647268, 37.5}, {"Na", 28.024965, 12.5}}},
        PartitionCase{"methane", "C", 5, {{"CH4", 100, 100}}},
        PartitionCase{"carbon_monoxide",
                      "[C-]#[O+]",
                      2,
                      {{"Cother", 42.881114, 50}, {"Oother", 57.118886, 50}}},
        PartitionCase{"tetraethyltin",
                      "CC[Sn](CC)(CC)CC",
                      29,
                      {{"Sn", 50.524134, 3.448276}, {"C2H5", 49.475866, 96.551724}}}),
    [](const ::testing::TestParamInfo<PartitionCase>& info) { return info.param.name; });

TEST(Fragments, MoleculeWithoutHeavyAtomHasNoShares) {
    const auto mol = FromSmiles("[H][H]");
    EXPECT_THROW(ShareIntoFragments(*mol), MoleculeProblem);
}

TEST(FragmentNames, ExampleColumnsFirstInTheirOrder) {
    const auto& names = FragmentNames();
    ASSERT_EQ(names.size(), 53u + 118u);
    EXPECT_EQ(names[0], "CH3");
    EXPECT_EQ(names[36], "Br");
    EXPECT_EQ(names[37], "SO2NH");
    // one per element after the named fragments, by atomic number
    EXPECT_EQ(names[53], "H");
    EXPECT_EQ(names[53 + 5], "Cother");
    EXPECT_EQ(names[53 + 10], "Na");
    for (const auto& name : names)
        EXPECT_LE(name.size(), 8u) << name;
}

} // namespace
} // namespace kalemir::tables
