#pragma once
// Checks of the command lines' file arguments, made before anything is written.

#include <string>

namespace kalemir {

/// A table is named by its file name in the working directory: a directory part is
/// refused with a pointer to -C. Throws InputError.
void CheckPlainTableName(const std::string& name);

/// The file exists, is a regular file and can be read. Throws InputError naming it.
void CheckReadableFile(const std::string& name);

/// The file holds text: no NUL byte (binary data is refused with the line it is on) and
/// more than blanks and line ends. Other bytes, a byte-order mark included, are single-byte
/// text and pass unchanged. Throws InputError naming the file.
void CheckTextTable(const std::string& name);

} // namespace kalemir

namespace kalemir {

/// Why the windows cannot open: no display to show them on, or a folder argument that is
/// no folder. Empty when they can.
std::string DesktopStartProblem(const std::string& folder);

} // namespace kalemir
