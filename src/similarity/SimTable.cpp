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

int HeaderCount(const ProgramState& state, std::string_view line, int field, const char* what) {
    const std::string_view text = TabField(line, field);
    const double value = TextToNumber(text);
    if (!BeginsWithNumber(text) || !(value >= 0) || value != std::floor(value)) {
        throw InputError(state.tableFileName + " line 1: the " + what + " (header field " +
                         std::to_string(field) + ", \"" + std::string(text) +
                         "\") is not a whole non-negative number");
    }
    const double limit =
        std::string_view(what) == "number of fragments" ? kMaxFragments : kMaxMolecules;
    if (value > limit) {
        throw InputError(state.tableFileName + " line 1: the " + what + " " + PlainNumber(value) +
                         " is above the limit of " + PlainNumber(limit));
    }
    return static_cast<int>(value);
}

} // namespace

std::string NamePrefix(std::string_view tableFileName) {
    return std::string(tableFileName.substr(0, 5));
}

void DeriveFileNames(ProgramState& state) {
    const std::string p5 = NamePrefix(state.tableFileName);
    state.shapeFileName = p5 + "SHP.des";
    state.resultsFileName = p5 + "SIM.res";
}

void ReadTableHeader(ProgramState& state) {
    std::string text;
    if (!ReadFileText(state.tableFileName, text)) {
        throw InputError(state.tableFileName + ": cannot open the similarity table");
    }
    const std::vector<std::string_view> lines = SplitLines(text);
    if (lines.empty() || lines.front().empty()) {
        throw InputError(state.tableFileName +
                         " line 1: the header line is missing (it must be the first line)");
    }
    const std::string_view header = lines.front();
    int tabs = 0;
    for (char c : header) {
        tabs += c == '\t' ? 1 : 0;
    }
    if (tabs < 4) {
        throw InputError(state.tableFileName +
                         " line 1: the header holds fewer than five tab-separated fields");
    }
    state.calibrationCount =
        HeaderCount(state, header, tabs - 4, "number of calibration molecules");
    state.predictionCount = HeaderCount(state, header, tabs - 3, "number of prediction molecules");
    state.fragmentCount = HeaderCount(state, header, tabs - 2, "number of fragments");
    state.moleculeCount = state.calibrationCount + state.predictionCount;
    if (state.moleculeCount < 1) {
        throw InputError(state.tableFileName + " line 1: the header counts no molecules");
    }
    if (state.moleculeCount > kMaxMolecules) {
        throw InputError(state.tableFileName + " line 1: " + std::to_string(state.moleculeCount) +
                         " molecules are above the limit of " + PlainNumber(kMaxMolecules));
    }
}

void ReadTable(ProgramState& state) {
    std::string text;
    if (!ReadFileText(state.tableFileName, text)) {
        throw InputError(state.tableFileName + ": cannot open the similarity table");
    }
    const std::vector<std::string_view> lines = SplitLines(text);
    const int n = state.moleculeCount;
    const int columns = state.Columns();
    if (static_cast<long>(lines.size()) < n + 1L) {
        throw InputError(state.tableFileName + ": the header counts " + std::to_string(n) +
                         " molecules but the table has only " +
                         std::to_string(lines.empty() ? 0 : lines.size() - 1) + " lines after it");
    }
    // The header names the columns: fewer names than its own count of fragments means the
    // counts and the table do not belong together (and would size the table wrongly).
    const auto headerTokens = static_cast<long>(Tokenise(lines.front()).size());
    if (headerTokens < state.fragmentCount + 1L) {
        throw InputError(state.tableFileName + " line 1: the header counts " +
                         std::to_string(state.fragmentCount) + " fragments but names only " +
                         std::to_string(std::max(headerTokens - 1, 0L)) +
                         " columns after the first");
    }
    for (std::size_t l = static_cast<std::size_t>(n) + 1; l < lines.size(); ++l) {
        if (!Tokenise(lines[l]).empty()) {
            throw InputError(state.tableFileName + " line " + std::to_string(l + 1) +
                             ": a molecule beyond the " + std::to_string(n) +
                             " the header counts (" + std::to_string(state.calibrationCount) +
                             " calibration + " + std::to_string(state.predictionCount) +
                             " prediction)");
        }
    }
    const auto rows = static_cast<std::size_t>(n) + 1;
    state.values.assign(rows * static_cast<std::size_t>(columns), 0.0);
    state.names.assign(rows, std::string());
    state.propertyTokens.assign(rows, std::string());
    state.lineNumbers.assign(rows, 0);
    state.headerTokens.assign(static_cast<std::size_t>(columns), std::string());
    std::vector<std::string_view> tokens;
    for (int row = 0; row <= n; ++row) {
        const std::string_view line = lines[static_cast<std::size_t>(row)];
        Tokenise(line, tokens);
        if (static_cast<long>(tokens.size()) > columns) {
            throw InputError(state.tableFileName + " line " + std::to_string(row + 1) + ": " +
                             std::to_string(tokens.size()) + " tokens, more than the " +
                             std::to_string(columns) + " the header's counts allow");
        }
        if (row > 0 && tokens.empty()) {
            throw InputError(state.tableFileName + " line " + std::to_string(row + 1) +
                             ": empty line where molecule " + std::to_string(row) + " should be");
        }
        const long needed = state.fragmentCount + kNormaliserColumn + 1L;
        if (row > 0 && static_cast<long>(tokens.size()) < needed) {
            throw InputError(state.tableFileName + " line " + std::to_string(row + 1) +
                             ": molecule " + std::string(tokens[0]) + " has " +
                             std::to_string(tokens.size()) + " tokens, fewer than the " +
                             std::to_string(needed) + " the header's counts need");
        }
        state.lineNumbers[static_cast<std::size_t>(row)] = row + 1;
        for (std::size_t c = 0; c < tokens.size(); ++c) {
            state.Value(row, static_cast<int>(c)) = TextToNumber(tokens[c]);
            if (!std::isfinite(state.Value(row, static_cast<int>(c)))) {
                throw InputError(state.tableFileName + " line " + std::to_string(row + 1) +
                                 ": the value \"" + std::string(tokens[c]) + "\" is out of range");
            }
            if (row == 0) {
                state.headerTokens[c] = std::string(tokens[c]);
            }
        }
        if (row > 0) {
            const std::size_t comma = FindDecimalComma(line);
            if (comma != std::string_view::npos) {
                throw InputError(state.tableFileName + " line " + std::to_string(row + 1) + ": " +
                                 DecimalCommaProblem(line, comma) +
                                 " (write it with a decimal point)");
            }
        }
        if (!tokens.empty()) {
            state.names[static_cast<std::size_t>(row)] = std::string(tokens[0]);
        }
        const auto property = static_cast<std::size_t>(state.fragmentCount + kPropertyColumn);
        if (property < tokens.size()) {
            state.propertyTokens[static_cast<std::size_t>(row)] = std::string(tokens[property]);
        }
    }
}

void CheckUniqueNames(const ProgramState& state) {
    // The databases list the molecules by name: two molecules of one name could not be
    // told apart in them.
    std::unordered_map<std::string_view, int> seen;
    for (int i = 1; i <= state.moleculeCount; ++i) {
        const std::string& name = state.names[static_cast<std::size_t>(i)];
        const auto [first, added] = seen.emplace(name, i);
        if (!added) {
            throw InputError(state.tableFileName + " lines " + std::to_string(first->second + 1) +
                             " and " + std::to_string(i + 1) + ": molecule " + name +
                             " is listed twice (each molecule needs a name of its own)");
        }
    }
}

void FillMoleculeList(ProgramState& state) {
    const int n = state.moleculeCount;
    state.propertyTexts = state.propertyTokens;
    for (int i = state.calibrationCount + 1; i <= n; ++i) {
        state.propertyTexts[static_cast<std::size_t>(i)] = "?";
    }
    state.marks.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        if (state.Fixed(i, kNormaliserColumn) == 0) {
            throw InputError(state.tableFileName + " line " + std::to_string(i + 1) +
                             ": molecule " + state.names[static_cast<std::size_t>(i)] +
                             " has a fragment normaliser (column " +
                             std::to_string(state.fragmentCount + kNormaliserColumn) + ") of 0");
        }
    }
}

void ApplyFragmentThreshold(ProgramState& state) {
    for (int i = 1; i <= state.moleculeCount; ++i) {
        const double threshold = 1.1 / state.Fixed(i, kNormaliserColumn);
        for (int j = 1; j <= state.fragmentCount; ++j) {
            if (state.Value(i, j) < threshold) {
                state.Value(i, j) = 0;
            }
        }
    }
}

void ReadShapeTable(ProgramState& state) {
    std::string text;
    if (!ReadFileText(state.shapeFileName, text)) {
        throw InputError(state.shapeFileName +
                         ": cannot open the shape table (needed by the Superposition method)");
    }
    const int n = state.moleculeCount;
    state.atomCoordinates.assign((static_cast<std::size_t>(n) + 1) * kMaxAtoms * 3, 0.0);
    const std::vector<std::string_view> lines = SplitLines(text);
    int molecule = 0;
    std::size_t l = 0;
    while (l < lines.size() && molecule < n) {
        if (lines[l] != "newmol") {
            ++l;
            continue;
        }
        ++molecule;
        const std::string& name = state.names[static_cast<std::size_t>(molecule)];
        int values = 0;
        ++l;
        for (; l < lines.size() && lines[l] != "finmol"; ++l) {
            if (values == kMaxAtoms * 3) {
                throw InputError(state.shapeFileName + " line " + std::to_string(l + 1) +
                                 ": molecule " + std::to_string(molecule) + " (" + name +
                                 ") has more than " + std::to_string(kMaxAtoms) + " atoms");
            }
            const int atom = values / 3;
            const int axis = values % 3;
            state.atomCoordinates[(static_cast<std::size_t>(molecule) * kMaxAtoms +
                                   static_cast<std::size_t>(atom)) *
                                      3 +
                                  static_cast<std::size_t>(axis)] = TextToNumber(lines[l]);
            ++values;
        }
        if (l == lines.size()) {
            throw InputError(state.shapeFileName + ": the block of molecule " +
                             std::to_string(molecule) + " (" + name + ") has no \"finmol\" line");
        }
        if (values % 3 != 0) {
            throw InputError(state.shapeFileName + " line " + std::to_string(l + 1) +
                             ": the block of molecule " + std::to_string(molecule) + " (" + name +
                             ") ends inside the coordinates of an atom");
        }
        ++l;
    }
    if (molecule < n) {
        throw InputError(state.shapeFileName + ": " + std::to_string(molecule) +
                         " molecule blocks, the table has " + std::to_string(n) + " molecules");
    }
}

void EliminateByStructure(ProgramState& state, ComputingWindow& window) {
    if (state.predictionCount == 0) {
        return;
    }
    window.SetCaption(" Elimination of some molecules according to chemical structure.");
    const int n = state.moleculeCount;
    const int nc = state.calibrationCount;
    const int f = state.fragmentCount;
    // Whether each fragment occurs in some calibration / some prediction molecule.
    std::vector<char> inCalibration(static_cast<std::size_t>(f) + 1, 0);
    std::vector<char> inPrediction(static_cast<std::size_t>(f) + 1, 0);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= f; ++j) {
            if (state.Value(i, j) > 0) {
                (i <= nc ? inCalibration : inPrediction)[static_cast<std::size_t>(j)] = 1;
            }
        }
    }
    for (int i = 1; i <= n; ++i) {
        int keep = 1;
        const std::vector<char>& other = i <= nc ? inPrediction : inCalibration;
        for (int j = 1; j <= f; ++j) {
            if (state.Value(i, j) > 0 && !other[static_cast<std::size_t>(j)]) {
                keep = 0;
                break;
            }
        }
        state.marks[static_cast<std::size_t>(i)] = keep;
    }

    const std::string nbx = NamePrefix(state.tableFileName) + "NBX";
    ReportAppender file(nbx, ReportAppender::Mode::Create);
    file.Line(kDatabaseHeader);
    state.nbxCalibrationCount = 0;
    state.nbxPredictionCount = 0;
    for (int i = 1; i <= n; ++i) {
        if (state.marks[static_cast<std::size_t>(i)] != 1) {
            continue;
        }
        file.Line(state.names[static_cast<std::size_t>(i)] + "\t" +
                  state.propertyTexts[static_cast<std::size_t>(i)]);
        (i <= nc ? state.nbxCalibrationCount : state.nbxPredictionCount) += 1;
    }
    file.Close();
    std::fill(state.marks.begin(), state.marks.end(), 0);
}

void PrepareTable(ProgramState& state, ComputingWindow& window) {
    DeriveFileNames(state);
    if (access(state.tableFileName.c_str(), F_OK) == 0) { // a missing table: the reader's message
        CheckReadableFile(state.tableFileName);
        CheckTextTable(state.tableFileName);
    }
    ReadTableHeader(state);
    ReadTable(state);
    CheckUniqueNames(state);
    FillMoleculeList(state);
    ApplyFragmentThreshold(state);
    if (state.shapeMethod == kSuperposition) {
        ReadShapeTable(state);
    }
    EliminateByStructure(state, window);
}

void WriteResultsStart(const ProgramState& state) {
    ReportAppender report(state.resultsFileName);
    report.Lines({"", "     Program KalemirS", ""});
    report.Line("     " + DateText());
    report.Line("     " + TimeText());
    report.Line();
    report.Line("     Descriptors' file: " + state.tableFileName);
    report.Line();
    report.Line("Number of the calibration set molecules: " + PlainNumber(state.calibrationCount));
    report.Line("Number of the prediction set molecules: " + PlainNumber(state.predictionCount));
    report.Line();
    report.Close();
}

std::string ClusterSimilarityProblem(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    const std::string shown(first == std::string_view::npos ? std::string_view()
                                                            : text.substr(first));
    if (!BeginsWithNumber(text)) {
        return "'" + shown + "' is not a number";
    }
    const double value = TextToNumber(text);
    if (value < 0 || value > 1) {
        return shown + " is outside the range 0 to 1";
    }
    return {};
}

} // namespace kalemir::sim
