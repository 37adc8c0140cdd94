#include "tables/MoleculeWork.h"

#include "tables/Conformer.h"
#include "tables/Descriptors2D.h"
#include "tables/Descriptors3D.h"
#include "tables/Fragments.h"
#include "tables/MoleculeProblem.h"

#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/RWMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>

#include <memory>

namespace kalemir::tables {

namespace {

/// The structure as RDKit reads it (sanitized, hydrogens removed, an SD file's coordinates
/// kept on the heavy atoms). Throws MoleculeProblem.
std::unique_ptr<RDKit::ROMol> ParseStructure(const StructureRecord& record) {
    std::unique_ptr<RDKit::ROMol> mol;
    try {
        if (record.molBlock) {
            mol.reset(RDKit::MolBlockToMol(record.structure, true, true));
        } else {
            mol.reset(RDKit::SmilesToMol(record.structure));
        }
    } catch (const std::exception& error) {
        throw MoleculeProblem(std::string(record.molBlock ? "the mol block" : "the SMILES") +
                              " cannot be read: " + error.what());
    }
    if (mol == nullptr) {
        throw MoleculeProblem(record.molBlock ? "the mol block cannot be read"
                                              : "the SMILES cannot be read");
    }
    if (mol->getNumHeavyAtoms() == 0) {
        throw MoleculeProblem("no heavy atom");
    }
    return mol;
}

} // namespace

MoleculeRow ComputeMoleculeRow(const StructureRecord& record, const TableChoice& tables,
                               const EmbeddingSettings& embedding,
                               const Descriptors2D& descriptors) {
    MoleculeRow row;
    try {
        const std::unique_ptr<RDKit::ROMol> mol = ParseStructure(record);
        if (tables.shp && mol->getNumHeavyAtoms() > MaxShapeHeavyAtoms) {
            throw MoleculeProblem("more than " + std::to_string(MaxShapeHeavyAtoms) +
                                  " heavy atoms (" + std::to_string(mol->getNumHeavyAtoms()) +
                                  ") for the shape table");
        }
        row.smiles = RDKit::MolToSmiles(*mol);
        if (tables.d2d) {
            row.d2d = descriptors.Compute(*mol);
        }
        if (tables.mfp) {
            row.morgan = MorganCounts(*mol);
        }
        if (tables.vfr || tables.sim) {
            FragmentShares shares = ShareIntoFragments(*mol);
            row.massPercent = std::move(shares.MassPercent);
            row.atomPercent = std::move(shares.AtomPercent);
        }
        if (tables.NeedsConformer()) {
            const bool fromFile = record.molBlock && HasThreeDimensionalCoordinates(*mol);
            const std::unique_ptr<RDKit::RWMol> conformer =
                MakeConformer(*mol, fromFile, embedding.seed, embedding.seconds);
            if (tables.d3d) {
                row.d3d = ComputeDescriptors3D(*conformer);
            }
            if (tables.sim) {
                row.shape = ComputeSimilarityColumns(*conformer);
            }
            row.heavyCoordinates = HeavyAtomCoordinates(*conformer);
        }
    } catch (const MoleculeProblem& problem) {
        row = MoleculeRow();
        row.problem = problem.what();
    } catch (const std::exception& error) {
        row = MoleculeRow();
        row.problem = std::string("cannot be computed: ") + error.what();
    }
    return row;
}

} // namespace kalemir::tables
