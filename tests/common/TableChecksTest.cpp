#include "common/TableChecks.h"

#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kalemir {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

struct CommaCase {
    const char* line;
    const char* value; // the value found, "" when none
};

TEST(FindDecimalCommaTest, OnlyNumbersAfterTheMoleculeName) {
    const CommaCase cases[] = {
        {"bzr001\t6,87", "6,87"},
        {"bzr001 7.1 -0,5e3 2", "-0,5e3"},
        {"bzr001\t,87", ""},             // no digit before the comma
        {"bzr001\t6,", ""},              // a comma that ends the line ends the record
        {"1,2-dichloroethane\t3.1", ""}, // a comma in the name is not a value
        {"m1\tC1,2\t3.1", ""},           // a token that is no number
        {"m1\t6.1,m2\t7.2", ""},         // commas between records
        {"m1 1.5\t\"2,5\"", ""},         // a quoted token is no number either
        {"m1 3 4,5", "4,5"},
    };
    for (const CommaCase& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string_view line = c.line;
        const std::size_t at = FindDecimalComma(line);
        const std::string value = at == std::string_view::npos
                                      ? std::string()
                                      : std::string(line.substr(at, std::string(c.value).size()));
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(DecimalCommaProblem(line).has_value(), at != std::string_view::npos);
    }
    EXPECT_EQ(DecimalCommaProblem("bzr001 7.1 -0,5e3 2"),
              "molecule bzr001: the value -0,5e3 has a decimal comma");
}

std::vector<std::pair<std::string, long>> Column(const std::string& text) {
    WriteFile("T.des", text);
    std::vector<std::pair<std::string, long>> column;
    ReadMoleculeColumn("T.des", "T.des", [&](std::string_view name, long line) {
        column.emplace_back(std::string(name), line);
        return true;
    });
    return column;
}

using Names = std::vector<std::pair<std::string, long>>;

TEST(ReadMoleculeColumnTest, FollowsTheRecordRules) {
    ScratchDir dir("molecule-column");
    // Records end at commas, quoted fields run to their quote, empty lines are records.
    EXPECT_EQ(Column("C a\r\n m1 1,m2 2\r\n\r\n\"m3 x, y\"\tz\r\nm4 4"),
              (Names{{"C", 1}, {"m1", 2}, {"m2", 2}, {"", 3}, {"m3", 4}, {"m4", 5}}));
    // A header wider than the read buffer: the names after it keep their lines.
    const std::string wide = "C" + std::string(70000, '\t') + "d\n";
    EXPECT_EQ(Column(wide + "m1 1\nm2 2\n"), (Names{{"C", 1}, {"m1", 2}, {"m2", 3}}));
}

TEST(ReadMoleculeColumnTest, RefusesWhatIsNoTextTable) {
    ScratchDir dir("molecule-column-bad");
    const std::pair<std::string, std::string> cases[] = {
        {" \r\n\t\r\n", "T.des: the table is empty"},
        {"C a\r\nm1 1\r\n" + std::string(70000, 'x') + std::string("\0", 1),
         "T.des line 3: binary data (a NUL byte), not a text table"},
        {"C a,b\r\nm1 1\r\nm2 2,5\r\n",
         "T.des line 3: molecule m2: the value 2,5 has a decimal comma (a comma ends a record "
         "in these tables; write it with a decimal point)"},
    };
    for (const auto& [text, message] : cases) {
        try {
            Column(text);
            ADD_FAILURE() << "accepted: " << message;
        } catch (const InputError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
}

} // namespace
} // namespace kalemir
