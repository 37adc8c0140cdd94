#pragma once
// Starting the table maker on its window.

#include <string>

namespace kalemir::ui {

/// Opens the table maker's window in `folder` ("" for the current one) and runs until the
/// user closes it.
int RunTablesDesktop(int argc, char** argv, const std::string& folder);

} // namespace kalemir::ui
