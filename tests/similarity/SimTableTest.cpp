#include "similarity/SimTable.h"

#include "SimTestSupport.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"

#include <filesystem>

namespace kalemir::sim {
namespace {

using test::FileLines;
using test::FixedColumns;
using test::Row;
using test::WriteTable;

TEST(SimFileNamesTest, UseTheFirstFiveCharactersOfTheTableName) {
    RunChoices choices;
    choices.TableFileName = "Q3515SIM.des";
    DeriveFileNames(choices);
    EXPECT_EQ(choices.ShapeFileName, "Q3515SHP.des");
    EXPECT_EQ(choices.ResultsFileName, "Q3515SIM.res");
    EXPECT_EQ(NamePrefix(choices.TableFileName) + "NBX", "Q3515NBX");

    choices.TableFileName = "SIM.des";
    DeriveFileNames(choices);
    EXPECT_EQ(choices.ShapeFileName, "SIM.dSHP.des");
    EXPECT_EQ(choices.ResultsFileName, "SIM.dSIM.res");

    EXPECT_EQ(NamePrefix("ABC"), "ABC");
}

class SimTableTest : public test::TempFolderTest {
protected:
    /// Two calibration molecules and one prediction molecule over fragments CH3, OH, NH2.
    void WriteThree() {
        WriteTable("TESTXSIM.des", 2, 1, {"CH3", "OH", "NH2"},
                   {{"m1", {"50", "50", "0"}, FixedColumns("1")},
                    {"m2", {"50", "0", "50"}, FixedColumns("2")},
                    {"p1", {"60", "40", "0"}, FixedColumns("7.5")}});
    }
    PreparedTable Prepare(int shapeMethod = kCorrectedUsr) {
        choices_ = test::ChoicesFor("TESTXSIM.des", shapeMethod);
        PreparedTable table;
        PrepareTable(choices_, table, window_);
        return table;
    }
    /// The message of the InputError that preparing the table throws.
    std::string PrepareError(int shapeMethod = kCorrectedUsr) {
        try {
            Prepare(shapeMethod);
        } catch (const InputError& error) {
            return error.what();
        }
        return "no error";
    }
    RunChoices choices_;
    SilentWindow window_;
};

TEST_F(SimTableTest, ReadsCountsFromTheHeaderFieldsBeforeTheLastTwo) {
    WriteThree();
    const PreparedTable table = Prepare();
    EXPECT_EQ(table.CalibrationCount, 2);
    EXPECT_EQ(table.PredictionCount, 1);
    EXPECT_EQ(table.FragmentCount, 3);
    EXPECT_EQ(table.MoleculeCount, 3);
    EXPECT_EQ(table.HeaderTokens[1], "CH3");
    EXPECT_EQ(table.Names[0], "Cases");
    EXPECT_EQ(table.Names[3], "p1");
    EXPECT_EQ(table.PropertyTokens[3], "7.5");
    // The prediction molecule's Property text becomes "?" even though it holds a number.
    EXPECT_EQ(table.PropertyTexts[3], "?");
    EXPECT_DOUBLE_EQ(table.Fixed(2, kPropertyColumn), 2);
    EXPECT_DOUBLE_EQ(table.Fixed(1, kNormaliserColumn), 20);
}

TEST_F(SimTableTest, FragmentValuesBelowTheThresholdBecomeZero) {
    // Natoms 20: threshold 1.1 / 20 = 0.055; 0.05 goes, 0.06 stays.
    WriteTable("TESTXSIM.des", 2, 0, {"CH3", "OH"},
               {{"m1", {"0.05", "99.95"}, FixedColumns("1")},
                {"m2", {"0.06", "99.94"}, FixedColumns("2")}});
    const PreparedTable table = Prepare();
    EXPECT_EQ(table.Value(1, 1), 0);
    EXPECT_DOUBLE_EQ(table.Value(2, 1), 0.06);
}

TEST_F(SimTableTest, EliminationWritesNbxWithoutUnsharedFragments) {
    // m2 holds NH2, which no prediction molecule has: it is left out. p1 holds only
    // fragments of calibration molecules and is written with "?".
    WriteThree();
    const PreparedTable table = Prepare();
    EXPECT_EQ(FileLines("TESTXNBX"),
              (std::vector<std::string>{"Case \tProperty", "m1\t1", "p1\t?"}));
    EXPECT_EQ(table.NbxCalibrationCount, 1);
    EXPECT_EQ(table.NbxPredictionCount, 1);
}

TEST_F(SimTableTest, PredictionMoleculesAreComparedWithEveryCalibrationMolecule) {
    // m2 is eliminated for its OH, which no prediction molecule holds; p1's NH2 occurs only
    // in m2, and still counts: the prediction test looks at all calibration molecules.
    WriteTable("TESTXSIM.des", 2, 1, {"CH3", "OH", "NH2"},
               {{"m1", {"100", "0", "0"}, FixedColumns("1")},
                {"m2", {"0", "50", "50"}, FixedColumns("2")},
                {"p1", {"60", "0", "40"}, FixedColumns("?")}});
    Prepare();
    EXPECT_EQ(FileLines("TESTXNBX"),
              (std::vector<std::string>{"Case \tProperty", "m1\t1", "p1\t?"}));
}

TEST_F(SimTableTest, WithoutPredictionSetNoNbxIsWritten) {
    WriteTable("TESTXSIM.des", 2, 0, {"CH3"},
               {{"m1", {"100"}, FixedColumns("1")}, {"m2", {"100"}, FixedColumns("2")}});
    const PreparedTable table = Prepare();
    EXPECT_FALSE(std::filesystem::exists("TESTXNBX"));
    EXPECT_EQ(table.NbxCalibrationCount, 0);
    EXPECT_EQ(table.NbxPredictionCount, 0);
}

TEST_F(SimTableTest, CorrectedUsrNeedsNoShapeTable) {
    WriteThree();
    EXPECT_NO_THROW(Prepare(kCorrectedUsr));
}

TEST_F(SimTableTest, SuperpositionReadsTheAtomsOfEachBlock) {
    WriteThree();
    {
        std::ofstream shp("TESTXSHP.des", std::ios::binary);
        shp << "header line\r\nnewmol\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\nfinmol\r\n"
            << "ignored\r\nnewmol\r\n7\r\n8\r\n9\r\nfinmol\r\nnewmol\r\n1\r\n1\r\n1\r\nfinmol\r\n";
    }
    const PreparedTable table = Prepare(kSuperposition);
    EXPECT_EQ(table.Atom(1, 1, 2), 6);
    EXPECT_EQ(table.Atom(1, 2, 0), 0);
    EXPECT_EQ(table.Atom(2, 0, 1), 8);
    EXPECT_EQ(table.Atom(3, 0, 0), 1);
}

struct BrokenInput {
    const char* label;
    const char* table; // whole table text, CR LF added
    const char* shape; // shape table or nullptr
    int method;
    const char* message; // part of the expected message
};

class BrokenInputTest : public SimTableTest, public ::testing::WithParamInterface<BrokenInput> {};

std::string Fixed(const char* property) {
    return test::Join(FixedColumns(property));
}

const std::string kHeader2 =
    "Cases\tCH3\t" + test::Join(std::vector<std::string>(22, "D")) + "\t2\t0\t1\t0\t0";
const std::string kGoodRows = "m1\t100\t" + Fixed("1") + "\r\nm2\t100\t" + Fixed("2") + "\r\n";
const std::string kOneRow = "m1\t100\t" + Fixed("1") + "\r\n";
const std::string kTooManyTokens = "m1\t100\t" + Fixed("1") + "\textra\r\nm2\t100\t" + Fixed("2");
const std::string kZeroNormaliser = "m1\t100\t" + Fixed("1") + "\r\nm2\t100\t" + [] {
    auto f = FixedColumns("2");
    f[21] = "0";
    return test::Join(f);
}();
const std::string kHalfHeader =
    "Cases\tCH3\t" + test::Join(std::vector<std::string>(22, "D")) + "\t2.5\t0\t1\t0\t0";
const std::string kNegativeHeader =
    "Cases\tCH3\t" + test::Join(std::vector<std::string>(22, "D")) + "\t2\t-1\t1\t0\t0";
const std::string kTable1 = kHeader2 + "\r\n" + kGoodRows;
const std::string kTable2 = kHeader2 + "\r\n" + kOneRow;
const std::string kTable3 = kHeader2 + "\r\n" + kTooManyTokens;
const std::string kTable4 = kHeader2 + "\r\n" + kZeroNormaliser;
const std::string kTable5 = kHalfHeader + "\r\n" + kGoodRows;
const std::string kTable6 = kNegativeHeader + "\r\n" + kGoodRows;
const std::string kTable7 = "\r\n" + kHeader2 + "\r\n" + kGoodRows;
std::string ManyAtoms() {
    std::string text = "newmol\r\n";
    for (int k = 0; k < 303; ++k) {
        text += "1.5\r\n";
    }
    return text + "finmol\r\nnewmol\r\n1\r\n1\r\n1\r\nfinmol\r\n";
}
const std::string kManyAtoms = ManyAtoms();

const BrokenInput kBrokenInputs[] = {
    {"MissingTable", nullptr, nullptr, kCorrectedUsr, "TESTXSIM.des: cannot open"},
    {"FewerLinesThanMolecules", kTable2.c_str(), nullptr, kCorrectedUsr,
     "the header counts 2 molecules but the table has only 1 lines"},
    {"TooManyTokens", kTable3.c_str(), nullptr, kCorrectedUsr, "TESTXSIM.des line 2: 30 tokens"},
    {"ZeroNormaliser", kTable4.c_str(), nullptr, kCorrectedUsr,
     "TESTXSIM.des line 3: molecule m2 has a fragment normaliser"},
    {"CountNotWhole", kTable5.c_str(), nullptr, kCorrectedUsr,
     "number of calibration molecules (header field 24, \"2.5\")"},
    {"CountNegative", kTable6.c_str(), nullptr, kCorrectedUsr, "number of prediction molecules"},
    {"HeaderNotFirst", kTable7.c_str(), nullptr, kCorrectedUsr, "the header line is missing"},
    {"MissingShapeTable", kTable1.c_str(), nullptr, kSuperposition,
     "TESTXSHP.des: cannot open the shape table"},
    {"FewerBlocks", kTable1.c_str(), "newmol\r\n1\r\n2\r\n3\r\nfinmol\r\n", kSuperposition,
     "TESTXSHP.des: 1 molecule blocks, the table has 2"},
    {"TooManyAtoms", kTable1.c_str(), kManyAtoms.c_str(), kSuperposition,
     "molecule 1 (m1) has more than 100 atoms"},
    {"BlockWithoutEnd", kTable1.c_str(), "newmol\r\n1\r\n2\r\n3\r\nnewmol\r\n", kSuperposition,
     "has no \"finmol\" line"},
};

TEST_P(BrokenInputTest, IsRefusedBeforeAnythingIsWritten) {
    const BrokenInput& input = GetParam();
    if (input.table != nullptr) {
        std::ofstream("TESTXSIM.des", std::ios::binary) << input.table;
    }
    if (input.shape != nullptr) {
        std::ofstream("TESTXSHP.des", std::ios::binary) << input.shape;
    }
    const std::string message = PrepareError(input.method);
    EXPECT_NE(message.find(input.message), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists("TESTXSIM.res"));
    EXPECT_FALSE(std::filesystem::exists("TESTXNBX"));
}

INSTANTIATE_TEST_SUITE_P(Limits, BrokenInputTest, ::testing::ValuesIn(kBrokenInputs),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(SimTableTest, ResultsFileStartIsAppended) {
    WriteThree();
    PreparedTable table = Prepare();
    WriteResultsStart(choices_, table);
    WriteResultsStart(choices_, table);
    const std::vector<std::string> lines = FileLines("TESTXSIM.res");
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines[1], "     Program KalemirS");
    EXPECT_EQ(lines[3].size(), 15u); // "     mm-dd-yyyy"
    EXPECT_EQ(lines[6], "     Descriptors' file: TESTXSIM.des");
    EXPECT_EQ(lines[8], "Number of the calibration set molecules: 2");
    EXPECT_EQ(lines[9], "Number of the prediction set molecules: 1");
    EXPECT_EQ(lines[12], "     Program KalemirS");
}

} // namespace
} // namespace kalemir::sim
