#include "tables/Conformer.h"

#include "tables/MoleculeProblem.h"
#include "tables/TableText.h"

#include <GraphMol/Conformer.h>
#include <GraphMol/DistGeomHelpers/Embedder.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/RWMol.h>

// GCC and Clang say in different ways that the address sanitizer (with its leak checker)
// is on.
#if defined(__SANITIZE_ADDRESS__)
#define KALEMIR_LEAK_CHECKER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KALEMIR_LEAK_CHECKER 1
#endif
#endif
#ifdef KALEMIR_LEAK_CHECKER
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <string>
#include <utility>

namespace kalemir::tables {
namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;
using Clock = std::chrono::steady_clock;

/// Thrown from the embedder's call at the start of each try once the molecule's time is up.
struct EmbeddingTimeUp {};

/// When the embedding on this thread must stop. Each worker embeds one molecule at a time.
thread_local Clock::time_point embeddingDeadline;

/// The embedder calls this before each of its tries (it takes no context, hence the
/// thread's deadline). Throwing is the only way to end the embedder's loop early.
void StopEmbeddingWhenTimeIsUp(unsigned /*attempt*/) {
    if (Clock::now() > embeddingDeadline) {
        throw EmbeddingTimeUp{};
    }
}

unsigned HeavyAtomCount(const RDKit::ROMol& mol) {
    unsigned count = 0;
    for (const RDKit::Atom* atom : mol.atoms())
        if (atom->getAtomicNum() > 1)
            ++count;
    return count;
}

/// Eigenvalues and eigenvectors (columns of the returned matrix) of a symmetric 3x3
/// matrix by cyclic Jacobi rotations; deterministic, exact to rounding.
std::pair<std::array<double, 3>, Matrix3> SymmetricEigen(Matrix3 a) {
    Matrix3 v{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    for (int sweep = 0; sweep < 50; ++sweep) {
        const double offDiagonal = std::fabs(a[0][1]) + std::fabs(a[0][2]) + std::fabs(a[1][2]);
        const double diagonal = std::fabs(a[0][0]) + std::fabs(a[1][1]) + std::fabs(a[2][2]);
        if (offDiagonal <= 1e-15 * diagonal || offDiagonal == 0)
            break;
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0)
                    continue;
                const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const double t =
                    (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1);
                const double s = t * c;
                for (int k = 0; k < 3; ++k) { // a := a * J
                    const double akp = a[k][p];
                    const double akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) { // a := J^T * a
                    const double apk = a[p][k];
                    const double aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) { // v := v * J
                    const double vkp = v[k][p];
                    const double vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
        }
    }
    return {{a[0][0], a[1][1], a[2][2]}, v};
}

/// Moves the conformer so that the heavy atoms' centre of mass is the origin and their
/// principal axes of inertia lie along x (smallest moment: the long axis), y and z
/// (largest moment). Each axis points where the heavy atoms' mass-weighted third moment
/// is positive, and z = x cross y, so the frame is a proper rotation (chirality kept).
void PutInPrincipalAxesFrame(RDKit::RWMol& mol) {
    RDKit::Conformer& conf = mol.getConformer();
    double totalMass = 0;
    std::array<double, 3> centre{0, 0, 0};
    for (const RDKit::Atom* atom : mol.atoms()) {
        if (atom->getAtomicNum() <= 1)
            continue;
        const RDGeom::Point3D& p = conf.getAtomPos(atom->getIdx());
        const double m = atom->getMass();
        totalMass += m;
        centre[0] += m * p.x;
        centre[1] += m * p.y;
        centre[2] += m * p.z;
    }
    for (double& c : centre)
        c /= totalMass;

    Matrix3 inertia{};
    for (const RDKit::Atom* atom : mol.atoms()) {
        if (atom->getAtomicNum() <= 1)
            continue;
        const RDGeom::Point3D& p = conf.getAtomPos(atom->getIdx());
        const double m = atom->getMass();
        const double r[3] = {p.x - centre[0], p.y - centre[1], p.z - centre[2]};
        const double r2 = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                inertia[i][j] += m * ((i == j ? r2 : 0.0) - r[i] * r[j]);
    }
    auto [moments, vectors] = SymmetricEigen(inertia);
    std::array<int, 3> order{0, 1, 2}; // ascending moments
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j)
            if (moments[order[j]] < moments[order[i]])
                std::swap(order[i], order[j]);
    Matrix3 axes{}; // rows: the new x, y and z in the old frame
    for (int k = 0; k < 2; ++k) {
        std::array<double, 3> axis{vectors[0][order[k]], vectors[1][order[k]],
                                   vectors[2][order[k]]};
        double skew = 0;
        double largest = 0;
        for (const RDKit::Atom* atom : mol.atoms()) {
            if (atom->getAtomicNum() <= 1)
                continue;
            const RDGeom::Point3D& p = conf.getAtomPos(atom->getIdx());
            const double d = (p.x - centre[0]) * axis[0] + (p.y - centre[1]) * axis[1] +
                             (p.z - centre[2]) * axis[2];
            skew += atom->getMass() * d * d * d;
            if (std::fabs(d) > std::fabs(largest))
                largest = d;
        }
        // A symmetric molecule has no third moment: its farthest atom decides.
        const bool flip = std::fabs(skew) > 1e-6 * totalMass ? skew < 0 : largest < 0;
        if (flip)
            for (double& c : axis)
                c = -c;
        axes[k] = axis;
    }
    axes[2] = {axes[0][1] * axes[1][2] - axes[0][2] * axes[1][1],
               axes[0][2] * axes[1][0] - axes[0][0] * axes[1][2],
               axes[0][0] * axes[1][1] - axes[0][1] * axes[1][0]};

    for (unsigned i = 0; i < conf.getNumAtoms(); ++i) {
        const RDGeom::Point3D p = conf.getAtomPos(i);
        const double r[3] = {p.x - centre[0], p.y - centre[1], p.z - centre[2]};
        RDGeom::Point3D moved;
        moved.x = axes[0][0] * r[0] + axes[0][1] * r[1] + axes[0][2] * r[2];
        moved.y = axes[1][0] * r[0] + axes[1][1] * r[1] + axes[1][2] * r[2];
        moved.z = axes[2][0] * r[0] + axes[2][1] * r[1] + axes[2][2] * r[2];
        conf.setAtomPos(i, moved);
    }
}

/// ETKDG v3 with the given seed on one thread. A molecule the standard start fails for
/// gets a second try from random coordinates, which is just as deterministic. Both tries
/// together stop after `seconds`: MoleculeProblem with the time as reason.
bool Embed(RDKit::RWMol& mol, unsigned seed, double seconds) {
#ifdef KALEMIR_LEAK_CHECKER
    // An embedding stopped at its time limit leaves the embedder's few work buffers behind
    // (a few kilobytes per stopped molecule); the leak checker is told not to count them.
    __lsan::ScopedDisabler abandonedBuffersAreKnown;
#endif
    embeddingDeadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(std::min(seconds, 1e9)));
    RDKit::DGeomHelpers::EmbedParameters parameters = RDKit::DGeomHelpers::ETKDGv3;
    parameters.callback = StopEmbeddingWhenTimeIsUp;
    // The embedder takes a negative seed for "seed from the clock": keep it non-negative.
    parameters.randomSeed = static_cast<int>(seed & 0x7fffffffu);
    parameters.numThreads = 1;
    parameters.clearConfs = true;
    try {
        if (RDKit::DGeomHelpers::EmbedMolecule(mol, parameters) >= 0)
            return true;
        parameters.useRandomCoords = true;
        return RDKit::DGeomHelpers::EmbedMolecule(mol, parameters) >= 0;
    } catch (const EmbeddingTimeUp&) {
        throw MoleculeProblem(EmbeddingTimeReason(seconds));
    }
}

} // namespace

bool HasThreeDimensionalCoordinates(const RDKit::ROMol& mol) {
    if (mol.getNumConformers() == 0)
        return false;
    const RDKit::Conformer& conf = mol.getConformer();
    if (!conf.is3D())
        return false;
    for (const RDGeom::Point3D& p : conf.getPositions())
        if (p.z != 0)
            return true;
    return false;
}

std::string EmbeddingTimeReason(double embedSeconds) {
    return "embedding took longer than " + DescriptorNumber(embedSeconds) + " s";
}

std::unique_ptr<RDKit::RWMol> MakeConformer(const RDKit::ROMol& mol, bool useInputCoordinates,
                                            unsigned seed, double embedSeconds) {
    const unsigned heavyAtoms = HeavyAtomCount(mol);
    if (heavyAtoms == 0)
        throw MoleculeProblem("no heavy atom");
    if (heavyAtoms > kMaxShapeHeavyAtoms)
        throw MoleculeProblem("more than " + std::to_string(kMaxShapeHeavyAtoms) +
                              " heavy atoms (" + std::to_string(heavyAtoms) + ")");
    auto result = std::make_unique<RDKit::RWMol>(mol);
    if (useInputCoordinates) {
        if (result->getNumConformers() == 0)
            throw MoleculeProblem("no 3D coordinates");
        // Keep the input conformer only; hydrogens are placed around the fixed heavy atoms.
        const RDKit::Conformer input = result->getConformer();
        result->clearConformers();
        result->addConformer(new RDKit::Conformer(input), true);
        RDKit::MolOps::addHs(*result, false, true);
        return result;
    }
    RDKit::MolOps::addHs(*result);
    if (!Embed(*result, seed, embedSeconds))
        throw MoleculeProblem("3D embedding failed");
    PutInPrincipalAxesFrame(*result);
    return result;
}

} // namespace kalemir::tables
