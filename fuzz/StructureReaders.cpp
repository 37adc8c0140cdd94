// The structure readers (SD, SMILES, CSV, TSV) and each record's molecule row on arbitrary
// bytes: the first byte picks the format, the rest is the file. Every refusal is an input
// error, every molecule that cannot be used has a reason of the suite's own, and a row that
// is used has fragment shares adding up to 100.

#include "FuzzSupport.h"
#include "common/Errors.h"
#include "tables/Descriptors2D.h"
#include "tables/MoleculeWork.h"
#include "tables/StructureInput.h"

#include <RDGeneral/RDLog.h>

#include <cmath>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalemir::fuzz::EnterScratchFolder();
    static const RDLog::LogStateSetter quietToolkit;
    static const kalemir::tables::Descriptors2D descriptors;
    if (size == 0) {
        return 0;
    }
    static const char* const names[] = {"input.sdf", "input.smi", "input.csv", "input.tsv"};
    const char* name = names[data[0] % 4];
    kalemir::fuzz::WriteInput(name, data + 1, size - 1);
    std::vector<kalemir::tables::StructureRecord> records;
    try {
        records = kalemir::tables::ReadStructures(name, {});
    } catch (const kalemir::InputError&) {
        return 0;
    }
    kalemir::tables::TableChoice tables;
    tables.sim = tables.shp = tables.d3d = false; // the embedding is tried by the table tests
    for (std::size_t k = 0; k < records.size() && k < 8; ++k) {
        const kalemir::tables::MoleculeRow row =
            kalemir::tables::ComputeMoleculeRow(records[k], tables, {42, 10}, descriptors);
        if (!row.problem.empty()) {
            if (row.problem.find('\n') != std::string::npos ||
                row.problem.find("ERROR") != std::string::npos) {
                std::abort();
            }
            continue;
        }
        double sum = 0;
        for (const double share : row.massPercent) {
            sum += share;
        }
        if (!(std::fabs(sum - 100.0) < 1e-6) || row.d2d.empty() || row.morgan.empty()) {
            std::abort();
        }
    }
    return 0;
}
