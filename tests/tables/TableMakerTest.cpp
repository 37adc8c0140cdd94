#include "tables/TableMaker.h"

#include "TestData.h"
#include "common/ComputingWindow.h"
#include "common/Errors.h"
#include "common/FileFaults.h"
#include "common/RunLock.h"
#include "similarity/SimState.h"
#include "similarity/SimTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

namespace kalemir::tables {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::SplitReportLines;
using kalemir::testing::WriteFile;

const char* const kBzrSdf = "/usr/share/RDKit/Projects/DbCLI/testData/bzr.sdf";

std::set<std::string> FolderFiles() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TableRequest Request(const std::string& structures, const std::string& tables = "qspr") {
    TableRequest request;
    request.structures = structures;
    request.set = "TST01";
    request.property = "Act";
    request.tables = tables;
    request.threads = 1;
    request.replace = true; // the tests make a set again in its folder
    return request;
}

/// The ACTIVITY field and the heavy-atom coordinates of every record of an SD file, read
/// line by line without the toolkit.
struct SdTruth {
    std::vector<std::string> activity;
    std::vector<std::vector<std::array<double, 3>>> atoms;
};

SdTruth ReadSdTruth(const std::string& path) {
    SdTruth truth;
    std::ifstream in(path);
    std::string line;
    int lineInRecord = 0;
    int atomsLeft = 0;
    while (std::getline(in, line)) {
        ++lineInRecord;
        if (line.rfind("$$$$", 0) == 0) {
            lineInRecord = 0;
        } else if (lineInRecord == 4) {
            atomsLeft = std::stoi(line.substr(0, 3));
            truth.atoms.emplace_back();
        } else if (atomsLeft > 0) {
            --atomsLeft;
            const std::string element = line.substr(31, 3);
            if (element.find('H') != 0 || element[1] != ' ') {
                truth.atoms.back().push_back({std::stod(line.substr(0, 10)),
                                              std::stod(line.substr(10, 10)),
                                              std::stod(line.substr(20, 10))});
            }
        } else if (line.rfind(">  <ACTIVITY>", 0) == 0 && std::getline(in, line)) {
            ++lineInRecord;
            truth.activity.push_back(line);
        }
    }
    return truth;
}

// The aligned SD set: the values of the field and the file's own heavy-atom coordinates
// reach the tables, and the similarity program reads the similarity and shape tables back.
TEST(TableMaker, SdFileGivesItsValuesAndCoordinatesReadBackBySimilarityReaders) {
    ScratchDir dir("bzr-route");
    TableRequest request = Request(kBzrSdf, "qspr,sim,shp");
    request.property = "ACTIVITY";
    request.set = "BZR09";
    SilentWindow window;
    const TableOutcome outcome = MakeTables(request, window);
    EXPECT_EQ(outcome.calibration, 163);
    EXPECT_TRUE(outcome.skipped.empty());

    const SdTruth truth = ReadSdTruth(kBzrSdf);
    ASSERT_EQ(truth.activity.size(), 163u);
    const auto qspr = SplitReportLines(ReadFile("BZR09"));
    ASSERT_EQ(qspr.size(), 164u);
    EXPECT_EQ(qspr[0], "Cases\tACTIVITY");
    EXPECT_EQ(qspr[1], "Adinazolam\t6.87");
    for (std::size_t m = 0; m < 163; ++m) {
        const std::string value = qspr[m + 1].substr(qspr[m + 1].find('\t') + 1);
        EXPECT_DOUBLE_EQ(std::stod(value), std::stod(truth.activity[m])) << qspr[m + 1];
    }

    sim::RunChoices choices;
    choices.TableFileName = "BZR09SIM.des";
    sim::DeriveFileNames(choices);
    sim::PreparedTable state;
    sim::ReadTableHeader(choices, state);
    EXPECT_EQ(state.CalibrationCount, 163);
    EXPECT_EQ(state.PredictionCount, 0);
    // The example set's 37 fragments: the ones no molecule of the set has are left out.
    EXPECT_EQ(state.FragmentCount, 37);
    sim::ReadTable(choices, state);
    sim::FillMoleculeList(choices, state);
    sim::ReadShapeTable(choices, state);
    EXPECT_EQ(state.Names[1], "Adinazolam");
    EXPECT_EQ(state.PropertyTexts[1], "6.87");
    // The shape table moves the whole set by the same whole number on each axis.
    const double shift[3] = {state.Atom(1, 0, 0) - truth.atoms[0][0][0],
                             state.Atom(1, 0, 1) - truth.atoms[0][0][1],
                             state.Atom(1, 0, 2) - truth.atoms[0][0][2]};
    for (const double s : shift) {
        EXPECT_NEAR(s, std::round(s), 1e-9);
    }
    for (int m = 0; m < 163; ++m) {
        const auto& atoms = truth.atoms[static_cast<std::size_t>(m)];
        double percents = 0;
        for (int f = 1; f <= state.FragmentCount; ++f) {
            percents += state.Value(m + 1, f);
        }
        EXPECT_NEAR(percents, 100, 1e-3) << m;
        for (std::size_t a = 0; a < atoms.size(); ++a) {
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_NEAR(state.Atom(m + 1, static_cast<int>(a), axis) - shift[axis],
                            atoms[a][static_cast<std::size_t>(axis)], 1e-9);
                EXPECT_GE(state.Atom(m + 1, static_cast<int>(a), axis), 1.0);
            }
        }
        EXPECT_EQ(state.Atom(m + 1, static_cast<int>(atoms.size()), 0), 0) << "atoms of " << m;
    }
}

// Fifteen held out of the 163 aligned molecules are the prediction set of the example's
// BZR01, made by the same rule by another program (its map names them by their titles).
TEST(TableMaker, HoldOutOfTheSdSetIsTheExamplePredictionSet) {
    ScratchDir dir("bzr-hold-out");
    TableRequest request = Request(kBzrSdf);
    request.property = "ACTIVITY";
    request.holdOut = 15;
    SilentWindow window;
    MakeTables(request, window);
    std::set<std::string> heldOut;
    for (const std::string& line : SplitReportLines(ReadFile("TST01obs"))) {
        heldOut.insert(line.substr(0, line.find('\t')));
    }
    heldOut.erase("Cases");
    std::set<std::string> example;
    const auto map =
        SplitReportLines(ReadFile(std::string(KALEMIR_EXAMPLES_DIR) + "/bzr/BZR01map.txt"));
    for (const std::string& line : map) {
        if (line.find("\tpred\t") != std::string::npos) {
            example.insert(line.substr(line.rfind('\t') + 1));
        }
    }
    EXPECT_EQ(example.size(), 15u);
    EXPECT_EQ(heldOut, example);
}

/// Six molecules with values 5 1 3 2 6 4, one without a value, one that does not parse,
/// one without a heavy atom.
const char* const kSmallSet = "SMILES,Name,Act\n"
                              "CCO,ethanol,5\n"
                              "CC(=O)O,acetic acid,1\n"
                              "c1ccccc1,benzene,3\n"
                              "C1CC,broken,7\n"
                              "CS(=O)(=O)N,methanesulfonamide,2\n"
                              "[H][H],hydrogen,4\n"
                              "C[N+](=O)[O-],nitromethane,6\n"
                              "CCCCl,chloropropane,?\n"
                              "CC(C)C,isobutane,4\n";

// Ranked by value the known molecules are acetic acid 1, methanesulfonamide 2, benzene 3,
// isobutane 4, ethanol 5, nitromethane 6; two held out take ranks floor(0.5 * 6 / 2) = 1
// and floor(1.5 * 6 / 2) = 4: methanesulfonamide and ethanol.
TEST(TableMaker, HoldOutSpreadOverTheRangeAndPredictionMoleculesLast) {
    ScratchDir dir("hold-out");
    WriteFile("small.csv", kSmallSet);
    TableRequest request = Request("small.csv");
    request.holdOut = 2;
    SilentWindow window;
    const TableOutcome outcome = MakeTables(request, window);
    EXPECT_EQ(outcome.calibration, 4);
    EXPECT_EQ(outcome.prediction, 3);
    EXPECT_EQ(ReadFile("TST01"), "Cases\tAct\r\nacetic_acid\t1\r\nbenzene\t3\r\n"
                                 "nitromethane\t6\r\nisobutane\t4\r\nethanol\t?\r\n"
                                 "methanesulfonamide\t?\r\nchloropropane\t?\r\n");
    EXPECT_EQ(ReadFile("TST01obs"), "Cases\tAct\r\nethanol\t5\r\nmethanesulfonamide\t2\r\n");
    const auto skipped = SplitReportLines(ReadFile("TST01skipped.txt"));
    ASSERT_EQ(skipped.size(), 3u);
    EXPECT_EQ(skipped[1].substr(0, 15), "4\t5\tbroken\tthe ");
    EXPECT_EQ(skipped[2], "6\t7\thydrogen\tno heavy atom");
    const auto map = SplitReportLines(ReadFile("TST01map.txt"));
    EXPECT_EQ(map[0], "Cases\tSet\tInput\tPosition\tObserved\tSMILES\tStandardised\tChanges");
    EXPECT_EQ(map[1], "acetic_acid\tcal\tacetic acid\t2\t1\tCC(=O)O\tCC(=O)O\tunchanged");
    EXPECT_EQ(map[3], "nitromethane\tcal\tnitromethane\t7\t6\tC[N+](=O)[O-]\tC[N+](=O)[O-]\t"
                      "unchanged");
    EXPECT_EQ(map[5], "ethanol\tpred\tethanol\t1\t5\tCCO\tCCO\tunchanged");
    EXPECT_EQ(map[7], "chloropropane\tpred\tchloropropane\t8\t?\tCCCCl\tCCCCl\tunchanged");
    EXPECT_EQ(map[9].substr(0, 22), "Names as table tokens:");

    // Made again without a hold-out, the set has no held-out table of the earlier run.
    request.holdOut = 0;
    EXPECT_EQ(MakeTables(request, window).removedStale, "TST01obs");
    EXPECT_FALSE(std::filesystem::exists("TST01obs"));
}

TEST(TableMaker, TiedValuesAreRankedByInputOrder) {
    ScratchDir dir("ties");
    WriteFile("ties.smi", "C a\nCC b\nCCC c\n");
    WriteFile("ties.csv", "Name,Act\na,2\nb,2\nc,2\n");
    TableRequest request = Request("ties.smi");
    request.valuesFile = "ties.csv";
    request.property.clear();
    request.holdOut = 1; // rank floor(0.5 * 3 / 1) = 1: the second of the three
    SilentWindow window;
    MakeTables(request, window);
    EXPECT_EQ(ReadFile("TST01"), "Cases\tAct\r\na\t2\r\nc\t2\r\nb\t?\r\n");
}

// Every table of a run, made on one worker and on two, then made again: the same bytes.
TEST(TableMaker, SameBytesOnEveryRunAndAnyThreadCount) {
    ScratchDir dir("same-bytes");
    WriteFile("small.csv", kSmallSet);
    TableRequest request = Request("small.csv", kAllTables);
    std::map<std::string, std::string> first;
    for (const int threads : {1, 2, 2}) {
        request.threads = threads;
        SilentWindow window;
        const TableOutcome outcome = MakeTables(request, window);
        ASSERT_EQ(outcome.files.size(), 10u);
        for (const std::string& file : outcome.files) {
            if (first.count(file) == 0) {
                first[file] = ReadFile(file);
            } else {
                EXPECT_EQ(ReadFile(file), first[file]) << file << " on " << threads;
            }
        }
    }
    // Embedded molecules are in their principal-axes frame, shifted as one set.
    EXPECT_EQ(first["TST01SHP.des"].substr(0, 8), "newmol\r\n");
    EXPECT_NE(first["TST01SIM.des"].find("\tNatoms\t5\t1\t"), std::string::npos);
    // The 3D descriptors have the QSPR table's molecules in its order, which is how the
    // QSPR program reads a descriptor table, and only columns that vary.
    const auto qspr = SplitReportLines(first["TST01"]);
    const auto d3d = SplitReportLines(first["TST01d3d.des"]);
    ASSERT_EQ(d3d.size(), qspr.size());
    for (std::size_t i = 1; i < d3d.size(); ++i) {
        EXPECT_EQ(d3d[i].substr(0, d3d[i].find('\t')), qspr[i].substr(0, qspr[i].find('\t')));
    }
    EXPECT_EQ(d3d[0].substr(0, 11), "Cases\tPMI1\t");
    std::vector<std::set<std::string>> columnValues;
    for (std::size_t i = 1; i < d3d.size(); ++i) {
        std::size_t c = 0;
        for (std::size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1, ++c) {
            tab = d3d[i].find('\t', start);
            columnValues.resize(std::max(columnValues.size(), c + 1));
            columnValues[c].insert(d3d[i].substr(start, tab - start));
        }
    }
    for (std::size_t c = 1; c < columnValues.size(); ++c) {
        EXPECT_GT(columnValues[c].size(), 1u) << "column " << c << " is constant";
    }
}

// The fullerene, whose embedding takes some 20 s, runs out of its 1 s: it keeps its QSPR
// row and loses only its similarity and shape rows. The 3D descriptor table, read by
// position beside the QSPR table, would then have a hole, so it is not made and the
// outcome says why.
TEST(TableMaker, MoleculePastTheEmbeddingTimeLosesOnlyItsConformer) {
    ScratchDir dir("embed-time");
    WriteFile("set.smi",
              "C12=C3C4=C5C6=C1C7=C8C9=C1C%10=C%11C(=C29)C3=C2C3=C4C4=C5C5=C9C6=C7C6=C7C8=C1C1=C8C%"
              "10=C%10C%11=C2C2=C3C3=C4C4=C5C5=C%11C%12=C(C6=C95)C7=C1C1=C%12C5=C%11C4=C3C3=C5C(="
              "C81)C%10=C23 c60\nCCCCO butanol\nCCc1ccccc1 ethylbenzene\n");
    WriteFile("values.csv", "Name,Act\nc60,1\nbutanol,2\nethylbenzene,3\n");
    TableRequest request = Request("set.smi", "qspr,d3d");
    request.valuesFile = "values.csv";
    request.property.clear();
    request.embedSeconds = 1;
    request.threads = 2;
    SilentWindow window;
    const TableOutcome outcome = MakeTables(request, window);
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(outcome.skipped[0].name, "c60");
    EXPECT_EQ(outcome.skipped[0].reason,
              "embedding took longer than 1 s: left out of the similarity and shape tables only");
    EXPECT_EQ(ReadFile("TST01"), "Cases\tAct\r\nc60\t1\r\nbutanol\t2\r\nethylbenzene\t3\r\n");
    EXPECT_EQ(outcome.d3dLeftOut, "1 molecule has no 3D conformer");
    EXPECT_FALSE(std::filesystem::exists("TST01d3d.des"));
}

struct ProposalCase {
    const char* what;
    const char* csv;
    const char* proposed;
};

// The property proposed for a structure file: the first column other than the name and
// the SMILES in which more than half of the molecules have a number.
TEST(TableMaker, ProposedPropertyIsTheFirstMostlyNumericColumn) {
    const ProposalCase cases[] = {
        {"text column first", "SMILES,ID,Code,logS\nCCO,a,x,1\nCC,b,y,2\n", "logS"},
        {"numeric name column", "ID,SMILES,Act\n1,CCO,5.5\n2,CC,6\n", "Act"},
        {"half numbers is not enough", "SMILES,Name,Note,pKa\nCCO,a,1,4.2\nCC,b,?,5\n", "pKa"},
        {"most are numbers", "SMILES,Name,pKa\nCCO,a,4.2\nCC,b,?\nC,c,3\n", "pKa"},
        {"no numbers", "SMILES,Name,Note\nCCO,a,x\nCC,b,n/a\n", ""},
    };
    ScratchDir dir("proposal");
    for (const ProposalCase& c : cases) {
        WriteFile("set.csv", c.csv);
        EXPECT_EQ(ProposedProperty("set.csv", ""), c.proposed) << c.what;
    }
    // A name column chosen by the user is never proposed.
    WriteFile("set.csv", "SMILES,Code,Act\nCCO,1,x\nCC,2,y\n");
    EXPECT_EQ(ProposedProperty("set.csv", ""), "Code");
    EXPECT_EQ(ProposedProperty("set.csv", "Code"), "");
}

TEST(TableMaker, MoleculeTooLargeForTheShapeTableIsLeftOut) {
    ScratchDir dir("too-large");
    WriteFile("large.smi", "CCO small\n" + std::string(101, 'C') + " large\n");
    WriteFile("values.csv", "Name,Act\nsmall,1\nlarge,2\n");
    TableRequest request = Request("large.smi", "qspr,shp");
    request.valuesFile = "values.csv";
    request.property.clear();
    SilentWindow window;
    const TableOutcome outcome = MakeTables(request, window);
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(outcome.skipped[0].reason, "more than 100 heavy atoms (101) for the shape table: "
                                         "left out of the similarity and shape tables only");
    EXPECT_TRUE(outcome.skipped[0].shapeOnly);
    EXPECT_EQ(ReadFile("TST01"), "Cases\tAct\r\nsmall\t1\r\nlarge\t2\r\n");
    request.tables = "qspr";
    EXPECT_TRUE(MakeTables(request, window).skipped.empty());
}

// A molecule of fewer than 4 heavy atoms has no shape columns but stays in the QSPR,
// descriptor and fragment tables; the similarity table counts only its own rows and
// agrees with the shape table. Without standardisation the salt keeps its counter-ion.
TEST(TableMaker, ShapelessMoleculeKeptOutOfTheSimilarityAndShapeTablesOnly) {
    ScratchDir dir("shapeless");
    WriteFile("set.csv", "SMILES,Name,Act\nCCO,ethanol,1\nCCCCO,butanol,2\nCCCCCO,pentanol,?\n"
                         "CCCCN.Cl,butylamine hydrochloride,3\n");
    TableRequest request = Request("set.csv", "qspr,d2d,vfr,sim,shp");
    SilentWindow window;
    const TableOutcome outcome = MakeTables(request, window);
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(outcome.skipped[0].name, "ethanol");
    EXPECT_TRUE(outcome.skipped[0].shapeOnly);
    const auto skipped = SplitReportLines(ReadFile("TST01skipped.txt"));
    EXPECT_EQ(skipped[1], "1\t2\tethanol\tfewer than 4 heavy atoms for the shape columns: left "
                          "out of the similarity and shape tables only");
    for (const char* table : {"TST01", "TST01d2d.des", "TST01vfr.des"}) {
        const auto lines = SplitReportLines(ReadFile(table));
        ASSERT_EQ(lines.size(), 5u) << table;
        EXPECT_EQ(lines[1].substr(0, 8), "ethanol\t") << table;
    }
    const auto sim = SplitReportLines(ReadFile("TST01SIM.des"));
    ASSERT_EQ(sim.size(), 4u);
    // two calibration molecules and one prediction molecule of its own
    EXPECT_NE(sim[0].find("\tNatoms\t2\t1\t"), std::string::npos) << sim[0];
    EXPECT_EQ(sim[1].substr(0, 8), "butanol\t");
    EXPECT_EQ(sim[3].substr(0, 9), "pentanol\t");
    const std::string shape = ReadFile("TST01SHP.des");
    std::size_t molecules = 0;
    for (std::size_t at = shape.find("newmol"); at != std::string::npos;
         at = shape.find("newmol", at + 1)) {
        ++molecules;
    }
    EXPECT_EQ(molecules, 3u);
    const auto map = SplitReportLines(ReadFile("TST01map.txt"));
    EXPECT_EQ(map[3], "butylamine_hydrochloride\tcal\tbutylamine hydrochloride\t4\t3\tCCCCN.Cl\t"
                      "CCCCN\tremoved 1 fragment: hydrogen chloride");
    // Standardisation off: the map keeps its former columns and the salt is described whole.
    request.standardise = "none";
    request.tables = "qspr,vfr";
    MakeTables(request, window);
    EXPECT_EQ(SplitReportLines(ReadFile("TST01map.txt"))[0],
              "Cases\tSet\tInput\tPosition\tObserved\tSMILES");
    EXPECT_EQ(SplitReportLines(ReadFile("TST01vfr.des"))[0].substr(0, 5), "Cases");
    EXPECT_NE(ReadFile("TST01vfr.des").find("Clother"), std::string::npos);
}

// The toolkit's refusals become reasons of the suite's own, naming the atom where it can.
TEST(TableMaker, UnreadableStructuresGetReasonsInTheSuitesWords) {
    ScratchDir dir("reasons");
    WriteFile("set.csv", "SMILES,Name,Act\nCN(C)(C)(C)C,pentavalent,1\nc1cccc1,odd_ring,2\n"
                         "*CC,dummy,3\nCCCC[Se]C,selenide,4\nCCCO,propanol,5\n");
    TableRequest request = Request("set.csv", "qspr,d2d");
    SilentWindow window;
    const TableOutcome outcome = MakeTables(request, window);
    const char* const reasons[] = {
        "the SMILES: atom 2 has too many bonds",
        "the SMILES: an aromatic ring has no alternating single and double bonds",
        "the SMILES: atom 1 is no element (*)",
        "no partial charges for element Se (2D descriptors)"};
    ASSERT_EQ(outcome.skipped.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(outcome.skipped[k].reason, reasons[k]);
        EXPECT_FALSE(outcome.skipped[k].shapeOnly);
    }
    // Without the 2D descriptors the selenide is described.
    request.tables = "qspr,vfr";
    EXPECT_EQ(MakeTables(request, window).skipped.size(), 3u);
    EXPECT_NE(ReadFile("TST01vfr.des").find("\tSe"), std::string::npos);
}

struct RefusedRequest {
    const char* what;
    void (*change)(TableRequest&);
    const char* message;
};

// Refused before anything is written: the folder keeps only its input files.
TEST(TableMaker, RefusedInputWritesNothing) {
    const RefusedRequest cases[] = {
        {"short set name", [](TableRequest& r) { r.set = "TST1"; }, "five letters and digits"},
        {"set name with a dash", [](TableRequest& r) { r.set = "TS-01"; }, "five letters"},
        {"unknown table", [](TableRequest& r) { r.tables = "qspr,fpc"; }, "unknown table 'fpc'"},
        {"unknown standardisation", [](TableRequest& r) { r.standardise = "salts"; },
         "--standardise: unknown choice 'salts'"},
        {"missing file", [](TableRequest& r) { r.structures = "none.csv"; }, "none.csv: no such"},
        {"no values", [](TableRequest& r) { r.property.clear(); }, "no measured values"},
        {"hold-out of all", [](TableRequest& r) { r.holdOut = 6; }, "leaves no calibration"},
        {"no molecule left",
         [](TableRequest& r) {
             r.structures = "bad.smi";
             r.property.clear();
             r.valuesFile = "values.csv";
         },
         "no molecule is left: all 2 were left out (first: line 1, x: the SMILES"},
        {"no value at all", [](TableRequest& r) { r.structures = "novalue.csv"; },
         "no molecule has a measured value of Act"},
        {"same name twice", [](TableRequest& r) { r.structures = "twice.csv"; },
         "twice.csv line 3: molecule a_b has the name of the molecule on line 2"},
        {"missing folder", [](TableRequest& r) { r.folder = "nowhere"; }, "nowhere: no such"},
        {"no table", [](TableRequest& r) { r.tables.clear(); }, "no table chosen"},
        {"no embedding time", [](TableRequest& r) { r.embedSeconds = 0; },
         "--embed-seconds must be a positive number of seconds"},
        {"set already in the folder",
         [](TableRequest& r) {
             r.set = "OLD01";
             r.replace = false;
         },
         "the set OLD01 is already in the folder (OLD01, OLD01map.txt); give --replace"},
    };
    ScratchDir dir("refused");
    WriteFile("small.csv", kSmallSet);
    WriteFile("bad.smi", "C1CC x\n[H] y\n");
    WriteFile("values.csv", "Name,Act\nx,1\n");
    WriteFile("novalue.csv", "SMILES,Name,Act\nCCO,e,?\nCC,f,n/a\n");
    WriteFile("twice.csv", "SMILES,Name,Act\nCCO,a b,1\nCC,a_b,2\n");
    WriteFile("OLD01", "Cases\tAct\r\n");
    WriteFile("OLD01map.txt", "edited by hand\n");
    const std::set<std::string> inputs = FolderFiles();
    for (const RefusedRequest& c : cases) {
        TableRequest request = Request("small.csv");
        c.change(request);
        SilentWindow window;
        try {
            MakeTables(request, window);
            ADD_FAILURE() << c.what << ": tables made";
        } catch (const InputError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.what << ": " << e.what();
        }
        EXPECT_EQ(FolderFiles(), inputs) << c.what;
    }
    EXPECT_EQ(ReadFile("OLD01map.txt"), "edited by hand\n");
}

// A disk that fills up at any write: the run fails and leaves no table, whole or partial,
// and no temporary file.
TEST(TableMaker, FailedWriteLeavesNoTable) {
    ScratchDir dir("full-disk");
    WriteFile("small.csv", kSmallSet);
    const std::set<std::string> inputs = FolderFiles();
    const TableRequest request = Request("small.csv", "qspr,d2d,mfp,vfr");
    SilentWindow window;
    FailNthWrite(0);
    MakeTables(request, window);
    const long writes = WritesSinceArmed();
    ASSERT_GE(writes, 6);
    for (const std::string& name : FolderFiles()) {
        if (inputs.count(name) == 0) {
            std::filesystem::remove(name);
        }
    }
    for (const long n : {1L, writes / 2, writes}) {
        FailNthWrite(n);
        EXPECT_THROW(MakeTables(request, window), WriteFailure) << n;
        EXPECT_EQ(FolderFiles(), inputs) << "write " << n;
    }
    FailNthWrite(0);
}

// One run per folder, as for the QSPR and similarity programs: a folder another run holds
// is refused with the holder named, and nothing is written.
TEST(TableMaker, AFolderHeldByAnotherRunIsRefusedUntouched) {
    ScratchDir dir("locked");
    WriteFile("small.csv", kSmallSet);
    std::filesystem::create_directory("out");
    const RunLock other("KalemirQ", "out/" + std::string(kRunLockName));
    const std::set<std::string> inputs = FolderFiles();
    TableRequest request = Request("small.csv");
    request.folder = "out";
    SilentWindow window;
    try {
        MakeTables(request, window);
        ADD_FAILURE() << "tables made in a held folder";
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("KalemirQ (process"), std::string::npos) << e.what();
    }
    EXPECT_EQ(FolderFiles(), inputs);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("out"),
                            std::filesystem::directory_iterator()),
              1); // the holder's lock file only
}

TEST(TableMaker, StopRequestEndsTheRunWithoutTables) {
    ScratchDir dir("stopped");
    WriteFile("small.csv", kSmallSet);
    const std::set<std::string> inputs = FolderFiles();
    SilentWindow window;
    window.RequestStop();
    EXPECT_THROW(MakeTables(Request("small.csv"), window), RunInterrupted);
    EXPECT_EQ(FolderFiles(), inputs);
}

} // namespace
} // namespace kalemir::tables
