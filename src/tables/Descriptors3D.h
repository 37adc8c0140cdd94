#pragma once
// The 3D descriptor table's columns, from the same conformer as the shape table: the
// principal moments and the shape indices, then the WHIM, RDF, MoRSE and 3D autocorrelation
// families. Internal to the table maker: speaks RDKit.

#include <string>
#include <vector>

namespace RDKit {
class ROMol;
}

namespace kalemir::tables {

/// The column names, in the order ComputeDescriptors3D gives the values.
const std::vector<std::string>& Descriptor3DNames();

/// The values of the molecule with explicit hydrogens and its 3D conformer (as
/// MakeConformer returns it), in Descriptor3DNames() order. Safe to call concurrently on
/// different molecules.
std::vector<double> ComputeDescriptors3D(const RDKit::ROMol& molWithHs3d);

} // namespace kalemir::tables
