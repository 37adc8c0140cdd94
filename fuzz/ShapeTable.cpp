// The shape table of a table of one to four molecules (the first byte chooses how many).

#include "FuzzSupport.h"
#include "common/Errors.h"
#include "similarity/SimState.h"
#include "similarity/SimTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalemir::fuzz::EnterScratchFolder();
    if (size == 0) {
        return 0;
    }
    kalemir::fuzz::WriteInput("FUZZSSHP.des", data + 1, size - 1);
    kalemir::sim::RunChoices choices;
    choices.TableFileName = "FUZZSSIM.des";
    kalemir::sim::DeriveFileNames(choices);
    kalemir::sim::PreparedTable table;
    table.MoleculeCount = 1 + data[0] % 4;
    table.CalibrationCount = table.MoleculeCount;
    table.Names.assign(static_cast<std::size_t>(table.MoleculeCount) + 1, "m");
    try {
        kalemir::sim::ReadShapeTable(choices, table);
    } catch (const kalemir::InputError&) {
    }
    return 0;
}
