#pragma once
// Checks of a run's table files, made before anything is written: the windows and the
// command lines refuse the same files with the same messages.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kalemir {

/// A table is named by its file name in the working directory: a directory part is
/// refused with a pointer to -C. Throws InputError.
void CheckPlainTableName(const std::string& name);

/// The file exists, is a regular file and can be read. Throws InputError naming it.
void CheckReadableFile(const std::string& path, const std::string& name);
inline void CheckReadableFile(const std::string& name) {
    CheckReadableFile(name, name);
}

/// The file holds text: no NUL byte (binary data is refused with the line it is on) and
/// more than blanks and line ends. Other bytes, a byte-order mark included, are single-byte
/// text and pass unchanged. Throws InputError naming the file.
void CheckTextTable(const std::string& name);

/// Where a value written with a decimal comma ("6,87": a number with a digit on each side
/// of a comma) starts in a line, looking past the line's first token (the molecule name);
/// npos when there is none.
std::size_t FindDecimalComma(std::string_view line);

/// "molecule m2: the value 6,87 has a decimal comma" for the first value FindDecimalComma
/// finds in the line; no value when there is none.
std::optional<std::string> DecimalCommaProblem(std::string_view line);

/// Called with the first token of every record of a table in order (empty for an empty
/// record) and the line the record is on; returns false to stop reading.
using MoleculeVisitor = std::function<bool(std::string_view name, long line)>;

/// Reads the molecule column of a record table (records end at a comma or a line end) in
/// one pass, without splitting the values: fast on tables of any width. Throws InputError
/// naming `name` for a file that is not a text table (a NUL byte, nothing but blanks) and
/// for a value with a decimal comma after the header line, FileError when it cannot be read.
void ReadMoleculeColumn(const std::string& path, const std::string& name,
                        const MoleculeVisitor& visit);

} // namespace kalemir
