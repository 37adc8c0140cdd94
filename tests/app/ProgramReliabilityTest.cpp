// Both programs as a user runs them, under bad tables, failing writes, a second run in the
// same folder and interrupts: a clear message, the right exit status, nothing lost.

#include "TestData.h"
#include "app/ProgramRunner.h"
#include "common/RunLock.h"
#include "common/WorkFiles.h"
#include "similarity/SimTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>

namespace kalemir {
namespace {

namespace fs = std::filesystem;
using sim::test::FixedColumns;
using sim::test::Row;
using sim::test::WriteTable;
using testing::ChildProgram;
using testing::ReadFile;
using testing::RunProgram;
using testing::ScratchDir;
using testing::WriteFile;

const std::string kKalemirS = std::string(KALEMIR_BINARY_DIR) + "/src/app/KalemirS";
const std::string kKalemirQ = std::string(KALEMIR_BINARY_DIR) + "/src/app/KalemirQ";

std::map<std::string, std::string> FolderFiles() {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(".")) {
        if (entry.is_regular_file() && entry.path().filename() != "stderr.txt") {
            files[entry.path().filename().string()] = ReadFile(entry.path().string());
        }
    }
    return files;
}

/// Four molecules, three fragments: three calibration molecules and one to predict.
void WriteSmallSimilarityTable(const std::string& name) {
    WriteTable(name, 3, 1, {"CH3", "OH", "NH2"},
               {Row{"m1", {"2", "1", "0"}, FixedColumns("1.5", 0)},
                Row{"m2", {"2", "0", "1"}, FixedColumns("2.5", 0.2)},
                Row{"m3", {"1", "1", "1"}, FixedColumns("3.0", 0.4)},
                Row{"m4", {"2", "1", "1"}, FixedColumns("7", 0.3)}});
}

std::string Shape(int molecules, int coordinates) {
    std::string text;
    for (int m = 0; m < molecules; ++m) {
        text += "newmol\r\n";
        for (int c = 0; c < coordinates; ++c) {
            text += std::to_string(c % 5) + "." + std::to_string(m) + "\r\n";
        }
        text += "finmol\r\n";
    }
    return text;
}

int RunS(const std::vector<std::string>& arguments, std::string* errors,
         const std::vector<std::pair<std::string, std::string>>& environment = {}) {
    const int status = RunProgram(kKalemirS, arguments, "stderr.txt", environment);
    *errors = ReadFile("stderr.txt");
    return status;
}

/// Lines of a report (CR LF) with its date and time lines ("     12-31-2024",
/// "     23:59:59") masked.
std::vector<std::string> MaskedLines(const std::string& text) {
    std::vector<std::string> lines = kalemir::testing::SplitReportLines(text);
    for (std::string& line : lines) {
        const bool stamp = (line.size() == 15 || line.size() == 13) &&
                           line.rfind("     ", 0) == 0 &&
                           line.find_first_not_of("0123456789-:", 5) == std::string::npos;
        if (stamp) {
            line = "date or time";
        }
    }
    return lines;
}

struct BadTable {
    const char* kind;
    std::string table;     // content of BADSSIM.des; "<dir>" for a folder, "<none>" absent
    std::string shape;     // content of BADSSSHP.des when superposition is chosen
    std::string mentioned; // what the message must say
};

TEST(SimilarityBadInputTest, EveryKindIsRefusedWithOneMessageAndNothingWritten) {
    ScratchDir dir{"sim-bad"};
    WriteSmallSimilarityTable("GOODSIM.des");
    const std::string good = ReadFile("GOODSIM.des");
    const std::string header = good.substr(0, good.find("\r\n"));
    std::string headerMoreMolecules = header;
    headerMoreMolecules.replace(headerMoreMolecules.rfind("\t3\t1\t3\t"), 7, "\t9\t1\t3\t");
    std::string headerManyFragments = header;
    headerManyFragments.replace(headerManyFragments.rfind("\t3\t1\t3\t"), 7, "\t3\t1\t99\t");
    const std::string rows = good.substr(good.find("\r\n") + 2);
    std::string longLine = "m5";
    while (longLine.size() < (1u << 20)) {
        longLine += "\t0.5";
    }
    std::string moreTokens = header + "\r\n" + rows.substr(0, rows.rfind("m4")) + "m4";
    for (int k = 0; k < 32; ++k) {
        moreTokens += "\t1";
    }
    moreTokens += "\r\n";
    std::string shortRow = rows.substr(0, rows.rfind("m4")) + "m4\t2\t1\t1\t0.5\r\n";
    std::string twice = good;
    twice.replace(twice.find("m3\t"), 2, "m1");
    std::string comma = good;
    comma.replace(comma.find("2.5", comma.find("m2\t")), 3, "2,5");

    const std::vector<BadTable> cases = {
        {"missing file", "<none>", "", "BADSSIM.des: cannot open the similarity table"},
        {"a folder", "<dir>", "", "BADSSIM.des: is a folder, not a table"},
        {"empty file", "", "", "BADSSIM.des: the table is empty"},
        {"blank lines only", "\r\n \r\n\t\r\n", "", "BADSSIM.des: the table is empty"},
        {"binary garbage", good.substr(0, 200) + std::string("\0\x01\xFF\xFE", 4) + good, "",
         "BADSSIM.des line 2: binary data (a NUL byte), not a text table"},
        {"header not the first line", "\r\n" + good, "", "line 1: the header line is missing"},
        {"header without counts", "Cases\tCH3\r\n" + rows, "", "fewer than five"},
        {"more molecules counted than lines", headerMoreMolecules + "\r\n" + rows, "",
         "counts 10 molecules but the table has only 4 lines"},
        {"more lines than molecules counted", good + rows.substr(0, rows.find("\r\n") + 2), "",
         "line 6: a molecule beyond the 4 the header counts"},
        {"more fragments counted than named", headerManyFragments + "\r\n" + rows, "",
         "line 1: the header counts 99 fragments but names only"},
        {"a row with more tokens than the header", moreTokens, "",
         "line 5: 33 tokens, more than the 31 the header's counts allow"},
        {"a row with fewer tokens", header + "\r\n" + shortRow, "",
         "line 5: molecule m4 has 5 tokens, fewer than the 26"},
        {"a line of a megabyte", header + "\r\n" + rows.substr(0, rows.rfind("m4")) + longLine, "",
         "line 5: 262145 tokens, more than the 31"},
        {"shape block not whole coordinates", good, Shape(3, 6) + Shape(1, 7),
         "BADSSSHP.des line 33: the block of molecule 4 (m4) ends inside the coordinates"},
        {"shape table with too few blocks", good, Shape(3, 6),
         "BADSSSHP.des: 3 molecule blocks, the table has 4 molecules"},
        {"no shape table", good, "<none>", "BADSSSHP.des: cannot open the shape table"},
        {"a name twice", twice, "",
         "BADSSIM.des lines 2 and 4: molecule m1 is listed twice (each molecule needs a name "
         "of its own)\n"},
        {"a value with a decimal comma", comma, "",
         "BADSSIM.des line 3: molecule m2: the value 2,5 has a decimal comma (write it with a "
         "decimal point)\n"},
    };
    for (const BadTable& c : cases) {
        SCOPED_TRACE(c.kind);
        fs::remove_all("BADSSIM.des");
        fs::remove("BADSSSHP.des");
        if (c.table == "<dir>") {
            fs::create_directory("BADSSIM.des");
        } else if (c.table != "<none>") {
            WriteFile("BADSSIM.des", c.table);
        }
        std::vector<std::string> arguments = {"run", "--quiet"};
        if (!c.shape.empty()) {
            arguments.insert(arguments.end(), {"--shape", "superposition"});
            if (c.shape != "<none>") {
                WriteFile("BADSSSHP.des", c.shape);
            }
        }
        arguments.push_back("BADSSIM.des");
        const std::map<std::string, std::string> before = FolderFiles();
        std::string errors;
        EXPECT_EQ(RunS(arguments, &errors), 2) << errors;
        EXPECT_NE(errors.find(c.mentioned), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        EXPECT_EQ(FolderFiles(), before) << "a file was touched";
    }
}

TEST(SimilarityBadInputTest, AByteOrderMarkAndNonAsciiNamesPassUnchanged) {
    ScratchDir dir{"sim-bytes"};
    WriteSmallSimilarityTable("PLAINSIM.des");
    std::string text = ReadFile("PLAINSIM.des");
    text.replace(text.find("m1\t"), 2, "\xE9thanol");
    text.replace(text.find("m4\t"), 2, "\xB5-\xC4");
    WriteFile("BYTESSIM.des", "\xEF\xBB\xBF" + text);
    std::string errors;
    ASSERT_EQ(RunS({"run", "--quiet", "BYTESSIM.des"}, &errors), 0) << errors;
    // The prediction molecule shares its fragments with the calibration set: both kept.
    const std::string nbx = ReadFile("BYTESNBX");
    EXPECT_NE(nbx.find("\r\n\xE9thanol\t1.5\r\n"), std::string::npos) << nbx;
    EXPECT_NE(nbx.find("\r\n\xB5-\xC4\t?\r\n"), std::string::npos) << nbx;
}

TEST(SimilarityBadInputTest, LfOnlyAndCrLfTablesGiveTheSameResults) {
    ScratchDir dir{"sim-lf"};
    WriteSmallSimilarityTable("CRLFASIM.des");
    std::string lf = ReadFile("CRLFASIM.des");
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    WriteFile("LFONLSIM.des", lf);
    std::string errors;
    ASSERT_EQ(RunS({"run", "--quiet", "CRLFASIM.des"}, &errors), 0) << errors;
    ASSERT_EQ(RunS({"run", "--quiet", "LFONLSIM.des"}, &errors), 0) << errors;
    std::vector<std::string> crlfReport = MaskedLines(ReadFile("CRLFASIM.res"));
    std::vector<std::string> lfReport = MaskedLines(ReadFile("LFONLSIM.res"));
    ASSERT_GT(crlfReport.size(), 20u);
    crlfReport[6] = lfReport[6] = "table name";
    EXPECT_EQ(lfReport, crlfReport);
    for (const char* db : {"NBX", "CLU", "NDB", "NVB"}) {
        EXPECT_EQ(ReadFile(std::string("LFONL") + db), ReadFile(std::string("CRLFA") + db)) << db;
    }
}

TEST(SimilarityFaultTest, AWriteFailingAnywhereLeavesWholeLinesAndTheTable) {
    ScratchDir dir{"sim-faults"};
    WriteSmallSimilarityTable("FAULTSIM.des");
    const std::string table = ReadFile("FAULTSIM.des");
    std::string errors;
    ASSERT_EQ(RunS({"run", "--quiet", "FAULTSIM.des"}, &errors), 0) << errors;
    const std::map<std::string, std::string> good = FolderFiles();
    const std::vector<std::string> goodReport = MaskedLines(good.at("FAULTSIM.res"));

    int failures = 0;
    for (int n = 1; n < 200; ++n) {
        SCOPED_TRACE("write " + std::to_string(n) + " fails");
        for (const auto& [name, bytes] : FolderFiles()) {
            if (name != "FAULTSIM.des") {
                fs::remove(name);
            }
        }
        const int status = RunS({"run", "--quiet", "FAULTSIM.des"}, &errors,
                                {{"KALEMIR_FAIL_NTH_WRITE", std::to_string(n)}});
        if (status == 0) {
            break; // the run makes fewer writes than n
        }
        ++failures;
        ASSERT_EQ(status, 1) << errors;
        EXPECT_NE(errors.find("No space left on device"), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
        const std::map<std::string, std::string> after = FolderFiles();
        EXPECT_EQ(after.at("FAULTSIM.des"), table);
        EXPECT_EQ(after.count(kRunLockName), 0u);
        for (const auto& [name, bytes] : after) {
            EXPECT_EQ(good.count(name), 1u) << name << " is no file of a good run";
            EXPECT_TRUE(bytes.empty() || bytes.substr(bytes.size() - 2) == "\r\n")
                << name << " ends in a half-written line";
        }
        if (after.count("FAULTSIM.res") != 0) {
            const std::vector<std::string> lines = MaskedLines(after.at("FAULTSIM.res"));
            ASSERT_LE(lines.size(), goodReport.size());
            EXPECT_TRUE(std::equal(lines.begin(), lines.end(), goodReport.begin()));
        }
    }
    EXPECT_GE(failures, 5);
}

TEST(SimilarityFaultTest, ASecondRunInTheFolderIsRefused) {
    ScratchDir dir{"sim-locked"};
    WriteSmallSimilarityTable("LOCKSSIM.des");
    const RunLock other("KalemirQ");
    const std::map<std::string, std::string> before = FolderFiles();
    std::string errors;
    EXPECT_EQ(RunS({"run", "--quiet", "LOCKSSIM.des"}, &errors), 2);
    EXPECT_EQ(errors, "KalemirS: " + dir.Path().string() + ": KalemirQ (process " +
                          std::to_string(getpid()) +
                          ") is running in this folder; wait for it to end or work in another "
                          "folder\n");
    EXPECT_EQ(FolderFiles(), before);
}

/// Signals a real run `delay` after its report appears; false when the run had ended
/// first (the point was not reached). Checks what an interrupted run left.
bool InterruptCleanly(ChildProgram& child, const std::string& report, int signal, int delayMs,
                      const std::set<std::string>& allowed) {
    while (child.Running() && !fs::exists(report)) {
        usleep(100);
    }
    usleep(static_cast<useconds_t>(delayMs) * 1000);
    if (!child.Running()) {
        return false;
    }
    child.Signal(signal);
    const int status = child.Wait();
    if (status == 0) {
        return false; // the run had reached its end when the signal came
    }
    const std::string errors = ReadFile("stderr.txt");
    EXPECT_EQ(status, 128 + signal) << errors;
    EXPECT_NE(errors.find("interrupted"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(kRunLockName));
    EXPECT_FALSE(fs::exists(kWorkFolderName));
    for (const auto& [name, bytes] : FolderFiles()) {
        const bool predictors = name.find("prd.dat") != std::string::npos;
        EXPECT_TRUE(allowed.count(name) == 1 || predictors) << name << " was left behind";
    }
    if (fs::exists(report)) {
        const std::string text = ReadFile(report);
        EXPECT_TRUE(text.empty() || text.substr(text.size() - 2) == "\r\n") << "half a line";
    }
    return true;
}

struct Point {
    int signal;
    int delayMs;
};
// SIGHUP: the terminal closed; SIGPIPE: the output was piped into a reader that ended.
const std::vector<Point> kPoints = {{SIGINT, 0},   {SIGTERM, 5},   {SIGHUP, 30},  {SIGPIPE, 100},
                                    {SIGINT, 250}, {SIGTERM, 500}, {SIGHUP, 700}, {SIGPIPE, 900}};

TEST(InterruptTest, AQsprRunStopsCleanlyWhereverItIsSignalled) {
    ScratchDir dir{"qspr-signal"};
    testing::CopyExample(std::string(KALEMIR_EXAMPLES_DIR) + "/bzr",
                         {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"});
    const std::set<std::string> allowed = {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des",
                                           "rezultat.rez"};
    int reached = 0;
    int stoppedLines = 0;
    for (const Point& point : kPoints) {
        SCOPED_TRACE("signal " + std::to_string(point.signal) + " after " +
                     std::to_string(point.delayMs) + " ms");
        fs::remove("rezultat.rez");
        fs::remove("BZR01qspr.rez");
        ChildProgram child(
            kKalemirQ, {"run", "--quiet", "BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"},
            "stderr.txt");
        if (InterruptCleanly(child, "rezultat.rez", point.signal, point.delayMs, allowed)) {
            ++reached;
            EXPECT_FALSE(fs::exists("BZR01qspr.rez")) << "an interrupted run was saved";
            // Stopped within the computation, the report ends by saying so.
            const std::string text = ReadFile("rezultat.rez");
            stoppedLines += text.find("\r\n     ANALYSIS STOPPED ") != std::string::npos &&
                            text.ends_with(": the results above are incomplete\r\n");
        }
    }
    EXPECT_GE(reached, 2);
    EXPECT_GE(stoppedLines, 1);
}

TEST(InterruptTest, AKilledQsprRunLeavesNoTableAndTheNextRunCleansUp) {
    ScratchDir dir{"qspr-kill"};
    const std::vector<std::string> tables = {"BZR01", "BZR01d2d.des", "BZR01fpc.des",
                                             "BZR01vfr.des"};
    testing::CopyExample(std::string(KALEMIR_EXAMPLES_DIR) + "/bzr",
                         {"BZR01", "BZR01d2d.des", "BZR01fpc.des", "BZR01vfr.des"});
    std::vector<std::string> arguments = {"run", "--quiet"};
    arguments.insert(arguments.end(), tables.begin(), tables.end());
    const std::set<std::string> userTables(tables.begin(), tables.end());
    // The kills land at shares of a whole run's length, measured first from the report's
    // creation to the end (a faster program must still be killed in the middle); the
    // folder then goes back to the tables alone.
    double runMs = 0;
    {
        ChildProgram child(kKalemirQ, arguments, "stderr.txt");
        while (child.Running() && !fs::exists("rezultat.rez")) {
            usleep(100);
        }
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(child.Wait(), 0) << ReadFile("stderr.txt");
        runMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
    }
    for (const auto& [name, bytes] : FolderFiles()) {
        if (userTables.count(name) == 0) {
            fs::remove(name);
        }
    }
    int killed = 0;
    for (const double share : {0.0, 0.1, 0.3, 0.5, 0.8}) {
        const int delayMs = static_cast<int>(share * runMs);
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        ChildProgram child(kKalemirQ, arguments, "stderr.txt");
        while (child.Running() && !fs::exists("rezultat.rez")) {
            usleep(100);
        }
        usleep(static_cast<useconds_t>(delayMs) * 1000);
        child.Signal(SIGKILL);
        killed += child.Wait() == -SIGKILL ? 1 : 0;
        for (const auto& [name, bytes] : FolderFiles()) {
            const bool table = name.size() > 4 && name.substr(name.size() - 4) == ".des";
            EXPECT_TRUE(!table || userTables.count(name) == 1) << name << " was left behind";
        }
    }
    EXPECT_GE(killed, 3);
    // The reports of the killed runs: the last as rezultat.rez, the earlier ones kept by the
    // run after them as rezultat-N.rez.
    for (const auto& [name, bytes] : FolderFiles()) {
        if (name.rfind("rezultat", 0) == 0) {
            fs::remove(name);
        }
    }
    // The next run takes the folder over and leaves its outputs only.
    ASSERT_EQ(RunProgram(kKalemirQ, arguments, "stderr.txt"), 0) << ReadFile("stderr.txt");
    EXPECT_FALSE(fs::exists(kWorkFolderName));
    EXPECT_FALSE(fs::exists(kRunLockName));
    for (const auto& [name, bytes] : FolderFiles()) {
        const bool output = name == "BZR01qspr.rez" || name == "BZR01-EST" ||
                            name == "BZR01-results.json" || name == "BZR01-validation.txt" ||
                            name == "BZR01-model.html" || name == "BZR01-qmrf.md" ||
                            name.find("prd.dat") != std::string::npos;
        EXPECT_TRUE(userTables.count(name) == 1 || output) << name << " was left behind";
    }
}

/// The example similarity table with its calibration molecules repeated `times` times under
/// new names (the header's calibration count follows): a run long enough to be signalled.
void WriteRepeatedSimilarityTable(const std::string& name, int times) {
    const std::string text = ReadFile(std::string(KALEMIR_EXAMPLES_DIR) + "/bzr/BZR01SIM.des");
    const std::vector<std::string> lines = kalemir::testing::SplitReportLines(text);
    const int calibration = 148;
    std::string header = lines[0];
    const std::string counts = "\t148\t15\t37\t0\t0";
    header.replace(header.rfind(counts), counts.size(),
                   "\t" + std::to_string(calibration * times) + "\t15\t37\t0\t0");
    std::string out = header + "\r\n";
    for (int t = 0; t < times; ++t) {
        for (int i = 1; i <= calibration; ++i) {
            out += "r" + std::to_string(t) + lines[static_cast<std::size_t>(i)] + "\r\n";
        }
    }
    for (std::size_t i = calibration + 1; i < lines.size(); ++i) {
        out += lines[i] + "\r\n";
    }
    testing::WriteFile(name, out);
}

TEST(InterruptTest, ASimilarityRunStopsCleanlyWhereverItIsSignalled) {
    ScratchDir dir{"sim-signal"};
    WriteRepeatedSimilarityTable("BIG01SIM.des", 8);
    std::set<std::string> allowed = {"BIG01SIM.des", "BIG01SIM.res", "BIG01NBX",       "BIG01CLU",
                                     "BIG01NDB",     "BIG01NVB",     "BIG01cliffs.csv"};
    for (const char* measure : {"chemical", "shape", "size", "hydrophilicity", "flexibility"}) {
        allowed.insert("BIG01sas-" + std::string(measure) + ".svg");
    }
    int reached = 0;
    for (const Point& point : kPoints) {
        SCOPED_TRACE("signal " + std::to_string(point.signal) + " after " +
                     std::to_string(point.delayMs) + " ms");
        for (const std::string& name : allowed) {
            if (name != "BIG01SIM.des") {
                fs::remove(name);
            }
        }
        ChildProgram child(kKalemirS, {"run", "--quiet", "BIG01SIM.des"}, "stderr.txt");
        reached += InterruptCleanly(child, "BIG01SIM.res", point.signal, point.delayMs, allowed);
    }
    EXPECT_GE(reached, 3);
}

} // namespace
} // namespace kalemir
