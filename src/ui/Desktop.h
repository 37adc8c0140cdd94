#pragma once
// Starting a program on its windows: the Qt application, the working folder, the real
// dialogs.

#include "ui/QsprWindows.h"

namespace kalemir::ui {

/// Opens the QSPR program's first window in `folder` (the current one when empty) and
/// runs until the user quits. Returns the exit status.
int RunQsprDesktop(int argc, char** argv, const QString& folder, QsprFlow::Computation computation);

} // namespace kalemir::ui
