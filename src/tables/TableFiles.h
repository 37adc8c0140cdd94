#pragma once
// Writing the tables of one set: every table goes first to a temporary file beside its
// final name; only when all of them are complete are they renamed into place, so a failed
// run (a full disk, say) leaves the folder as it was and never a half-written table.

#include "common/WorkFiles.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kalemir::tables {

class TableFiles {
public:
    /// Tables go into `folder` ("" for the current folder).
    explicit TableFiles(std::string folder);
    ~TableFiles();
    TableFiles(const TableFiles&) = delete;
    TableFiles& operator=(const TableFiles&) = delete;

    /// Starts the table `name` (its temporary file). Throws WriteFailure naming it.
    void Begin(const std::string& name);
    /// One line of the current table, ended by CR LF.
    void Line(std::string_view text = {});
    /// Completes the current table. Throws WriteFailure when it could not be stored.
    void End();

    /// Renames every completed table into place, in the order they were written; returns
    /// their paths. Throws WriteFailure when a rename fails.
    std::vector<std::string> PutInPlace();

    /// The path of a table name in the folder.
    std::string PathOf(const std::string& name) const;

private:
    void Flush();
    [[noreturn]] void Fail(const std::string& path);

    std::string folder_;
    WorkFileSet temporaries_;
    std::vector<std::string> names_;
    std::FILE* file_ = nullptr;
    std::string buffer_;
};

} // namespace kalemir::tables
