#include "tables/Descriptors3D.h"

#include "tables/Conformer.h"

#include <GraphMol/Conformer.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/RWMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace kalemir::tables {
namespace {

double Column(const std::vector<double>& values, const std::string& name) {
    const std::vector<std::string>& names = Descriptor3DNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            return values.at(i);
        }
    }
    ADD_FAILURE() << "no column " << name;
    return NAN;
}

// Methane as a regular tetrahedron: C at the origin, each H at distance d = 1.09 A on a
// cube diagonal. By hand, with m_H = 1.008 and m_C = 12.011: every axis has the moment
// 4 m_H d^2 - m_H (4 d^2 / 3) = (8/3) m_H d^2 = 3.19308 amu A^2, so both moment ratios are
// 1, the molecule is a sphere (spherocity 1, asphericity 0, eccentricity 0), and the
// radius of gyration is sqrt(4 m_H d^2 / (m_C + 4 m_H)) = 0.545212 A.
TEST(Descriptors3D, RegularTetrahedronWorkedByHand) {
    std::unique_ptr<RDKit::RWMol> methane(RDKit::SmilesToMol("C"));
    RDKit::MolOps::addHs(*methane);
    const double d = 1.09;
    const double a = d / std::sqrt(3.0);
    auto* conformer = new RDKit::Conformer(5);
    conformer->setAtomPos(0, {0, 0, 0});
    conformer->setAtomPos(1, {a, a, a});
    conformer->setAtomPos(2, {a, -a, -a});
    conformer->setAtomPos(3, {-a, a, -a});
    conformer->setAtomPos(4, {-a, -a, a});
    conformer->set3D(true);
    methane->addConformer(conformer, true);

    const std::vector<double> values = ComputeDescriptors3D(*methane);
    ASSERT_EQ(values.size(), Descriptor3DNames().size());
    const double moment = 8.0 / 3.0 * 1.008 * d * d;
    for (const char* name : {"PMI1", "PMI2", "PMI3"}) {
        EXPECT_NEAR(Column(values, name), moment, 1e-3) << name;
    }
    EXPECT_NEAR(Column(values, "NPR1"), 1, 1e-9);
    EXPECT_NEAR(Column(values, "NPR2"), 1, 1e-9);
    EXPECT_NEAR(Column(values, "SpherocityIndex"), 1, 1e-9);
    EXPECT_NEAR(Column(values, "Asphericity"), 0, 1e-9);
    EXPECT_NEAR(Column(values, "Eccentricity"), 0, 1e-6);
    EXPECT_NEAR(Column(values, "RadiusOfGyration"),
                std::sqrt(4 * 1.008 * d * d / (12.011 + 4 * 1.008)), 1e-3);
}

// The families give as many values as they have names, in order, for a molecule of the
// kind the tables hold, and the same values on a second call.
TEST(Descriptors3D, EveryColumnHasItsValue) {
    const std::vector<std::string>& names = Descriptor3DNames();
    ASSERT_EQ(names.size(), 11u + 114 + 210 + 224 + 80);
    EXPECT_EQ(names[11], "WHIM1");
    EXPECT_EQ(names.back(), "AUTOCORR3D80");
    const std::unique_ptr<RDKit::RWMol> diazepam(
        RDKit::SmilesToMol("CN1C(=O)CN=C(c2ccccc2)c2cc(Cl)ccc21"));
    const auto conformer = MakeConformer(*diazepam, false, 42);
    const std::vector<double> values = ComputeDescriptors3D(*conformer);
    ASSERT_EQ(values.size(), names.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_TRUE(std::isfinite(values[i])) << names[i];
    }
    EXPECT_EQ(ComputeDescriptors3D(*conformer), values);
}

} // namespace
} // namespace kalemir::tables
