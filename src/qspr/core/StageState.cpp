#include "qspr/core/StageState.h"

namespace kalemir::qspr {

void DescriptorMatrixStore::Reset(int rows) {
    Rows = rows;
    Values.assign(static_cast<std::size_t>(kMatrixColumns) * rows, 0.0);
    ColumnNames.assign(kMatrixColumns, "0");
    MoleculeNames.assign(rows, "0");
}

} // namespace kalemir::qspr
