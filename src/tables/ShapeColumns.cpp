#include "tables/ShapeColumns.h"

#include "tables/MoleculeProblem.h"

// First: the principal moments are declared only when RDConfig.h says the toolkit has them.
#include <RDGeneral/RDConfig.h>

#include <DataStructs/DiscreteValueVect.h>
#include <Geometry/UniformGrid3D.h>
#include <GraphMol/Conformer.h>
#include <GraphMol/Descriptors/ConnectivityDescriptors.h>
#include <GraphMol/Descriptors/Lipinski.h>
#include <GraphMol/Descriptors/MolSurf.h>
#include <GraphMol/Descriptors/PMI.h>
#include <GraphMol/Descriptors/USRDescriptor.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/ROMol.h>
#include <GraphMol/ShapeHelpers/ShapeEncoder.h>
#include <GraphMol/ShapeHelpers/ShapeUtils.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

// RDKit's MolTransforms header pulls in Eigen, which Debian's librdkit-dev does not
// install; the one function the volume needs is declared here as the library exports it.
namespace MolTransforms {
// NOLINTNEXTLINE(readability-identifier-naming): the library's own name
void canonicalizeConformer(RDKit::Conformer& conf, const RDGeom::Point3D* center,
                           bool normalizeCovar, bool ignoreHs);
} // namespace MolTransforms

namespace kalemir::tables {

double MolecularVolume(const RDKit::ROMol& molWithHs) {
    constexpr double kSpacing = 0.2;
    constexpr double kMargin = 2.0;
    RDKit::ROMol copy(molWithHs);
    RDKit::Conformer& conf = copy.getConformer();
    MolTransforms::canonicalizeConformer(conf, nullptr, false, false);
    RDGeom::Point3D low;
    RDGeom::Point3D high;
    RDKit::MolShapes::computeConfBox(conf, low, high, nullptr, 2.0);
    RDGeom::UniformGrid3D grid(high.x - low.x + 2 * kMargin, high.y - low.y + 2 * kMargin,
                               high.z - low.z + 2 * kMargin, kSpacing);
    RDKit::MolShapes::EncodeShape(copy, grid, -1, nullptr, 1.0, 0.25, -1, false);
    const RDKit::DiscreteValueVect* occupancy = grid.getOccupancyVect();
    unsigned inside = 0;
    for (unsigned i = 0; i < occupancy->getLength(); ++i)
        if (occupancy->getVal(i) == 3)
            ++inside;
    return inside * (kSpacing * kSpacing * kSpacing);
}

namespace {

/// Information content (bits) of a distribution of counts: -sum p log2 p.
double InformationEntropy(const std::vector<double>& counts) {
    double total = 0;
    for (double c : counts)
        total += c;
    if (total == 0)
        return 0;
    double accum = 0;
    for (double c : counts) {
        const double p = c / total;
        if (p != 0)
            accum += -p * std::log(p);
    }
    return accum / std::log(2.0);
}

/// Counts kept in first-seen order, so that sums run in a fixed order.
template <typename Key> class OrderedCounts {
public:
    void Add(const Key& key, double amount) {
        auto [it, inserted] = index_.emplace(key, counts_.size());
        if (inserted)
            counts_.push_back(0);
        counts_[it->second] += amount;
    }
    const std::vector<double>& Counts() const { return counts_; }

private:
    std::map<Key, std::size_t> index_;
    std::vector<double> counts_;
};

} // namespace

double BertzComplexity(const RDKit::ROMol& mol) {
    const unsigned n = mol.getNumAtoms();
    if (n < 2)
        return 0;
    const double* distances = RDKit::MolOps::getDistanceMat(mol, true, false, true, "Balaban");
    std::vector<int> symmetryClass(n);
    {
        std::map<std::vector<std::string>, int> classes;
        for (unsigned i = 0; i < n; ++i) {
            std::vector<double> row(distances + i * n, distances + (i + 1) * n);
            std::sort(row.begin(), row.end());
            std::vector<std::string> key;
            for (unsigned k = 0; k < row.size() && k < 100; ++k) {
                char text[64];
                std::snprintf(text, sizeof text, "%.4f", row[k]);
                key.emplace_back(text);
            }
            auto [it, inserted] = classes.emplace(key, static_cast<int>(classes.size()) + 1);
            symmetryClass[i] = it->second;
        }
    }
    std::vector<std::vector<unsigned>> neighbours(n);
    for (const RDKit::Bond* bond : mol.bonds()) {
        const unsigned a = bond->getBeginAtomIdx();
        const unsigned b = bond->getEndAtomIdx();
        neighbours[a].push_back(b);
        neighbours[b].push_back(a);
    }
    for (auto& list : neighbours) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }
    auto bondOrder = [&mol](unsigned a, unsigned b) {
        const RDKit::Bond* bond = mol.getBondBetweenAtoms(a, b);
        return bond->getIsAromatic() ? 1.5 : static_cast<double>(bond->getBondType());
    };
    OrderedCounts<int> atomTypes;
    OrderedCounts<std::vector<int>> connections;
    for (unsigned atom = 0; atom < n; ++atom) {
        atomTypes.Add(mol.getAtomWithIdx(atom)->getAtomicNum(), 1);
        const int hinge = symmetryClass[atom];
        const auto& list = neighbours[atom];
        for (std::size_t i = 0; i < list.size(); ++i) {
            const int ci = symmetryClass[list[i]];
            const double orderI = bondOrder(atom, list[i]);
            if (orderI > 1 && list[i] > atom)
                connections.Add({std::min(hinge, ci), std::max(hinge, ci)},
                                orderI * (orderI - 1) / 2);
            for (std::size_t j = i + 1; j < list.size(); ++j) {
                const int cj = symmetryClass[list[j]];
                connections.Add({std::min(ci, cj), hinge, std::max(ci, cj)},
                                orderI * bondOrder(atom, list[j]));
            }
        }
    }
    std::vector<double> connectionCounts = connections.Counts();
    if (connectionCounts.empty())
        connectionCounts = {1};
    double totalConnections = 0;
    for (double c : connectionCounts)
        totalConnections += c;
    const double connectionContent =
        totalConnections *
        (InformationEntropy(connectionCounts) + std::log(totalConnections) / std::log(2.0));
    const double atomTypeContent = n * InformationEntropy(atomTypes.Counts());
    return atomTypeContent + connectionContent;
}

namespace {

std::unique_ptr<RDKit::ROMol> WithoutHydrogens(const RDKit::ROMol& mol) {
    return std::unique_ptr<RDKit::ROMol>(RDKit::MolOps::removeAllHs(mol));
}

} // namespace

SimilarityColumns ComputeSimilarityColumns(const RDKit::ROMol& molWithHs3d) {
    const auto heavy = WithoutHydrogens(molWithHs3d);
    // The shape-recognition moments need four reference points' distances.
    if (heavy->getNumAtoms() < 4)
        throw MoleculeProblem("fewer than 4 heavy atoms for the shape columns");
    SimilarityColumns columns;
    std::vector<double> usr(12);
    RDKit::Descriptors::USR(*heavy, usr);
    std::copy(usr.begin(), usr.end(), columns.Usr.begin());
    columns.Pmi1 = RDKit::Descriptors::PMI1(*heavy, -1, true, true);
    columns.Pmi2 = RDKit::Descriptors::PMI2(*heavy, -1, true, true);
    columns.Pmi3 = RDKit::Descriptors::PMI3(*heavy, -1, true, true);
    columns.NprSum = 1 + RDKit::Descriptors::NPR1(*heavy, -1, true, true) +
                     RDKit::Descriptors::NPR2(*heavy, -1, true, true);
    columns.Volume = MolecularVolume(molWithHs3d);
    columns.Tpsa = RDKit::Descriptors::calcTPSA(*heavy, true);
    columns.Hbda = static_cast<int>(RDKit::Descriptors::calcNumHBD(*heavy) +
                                    RDKit::Descriptors::calcNumHBA(*heavy));
    columns.PhiFlex = RDKit::Descriptors::calcPhi(*heavy);
    columns.AtomCount = static_cast<int>(molWithHs3d.getNumAtoms());
    columns.BertzCt = BertzComplexity(*heavy);
    return columns;
}

std::vector<std::array<double, 3>> HeavyAtomCoordinates(const RDKit::ROMol& molWithHs3d) {
    std::vector<std::array<double, 3>> coordinates;
    const RDKit::Conformer& conf = molWithHs3d.getConformer();
    for (const RDKit::Atom* atom : molWithHs3d.atoms()) {
        if (atom->getAtomicNum() <= 1)
            continue;
        const RDGeom::Point3D& p = conf.getAtomPos(atom->getIdx());
        coordinates.push_back({p.x, p.y, p.z});
    }
    return coordinates;
}

} // namespace kalemir::tables
