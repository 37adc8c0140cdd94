// The QSPR table as the command line checks it and the run parses it.

#include "FuzzSupport.h"
#include "common/Errors.h"
#include "common/Records.h"
#include "qspr/setup/ProgramState.h"
#include "qspr/setup/QsprTables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalemir::fuzz::EnterScratchFolder();
    kalemir::fuzz::WriteInput("FUZZQ", data, size);
    try {
        const std::vector<std::string> lines = kalemir::qspr::ReadQsprLines("FUZZQ");
        if (lines.size() > static_cast<std::size_t>(kalemir::qspr::kMaxMolecules) + 1) {
            std::abort();
        }
        std::vector<std::string_view> tokens;
        int predictions = 0;
        for (const std::string& line : lines) {
            kalemir::Tokenise(line, tokens);
            predictions += kalemir::qspr::IsPredictionRecord(line) ? 1 : 0;
        }
        (void)predictions;
    } catch (const kalemir::InputError&) {
    }
    return 0;
}
