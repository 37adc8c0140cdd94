#include "tables/MoleculeWork.h"

#include "tables/ChemistryFailure.h"
#include "tables/Conformer.h"
#include "tables/Descriptors2D.h"
#include "tables/Descriptors3D.h"
#include "tables/Fragments.h"
#include "tables/MoleculeProblem.h"

#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/RWMol.h>
#include <GraphMol/SanitException.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>

#include <memory>

namespace kalemir::tables {

namespace {

std::string AtomWords(const std::string& what, unsigned index, const std::string& why) {
    return what + ": atom " + std::to_string(index + 1) + " " + why;
}

/// The structure as RDKit reads it (sanitized, hydrogens removed, an SD file's coordinates
/// kept on the heavy atoms). Throws MoleculeProblem, in the suite's words.
std::unique_ptr<RDKit::ROMol> ParseStructure(const StructureRecord& record) {
    const std::string what = record.molBlock ? "the mol block" : "the SMILES";
    std::unique_ptr<RDKit::ROMol> mol;
    const auto read = [&] {
        try {
            if (record.molBlock) {
                mol.reset(RDKit::MolBlockToMol(record.structure, true, true));
            } else {
                mol.reset(RDKit::SmilesToMol(record.structure));
            }
        } catch (const RDKit::AtomValenceException& error) {
            throw MoleculeProblem(AtomWords(what, error.getAtomIdx(), "has too many bonds"));
        } catch (const RDKit::AtomKekulizeException& error) {
            throw MoleculeProblem(
                AtomWords(what, error.getAtomIdx(), "is marked aromatic outside a ring"));
        } catch (const RDKit::KekulizeException&) {
            throw MoleculeProblem(what + ": an aromatic ring has no alternating single and "
                                         "double bonds");
        }
    };
    UnlessChemistryFails(
        read, [&](const std::exception&) { throw MoleculeProblem(what + " cannot be read"); });
    if (mol == nullptr) {
        throw MoleculeProblem(what + " cannot be read");
    }
    for (const RDKit::Atom* atom : mol->atoms()) {
        if (atom->getAtomicNum() == 0) {
            throw MoleculeProblem(
                AtomWords(what, atom->getIdx(), "is no element (" + atom->getSymbol() + ")"));
        }
    }
    if (mol->getNumHeavyAtoms() == 0) {
        throw MoleculeProblem("no heavy atom");
    }
    return mol;
}

/// The 2D descriptors; an element without partial-charge parameters leaves the charge
/// columns without an honest value, so the molecule cannot have a row.
std::vector<double> Descriptors(const Descriptors2D& descriptors, const RDKit::ROMol& mol) {
    return UnlessChemistryFails(
        [&] { return descriptors.Compute(mol); },
        [](const std::exception& error) -> std::vector<double> {
            const std::string text = error.what();
            const std::size_t element = text.find("Element: ");
            if (element != std::string::npos) {
                throw MoleculeProblem(
                    "no partial charges for element " +
                    text.substr(element + 9, text.find_first_of(" \n", element + 9) - element - 9) +
                    " (2D descriptors)");
            }
            throw MoleculeProblem("the 2D descriptors cannot be computed");
        });
}

} // namespace

MoleculeRow ComputeMoleculeRow(const StructureRecord& record, const TableChoice& tables,
                               const EmbeddingSettings& embedding, const Descriptors2D& descriptors,
                               Standardisation standardise) {
    MoleculeRow row;
    const auto compute = [&] {
        const std::unique_ptr<RDKit::ROMol> input = ParseStructure(record);
        row.smiles = RDKit::MolToSmiles(*input);
        StandardParent parent = StandardiseMolecule(*input, standardise);
        const RDKit::ROMol& mol = parent.mol != nullptr ? *parent.mol : *input;
        row.standardSmiles = parent.mol != nullptr ? RDKit::MolToSmiles(mol) : row.smiles;
        row.changes = std::move(parent.changes);
        if (mol.getNumHeavyAtoms() == 0) {
            throw MoleculeProblem("no heavy atom");
        }
        if (tables.d2d) {
            row.d2d = Descriptors(descriptors, mol);
        }
        if (tables.mfp) {
            row.morgan = MorganCounts(mol);
        }
        if (tables.vfr || tables.sim) {
            FragmentShares shares = ShareIntoFragments(mol);
            row.massPercent = std::move(shares.MassPercent);
            row.atomPercent = std::move(shares.AtomPercent);
        }
        if (tables.NeedsConformer()) {
            const auto shape = [&] {
                if (tables.shp && mol.getNumHeavyAtoms() > kMaxShapeHeavyAtoms) {
                    throw MoleculeProblem(
                        "more than " + std::to_string(kMaxShapeHeavyAtoms) + " heavy atoms (" +
                        std::to_string(mol.getNumHeavyAtoms()) + ") for the shape table");
                }
                const bool fromFile = record.molBlock && HasThreeDimensionalCoordinates(mol);
                const std::unique_ptr<RDKit::RWMol> conformer =
                    MakeConformer(mol, fromFile, embedding.seed, embedding.seconds);
                if (tables.d3d) {
                    row.d3d = ComputeDescriptors3D(*conformer);
                }
                if (tables.sim) {
                    row.shape = ComputeSimilarityColumns(*conformer);
                }
                row.heavyCoordinates = HeavyAtomCoordinates(*conformer);
            };
            try {
                UnlessChemistryFails(
                    shape, [&](const std::exception&) { row.shapeProblem = "no 3D conformer"; });
            } catch (const MoleculeProblem& problem) {
                row.shapeProblem = problem.what();
            }
            if (!row.shapeProblem.empty()) {
                row.shape = SimilarityColumns();
                row.heavyCoordinates.clear();
            }
        }
    };
    try {
        UnlessChemistryFails(compute, [&](const std::exception&) {
            row = MoleculeRow();
            row.problem = "cannot be computed";
        });
    } catch (const MoleculeProblem& problem) {
        row = MoleculeRow();
        row.problem = problem.what();
    }
    return row;
}

} // namespace kalemir::tables
