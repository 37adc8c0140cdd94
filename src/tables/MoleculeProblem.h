#pragma once
// A molecule the table maker cannot use: it is left out of every table and listed with
// its reason in the skipped list.

#include <stdexcept>

namespace kalemir::tables {

/// Thrown for one molecule; what() is the reason a person reads in the skipped list
/// (short, lower-case, no trailing period), for example "3D embedding failed".
struct MoleculeProblem : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace kalemir::tables
