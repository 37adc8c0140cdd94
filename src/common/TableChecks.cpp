#include "common/TableChecks.h"

#include "common/Errors.h"
#include "common/Records.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace kalemir {

namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const std::string& path, const std::string& name) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw InputError(name + ": cannot read: " + std::strerror(errno));
    }
    return file;
}

[[noreturn]] void BinaryData(const std::string& name, long line) {
    throw InputError(name + " line " + std::to_string(line) +
                     ": binary data (a NUL byte), not a text table");
}

} // namespace

void CheckPlainTableName(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        throw InputError(name + ": tables are named without a folder; use -C DIR to work in "
                                "the folder that holds them");
    }
    if (name.empty()) {
        throw InputError("an empty table name");
    }
}

void CheckReadableFile(const std::string& path, const std::string& name) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        throw InputError(name + ": " + std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        throw InputError(name + ": is a folder, not a table");
    }
    OpenForReading(path, name);
}

void CheckTextTable(const std::string& name) {
    const File file = OpenForReading(name, name);
    std::vector<char> buffer(1 << 16);
    long line = 1;
    bool text = false;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\0') {
                BinaryData(name, line);
            }
            line += c == '\n' ? 1 : 0;
            text = text || (c != ' ' && c != '\t' && c != '\r' && c != '\n');
        }
    }
    if (std::ferror(file.get()) != 0) {
        throw InputError(name + ": cannot read: " + std::strerror(errno));
    }
    if (!text) {
        throw InputError(name + ": the table is empty");
    }
}

std::size_t FindDecimalComma(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && IsSeparator(line[i])) {
        ++i;
    }
    while (i < line.size() && !IsSeparator(line[i])) {
        ++i;
    }
    for (std::size_t comma = line.find(',', i); comma != std::string_view::npos;
         comma = line.find(',', comma + 1)) {
        if (comma == 0 || comma + 1 >= line.size() || !IsDigit(line[comma - 1]) ||
            !IsDigit(line[comma + 1])) {
            continue;
        }
        std::size_t start = comma;
        while (start > i && !IsSeparator(line[start - 1])) {
            --start;
        }
        // A number: digits, a sign or a point before the comma.
        if (IsDigit(line[start]) || line[start] == '-' || line[start] == '+' ||
            line[start] == '.') {
            return start;
        }
    }
    return std::string_view::npos;
}

std::optional<std::string> DecimalCommaProblem(std::string_view line) {
    const std::size_t at = FindDecimalComma(line);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t end = at;
    while (end < line.size() && !IsSeparator(line[end])) {
        ++end;
    }
    const std::vector<std::string_view> tokens = Tokenise(line);
    const std::string molecule = tokens.empty() ? std::string() : std::string(tokens[0]);
    return "molecule " + molecule + ": the value " + std::string(line.substr(at, end - at)) +
           " has a decimal comma";
}

void ReadMoleculeColumn(const std::string& path, const std::string& name,
                        const MoleculeVisitor& visit) {
    const File file = OpenForReading(path, name);
    std::vector<char> buffer(1 << 16);
    std::string line;
    long lineNumber = 0;
    bool text = false;   // more than blanks and line ends
    bool header = true;  // no record with a token yet: the header is still to come
    bool reading = true; // the visitor wants more records

    // One whole line (without its line end): its records' first tokens go to the visitor.
    const auto takeLine = [&](std::string_view whole) {
        ++lineNumber;
        if (!whole.empty() && whole.back() == '\r') {
            whole.remove_suffix(1);
        }
        for (char c : whole) {
            if (!IsSeparator(c)) {
                text = true;
                break;
            }
        }
        const bool commas = whole.find(',') != std::string_view::npos;
        if (commas && !header) {
            if (const auto problem = DecimalCommaProblem(whole)) {
                throw InputError(name + " line " + std::to_string(lineNumber) + ": " + *problem +
                                 " (a comma ends a record in these tables; write it with a "
                                 "decimal point)");
            }
        }
        std::size_t pos = 0;
        do {
            std::string_view record;
            pos = NextRecord(whole, pos, record);
            std::size_t end = 0;
            while (end < record.size() && !IsSeparator(record[end])) {
                ++end;
            }
            header = header && end == 0;
            if (reading) {
                reading = visit(record.substr(0, end), lineNumber);
            }
        } while (pos != std::string_view::npos);
    };

    bool pending = false; // part of a line read, its end not yet
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (got == 0) {
            break;
        }
        const char* data = buffer.data();
        if (const auto* nul = static_cast<const char*>(std::memchr(data, '\0', got))) {
            long at = lineNumber + 1;
            for (const char* c = data; c < nul; ++c) {
                at += *c == '\n' ? 1 : 0;
            }
            BinaryData(name, at);
        }
        std::size_t start = 0;
        while (start < got) {
            const void* feed = std::memchr(data + start, '\n', got - start);
            if (feed == nullptr) {
                line.append(data + start, got - start);
                pending = true;
                break;
            }
            const std::size_t stop =
                static_cast<std::size_t>(static_cast<const char*>(feed) - data);
            if (pending) {
                line.append(data + start, stop - start);
                takeLine(line);
                line.clear();
            } else {
                takeLine(std::string_view(data + start, stop - start));
            }
            pending = false;
            start = stop + 1;
        }
    }
    if (std::ferror(file.get()) != 0) {
        throw InputError(name + ": cannot read: " + std::strerror(errno));
    }
    if (pending) {
        takeLine(line);
    }
    if (!text) {
        throw InputError(name + ": the table is empty");
    }
}

} // namespace kalemir
