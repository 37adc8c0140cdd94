#pragma once
// Whether the windows of a program can open.

#include <string>

namespace kalemir {

/// Why the windows cannot open: no display to show them on, or a folder argument that is
/// no folder. Empty when they can.
std::string DesktopStartProblem(const std::string& folder);

} // namespace kalemir
