#include "qspr/setup/NameJoin.h"

#include "common/Errors.h"
#include "common/FileFaults.h"
#include "common/Records.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace kalemir::qspr {

namespace {

std::string PathIn(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

std::string FirstToken(std::string_view record) {
    std::string name;
    ForEachToken(record, [&](int, std::string_view token) {
        name = std::string(token);
        return false;
    });
    return name;
}

/// The molecule names of a table after its header, in order, with their lines.
struct NamedRows {
    std::vector<std::string> Names;
    std::vector<long> Lines;
};

NamedRows TableMolecules(const std::string& path) {
    NamedRows rows;
    ForEachMoleculeRecord(
        path, [&](const std::string&, const std::vector<std::string_view>& tokens, long line) {
            rows.Names.emplace_back(tokens.empty() ? std::string_view() : tokens[0]);
            rows.Lines.push_back(line);
        });
    return rows;
}

} // namespace

std::optional<std::string> NameJoinProblem(const std::string& folder, const std::string& qsprTable,
                                           const std::vector<std::string>& descriptorTables) {
    try {
        const NamedRows qspr = TableMolecules(PathIn(folder, qsprTable));
        std::unordered_map<std::string, long> wanted;
        for (const std::string& name : qspr.Names) {
            wanted.emplace(name, 0);
        }
        for (const std::string& table : descriptorTables) {
            for (auto& [name, line] : wanted) {
                line = 0;
            }
            const NamedRows rows = TableMolecules(PathIn(folder, table));
            for (std::size_t i = 0; i < rows.Names.size(); ++i) {
                const auto found = wanted.find(rows.Names[i]);
                if (found == wanted.end()) {
                    continue;
                }
                if (found->second != 0) {
                    return table + " lines " + std::to_string(found->second) + " and " +
                           std::to_string(rows.Lines[i]) + ": molecule " + found->first +
                           " is listed twice";
                }
                found->second = rows.Lines[i];
            }
            for (const std::string& name : qspr.Names) {
                if (wanted.at(name) == 0) {
                    return table + ": molecule " + name + " of the QSPR table is not in the table";
                }
            }
        }
    } catch (const FileError& e) {
        throw InputError(e.what());
    }
    return std::nullopt;
}

void WriteJoinedByName(const std::string& source, const std::vector<std::string>& molecules,
                       const std::string& copy) {
    std::unordered_map<std::string, std::string> rows;
    for (const std::string& name : molecules) {
        rows.emplace(name, std::string());
    }
    std::string header;
    bool headerRead = false;
    {
        RecordReader reader(source);
        std::string record;
        do {
            reader.Read(record);
            if (!headerRead) {
                header = record;
                headerRead = true;
                continue;
            }
            const auto found = rows.find(FirstToken(record));
            if (found != rows.end() && found->second.empty()) {
                found->second = record;
            }
        } while (!reader.AtEnd());
    }
    std::FILE* out = std::fopen(copy.c_str(), "wb");
    if (out == nullptr) {
        throw WriteFailure(copy + ": cannot write: " + std::strerror(errno));
    }
    bool written = true;
    auto put = [&](const std::string& record) {
        written =
            written && WriteBytes(out, record.data(), record.size()) && WriteBytes(out, "\r\n", 2);
    };
    put(header);
    for (const std::string& name : molecules) {
        const std::string& record = rows.at(name);
        if (record.empty()) {
            std::fclose(out);
            throw FileError(source + ": molecule " + name +
                            " of the QSPR table is not in the table (joined by name)");
        }
        put(record);
    }
    const int error = errno;
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        throw WriteFailure(source + ": cannot copy to " + copy + ": " +
                           std::strerror(written ? errno : error));
    }
}

} // namespace kalemir::qspr
