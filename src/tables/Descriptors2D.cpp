#include "tables/Descriptors2D.h"

#include <GraphMol/Descriptors/AUTOCORR2D.h>
#include <GraphMol/Descriptors/ConnectivityDescriptors.h>
// Debian's RDKit is built with Eigen, so BCUT2D is in the library; its header declares it
// only when told so.
#ifndef RDK_HAS_EIGEN3
#define RDK_HAS_EIGEN3
#endif
#include <GraphMol/Descriptors/BCUT.h>
#include <GraphMol/Descriptors/MQN.h>
#include <GraphMol/Descriptors/MolSurf.h>
#include <GraphMol/Descriptors/Property.h>
#include <GraphMol/Fingerprints/MorganFingerprints.h>
#include <GraphMol/ROMol.h>

#include <cstdint>

namespace kalemir::tables {

namespace {

constexpr int kSlogPBins = 12;
constexpr int kSmrBins = 10;
constexpr int kPeoeBins = 14;
constexpr int kMqnCount = 42;
constexpr int kAutocorrCount = 192;

void AddFamily(std::vector<std::string>& names, const std::string& stem, int count) {
    for (int k = 1; k <= count; ++k) {
        names.push_back(stem + std::to_string(k));
    }
}

} // namespace

struct Descriptors2D::Registered {
    RDKit::Descriptors::Properties properties;
    /// The registered chi2v and chi2n of this RDKit release give the third-order indices
    /// (chi3v, chi3n); their columns are filled from calcChi2v and calcChi2n instead.
    std::size_t chi2v = SIZE_MAX;
    std::size_t chi2n = SIZE_MAX;
};

Descriptors2D::Descriptors2D() : registered_(std::make_unique<Registered>()) {
    names_ = registered_->properties.getPropertyNames();
    for (std::size_t k = 0; k < names_.size(); ++k) {
        if (names_[k] == "chi2v") {
            registered_->chi2v = k;
        } else if (names_[k] == "chi2n") {
            registered_->chi2n = k;
        }
    }
    AddFamily(names_, "SlogP_VSA", kSlogPBins);
    AddFamily(names_, "SMR_VSA", kSmrBins);
    AddFamily(names_, "PEOE_VSA", kPeoeBins);
    AddFamily(names_, "MQN", kMqnCount);
    for (const char* name : {"BCUT2D_MWHI", "BCUT2D_MWLOW", "BCUT2D_CHGHI", "BCUT2D_CHGLO",
                             "BCUT2D_LOGPHI", "BCUT2D_LOGPLOW", "BCUT2D_MRHI", "BCUT2D_MRLOW"}) {
        names_.push_back(name);
    }
    AddFamily(names_, "AUTOCORR2D_", kAutocorrCount);
}

Descriptors2D::~Descriptors2D() = default;

std::vector<double> Descriptors2D::Compute(const RDKit::ROMol& mol) const {
    std::vector<double> values = registered_->properties.computeProperties(mol);
    if (registered_->chi2v < values.size()) {
        values[registered_->chi2v] = RDKit::Descriptors::calcChi2v(mol);
    }
    if (registered_->chi2n < values.size()) {
        values[registered_->chi2n] = RDKit::Descriptors::calcChi2n(mol);
    }
    const auto append = [&values](const std::vector<double>& family, std::size_t count) {
        for (std::size_t k = 0; k < count; ++k) {
            values.push_back(k < family.size() ? family[k] : 0.0);
        }
    };
    append(RDKit::Descriptors::calcSlogP_VSA(mol), kSlogPBins);
    append(RDKit::Descriptors::calcSMR_VSA(mol), kSmrBins);
    append(RDKit::Descriptors::calcPEOE_VSA(mol), kPeoeBins);
    const std::vector<unsigned> mqn = RDKit::Descriptors::calcMQNs(mol);
    append(std::vector<double>(mqn.begin(), mqn.end()), kMqnCount);
    // Gasteiger charges are left on the atoms by BCUT2D: it works on a copy.
    RDKit::ROMol copy(mol); // NOLINT(performance-unnecessary-copy-initialization)
    append(RDKit::Descriptors::BCUT2D(copy), 8);
    std::vector<double> autocorr;
    RDKit::Descriptors::AUTOCORR2D(mol, autocorr);
    append(autocorr, kAutocorrCount);
    return values;
}

std::vector<unsigned> MorganCounts(const RDKit::ROMol& mol) {
    std::unique_ptr<RDKit::SparseIntVect<std::uint32_t>> fingerprint(
        RDKit::MorganFingerprints::getHashedFingerprint(mol, 2, kMorganColumns));
    std::vector<unsigned> counts(kMorganColumns, 0);
    for (const auto& [column, count] : fingerprint->getNonzeroElements()) {
        counts[column] = static_cast<unsigned>(count);
    }
    return counts;
}

} // namespace kalemir::tables
