#pragma once
// One molecule's chemistry failing in RDKit, as against a fault of the program. The table
// maker's per-molecule catches take only RDKit's chemistry exceptions (and the suite's own
// MoleculeProblem, caught by name): running out of memory, a logic error or a failed write
// ends the run, with a message, exit status 1 and no table written, instead of turning
// a molecule into a "skipped" one.

#include <GraphMol/Conformer.h>
#include <GraphMol/SanitException.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <RDGeneral/Exceptions.h>
#include <RDGeneral/FileParseException.h>
#include <RDGeneral/Invariant.h>

namespace kalemir::tables {

/// Runs `work` for one molecule and returns what it returns. When RDKit cannot do the
/// molecule's chemistry (a structure it cannot parse, sanitise or kekulise, an element
/// without parameters, a conformer it cannot make, an invariant of its algorithms the
/// structure breaks) returns `failed(error)` instead, which may throw a MoleculeProblem;
/// anything else thrown goes on to the caller.
template <typename Work, typename Failed>
auto UnlessChemistryFails(Work&& work, Failed&& failed) -> decltype(work()) {
    try {
        return work();
    } catch (const RDKit::MolSanitizeException& error) {
        return failed(error);
    } catch (const RDKit::SmilesParseException& error) {
        return failed(error);
    } catch (const RDKit::FileParseException& error) {
        return failed(error);
    } catch (const RDKit::ConformerException& error) {
        return failed(error);
    } catch (const ValueErrorException& error) {
        return failed(error);
    } catch (const KeyErrorException& error) {
        return failed(error);
    } catch (const IndexErrorException& error) {
        return failed(error);
    } catch (const Invar::Invariant& error) {
        return failed(error);
    }
}

} // namespace kalemir::tables
