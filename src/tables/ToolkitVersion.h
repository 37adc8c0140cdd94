#pragma once
// The chemistry toolkit behind the table maker, for --version and About.

#include <string>

namespace kalemir::tables {

/// The version of RDKit the table maker was built with, for example "2022.09.3".
std::string ToolkitVersion();

} // namespace kalemir::tables
