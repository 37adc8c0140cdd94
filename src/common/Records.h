#pragma once
// Record and token rules of the plain-text tables.
//
// A record is one free-format text field: leading blanks and TABs are skipped, the field
// ends at a comma or at the end of the line, and a field that begins with a double quote
// runs to the closing quote. Lines end in CR LF or in LF alone.

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kalemir {

class WorkerPool;

/// Reads the records of one table file in order.
class RecordReader {
public:
    /// Opens the file; throws FileError naming it when it cannot be opened.
    explicit RecordReader(const std::string& path);
    /// Reads records from text held in memory.
    static RecordReader FromText(std::string text);

    RecordReader(RecordReader&& other) noexcept;
    RecordReader& operator=(RecordReader&&) = delete;
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;
    ~RecordReader();

    /// Reads the next record into `record` (empty text at the end of the file).
    void Read(std::string& record);
    /// True once nothing is left to read: tested after each read.
    bool AtEnd();
    /// Number of the line the last record came from, from 1.
    long LineNumber() const { return lineNumber_; }
    /// Reads the next whole line (without its line end), commas and all, into `line`; the
    /// rest of a line whose records were being read is skipped. False at the end of the file.
    bool ReadLine(std::string& line);

private:
    RecordReader() = default;
    bool FillLine();
    bool RefillBuffer();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string memory_;
    std::size_t memoryPos_ = 0;
    bool fromMemory_ = false;
    std::vector<char> buffer_;
    std::size_t bufferPos_ = 0;
    std::size_t bufferEnd_ = 0;
    bool fileEnded_ = false;

    std::string line_;        // the current line without its line end
    std::size_t linePos_ = 0; // where the next record of the line starts
    bool lineOpen_ = false;   // a line is loaded and has unread records
    long lineNumber_ = 0;
};

/// The record of a line that starts at `pos` (leading blanks and TABs skipped, up to a comma
/// or the end of the line, a quoted field to its closing quote). Returns where the next
/// record of the line starts, npos when the line has no more.
std::size_t NextRecord(std::string_view line, std::size_t pos, std::string_view& record);

/// True for the token separators of a record: TAB and blank.
inline bool IsSeparator(char c) {
    return c == '\t' || c == ' ';
}

/// Calls visit(column, token) for the tokens of a record in order, columns from 1, until
/// visit returns false.
template <typename Visit> void ForEachToken(std::string_view record, Visit&& visit) {
    std::size_t i = 0;
    int column = 0;
    const std::size_t size = record.size();
    while (i < size) {
        while (i < size && IsSeparator(record[i])) {
            ++i;
        }
        if (i == size) {
            return;
        }
        const std::size_t start = i;
        while (i < size && !IsSeparator(record[i])) {
            ++i;
        }
        if (!visit(++column, record.substr(start, i - start))) {
            return;
        }
    }
}

/// Splits a record into its tokens: maximal runs of characters other than TAB and blank.
void Tokenise(std::string_view record, std::vector<std::string_view>& tokens);
std::vector<std::string_view> Tokenise(std::string_view record);

/// Records read at a time by ParseRecordsInBlocks: record k of a block is record
/// first + (k - first) % kRecordBlock of the table.
inline constexpr int kRecordBlock = 256;
/// Records whose parse results may be held at once: a block's afterBlock runs while the
/// next block is parsed, so results kept in slots by index need index % kRecordsInFlight.
inline constexpr int kRecordsInFlight = 2 * kRecordBlock;
using RecordParser = std::function<void(int index, std::string_view text, int worker)>;

/// The records a reading takes: from `First` to `Last`, both included (or to the end of the
/// file, whichever comes first).
struct RecordSpan {
    int First = 0;
    int Last = 0;
};

/// Reads a table's records (or whole lines) in blocks and has them parsed on the workers:
/// parse(index, text, worker) is called once for each record of the block, on any worker and
/// in any order. Reading stops after record `span.Last` or at the end of the file; records
/// (not whole lines) are read at least once, as the table readers do. afterBlock(count) runs
/// on the calling thread after each block of `count` records is parsed; with more than one
/// worker the next block is read, and parsed, meanwhile. Returns the number of records read.
/// Parse results must be stored by index (see kRecordsInFlight).
int ParseRecordsInBlocks(RecordReader& reader, bool wholeLines, RecordSpan span,
                         WorkerPool* workers, const RecordParser& parse,
                         const std::function<void(int count)>& afterBlock);

/// Calls `visit` for each molecule record of a table file (every non-empty record after the
/// header, the first non-empty one) with the record, its tokens and its line number.
using MoleculeRecordVisitor = std::function<void(
    const std::string& record, const std::vector<std::string_view>& tokens, long line)>;
void ForEachMoleculeRecord(const std::string& path, const MoleculeRecordVisitor& visit);

/// Number of runs of separators in a record; in a table header, the number of columns
/// after the corner label.
int CountSeparatorRuns(std::string_view record);

/// Reads every record of a file, as the table readers do: one read at least, then reads
/// until the end of the file has been reached after a read.
std::vector<std::string> ReadAllRecords(const std::string& path);

} // namespace kalemir
