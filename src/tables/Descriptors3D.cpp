#include "tables/Descriptors3D.h"

#include <RDGeneral/RDConfig.h>

#include <GraphMol/Descriptors/AUTOCORR3D.h>
#include <GraphMol/Descriptors/MORSE.h>
#include <GraphMol/Descriptors/PBF.h>
#include <GraphMol/Descriptors/PMI.h>
#include <GraphMol/Descriptors/RDF.h>
#include <GraphMol/Descriptors/WHIM.h>
#include <GraphMol/ROMol.h>

#include <cassert>

namespace kalemir::tables {
namespace {

/// The single-valued shape columns, in the order they are computed.
const char* const kShapeIndexNames[] = {"PMI1",
                                        "PMI2",
                                        "PMI3",
                                        "NPR1",
                                        "NPR2",
                                        "PBF",
                                        "RadiusOfGyration",
                                        "InertialShapeFactor",
                                        "Eccentricity",
                                        "Asphericity",
                                        "SpherocityIndex"};

/// The vector families and the number of values each gives. GETAWAY is left out: the
/// toolkit's version gives values for some molecules that change from run to run (from
/// memory it never set: 1.605 on one run, 3e236 on the next), which no table may hold.
struct Family {
    const char* name;
    std::size_t size;
    void (*compute)(const RDKit::ROMol&, std::vector<double>&);
};

const Family kFamilies[] = {
    {"WHIM", 114,
     [](const RDKit::ROMol& m, std::vector<double>& v) { RDKit::Descriptors::WHIM(m, v); }},
    {"RDF", 210,
     [](const RDKit::ROMol& m, std::vector<double>& v) { RDKit::Descriptors::RDF(m, v); }},
    {"MORSE", 224,
     [](const RDKit::ROMol& m, std::vector<double>& v) { RDKit::Descriptors::MORSE(m, v); }},
    {"AUTOCORR3D", 80,
     [](const RDKit::ROMol& m, std::vector<double>& v) { RDKit::Descriptors::AUTOCORR3D(m, v); }},
};

std::vector<std::string> MakeNames() {
    std::vector<std::string> names(std::begin(kShapeIndexNames), std::end(kShapeIndexNames));
    for (const Family& family : kFamilies) {
        for (std::size_t i = 1; i <= family.size; ++i) {
            names.push_back(family.name + std::to_string(i));
        }
    }
    return names;
}

} // namespace

const std::vector<std::string>& Descriptor3DNames() {
    static const std::vector<std::string> names = MakeNames();
    return names;
}

std::vector<double> ComputeDescriptors3D(const RDKit::ROMol& molWithHs3d) {
    namespace D = RDKit::Descriptors;
    const RDKit::ROMol& m = molWithHs3d;
    // force: computed afresh from this conformer, never a value cached on the molecule.
    std::vector<double> values = {D::PMI1(m, -1, true, true),
                                  D::PMI2(m, -1, true, true),
                                  D::PMI3(m, -1, true, true),
                                  D::NPR1(m, -1, true, true),
                                  D::NPR2(m, -1, true, true),
                                  D::PBF(m),
                                  D::radiusOfGyration(m, -1, true, true),
                                  D::inertialShapeFactor(m, -1, true, true),
                                  D::eccentricity(m, -1, true, true),
                                  D::asphericity(m, -1, true, true),
                                  D::spherocityIndex(m, -1, true)};
    std::vector<double> family;
    for (const Family& f : kFamilies) {
        family.clear();
        f.compute(m, family);
        assert(family.size() == f.size && "3D descriptor family of unexpected length");
        family.resize(f.size);
        values.insert(values.end(), family.begin(), family.end());
    }
    return values;
}

} // namespace kalemir::tables
