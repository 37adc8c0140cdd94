#include "tables/StructureInput.h"

#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kalemir::tables {
namespace {

using kalemir::testing::ScratchDir;
using kalemir::testing::WriteFile;

/// Two SD records: the first with two data fields (one of two lines), the second with a
/// title and the value field only.
const char* const kTwoRecords = "first\n"
                                "  made by hand\n"
                                "\n"
                                "  1  0  0  0  0  0  0  0  0  0999 V2000\n"
                                "    0.0000    0.0000    0.0000 C   0  0\n"
                                "M  END\n"
                                "> <ACTIVITY>\n"
                                "6.5\n"
                                "\n"
                                ">  <CODE> (1)\n"
                                "A 12\n"
                                "B\n"
                                "\n"
                                "$$$$\n"
                                "second\n"
                                "\n"
                                "\n"
                                "  1  0  0  0  0  0  0  0  0  0999 V2000\n"
                                "    0.0000    0.0000    0.0000 O   0  0\n"
                                "M  END\n"
                                "> <ACTIVITY>\n"
                                "?\n"
                                "\n"
                                "$$$$\n";

TEST(StructureInput, SdRecordsKeepTheirLinesTitlesAndFields) {
    ScratchDir dir("sd-records");
    WriteFile("two.sdf", kTwoRecords);
    const auto records = ReadStructures("two.sdf", {"ACTIVITY", "", ""});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].line, 1);
    EXPECT_EQ(records[1].line, 15);
    EXPECT_EQ(records[0].name, "first");
    EXPECT_EQ(records[1].position, 2);
    EXPECT_EQ(records[0].valueText, "6.5");
    EXPECT_EQ(records[1].valueText, "?");
    EXPECT_TRUE(records[0].molBlock);
    EXPECT_EQ(records[0].structure.find("M  END"), records[0].structure.size() - 7);

    const auto named = ReadStructures("two.sdf", {"ACTIVITY", "CODE", ""});
    EXPECT_EQ(named[0].name, "A 12\nB");
    EXPECT_EQ(named[1].name, ""); // no CODE field: named by position later
    EXPECT_EQ(OfferedFields("two.sdf"), (std::vector<std::string>{"ACTIVITY", "CODE"}));
}

TEST(StructureInput, CsvQuotesSmilesFilesAndJoinedValues) {
    ScratchDir dir("csv-records");
    WriteFile("set.csv", "\"Name\",smiles,pIC50\r\n"
                         "\"Ro 15-1788, flumazenil\",CCO,7.2\r\n"
                         "\r\n"
                         "x\"y,c1ccccc1,\r\n");
    const auto records = ReadStructures("set.csv", {"pIC50", "", ""});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "Ro 15-1788, flumazenil");
    EXPECT_EQ(records[1].name, "x\"y");
    EXPECT_EQ(records[1].line, 4);
    EXPECT_EQ(records[1].structure, "c1ccccc1");
    EXPECT_EQ(records[1].valueText, "");

    WriteFile("set.smi", "SMILES Name\nCCO  ethanol\n\nCC(=O)O\tacetic acid\nC\n");
    auto smiles = ReadStructures("set.smi", {});
    ASSERT_EQ(smiles.size(), 3u);
    EXPECT_EQ(smiles[1].name, "acetic acid");
    EXPECT_EQ(smiles[1].line, 4);
    EXPECT_EQ(smiles[2].name, "");

    WriteFile("values.tsv", "id\tlogS\nethanol\t1.1\nmethanol\t0.5\n");
    long unmatched = 0;
    EXPECT_EQ(JoinValues("values.tsv", "", smiles, unmatched), "logS");
    EXPECT_EQ(smiles[0].valueText, "1.1");
    EXPECT_EQ(smiles[1].valueText, "");
    EXPECT_EQ(unmatched, 1);
}

struct RefusedCase {
    const char* file;
    const char* content;
    InputFields fields;
    const char* message;
};

TEST(StructureInput, RefusesWhatCannotBeReadWithItsLine) {
    const RefusedCase cases[] = {
        {"a.csv", "SMILES,Name\nCCO,e\nCCC\n", {}, "a.csv line 3: 1 fields where the header has 2"},
        {"b.csv", "SMILES,Name\n\"CCO,e\n", {}, "b.csv line 2: a quoted field is not closed"},
        {"c.csv", "Smi,Name\nCCO,e\n", {}, "c.csv: no SMILES column"},
        {"d.csv", "SMILES,Name\nCCO,e\n", {"pIC50", "", ""}, "d.csv: no column pIC50"},
        {"e.sdf", kTwoRecords, {"pIC50", "", ""}, "e.sdf: no molecule has the field pIC50"},
        {"f.smi", "CCO e\n", {"pIC50", "", ""}, "a SMILES file has no fields"},
        {"g.sdf", kTwoRecords, {"", "", "SMILES"}, "--smiles names a column of a CSV"},
        {"h.txt", "CCO\n", {}, "h.txt: not a structure file"},
        {"i.smi", "", {}, "i.smi line 2: binary data"},
    };
    ScratchDir dir("refused-input");
    for (const RefusedCase& c : cases) {
        WriteFile(c.file, c.file[0] == 'i' ? std::string("CCO\nC\0C\n", 8) : c.content);
        try {
            ReadStructures(c.file, c.fields);
            ADD_FAILURE() << c.file << " was read";
        } catch (const InputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    WriteFile("v.csv", "Name,Act\na,1\na,2\n");
    std::vector<StructureRecord> records(1);
    long unmatched = 0;
    EXPECT_THROW(JoinValues("v.csv", "", records, unmatched), InputError);
}

} // namespace
} // namespace kalemir::tables
