// A descriptor table cut into work tables, as each cycle of the run does it; the work
// tables are removed again.

#include "FuzzSupport.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "qspr/core/TableSplitting.h"
#include "qspr/run/ComputingState.h"
#include "qspr/setup/ProgramState.h"
#include "qspr/setup/QsprTables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalemir::fuzz::EnterScratchFolder();
    kalemir::fuzz::WriteInput("FUZZQvfr.des", data, size);
    kalemir::qspr::ComputingState cs;
    kalemir::SilentWindow window;
    cs.Cycle.TableCount = 1;
    cs.Cycle.TableNames.resize(2);
    cs.Cycle.TableNames[1].First = "FUZZQvfr.des";
    const int columns = kalemir::qspr::CountDescriptorColumns("FUZZQvfr.des");
    kalemir::qspr::SplitTables(cs.Cycle, cs.Tables, cs.WorkFiles, cs.Workers.get(), window);
    if (columns > 0 &&
        cs.Tables.NewtabCount != static_cast<int>(kalemir::qspr::WorkTableWidths(columns).size())) {
        std::abort();
    }
    return 0;
}
