// KalemirQ under faults: a write that fails anywhere in a small run, a folder that another
// run holds, a report that cannot take its final name, and bad tables.

#include "app/QsprCommandLine.h"

#include "common/FileFaults.h"
#include "common/RunLock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

namespace kalemir::qspr {
namespace {

namespace fs = std::filesystem;
using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;
using kalemir::testing::SplitReportLines;
using kalemir::testing::WriteFile;

int RunCli(std::vector<std::string> arguments, std::string* errors = nullptr) {
    ::testing::internal::CaptureStderr();
    const int status = QsprMain(arguments);
    const std::string text = ::testing::internal::GetCapturedStderr();
    if (errors != nullptr) {
        *errors = text;
    }
    return status;
}

/// A small data set: 14 calibration molecules and 2 prediction molecules, a fragment table
/// of 4 columns and a table of 6 further descriptors; the property follows two of them
/// closely, so the run finds equations and writes every kind of file.
void WriteSmallTables() {
    std::string qspr = "Name\tlogK\r\n";
    std::string fragments = "Cases\tCH3\tCH2\tOH\tNH2\r\n";
    std::string descriptors = "Cases\tD1\tD2\tD3\tD4\tD5\tD6\r\n";
    for (int i = 1; i <= 16; ++i) {
        const double a = (i * 7) % 11;
        const double b = (i * 5) % 13;
        const double y = 1.0 + 0.5 * a - 0.25 * b + 0.1 * ((i * 3) % 4);
        const std::string name = "m" + std::to_string(i);
        qspr += name + "\t" + (i > 14 ? std::string("?") : std::to_string(y)) + "\r\n";
        fragments += name + "\t" + std::to_string(i % 3) + "\t" + std::to_string(i % 4) + "\t" +
                     std::to_string(i % 2) + "\t" + std::to_string((i / 4) % 2) + "\r\n";
        descriptors += name + "\t" + std::to_string(a) + "\t" + std::to_string(b) + "\t" +
                       std::to_string((i * i) % 17) + "\t" + std::to_string(i) + "\t" +
                       std::to_string((i * 11) % 7) + "\t" + std::to_string(a * b) + "\r\n";
    }
    WriteFile("SMALL", qspr);
    WriteFile("SMALLvfr.des", fragments);
    WriteFile("SMALLd2d.des", descriptors);
}

const std::vector<std::string> kTables = {"SMALL", "SMALLvfr.des", "SMALLd2d.des"};

std::vector<std::string> SmallRun(const ScratchDir& dir) {
    std::vector<std::string> arguments = {
        "run", "-C", dir.Path().string(), "--quiet", "--max-predictors", "3"};
    arguments.insert(arguments.end(), kTables.begin(), kTables.end());
    return arguments;
}

std::map<std::string, std::string> FolderFiles() {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(".")) {
        files[entry.path().filename().string()] = ReadFile(entry.path().string());
    }
    return files;
}

/// The report without its date and time line (line 3), whose digits change between runs.
std::vector<std::string> Comparable(const std::string& report) {
    // Every line that holds only a date and a time (the header, the preliminary selection,
    // the closing lines) differs from run to run.
    static const std::regex dateAndTime(R"(\s*\d\d-\d\d-\d{4}\s+\d\d:\d\d:\d\d)");
    std::vector<std::string> lines = SplitReportLines(report);
    for (std::string& line : lines) {
        if (std::regex_match(line, dateAndTime)) {
            line = "date and time";
        }
    }
    return lines;
}

struct Disarm {
    ~Disarm() { FailNthWrite(0); }
};

TEST(QsprReliabilityTest, AWriteFailingAnywhereInARunLosesNothing) {
    ScratchDir dir{"qspr-faults"};
    Disarm disarm;
    WriteSmallTables();
    const std::map<std::string, std::string> tables = FolderFiles();

    // The run without faults: how many writes it makes, what it leaves.
    FailNthWrite(0);
    ASSERT_EQ(RunCli(SmallRun(dir)), kExitSuccess);
    const long writes = WritesSinceArmed();
    ASSERT_GT(writes, 10);
    const std::map<std::string, std::string> good = FolderFiles();
    ASSERT_EQ(good.count("SMALLqspr.rez"), 1u);
    const std::vector<std::string> goodReport = Comparable(good.at("SMALLqspr.rez"));
    std::set<std::string> allowed;
    for (const auto& [name, bytes] : good) {
        allowed.insert(name);
    }
    allowed.insert("rezultat.rez");

    for (long n = 1; n <= writes; ++n) {
        SCOPED_TRACE("write " + std::to_string(n) + " of " + std::to_string(writes) + " fails");
        for (const auto& [name, bytes] : FolderFiles()) {
            if (tables.count(name) == 0) {
                fs::remove(name);
            }
        }
        FailNthWrite(n);
        std::string errors;
        ASSERT_EQ(RunCli(SmallRun(dir), &errors), kExitFailedMidway);
        EXPECT_NE(errors.find("No space left on device"), std::string::npos) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;

        const std::map<std::string, std::string> after = FolderFiles();
        for (const auto& [name, bytes] : tables) {
            EXPECT_EQ(after.at(name), bytes) << name << " was changed";
        }
        for (const auto& [name, bytes] : after) {
            EXPECT_EQ(allowed.count(name), 1u) << name << " was left behind";
        }
        EXPECT_EQ(after.count("SMALLqspr.rez"), 0u) << "a failed run was saved";
        if (after.count("rezultat.rez") != 0) {
            const std::string& report = after.at("rezultat.rez");
            if (!report.empty()) {
                EXPECT_EQ(report.substr(report.size() - 2), "\r\n") << "a half-written line";
            }
            const std::vector<std::string> lines = Comparable(report);
            ASSERT_LE(lines.size(), goodReport.size());
            EXPECT_TRUE(std::equal(lines.begin(), lines.end(), goodReport.begin()))
                << "the report is not the start of the full report";
        }
    }
}

TEST(QsprReliabilityTest, AFolderHeldByAnotherRunIsRefusedUntouched) {
    ScratchDir dir{"qspr-locked"};
    WriteSmallTables();
    const RunLock other("KalemirS");
    const std::map<std::string, std::string> before = FolderFiles();
    std::string errors;
    EXPECT_EQ(RunCli(SmallRun(dir), &errors), kExitUsage);
    EXPECT_NE(errors.find(dir.Path().string()), std::string::npos) << errors;
    EXPECT_NE(errors.find("KalemirS (process"), std::string::npos) << errors;
    EXPECT_EQ(FolderFiles(), before);
}

TEST(QsprReliabilityTest, AFailedSaveLeavesTheWorkingReportAndSaysSo) {
    ScratchDir dir{"qspr-save"};
    WriteSmallTables();
    std::vector<std::string> arguments = SmallRun(dir);
    arguments.insert(arguments.begin() + 1, {"--save", "no-such-folder/final.rez"});
    std::string errors;
    EXPECT_EQ(RunCli(arguments, &errors), kExitFailedMidway);
    EXPECT_NE(errors.find("rezultat.rez: cannot rename to no-such-folder/final.rez"),
              std::string::npos)
        << errors;
    const std::string report = ReadFile("rezultat.rez");
    EXPECT_GT(report.size(), 1000u);
    EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
    EXPECT_FALSE(fs::exists(kRunLockName));
}

TEST(QsprReliabilityTest, SavingReplacesAnOlderReportWhole) {
    ScratchDir dir{"qspr-replace"};
    WriteSmallTables();
    WriteFile("SMALLqspr.rez", "an older report\r\n");
    ASSERT_EQ(RunCli(SmallRun(dir)), kExitSuccess);
    EXPECT_FALSE(fs::exists("rezultat.rez"));
    const std::string report = ReadFile("SMALLqspr.rez");
    EXPECT_EQ(report.find("an older report"), std::string::npos);
    EXPECT_EQ(report.substr(0, 2), "\r\n");
}

struct BadQsprTable {
    const char* kind;
    std::string file;    // which of the three tables is replaced
    std::string content; // "<dir>" for a folder
    std::string message; // the whole message after "KalemirQ: "
};

TEST(QsprBadInputTest, EveryKindIsRefusedWithOneMessageAndNothingWritten) {
    ScratchDir dir{"qspr-bad"};
    WriteSmallTables();
    const std::string qspr = ReadFile("SMALL");
    const std::string fragments = ReadFile("SMALLvfr.des");
    std::string manyRows = "Cases\tCH3\r\n";
    for (int i = 0; i < 20001; ++i) {
        manyRows += "m\t1\r\n";
    }
    std::string outOfOrder = qspr;
    outOfOrder.replace(outOfOrder.find("m16\t?"), 5, "m16\t2.5");
    const std::string descriptors = ReadFile("SMALLd2d.des");
    const auto without = [](std::string text, const std::string& row) {
        const std::size_t at = text.find(row + "\t");
        return text.erase(at, text.find("\r\n", at) + 2 - at);
    };
    // The molecule rows sorted as a spreadsheet sorts them, the header kept first.
    std::vector<std::string> rows;
    for (std::size_t at = descriptors.find("\r\n") + 2; at < descriptors.size();) {
        const std::size_t end = descriptors.find("\r\n", at) + 2;
        rows.push_back(descriptors.substr(at, end - at));
        at = end;
    }
    std::sort(rows.begin(), rows.end());
    std::string sorted = descriptors.substr(0, descriptors.find("\r\n") + 2);
    for (const std::string& row : rows) {
        sorted += row;
    }
    const std::string joined = " (tables are joined by position: every table lists the "
                               "molecules of the QSPR table in its order)";
    // Where every QSPR molecule is in the table once, the join by name is proposed.
    const std::string byName = joined +
                               "; every molecule of the QSPR table is found once in each table, "
                               "so they can be joined by name (--by-name)";
    std::string twice = qspr;
    twice.replace(twice.find("m9\t"), 3, "m4\t");
    // m2's property is 0.200000, m3's first descriptor 10.000000.
    std::string commaValue = qspr;
    commaValue.replace(commaValue.find("0.2", commaValue.find("m2\t")), 2, "0,");
    std::string commaDescriptor = descriptors;
    commaDescriptor.replace(commaDescriptor.find("10.", commaDescriptor.find("m3\t")), 3, "10,");
    const std::vector<BadQsprTable> cases = {
        {"a folder for a descriptor table", "SMALLd2d.des", "<dir>",
         "SMALLd2d.des: is a folder, not a table"},
        {"empty descriptor table", "SMALLd2d.des", "", "SMALLd2d.des: the table is empty"},
        {"binary garbage", "SMALLvfr.des", fragments.substr(0, 40) + std::string("\0\xFF", 2),
         "SMALLvfr.des line 3: binary data (a NUL byte), not a text table"},
        {"binary QSPR table", "SMALL",
         std::string("\x7F"
                     "ELF\x02\x01\0\0",
                     8),
         "SMALL line 1: binary data (a NUL byte), not a text table"},
        {"more than 20000 molecules in a descriptor table", "SMALLd2d.des", manyRows,
         "SMALLd2d.des: more than 20000 molecules (line 20002); a descriptor table holds at most "
         "20000"},
        {"a molecule without a value", "SMALL", "Name\tlogK\r\nm1\t1\r\nm2\r\n",
         "SMALL line 3: molecule m2 has no value (a prediction molecule has ?)"},
        {"a calibration molecule after the prediction set", "SMALL", outOfOrder,
         "SMALL line 17: calibration molecule m16 after the prediction molecules (from line 16); "
         "the calibration molecules come first"},
        {"descriptor rows sorted by name", "SMALLd2d.des", sorted,
         "SMALLd2d.des line 3: molecule m10, the QSPR table has m2 there" + byName},
        {"a molecule row deleted", "SMALLvfr.des", without(fragments, "m5"),
         "SMALLvfr.des line 6: molecule m6, the QSPR table has m5 there" + joined},
        {"the last molecule missing", "SMALLd2d.des", without(descriptors, "m16"),
         "SMALLd2d.des line 17: the table ends, the QSPR table has m16 there" + joined},
        {"a molecule more", "SMALLd2d.des", descriptors + "m17\t1\t2\t3\t4\t5\t6\r\n",
         "SMALLd2d.des line 18: molecule m17, the QSPR table ends before it" + byName},
        {"an empty line among the molecules", "SMALLvfr.des",
         fragments.substr(0, fragments.find("m3\t")) + "\r\n" +
             fragments.substr(fragments.find("m3\t")),
         "SMALLvfr.des line 4: an empty record, the QSPR table has m3 there" + byName},
        {"a name twice in the QSPR table", "SMALL", twice,
         "SMALL lines 5 and 10: molecule m4 is listed twice (each molecule needs a name of its "
         "own)"},
        {"a property with a decimal comma", "SMALL", commaValue,
         "SMALL line 3: molecule m2: the value 0,200000 has a decimal comma (a comma ends a "
         "record in these tables; write it with a decimal point)"},
        {"a descriptor with a decimal comma", "SMALLd2d.des", commaDescriptor,
         "SMALLd2d.des line 4: molecule m3: the value 10,000000 has a decimal comma (a comma "
         "ends a record in these tables; write it with a decimal point)"},
    };
    for (const BadQsprTable& c : cases) {
        SCOPED_TRACE(c.kind);
        WriteSmallTables();
        fs::remove(c.file);
        if (c.content == "<dir>") {
            fs::create_directory(c.file);
        } else {
            WriteFile(c.file, c.content);
        }
        const std::map<std::string, std::string> before = FolderFiles();
        std::string errors;
        EXPECT_EQ(RunCli(SmallRun(dir), &errors), kExitUsage);
        EXPECT_EQ(errors, "KalemirQ: " + c.message + "\n");
        EXPECT_EQ(FolderFiles(), before);
        fs::remove_all(c.file);
    }
}

TEST(QsprBadInputTest, ByPositionJoinsTablesInAnotherOrderWithAWarningEach) {
    ScratchDir dir{"qspr-by-position"};
    WriteSmallTables();
    for (const std::string table : {"SMALLvfr.des", "SMALLd2d.des"}) {
        std::string text = ReadFile(table);
        const std::size_t m1 = text.find("m1\t");
        const std::size_t m2 = text.find("m2\t");
        const std::size_t m3 = text.find("m3\t");
        WriteFile(table, text.substr(0, m1) + text.substr(m2, m3 - m2) + text.substr(m1, m2 - m1) +
                             text.substr(m3));
    }
    std::vector<std::string> arguments = SmallRun(dir);
    arguments.insert(arguments.begin() + 1, "--by-position");
    std::string errors;
    EXPECT_EQ(RunCli(arguments, &errors), kExitSuccess);
    const std::string joined = " (tables are joined by position: every table lists the "
                               "molecules of the QSPR table in its order); joined by position "
                               "as asked\n";
    EXPECT_EQ(errors,
              "KalemirQ: warning: SMALLvfr.des line 2: molecule m2, the QSPR table has m1 there" +
                  joined +
                  "KalemirQ: warning: SMALLd2d.des line 2: molecule m2, the QSPR table has m1 "
                  "there" +
                  joined);
    // The report says so too, a line each, after the QSPR table's name.
    const std::string report = ReadFile("SMALLqspr.rez");
    const std::string lines = "     SMALL\r\n"
                              "     warning: SMALLvfr.des line 2: molecule m2, the QSPR table has "
                              "m1 there" +
                              joined.substr(0, joined.size() - 1) +
                              "\r\n"
                              "     warning: SMALLd2d.des line 2: molecule m2, the QSPR table has "
                              "m1 there" +
                              joined.substr(0, joined.size() - 1) + "\r\n";
    EXPECT_NE(report.find(lines), std::string::npos) << report.substr(0, 600);
}

TEST(QsprBadInputTest, ByteOrderMarkLfOnlyLongLinesAndShortRowsAreRead) {
    ScratchDir dir{"qspr-odd"};
    WriteSmallTables();
    ASSERT_EQ(RunCli(SmallRun(dir)), kExitSuccess);
    const std::vector<std::string> reference = Comparable(ReadFile("SMALLqspr.rez"));
    const std::string qspr = ReadFile("SMALL");
    const std::string descriptors = ReadFile("SMALLd2d.des");
    std::string lf = descriptors;
    lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
    // A megabyte of tokens after the last column: read and discarded.
    std::string longRows = descriptors;
    longRows.insert(longRows.find("\r\n", longRows.find("m3\t")), std::string(1 << 20, 'x'));

    struct Odd {
        const char* kind;
        std::string file;
        std::string content;
    };
    for (const Odd& odd :
         {Odd{"LF-only line ends", "SMALLd2d.des", lf},
          Odd{"a byte-order mark before the header", "SMALL", "\xEF\xBB\xBF" + qspr},
          Odd{"a line of a megabyte", "SMALLd2d.des", longRows}}) {
        SCOPED_TRACE(odd.kind);
        WriteSmallTables();
        WriteFile(odd.file, odd.content);
        fs::remove("SMALLqspr.rez");
        std::string errors;
        ASSERT_EQ(RunCli(SmallRun(dir), &errors), kExitSuccess) << errors;
        EXPECT_EQ(Comparable(ReadFile("SMALLqspr.rez")), reference);
    }
}

} // namespace
} // namespace kalemir::qspr
