#include "tables/StructureInput.h"

#include "common/Errors.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>

namespace kalemir::tables {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

/// The file's lines without their line ends (LF or CR LF). Throws InputError.
std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw InputError(path + ": cannot read the file");
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find('\0') != std::string::npos) {
            throw InputError(path + " line " + std::to_string(lines.size() + 1) +
                             ": binary data, not text");
        }
        lines.push_back(std::move(line));
    }
    if (in.bad()) {
        throw InputError(path + ": cannot read the file");
    }
    return lines;
}

std::string Where(const std::string& path, long line) {
    return path + " line " + std::to_string(line);
}

/// The fields of one CSV or TSV line; double quotes enclose a field and "" stands for a
/// quote inside one.
std::vector<std::string> SplitDelimited(const std::string& line, char separator,
                                        const std::string& where) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    bool wasQuoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"' && Trim(fields.back()).empty() && !wasQuoted) {
            fields.back().clear();
            quoted = wasQuoted = true;
        } else if (c == separator) {
            fields.emplace_back();
            wasQuoted = false;
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        throw InputError(where + ": a quoted field is not closed");
    }
    for (std::string& field : fields) {
        field = Trim(field);
    }
    return fields;
}

/// A delimited file: its header and its rows, each with its line number.
struct DelimitedTable {
    std::vector<std::string> header;
    std::vector<std::pair<long, std::vector<std::string>>> rows;
};

DelimitedTable ReadDelimited(const std::string& path, char separator) {
    const std::vector<std::string> lines = ReadLines(path);
    DelimitedTable table;
    bool header = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const long number = static_cast<long>(i + 1);
        if (Trim(lines[i]).empty()) {
            continue;
        }
        std::vector<std::string> fields = SplitDelimited(lines[i], separator, Where(path, number));
        if (header) {
            if (number == 1 && !fields[0].empty() && fields[0].rfind("\xEF\xBB\xBF", 0) == 0) {
                fields[0].erase(0, 3); // byte-order mark
            }
            table.header = std::move(fields);
            header = false;
            continue;
        }
        if (fields.size() != table.header.size()) {
            throw InputError(Where(path, number) + ": " + std::to_string(fields.size()) +
                             " fields where the header has " + std::to_string(table.header.size()));
        }
        table.rows.emplace_back(number, std::move(fields));
    }
    if (header) {
        throw InputError(path + ": no header line");
    }
    return table;
}

/// The index of the column named `name` (exactly), or of the first default name (any
/// case) when `name` is empty; -1 when there is none. A named column the header lacks
/// throws InputError.
int ColumnIndex(const DelimitedTable& table, const std::string& path, const std::string& name,
                const std::vector<std::string>& defaults, const std::string& option) {
    const auto& header = table.header;
    if (!name.empty()) {
        const auto it = std::find(header.begin(), header.end(), name);
        if (it == header.end()) {
            throw InputError(path + ": no column " + name + " (" + option + ")");
        }
        return static_cast<int>(it - header.begin());
    }
    for (const std::string& wanted : defaults) {
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (Lower(header[i]) == Lower(wanted)) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

std::vector<StructureRecord> ReadDelimitedStructures(const std::string& path, char separator,
                                                     const InputFields& fields) {
    const DelimitedTable table = ReadDelimited(path, separator);
    const int smiles = ColumnIndex(table, path, fields.smiles, {"SMILES"}, "--smiles");
    if (smiles < 0) {
        throw InputError(path + ": no SMILES column (name it with --smiles)");
    }
    const int name = ColumnIndex(table, path, fields.name, {"Name", "ID"}, "--name");
    const int value = ColumnIndex(table, path, fields.property, {}, "--property");
    std::vector<StructureRecord> records;
    for (const auto& [line, row] : table.rows) {
        StructureRecord record;
        record.position = static_cast<long>(records.size() + 1);
        record.line = line;
        record.structure = row[static_cast<std::size_t>(smiles)];
        if (name >= 0) {
            record.name = row[static_cast<std::size_t>(name)];
        }
        if (value >= 0) {
            record.valueText = row[static_cast<std::size_t>(value)];
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<StructureRecord> ReadSmilesFile(const std::string& path) {
    const std::vector<std::string> lines = ReadLines(path);
    std::vector<StructureRecord> records;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = Trim(lines[i]);
        if (line.empty()) {
            continue;
        }
        const std::size_t gap = line.find_first_of(" \t");
        std::string smiles = line.substr(0, gap);
        std::string name = gap == std::string::npos ? std::string() : Trim(line.substr(gap));
        if (records.empty() && Lower(smiles) == "smiles") {
            continue; // a header line
        }
        StructureRecord record;
        record.position = static_cast<long>(records.size() + 1);
        record.line = static_cast<long>(i + 1);
        record.structure = std::move(smiles);
        record.name = std::move(name);
        records.push_back(std::move(record));
    }
    return records;
}

/// The data field name of an SD data header line ("> <ACTIVITY>  (1)"), or false.
bool DataFieldName(const std::string& line, std::string& name) {
    if (line.empty() || line[0] != '>') {
        return false;
    }
    const std::size_t open = line.find('<');
    const std::size_t close = open == std::string::npos ? open : line.find('>', open);
    if (close == std::string::npos) {
        return false;
    }
    name = line.substr(open + 1, close - open - 1);
    return true;
}

/// One SD record: its mol block and its data fields.
struct SdRecord {
    long line = 0;
    std::string molBlock;
    std::string title;
    std::vector<std::pair<std::string, std::string>> data;
};

std::vector<SdRecord> ReadSdRecords(const std::string& path) {
    const std::vector<std::string> lines = ReadLines(path);
    std::vector<SdRecord> records;
    std::size_t i = 0;
    while (i < lines.size()) {
        std::size_t end = i;
        while (end < lines.size() && lines[end].rfind("$$$$", 0) != 0) {
            ++end;
        }
        bool blank = true;
        for (std::size_t k = i; k < end && blank; ++k) {
            blank = Trim(lines[k]).empty();
        }
        if (!blank) {
            SdRecord record;
            record.line = static_cast<long>(i + 1);
            record.title = Trim(lines[i]);
            std::size_t k = i;
            for (; k < end; ++k) {
                record.molBlock += lines[k] + "\n";
                if (lines[k].rfind("M  END", 0) == 0) {
                    ++k;
                    break;
                }
            }
            std::string field;
            for (; k < end; ++k) {
                if (!DataFieldName(lines[k], field)) {
                    continue;
                }
                std::string value;
                for (++k; k < end && !lines[k].empty(); ++k) {
                    value += value.empty() ? lines[k] : "\n" + lines[k];
                }
                record.data.emplace_back(field, Trim(value));
            }
            records.push_back(std::move(record));
        }
        i = end + 1;
    }
    return records;
}

const std::string* DataField(const SdRecord& record, const std::string& name) {
    for (const auto& [field, value] : record.data) {
        if (field == name) {
            return &value;
        }
    }
    return nullptr;
}

std::vector<StructureRecord> ReadSdStructures(const std::string& path, const InputFields& fields) {
    const std::vector<SdRecord> sd = ReadSdRecords(path);
    bool propertySeen = false;
    bool nameSeen = false;
    std::vector<StructureRecord> records;
    for (const SdRecord& entry : sd) {
        StructureRecord record;
        record.position = static_cast<long>(records.size() + 1);
        record.line = entry.line;
        record.structure = entry.molBlock;
        record.molBlock = true;
        record.name = entry.title;
        if (!fields.name.empty()) {
            const std::string* name = DataField(entry, fields.name);
            nameSeen = nameSeen || name != nullptr;
            record.name = name != nullptr ? Trim(*name) : std::string();
        }
        if (!fields.property.empty()) {
            const std::string* value = DataField(entry, fields.property);
            propertySeen = propertySeen || value != nullptr;
            record.valueText = value != nullptr ? *value : std::string();
        }
        records.push_back(std::move(record));
    }
    if (!fields.property.empty() && !propertySeen && !sd.empty()) {
        throw InputError(path + ": no molecule has the field " + fields.property + " (--property)");
    }
    if (!fields.name.empty() && !nameSeen && !sd.empty()) {
        throw InputError(path + ": no molecule has the field " + fields.name + " (--name)");
    }
    return records;
}

} // namespace

StructureFormat FormatOfFile(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    const std::string extension =
        dot == std::string::npos || (slash != std::string::npos && dot < slash)
            ? std::string()
            : Lower(path.substr(dot + 1));
    if (extension == "sdf" || extension == "sd") {
        return StructureFormat::Sd;
    }
    if (extension == "smi") {
        return StructureFormat::Smiles;
    }
    if (extension == "csv") {
        return StructureFormat::Csv;
    }
    if (extension == "tsv") {
        return StructureFormat::Tsv;
    }
    throw InputError(path + ": not a structure file (.sdf, .smi, .csv or .tsv)");
}

std::vector<StructureRecord> ReadStructures(const std::string& path, const InputFields& fields) {
    const StructureFormat format = FormatOfFile(path);
    if (format != StructureFormat::Csv && format != StructureFormat::Tsv &&
        !fields.smiles.empty()) {
        throw InputError("--smiles names a column of a CSV or TSV file only");
    }
    switch (format) {
    case StructureFormat::Sd:
        return ReadSdStructures(path, fields);
    case StructureFormat::Smiles:
        if (!fields.property.empty() || !fields.name.empty()) {
            throw InputError(path + ": a SMILES file has no fields; give the values with "
                                    "--values");
        }
        return ReadSmilesFile(path);
    case StructureFormat::Csv:
        return ReadDelimitedStructures(path, ',', fields);
    case StructureFormat::Tsv:
        return ReadDelimitedStructures(path, '\t', fields);
    }
    return {};
}

std::vector<std::string> OfferedFields(const std::string& path) {
    switch (FormatOfFile(path)) {
    case StructureFormat::Sd: {
        std::vector<std::string> names;
        for (const SdRecord& record : ReadSdRecords(path)) {
            for (const auto& [field, value] : record.data) {
                if (std::find(names.begin(), names.end(), field) == names.end()) {
                    names.push_back(field);
                }
            }
        }
        return names;
    }
    case StructureFormat::Smiles:
        return {};
    case StructureFormat::Csv:
        return ReadDelimited(path, ',').header;
    case StructureFormat::Tsv:
        return ReadDelimited(path, '\t').header;
    }
    return {};
}

std::string JoinValues(const std::string& path, const std::string& column,
                       std::vector<StructureRecord>& records, long& unmatched) {
    const StructureFormat format = FormatOfFile(path);
    if (format != StructureFormat::Csv && format != StructureFormat::Tsv) {
        throw InputError(path + ": the values file must be a .csv or .tsv file");
    }
    const DelimitedTable table = ReadDelimited(path, format == StructureFormat::Csv ? ',' : '\t');
    if (table.header.size() < 2) {
        throw InputError(path + ": the values file needs a name and a value column");
    }
    const int value = column.empty() ? 1 : ColumnIndex(table, path, column, {}, "--property");
    std::map<std::string, std::pair<std::string, long>> values;
    for (const auto& [line, row] : table.rows) {
        const auto [it, added] =
            values.emplace(row[0], std::make_pair(row[static_cast<std::size_t>(value)], line));
        if (!added) {
            throw InputError(Where(path, line) + ": " + row[0] + " has a value already (line " +
                             std::to_string(it->second.second) + ")");
        }
    }
    long matched = 0;
    for (StructureRecord& record : records) {
        const auto it = values.find(record.name);
        if (it != values.end()) {
            record.valueText = it->second.first;
            ++matched;
        }
    }
    unmatched = static_cast<long>(values.size()) - matched;
    return table.header[static_cast<std::size_t>(value)];
}

} // namespace kalemir::tables
