#include "similarity/SimTable.h"

#include "common/ComputingWindow.h"
#include "common/DateTime.h"
#include "common/Errors.h"
#include "common/NumberText.h"
#include "common/Records.h"
#include "common/Report.h"
#include "common/TableChecks.h"
#include "common/TextToNumber.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <unordered_map>

namespace kalemir::sim {

namespace {

/// Tables beyond this size would not fit the pair matrices in memory.
constexpr double kMaxMolecules = 10000;
constexpr double kMaxFragments = 100000;

/// Reads the whole file; false when it cannot be opened.
bool ReadFileText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

/// Splits text into lines ending in LF or CR LF (a last line without its end counts).
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = next;
    }
    return lines;
}

/// Field k of a line split at tabs.
std::string_view TabField(std::string_view line, int k) {
    std::size_t start = 0;
    for (int field = 0; field < k; ++field) {
        start = line.find('\t', start);
        if (start == std::string_view::npos) {
            return {};
        }
        ++start;
    }
    const std::size_t end = line.find('\t', start);
    return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

int HeaderCount(const std::string& tableFileName, std::string_view line, int field,
                const char* what) {
    const std::string_view text = TabField(line, field);
    const double value = TextToNumber(text);
    if (!BeginsWithNumber(text) || !(value >= 0) || value != std::floor(value)) {
        throw InputError(tableFileName + " line 1: the " + what + " (header field " +
                         std::to_string(field) + ", \"" + std::string(text) +
                         "\") is not a whole non-negative number");
    }
    const double limit =
        std::string_view(what) == "number of fragments" ? kMaxFragments : kMaxMolecules;
    if (value > limit) {
        throw InputError(tableFileName + " line 1: the " + what + " " + PlainNumber(value) +
                         " is above the limit of " + PlainNumber(limit));
    }
    return static_cast<int>(value);
}

} // namespace

std::string NamePrefix(std::string_view tableFileName) {
    return std::string(tableFileName.substr(0, 5));
}

void DeriveFileNames(RunChoices& choices) {
    const std::string p5 = NamePrefix(choices.TableFileName);
    choices.ShapeFileName = p5 + "SHP.des";
    choices.ResultsFileName = p5 + "SIM.res";
}

void ReadTableHeader(const RunChoices& choices, PreparedTable& table) {
    std::string text;
    if (!ReadFileText(choices.TableFileName, text)) {
        throw InputError(choices.TableFileName + ": cannot open the similarity table");
    }
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty() || lines.front().empty()) {
        throw InputError(choices.TableFileName +
                         " line 1: the header line is missing (it must be the first line)");
    }
    const std::string_view header = lines.front();
    int tabs = 0;
    for (char c : header) {
        tabs += c == '\t' ? 1 : 0;
    }
    if (tabs < 4) {
        throw InputError(choices.TableFileName +
                         " line 1: the header holds fewer than five tab-separated fields");
    }
    table.CalibrationCount =
        HeaderCount(choices.TableFileName, header, tabs - 4, "number of calibration molecules");
    table.PredictionCount =
        HeaderCount(choices.TableFileName, header, tabs - 3, "number of prediction molecules");
    table.FragmentCount =
        HeaderCount(choices.TableFileName, header, tabs - 2, "number of fragments");
    table.MoleculeCount = table.CalibrationCount + table.PredictionCount;
    if (table.MoleculeCount < 1) {
        throw InputError(choices.TableFileName + " line 1: the header counts no molecules");
    }
    if (table.MoleculeCount > kMaxMolecules) {
        throw InputError(choices.TableFileName + " line 1: " + std::to_string(table.MoleculeCount) +
                         " molecules are above the limit of " + PlainNumber(kMaxMolecules));
    }
}

void ReadTable(const RunChoices& choices, PreparedTable& table) {
    std::string text;
    if (!ReadFileText(choices.TableFileName, text)) {
        throw InputError(choices.TableFileName + ": cannot open the similarity table");
    }
    const std::vector<std::string_view> lines = SplitLines(text);
    const int n = table.MoleculeCount;
    const int columns = table.Columns();
    if (static_cast<long>(lines.size()) < n + 1L) {
        throw InputError(choices.TableFileName + ": the header counts " + std::to_string(n) +
                         " molecules but the table has only " +
                         std::to_string(lines.empty() ? 0 : lines.size() - 1) + " lines after it");
    }
    // The header names the columns: fewer names than its own count of fragments means the
    // counts and the table do not belong together (and would size the table wrongly).
    const auto headerTokens = static_cast<long>(Tokenise(lines.front()).size());
    if (headerTokens < table.FragmentCount + 1L) {
        throw InputError(choices.TableFileName + " line 1: the header counts " +
                         std::to_string(table.FragmentCount) + " fragments but names only " +
                         std::to_string(std::max(headerTokens - 1, 0L)) +
                         " columns after the first");
    }
    for (std::size_t l = static_cast<std::size_t>(n) + 1; l < lines.size(); ++l) {
        if (!Tokenise(lines[l]).empty()) {
            throw InputError(choices.TableFileName + " line " + std::to_string(l + 1) +
                             ": a molecule beyond the " + std::to_string(n) +
                             " the header counts (" + std::to_string(table.CalibrationCount) +
                             " calibration + " + std::to_string(table.PredictionCount) +
                             " prediction)");
        }
    }
    const auto rows = static_cast<std::size_t>(n) + 1;
    table.Values.assign(rows * static_cast<std::size_t>(columns), 0.0);
    table.Names.assign(rows, std::string());
    table.PropertyTokens.assign(rows, std::string());
    table.LineNumbers.assign(rows, 0);
    table.HeaderTokens.assign(static_cast<std::size_t>(columns), std::string());
    std::vector<std::string_view> tokens;
    for (int row = 0; row <= n; ++row) {
        const std::string_view line = lines[static_cast<std::size_t>(row)];
        Tokenise(line, tokens);
        if (static_cast<long>(tokens.size()) > columns) {
            throw InputError(choices.TableFileName + " line " + std::to_string(row + 1) + ": " +
                             std::to_string(tokens.size()) + " tokens, more than the " +
                             std::to_string(columns) + " the header's counts allow");
        }
        if (row > 0 && tokens.empty()) {
            throw InputError(choices.TableFileName + " line " + std::to_string(row + 1) +
                             ": empty line where molecule " + std::to_string(row) + " should be");
        }
        const long needed = table.FragmentCount + kNormaliserColumn + 1L;
        if (row > 0 && static_cast<long>(tokens.size()) < needed) {
            throw InputError(choices.TableFileName + " line " + std::to_string(row + 1) +
                             ": molecule " + std::string(tokens[0]) + " has " +
                             std::to_string(tokens.size()) + " tokens, fewer than the " +
                             std::to_string(needed) + " the header's counts need");
        }
        table.LineNumbers[static_cast<std::size_t>(row)] = row + 1;
        for (std::size_t c = 0; c < tokens.size(); ++c) {
            table.Value(row, static_cast<int>(c)) = TextToNumber(tokens[c]);
            if (!std::isfinite(table.Value(row, static_cast<int>(c)))) {
                throw InputError(choices.TableFileName + " line " + std::to_string(row + 1) +
                                 ": the value \"" + std::string(tokens[c]) + "\" is out of range");
            }
            if (row == 0) {
                table.HeaderTokens[c] = std::string(tokens[c]);
            }
        }
        if (row > 0) {
            if (const auto problem = DecimalCommaProblem(line)) {
                throw InputError(choices.TableFileName + " line " + std::to_string(row + 1) + ": " +
                                 *problem + " (write it with a decimal point)");
            }
        }
        if (!tokens.empty()) {
            table.Names[static_cast<std::size_t>(row)] = std::string(tokens[0]);
        }
        const auto property = static_cast<std::size_t>(table.FragmentCount + kPropertyColumn);
        if (property < tokens.size()) {
            table.PropertyTokens[static_cast<std::size_t>(row)] = std::string(tokens[property]);
        }
    }
}

void CheckUniqueNames(const RunChoices& choices, const PreparedTable& table) {
    // The databases list the molecules by name: two molecules of one name could not be
    // told apart in them.
    std::unordered_map<std::string_view, int> seen;
    for (int i = 1; i <= table.MoleculeCount; ++i) {
        const std::string& name = table.Names[static_cast<std::size_t>(i)];
        const auto [first, added] = seen.emplace(name, i);
        if (!added) {
            throw InputError(choices.TableFileName + " lines " + std::to_string(first->second + 1) +
                             " and " + std::to_string(i + 1) + ": molecule " + name +
                             " is listed twice (each molecule needs a name of its own)");
        }
    }
}

void FillMoleculeList(const RunChoices& choices, PreparedTable& table) {
    const int n = table.MoleculeCount;
    table.PropertyTexts = table.PropertyTokens;
    for (int i = table.CalibrationCount + 1; i <= n; ++i) {
        table.PropertyTexts[static_cast<std::size_t>(i)] = "?";
    }
    for (int i = 1; i <= n; ++i) {
        if (table.Fixed(i, kNormaliserColumn) == 0) {
            throw InputError(choices.TableFileName + " line " + std::to_string(i + 1) +
                             ": molecule " + table.Names[static_cast<std::size_t>(i)] +
                             " has a fragment normaliser (column " +
                             std::to_string(table.FragmentCount + kNormaliserColumn) + ") of 0");
        }
    }
}

void ApplyFragmentThreshold(PreparedTable& table) {
    for (int i = 1; i <= table.MoleculeCount; ++i) {
        const double threshold = 1.1 / table.Fixed(i, kNormaliserColumn);
        for (int j = 1; j <= table.FragmentCount; ++j) {
            if (table.Value(i, j) < threshold) {
                table.Value(i, j) = 0;
            }
        }
    }
}

void ReadShapeTable(const RunChoices& choices, PreparedTable& table) {
    std::string text;
    if (!ReadFileText(choices.ShapeFileName, text)) {
        throw InputError(choices.ShapeFileName +
                         ": cannot open the shape table (needed by the Superposition method)");
    }
    const int n = table.MoleculeCount;
    table.AtomCoordinates.assign((static_cast<std::size_t>(n) + 1) * kMaxAtoms * 3, 0.0);
    const std::vector<std::string_view> lines = SplitLines(text);
    int molecule = 0;
    std::size_t l = 0;
    while (l < lines.size() && molecule < n) {
        if (lines[l] != "newmol") {
            ++l;
            continue;
        }
        ++molecule;
        const std::string& name = table.Names[static_cast<std::size_t>(molecule)];
        int values = 0;
        ++l;
        for (; l < lines.size() && lines[l] != "finmol"; ++l) {
            if (values == kMaxAtoms * 3) {
                throw InputError(choices.ShapeFileName + " line " + std::to_string(l + 1) +
                                 ": molecule " + std::to_string(molecule) + " (" + name +
                                 ") has more than " + std::to_string(kMaxAtoms) + " atoms");
            }
            const int atom = values / 3;
            const int axis = values % 3;
            table.AtomCoordinates[(static_cast<std::size_t>(molecule) * kMaxAtoms +
                                   static_cast<std::size_t>(atom)) *
                                      3 +
                                  static_cast<std::size_t>(axis)] = TextToNumber(lines[l]);
            ++values;
        }
        if (l == lines.size()) {
            throw InputError(choices.ShapeFileName + ": the block of molecule " +
                             std::to_string(molecule) + " (" + name + ") has no \"finmol\" line");
        }
        if (values % 3 != 0) {
            throw InputError(choices.ShapeFileName + " line " + std::to_string(l + 1) +
                             ": the block of molecule " + std::to_string(molecule) + " (" + name +
                             ") ends inside the coordinates of an atom");
        }
        ++l;
    }
    if (molecule < n) {
        throw InputError(choices.ShapeFileName + ": " + std::to_string(molecule) +
                         " molecule blocks, the table has " + std::to_string(n) + " molecules");
    }
}

void EliminateByStructure(const RunChoices& choices, PreparedTable& table,
                          ComputingWindow& window) {
    if (table.PredictionCount == 0) {
        return;
    }
    window.SetCaption(" Elimination of some molecules according to chemical structure.");
    const int n = table.MoleculeCount;
    const int nc = table.CalibrationCount;
    const int f = table.FragmentCount;
    // Whether each fragment occurs in some calibration / some prediction molecule.
    std::vector<char> inCalibration(static_cast<std::size_t>(f) + 1, 0);
    std::vector<char> inPrediction(static_cast<std::size_t>(f) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= f; ++j) {
            if (table.Value(i, j) > 0) {
                (i <= nc ? inCalibration : inPrediction)[static_cast<std::size_t>(j)] = 1;
            }
        }
    }
    // Keep flag of each molecule: every fragment it has occurs in the other set too.
    std::vector<char> keep(static_cast<std::size_t>(n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        char kept = 1;
        const std::vector<char>& other = i <= nc ? inPrediction : inCalibration;
        for (int j = 1; j <= f; ++j) {
            if (table.Value(i, j) > 0 && !other[static_cast<std::size_t>(j)]) {
                kept = 0;
                break;
            }
        }
        keep[static_cast<std::size_t>(i)] = kept;
    }

    const std::string nbx = NamePrefix(choices.TableFileName) + "NBX";
    ReportAppender file(nbx, ReportAppender::Mode::Create);
    file.Line(kDatabaseHeader);
    table.NbxCalibrationCount = 0;
    table.NbxPredictionCount = 0;
    for (int i = 1; i <= n; ++i) {
        if (!keep[static_cast<std::size_t>(i)]) {
            continue;
        }
        file.Line(table.Names[static_cast<std::size_t>(i)] + "\t" +
                  table.PropertyTexts[static_cast<std::size_t>(i)]);
        (i <= nc ? table.NbxCalibrationCount : table.NbxPredictionCount) += 1;
    }
    file.Close();
}

void PrepareTable(const RunChoices& choices, PreparedTable& table, ComputingWindow& window) {
    assert(!choices.ResultsFileName.empty() && "file names derived from the table's");
    table = PreparedTable{}; // nothing of an earlier table that failed its checks is kept
    if (access(choices.TableFileName.c_str(), F_OK) == 0) { // a missing table: the reader's message
        CheckReadableFile(choices.TableFileName);
        CheckTextTable(choices.TableFileName);
    }
    ReadTableHeader(choices, table);
    ReadTable(choices, table);
    CheckUniqueNames(choices, table);
    FillMoleculeList(choices, table);
    ApplyFragmentThreshold(table);
    if (choices.ShapeMethod == kSuperposition) {
        ReadShapeTable(choices, table);
    }
    EliminateByStructure(choices, table, window);
}

void WriteResultsStart(const RunChoices& choices, const PreparedTable& table) {
    ReportAppender report(choices.ResultsFileName);
    report.Lines({"", "     Program KalemirS", ""});
    report.Line("     " + DateText());
    report.Line("     " + TimeText());
    report.Line();
    report.Line("     Descriptors' file: " + choices.TableFileName);
    report.Line();
    report.Line("Number of the calibration set molecules: " + PlainNumber(table.CalibrationCount));
    report.Line("Number of the prediction set molecules: " + PlainNumber(table.PredictionCount));
    report.Line();
    report.Close();
}

std::optional<std::string> ClusterSimilarityProblem(std::string_view text) {
    if (auto problem = TypedNumberProblem(text)) {
        return problem;
    }
    const double value = TextToNumber(text);
    if (value < 0 || value > 1) {
        return std::string(WithoutBlanksAround(text)) + " is outside the range 0 to 1";
    }
    return std::nullopt;
}

} // namespace kalemir::sim
