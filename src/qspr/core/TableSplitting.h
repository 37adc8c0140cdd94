#pragma once
// Splitting of the descriptor tables into work tables of at most 1000 columns, the
// parsing of the QSPR lines, and the loading and screening of each work table.

#include "qspr/core/StageState.h"
#include "qspr/setup/ProgramState.h"

#include <string>
#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Copies each chosen table to a work copy that keeps its ending, and points the chosen
/// and current table lists at the copies, so that the cycles never rewrite user files.
/// Joined by name, a copy holds the table's header and then the rows of the QSPR table's
/// molecules in its order.
void MakeWorkCopies(CycleInputs& cycle, WorkFileSet& workFiles);

void SplitTables(CycleInputs& cycle, TableState& tables, WorkFileSet& workFiles, WorkerPool* pool,
                 ComputingWindow& window);
void ParseQsprTable(CycleInputs& cycle, TableState& tables, SignificantDescriptors& descriptors,
                    PairCorrelation& pair);
void LoadWorkTable(const CycleInputs& cycle, TableState& tables, WorkFileSet& workFiles,
                   WorkerPool* pool, ComputingWindow& window);
/// Reads the table's zero cells as 0.0001 and works out each column's r2 with the property
/// (the columns shared out among the workers when there are any); the correlation buffer
/// is left as the last column's correlation leaves it.
void ScreenTableColumns(const CycleInputs& cycle, TableState& tables, PairCorrelation& pair,
                        ComputingWindow& window, WorkerPool* pool = nullptr);

} // namespace kalemir::qspr
