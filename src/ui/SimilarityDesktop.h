#pragma once
// Starting the similarity program on its windows.

#include <QString>

namespace kalemir::ui {

/// Opens the similarity program's table window in `folder` and runs until the user quits.
int RunSimilarityDesktop(int argc, char** argv, const QString& folder);

} // namespace kalemir::ui
