#pragma once
// `KalemirT run`: the table maker without a display, from a structure file to the tables
// of both programs.

#include "tables/TableMaker.h"

#include <string>
#include <vector>

namespace kalemir::tables {

struct TablesRunOptions {
    TableRequest request;
    bool quiet = false;
};

/// Parses the arguments after "run". Throws InputError with a usage message.
TablesRunOptions ParseTablesRunArguments(const std::vector<std::string>& arguments);

/// The whole command line: arguments as main gets them (without the program name); the
/// exit status: 0 tables made, 1 a write failed midway (no table left half-written), 2 a
/// usage or input error or no molecule left (nothing written), 130/143 interrupted.
int TablesMain(const std::vector<std::string>& arguments);

/// The usage text.
std::string TablesUsage();

} // namespace kalemir::tables
