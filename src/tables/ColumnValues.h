#pragma once
// A molecule's values of named table columns, computed by the table maker's own code for
// one molecule and read back from the text the tables hold, so that a molecule of a set
// gets back exactly the cells of its tables. Plain types only.

#include "tables/StructureInput.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kalemir::tables {

/// Morgan counts as (column, count) pairs, by column.
using SparseCounts = std::vector<std::pair<unsigned, unsigned>>;

/// Tanimoto similarity of two count fingerprints: sum of the smaller counts over sum of
/// the larger ones (0 when both are empty).
double CountTanimoto(const SparseCounts& a, const SparseCounts& b);

/// The Morgan counts of a SMILES (empty when it cannot be read).
SparseCounts MorganCountsOfSmiles(const std::string& smiles);

/// One molecule described.
struct ColumnRow {
    /// Why the molecule cannot be described; empty when it can.
    std::string problem;
    /// Canonical SMILES of the standardised heavy-atom structure, as the map file gives it.
    std::string smiles;
    /// The columns' values as the tables write them (2D descriptors and fragment percents
    /// to six significant digits, Morgan counts whole), in the order asked for.
    std::vector<double> values;
    SparseCounts morgan;
};

class ColumnDescriber {
public:
    /// The columns of the 2D descriptor table (d2d), the Morgan counts (MFPn) and the
    /// fragment table (vfr). Throws InputError naming a column the table maker does not
    /// compute. Molecules are standardised as the set's were ("parent", "none",
    /// "tautomers"). The toolkit's log stays quiet while a describer lives.
    explicit ColumnDescriber(const std::vector<std::string>& columns,
                             const std::string& standardisation = "parent");
    ~ColumnDescriber();
    ColumnDescriber(const ColumnDescriber&) = delete;
    ColumnDescriber& operator=(const ColumnDescriber&) = delete;

    /// The molecule's values, its SMILES and Morgan counts. Safe to call concurrently.
    ColumnRow Describe(const StructureRecord& record) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kalemir::tables
