#include "tables/Conformer.h"

#include "tables/MoleculeProblem.h"

#include <GraphMol/Conformer.h>
#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/RWMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace kalemir::tables {
namespace {

std::unique_ptr<RDKit::RWMol> FromSmiles(const std::string& smiles) {
    return std::unique_ptr<RDKit::RWMol>(RDKit::SmilesToMol(smiles));
}

std::unique_ptr<RDKit::RWMol> FromMolBlock(const std::string& block) {
    return std::unique_ptr<RDKit::RWMol>(RDKit::MolBlockToMol(block));
}

// Ethanol's heavy atoms in an arbitrary frame, as an aligned SD file gives them.
const char* const EthanolBlock = R"(ethanol
     Kalemir        3D

  3  2  0  0  0  0  0  0  0  0999 V2000
    3.1000   -2.0000    1.5000 C   0  0  0  0  0  0  0  0  0  0  0  0
    4.6200   -2.0000    1.5000 C   0  0  0  0  0  0  0  0  0  0  0  0
    5.1300   -0.6600    1.7500 O   0  0  0  0  0  0  0  0  0  0  0  0
  1  2  1  0
  2  3  1  0
M  END
)";

// Diazepam: a fused ring system with substituents, the kind of molecule the tables hold.
const char* const Diazepam = "CN1C(=O)CN=C(c2ccccc2)c2cc(Cl)ccc21";

std::vector<RDGeom::Point3D> Positions(const RDKit::ROMol& mol) {
    return mol.getConformer().getPositions();
}

TEST(Conformer, InputCoordinatesKeptExactlyAndHydrogensPlacedAroundThem) {
    const auto input = FromMolBlock(EthanolBlock);
    const auto mol = MakeConformer(*input, true, 7);
    ASSERT_EQ(mol->getNumAtoms(), 9u);
    const auto& given = input->getConformer();
    const auto& made = mol->getConformer();
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(made.getAtomPos(i).x, given.getAtomPos(i).x);
        EXPECT_EQ(made.getAtomPos(i).y, given.getAtomPos(i).y);
        EXPECT_EQ(made.getAtomPos(i).z, given.getAtomPos(i).z);
    }
    for (unsigned i = 3; i < 9; ++i) {
        const RDKit::Atom* h = mol->getAtomWithIdx(i);
        ASSERT_EQ(h->getAtomicNum(), 1);
        const RDKit::Atom* heavy = *mol->atomNeighbors(h).begin();
        const double length = (made.getAtomPos(i) - made.getAtomPos(heavy->getIdx())).length();
        EXPECT_GT(length, 0.9);
        EXPECT_LT(length, 1.2);
    }
}

TEST(Conformer, SameSeedSameCoordinatesOnAnyThread) {
    const auto input = FromSmiles(Diazepam);
    const auto first = Positions(*MakeConformer(*input, false, 42));
    auto second = Positions(*MakeConformer(*input, false, 42));
    std::vector<RDGeom::Point3D> fromThreads[2];
    std::thread a([&] { fromThreads[0] = Positions(*MakeConformer(*input, false, 42)); });
    std::thread b([&] { fromThreads[1] = Positions(*MakeConformer(*input, false, 42)); });
    a.join();
    b.join();
    ASSERT_EQ(first.size(), input->getNumAtoms() + 13u); // C16H13ClN2O
    for (const auto* other : {&second, &fromThreads[0], &fromThreads[1]}) {
        ASSERT_EQ(other->size(), first.size());
        for (std::size_t i = 0; i < first.size(); ++i) {
            EXPECT_EQ((*other)[i].x, first[i].x);
            EXPECT_EQ((*other)[i].y, first[i].y);
            EXPECT_EQ((*other)[i].z, first[i].z);
        }
    }
}

TEST(Conformer, EmbeddedMoleculeLiesInItsPrincipalAxesFrame) {
    const auto mol = MakeConformer(*FromSmiles(Diazepam), false, 1);
    const auto& conf = mol->getConformer();
    double mass = 0;
    std::array<double, 3> centre{};
    std::array<std::array<double, 3>, 3> inertia{};
    for (const RDKit::Atom* atom : mol->atoms()) {
        if (atom->getAtomicNum() == 1)
            continue;
        const auto& p = conf.getAtomPos(atom->getIdx());
        const double m = atom->getMass();
        const double r[3] = {p.x, p.y, p.z};
        mass += m;
        for (int i = 0; i < 3; ++i) {
            centre[i] += m * r[i];
            for (int j = 0; j < 3; ++j)
                inertia[i][j] +=
                    m * ((i == j ? r[0] * r[0] + r[1] * r[1] + r[2] * r[2] : 0) - r[i] * r[j]);
        }
    }
    const double scale = inertia[0][0] + inertia[1][1] + inertia[2][2];
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(centre[i] / mass, 0, 1e-9);
    EXPECT_NEAR(inertia[0][1] / scale, 0, 1e-9);
    EXPECT_NEAR(inertia[0][2] / scale, 0, 1e-9);
    EXPECT_NEAR(inertia[1][2] / scale, 0, 1e-9);
    // x carries the smallest moment (the long axis), z the largest.
    EXPECT_LT(inertia[0][0], inertia[1][1]);
    EXPECT_LT(inertia[1][1], inertia[2][2]);
}

TEST(Conformer, FrameKeepsTheStereocentre) {
    // L-alanine is (S); a reflection into the frame would turn it into (R).
    const auto input = FromSmiles("C[C@H](N)C(=O)O");
    RDKit::MolOps::assignStereochemistry(*input, true, true);
    const auto mol = MakeConformer(*input, false, 3);
    RDKit::MolOps::assignChiralTypesFrom3D(*mol, -1, true);
    RDKit::MolOps::assignStereochemistry(*mol, true, true);
    EXPECT_EQ(mol->getAtomWithIdx(1)->getProp<std::string>("_CIPCode"), "S");
}

TEST(Conformer, MoreThanOneHundredHeavyAtomsRefused) {
    const auto chain = FromSmiles(std::string(101, 'C'));
    try {
        MakeConformer(*chain, false, 1);
        FAIL() << "no problem reported";
    } catch (const MoleculeProblem& problem) {
        EXPECT_STREQ(problem.what(), "more than 100 heavy atoms (101)");
    }
}

struct TimeLimitCase {
    const char* name;
    const char* smiles;
    double seconds;
    const char* reason;
};

// The limit covers the whole embedding: a limit already past when the embedder starts its
// first try stops even ethanol; the fullerene, whose tries take some 20 s on one thread,
// stops at its 1 s and the run goes on.
TEST(Conformer, EmbeddingPastItsTimeLimitIsStopped) {
    const TimeLimitCase cases[] = {
        {"limit past at once", "CCO", 1e-9, "embedding took longer than 0.000000001 s"},
        {"fullerene",
         "C12=C3C4=C5C6=C1C7=C8C9=C1C%10=C%11C(=C29)C3=C2C3=C4C4=C5C5=C9C6=C7C6=C7C8=C1C1=C8C%10="
         "C%10C%11=C2C2=C3C3=C4C4=C5C5=C%11C%12=C(C6=C95)C7=C1C1=C%12C5=C%11C4=C3C3=C5C(=C81)C%"
         "10=C23",
         1, "embedding took longer than 1 s"},
    };
    for (const TimeLimitCase& c : cases) {
        const auto input = FromSmiles(c.smiles);
        ASSERT_NE(input, nullptr) << c.name;
        try {
            MakeConformer(*input, false, 42, c.seconds);
            ADD_FAILURE() << c.name << ": embedded";
        } catch (const MoleculeProblem& problem) {
            EXPECT_STREQ(problem.what(), c.reason) << c.name;
        }
    }
    // The thread's next molecule has its own time.
    EXPECT_EQ(MakeConformer(*FromSmiles("CCO"), false, 42, 10)->getNumConformers(), 1u);
}

struct CoordinatesCase {
    const char* name;
    std::string block;
    bool threeDimensional;
};

class ThreeDimensionalTest : public ::testing::TestWithParam<CoordinatesCase> {};

TEST_P(ThreeDimensionalTest, NeedsAThreeDimensionalConformerWithSomeZ) {
    const CoordinatesCase& c = GetParam();
    const auto mol = c.block.empty() ? FromSmiles("CCO") : FromMolBlock(c.block);
    EXPECT_EQ(HasThreeDimensionalCoordinates(*mol), c.threeDimensional);
}

std::string Flat(const std::string& dimension) {
    return "flat\n     Kalemir        " + dimension + R"(

  2  1  0  0  0  0  0  0  0  0999 V2000
    0.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0
    1.5000    0.0000    0.0000 O   0  0  0  0  0  0  0  0  0  0  0  0
  1  2  1  0
M  END
)";
}

INSTANTIATE_TEST_SUITE_P(Inputs, ThreeDimensionalTest,
                         ::testing::Values(CoordinatesCase{"smiles", "", false},
                                           CoordinatesCase{"sd_2d", Flat("2D"), false},
                                           CoordinatesCase{"sd_3d_all_z_zero", Flat("3D"), false},
                                           CoordinatesCase{"sd_3d", EthanolBlock, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kalemir::tables
