#pragma once
// Which files a run may read and write: the similarity program's tables are never taken
// for descriptor tables, and the report and the scatter-plot bitmaps are never written
// over a table the run reads or over another result of the same run.

#include <optional>
#include <string>
#include <vector>

namespace kalemir::qspr {

/// Why a table cannot be a descriptor table of the run, no value when it can: the similarity
/// table (name ending in SIM.des) and the shape table (SHP.des) of the similarity program
/// hold no descriptors to screen.
std::optional<std::string> DescriptorTableProblem(const std::string& name);

/// A file that a result of the run must not replace, and what it is ("the QSPR table").
struct KeptFile {
    std::string Name;
    std::string What;
};

/// The tables the run reads: the QSPR table, the descriptor tables and the table of
/// observed values of the prediction set (when one is given).
std::vector<KeptFile> TablesOfRun(const std::string& qsprTable,
                                  const std::vector<std::string>& descriptorTables,
                                  const std::string& observedTable = {});

/// Why a result of the run (the report, a scatter plot) cannot be saved as `name`, no
/// value when it can: it is one of the kept files. Names are compared as files, so "./BZR01"
/// and a link to the QSPR table are the QSPR table too.
std::optional<std::string> ResultNameProblem(const std::string& name,
                                             const std::vector<KeptFile>& kept);

/// The first of `stem-1.ext`, `stem-2.ext`, ... (from `name` = `stem.ext`) that names no
/// existing file.
std::string FreeNumberedName(const std::string& name);

/// Keeps the file `report` left by an earlier run under a free numbered name, so that a
/// new run never replaces it; returns that name, empty when there was no such file.
/// Throws FileError when it cannot be renamed.
std::string SetAsideEarlierReport(const std::string& report);

/// What the programs tell the user when SetAsideEarlierReport kept a report.
std::string EarlierReportNotice(const std::string& report, const std::string& keptAs);

} // namespace kalemir::qspr
