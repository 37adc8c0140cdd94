#pragma once
// The 2D descriptor table's columns: RDKit's registered molecular properties, then the
// VSA families (SlogP, SMR, PEOE), the MQN counts, BCUT2D and AUTOCORR2D. Internal to the
// table maker: speaks RDKit.

#include <memory>
#include <string>
#include <vector>

namespace RDKit {
class ROMol;
}

namespace kalemir::tables {

class Descriptors2D {
public:
    /// Sets up the registered properties once (not thread-safe); Compute is.
    Descriptors2D();
    ~Descriptors2D();

    /// The column names, in the order Compute gives the values.
    const std::vector<std::string>& Names() const { return names_; }

    /// The values of the heavy-atom molecule (implicit hydrogens), in Names() order.
    std::vector<double> Compute(const RDKit::ROMol& mol) const;

private:
    struct Registered;
    std::unique_ptr<Registered> registered_;
    std::vector<std::string> names_;
};

/// The Morgan count fingerprint of radius 2 hashed to this many columns.
inline constexpr unsigned kMorganColumns = 2048;

/// Morgan radius-2 counts of the molecule, one per hashed column.
std::vector<unsigned> MorganCounts(const RDKit::ROMol& mol);

} // namespace kalemir::tables
