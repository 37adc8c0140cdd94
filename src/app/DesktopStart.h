#pragma once
// Whether the windows of a program can open.

#include <string>

namespace kalemir {

/// Checks that the windows can open: throws InputError saying why not (no display to show
/// them on, or a folder argument that is no folder).
void CheckDesktopStart(const std::string& folder);

} // namespace kalemir
