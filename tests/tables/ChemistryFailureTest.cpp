// Which faults a per-molecule catch of the table maker takes: RDKit's chemistry failures
// make the molecule a skipped one; a fault of the program ends the run.

#include "tables/ChemistryFailure.h"

#include "common/Errors.h"
#include "tables/MoleculeProblem.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>

namespace kalemir::tables {
namespace {

struct ThrownCase {
    const char* what;
    std::function<void()> raise;
    bool takenForTheMolecule;
};

TEST(ChemistryFailure, OnlyTheToolkitsChemistryFailuresAreTakenForTheMolecule) {
    const ThrownCase cases[] = {
        {"sanitisation", [] { throw RDKit::MolSanitizeException("bad valence"); }, true},
        {"kekulisation",
         [] {
             throw RDKit::KekulizeException("no kekule form", {1, 2});
         },
         true},
        {"SMILES syntax", [] { throw RDKit::SmilesParseException("syntax error"); }, true},
        {"mol block", [] { throw RDKit::FileParseException("bad counts line"); }, true},
        {"conformer", [] { throw RDKit::ConformerException("no conformer"); }, true},
        {"element without parameters", [] { throw ValueErrorException("Element: Xe"); }, true},
        {"toolkit invariant",
         [] { throw Invar::Invariant("Invariant Violation", "ring info", "x", "f.cpp", 1); }, true},
        {"the suite's molecule problem", [] { throw MoleculeProblem("no heavy atom"); }, false},
        {"out of memory", [] { throw std::bad_alloc(); }, false},
        {"logic error", [] { throw std::out_of_range("vector::at"); }, false},
        {"failed write", [] { throw WriteFailure("TST01: cannot write"); }, false},
        {"other runtime error", [] { throw std::runtime_error("thread not started"); }, false},
    };
    for (const ThrownCase& c : cases) {
        int failures = 0;
        const auto run = [&] {
            return UnlessChemistryFails(
                [&] {
                    c.raise();
                    return 1;
                },
                [&](const std::exception&) {
                    ++failures;
                    return 2;
                });
        };
        if (c.takenForTheMolecule) {
            EXPECT_EQ(run(), 2) << c.what;
            EXPECT_EQ(failures, 1) << c.what;
        } else {
            EXPECT_ANY_THROW(run()) << c.what;
            EXPECT_EQ(failures, 0) << c.what;
        }
    }
}

TEST(ChemistryFailure, WorkThatSucceedsKeepsItsResult) {
    EXPECT_EQ(UnlessChemistryFails([] { return 7; }, [](const std::exception&) { return 0; }), 7);
}

} // namespace
} // namespace kalemir::tables
