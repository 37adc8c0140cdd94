#include "tables/ColumnValues.h"

#include "common/Errors.h"
#include "common/TextToNumber.h"
#include "tables/ChemistryFailure.h"
#include "tables/Descriptors2D.h"
#include "tables/Fragments.h"
#include "tables/MoleculeWork.h"
#include "tables/Standardise.h"
#include "tables/TableMaker.h"
#include "tables/TableText.h"

#include <GraphMol/ROMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <RDGeneral/RDLog.h>

#include <algorithm>
#include <charconv>

namespace kalemir::tables {

namespace {

enum class Source { Descriptor2D, Morgan, Fragment };

struct Column {
    Source source = Source::Descriptor2D;
    std::size_t index = 0;
};

/// The Morgan column number of "MFPn", or -1.
long MorganColumn(const std::string& name) {
    if (name.size() < 4 || name.compare(0, 3, "MFP") != 0) {
        return -1;
    }
    unsigned column = 0;
    const char* end = name.data() + name.size();
    const auto [stop, error] = std::from_chars(name.data() + 3, end, column);
    return error == std::errc() && stop == end && column < kMorganColumns
               ? static_cast<long>(column)
               : -1;
}

SparseCounts Sparse(const std::vector<unsigned>& counts) {
    SparseCounts sparse;
    for (std::size_t c = 0; c < counts.size(); ++c) {
        if (counts[c] != 0) {
            sparse.emplace_back(static_cast<unsigned>(c), counts[c]);
        }
    }
    return sparse;
}

} // namespace

double CountTanimoto(const SparseCounts& a, const SparseCounts& b) {
    double common = 0;
    double either = 0;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].first < b[j].first)) {
            either += a[i++].second;
        } else if (i == a.size() || b[j].first < a[i].first) {
            either += b[j++].second;
        } else {
            common += std::min(a[i].second, b[j].second);
            either += std::max(a[i].second, b[j].second);
            ++i;
            ++j;
        }
    }
    return either > 0 ? common / either : 0.0;
}

SparseCounts MorganCountsOfSmiles(const std::string& smiles) {
    return UnlessChemistryFails(
        [&] {
            const std::unique_ptr<RDKit::ROMol> mol(RDKit::SmilesToMol(smiles));
            return mol ? Sparse(MorganCounts(*mol)) : SparseCounts();
        },
        [](const std::exception&) { return SparseCounts(); });
}

struct ColumnDescriber::Impl {
    /// Reasons go to the rows, not to the terminal, while the describer lives.
    RDLog::LogStateSetter quietToolkit;
    Descriptors2D descriptors;
    std::vector<Column> columns;
    TableChoice choice{false, false, true, false, false, false, false};
    Standardisation standardise = Standardisation::Parent;
};

ColumnDescriber::ColumnDescriber(const std::vector<std::string>& columns,
                                 const std::string& standardisation)
    : impl_(std::make_unique<Impl>()) {
    impl_->standardise = StandardisationNamed(standardisation);
    const std::vector<std::string>& d2d = impl_->descriptors.Names();
    const std::vector<std::string>& fragments = FragmentNames();
    for (const std::string& name : columns) {
        Column column;
        if (const auto at = std::find(d2d.begin(), d2d.end(), name); at != d2d.end()) {
            column = {Source::Descriptor2D, static_cast<std::size_t>(at - d2d.begin())};
            impl_->choice.d2d = true;
        } else if (const long morgan = MorganColumn(name); morgan >= 0) {
            column = {Source::Morgan, static_cast<std::size_t>(morgan)};
        } else if (const auto f = std::find(fragments.begin(), fragments.end(), name);
                   f != fragments.end()) {
            column = {Source::Fragment, static_cast<std::size_t>(f - fragments.begin())};
            impl_->choice.vfr = true;
        } else {
            throw InputError("column " + name +
                             ": not a column of the 2D descriptor, Morgan count or fragment "
                             "table");
        }
        impl_->columns.push_back(column);
    }
}

ColumnDescriber::~ColumnDescriber() = default;

ColumnRow ColumnDescriber::Describe(const StructureRecord& record) const {
    const MoleculeRow row =
        ComputeMoleculeRow(record, impl_->choice, {kDefaultSeed, kDefaultEmbedSeconds},
                           impl_->descriptors, impl_->standardise);
    ColumnRow out;
    out.problem = row.problem;
    if (!out.problem.empty()) {
        return out;
    }
    out.smiles = row.standardSmiles;
    out.morgan = Sparse(row.morgan);
    for (const Column& column : impl_->columns) {
        switch (column.source) {
        case Source::Descriptor2D:
            out.values.push_back(TextToNumber(DescriptorNumber(row.d2d[column.index])));
            break;
        case Source::Morgan:
            out.values.push_back(static_cast<double>(row.morgan[column.index]));
            break;
        case Source::Fragment:
            out.values.push_back(TextToNumber(DescriptorNumber(row.massPercent[column.index])));
            break;
        }
    }
    return out;
}

} // namespace kalemir::tables
