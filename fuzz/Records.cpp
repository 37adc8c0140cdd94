// The record reader (from memory and from a file, which must agree), the tokeniser and
// the header's separator count on arbitrary bytes.

#include "common/Records.h"
#include "FuzzSupport.h"
#include "common/Errors.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalemir::fuzz::EnterScratchFolder();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> fromMemory;
    {
        kalemir::RecordReader reader = kalemir::RecordReader::FromText(text);
        std::string record;
        std::vector<std::string_view> tokens;
        do {
            reader.Read(record);
            kalemir::Tokenise(record, tokens);
            std::size_t characters = 0;
            for (std::string_view token : tokens) {
                if (token.empty() || token.data() < record.data() ||
                    token.data() + token.size() > record.data() + record.size()) {
                    std::abort();
                }
                characters += token.size();
            }
            if (characters > record.size() ||
                kalemir::CountSeparatorRuns(record) > static_cast<int>(tokens.size()) + 1) {
                std::abort();
            }
            fromMemory.push_back(record);
        } while (!reader.AtEnd());
    }
    kalemir::fuzz::WriteInput("records.txt", data, size);
    if (kalemir::ReadAllRecords("records.txt") != fromMemory) {
        std::abort();
    }
    return 0;
}
