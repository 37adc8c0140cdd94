#pragma once
// Which files a run may read and write: the similarity program's tables are never taken
// for descriptor tables, and the report and the scatter-plot bitmaps are never written
// over a table the run reads or over another result of the same run.

#include <string>
#include <vector>

namespace kalemir::qspr {

/// Why a table cannot be a descriptor table of the run, empty when it can: the similarity
/// table (name ending in SIM.des) and the shape table (SHP.des) of the similarity program
/// hold no descriptors to screen.
std::string DescriptorTableProblem(const std::string& name);

/// A file that a result of the run must not replace, and what it is ("the QSPR table").
struct KeptFile {
    std::string name;
    std::string what;
};

/// The tables the run reads: the QSPR table and the descriptor tables.
std::vector<KeptFile> TablesOfRun(const std::string& qsprTable,
                                  const std::vector<std::string>& descriptorTables);

/// Why a result of the run (the report, a scatter plot) cannot be saved as `name`, empty
/// when it can: it is one of the kept files. Names are compared as files, so "./BZR01"
/// and a link to the QSPR table are the QSPR table too.
std::string ResultNameProblem(const std::string& name, const std::vector<KeptFile>& kept);

} // namespace kalemir::qspr
