// The similarity table read and prepared as the table window's OK does it (without the
// shape table).

#include "similarity/SimTable.h"
#include "FuzzSupport.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "similarity/SimState.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalemir::fuzz::EnterScratchFolder();
    kalemir::fuzz::WriteInput("FUZZSSIM.des", data, size);
    kalemir::sim::RunChoices choices;
    choices.TableFileName = "FUZZSSIM.des";
    kalemir::sim::DeriveFileNames(choices);
    kalemir::sim::PreparedTable table;
    kalemir::SilentWindow window;
    try {
        kalemir::sim::PrepareTable(choices, table, window);
    } catch (const kalemir::InputError&) {
    }
    return 0;
}
