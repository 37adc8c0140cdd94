#include "common/Records.h"

#include "common/Errors.h"
#include "common/WorkerPool.h"

#include <cerrno>
#include <cstring>
#include <exception>

namespace kalemir {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
}

RecordReader::RecordReader(const std::string& path) : path_(path) {
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
        throw FileError(path + ": cannot open: " + std::strerror(errno));
    }
    buffer_.resize(kBufferSize);
}

RecordReader RecordReader::FromText(std::string text) {
    RecordReader reader;
    reader.fromMemory_ = true;
    reader.memory_ = std::move(text);
    return reader;
}

RecordReader::RecordReader(RecordReader&& other) noexcept
    : file_(other.file_), path_(std::move(other.path_)), memory_(std::move(other.memory_)),
      memoryPos_(other.memoryPos_), fromMemory_(other.fromMemory_),
      buffer_(std::move(other.buffer_)), bufferPos_(other.bufferPos_), bufferEnd_(other.bufferEnd_),
      fileEnded_(other.fileEnded_), line_(std::move(other.line_)), linePos_(other.linePos_),
      lineOpen_(other.lineOpen_), lineNumber_(other.lineNumber_) {
    other.file_ = nullptr;
}

RecordReader::~RecordReader() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool RecordReader::RefillBuffer() {
    if (fileEnded_ || file_ == nullptr) {
        return false;
    }
    bufferEnd_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    bufferPos_ = 0;
    if (bufferEnd_ < buffer_.size()) {
        if (std::ferror(file_)) {
            throw FileError(path_ + ": cannot read: " + std::strerror(errno));
        }
        fileEnded_ = true;
    }
    return bufferEnd_ > 0;
}

bool RecordReader::FillLine() {
    line_.clear();
    linePos_ = 0;
    // The line runs to the next line feed (or the end of the data), taken a buffer's
    // stretch at a time.
    if (fromMemory_) {
        if (memoryPos_ >= memory_.size()) {
            return false;
        }
        const std::size_t feed = memory_.find('\n', memoryPos_);
        const std::size_t stop = feed == std::string::npos ? memory_.size() : feed;
        line_.assign(memory_, memoryPos_, stop - memoryPos_);
        memoryPos_ = feed == std::string::npos ? memory_.size() : feed + 1;
    } else {
        if (bufferPos_ == bufferEnd_ && !RefillBuffer()) {
            return false;
        }
        for (;;) {
            const char* begin = buffer_.data() + bufferPos_;
            const std::size_t available = bufferEnd_ - bufferPos_;
            const void* feed = std::memchr(begin, '\n', available);
            if (feed != nullptr) {
                const std::size_t length =
                    static_cast<std::size_t>(static_cast<const char*>(feed) - begin);
                line_.append(begin, length);
                bufferPos_ += length + 1;
                break;
            }
            line_.append(begin, available);
            bufferPos_ = bufferEnd_;
            if (!RefillBuffer()) {
                break;
            }
        }
    }
    ++lineNumber_;
    if (!line_.empty() && line_.back() == '\r') {
        line_.pop_back();
    }
    lineOpen_ = true;
    return true;
}

void RecordReader::Read(std::string& record) {
    record.clear();
    if (!lineOpen_ && !FillLine()) {
        return;
    }
    std::string_view field;
    const std::size_t next = NextRecord(line_, linePos_, field);
    record.assign(field);
    if (next == std::string::npos) {
        lineOpen_ = false;
    } else {
        linePos_ = next;
    }
}

std::size_t NextRecord(std::string_view line, std::size_t pos, std::string_view& record) {
    std::size_t i = pos;
    while (i < line.size() && IsSeparator(line[i])) {
        ++i;
    }
    std::size_t next = std::string_view::npos; // start of the next record on this line
    if (i < line.size() && line[i] == '"') {
        const std::size_t close = line.find('"', i + 1);
        if (close == std::string_view::npos) {
            record = line.substr(i + 1);
        } else {
            record = line.substr(i + 1, close - i - 1);
            const std::size_t comma = line.find(',', close + 1);
            if (comma != std::string_view::npos) {
                next = comma + 1;
            }
        }
    } else {
        const std::size_t comma = line.find(',', i);
        if (comma == std::string_view::npos) {
            record = line.substr(i);
        } else {
            record = line.substr(i, comma - i);
            next = comma + 1;
        }
    }
    // A comma that ends the line ends the record; it does not start an empty one.
    return next >= line.size() ? std::string_view::npos : next;
}

bool RecordReader::AtEnd() {
    if (lineOpen_) {
        return false;
    }
    if (fromMemory_) {
        return memoryPos_ >= memory_.size();
    }
    return bufferPos_ == bufferEnd_ && !RefillBuffer();
}

bool RecordReader::ReadLine(std::string& line) {
    lineOpen_ = false;
    if (!FillLine()) {
        line.clear();
        return false;
    }
    lineOpen_ = false;
    line.swap(line_);
    return true;
}

void Tokenise(std::string_view record, std::vector<std::string_view>& tokens) {
    tokens.clear();
    ForEachToken(record, [&](int, std::string_view token) {
        tokens.push_back(token);
        return true;
    });
}

int ParseRecordsInBlocks(RecordReader& reader, bool wholeLines, RecordSpan span,
                         WorkerPool* workers, const RecordParser& parse,
                         const std::function<void(int count)>& afterBlock) {
    // Big enough to share among the workers, small enough to keep only a slice of a large
    // table in memory as text: the block being parsed and the one read meanwhile.
    constexpr int kBlockRecords = kRecordBlock;
    std::vector<std::string> blocks[2] = {std::vector<std::string>(kBlockRecords),
                                          std::vector<std::string>(kBlockRecords)};
    int index = span.First; // the first record of the block at hand
    bool more = true;
    // The record reader's tables read one record even when none is asked for.
    auto wanted = [&](int at) { return at <= span.Last || (!wholeLines && at == span.First); };
    // Whether a block starts at record `at`, tested once the block before it is read.
    auto blockAt = [&](int at) { return more && wanted(at); };
    auto readBlock = [&](std::vector<std::string>& block, int from) {
        int count = 0;
        while (count < kBlockRecords && wanted(from + count)) {
            std::string& text = block[static_cast<std::size_t>(count)];
            if (wholeLines) {
                if (!reader.ReadLine(text)) {
                    more = false;
                    break;
                }
            } else {
                reader.Read(text);
            }
            ++count;
            if (!wholeLines && reader.AtEnd()) {
                more = false;
                break;
            }
        }
        return count;
    };
    auto parseBlock = [&](int which, int first) {
        return [&, which, first](int from, int to, int worker) {
            const std::vector<std::string>& block = blocks[which];
            for (int k = from; k < to; ++k) {
                parse(first + k, block[static_cast<std::size_t>(k)], worker);
            }
        };
    };
    if (workers == nullptr || workers->Size() == 1) {
        while (blockAt(index)) {
            const int count = readBlock(blocks[0], index);
            parseBlock(0, index)(0, count, 0);
            index += count;
            afterBlock(count);
        }
        return index - span.First;
    }
    if (!blockAt(index)) {
        return 0;
    }
    // The calling thread reads block k+1 while the workers parse block k, and then runs
    // afterBlock for block k and reads block k+2 while they parse block k+1. Failures are
    // raised in the order of a reading in turn: block k's parsing, its afterBlock, then the
    // reading of block k+1.
    constexpr int kParseGrain = 16;
    const StartedLoopGuard started{workers}; // a parse left by an exception is abandoned
    int which = 0;
    int count = readBlock(blocks[0], index);
    workers->Start(count, kParseGrain, parseBlock(0, index));
    auto readNext = [&](int from, int into, int& nextCount, std::exception_ptr& failure) {
        if (!blockAt(from)) {
            return false;
        }
        try {
            nextCount = readBlock(blocks[into], from);
        } catch (...) {
            failure = std::current_exception();
        }
        return true;
    };
    int nextCount = 0;
    std::exception_ptr readFailure;
    bool next = readNext(index + count, 1, nextCount, readFailure);
    workers->Join();
    while (true) {
        const int nextFirst = index + count;
        if (next && !readFailure) {
            workers->Start(nextCount, kParseGrain, parseBlock(1 - which, nextFirst));
        }
        index = nextFirst;
        afterBlock(count);
        if (readFailure) {
            std::rethrow_exception(readFailure);
        }
        if (!next) {
            break;
        }
        int afterCount = 0;
        const bool after = readNext(nextFirst + nextCount, which, afterCount, readFailure);
        workers->Join();
        which = 1 - which;
        count = nextCount;
        next = after;
        nextCount = afterCount;
    }
    return index - span.First;
}

std::vector<std::string_view> Tokenise(std::string_view record) {
    std::vector<std::string_view> tokens;
    Tokenise(record, tokens);
    return tokens;
}

int CountSeparatorRuns(std::string_view record) {
    int runs = 0;
    bool inRun = false;
    for (char c : record) {
        const bool separator = IsSeparator(c);
        if (separator && !inRun) {
            ++runs;
        }
        inRun = separator;
    }
    return runs;
}

std::vector<std::string> ReadAllRecords(const std::string& path) {
    RecordReader reader(path);
    std::vector<std::string> records;
    std::string record;
    do {
        reader.Read(record);
        records.push_back(record);
    } while (!reader.AtEnd());
    return records;
}

void ForEachMoleculeRecord(const std::string& path, const MoleculeRecordVisitor& visit) {
    RecordReader reader(path);
    std::string record;
    std::vector<std::string_view> tokens;
    bool header = true;
    do {
        reader.Read(record);
        if (record.empty()) {
            continue;
        }
        if (header) {
            header = false;
            continue;
        }
        Tokenise(record, tokens);
        visit(record, tokens, reader.LineNumber());
    } while (!reader.AtEnd());
}

} // namespace kalemir
