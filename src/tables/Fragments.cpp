#include "tables/Fragments.h"

#include "tables/MoleculeProblem.h"

#include <GraphMol/ROMol.h>

namespace kalemir::tables {

const std::vector<std::string>& FragmentNames() {
    static const std::vector<std::string> names{
        "CH3", "CH2",   "CH",  "C",   "CH2db", "CHdb", "Cdb",  "CHtb",  "Ctb",   "CHar",
        "Car", "C2H5",  "CF3", "CO",  "CHO",   "COOH", "COO",  "CONH2", "CONH",  "CN",
        "OH",  "OCH3",  "NH2", "NH",  "Natom", "Ndb",  "NHar", "Nar",   "Nplus", "NO2",
        "NO",  "Satom", "Sar", "SO2", "F",     "Cl",   "Br"};
    return names;
}

FragmentShares ShareIntoFragments(const RDKit::ROMol&) {
    throw MoleculeProblem("fragments not yet available");
}

} // namespace kalemir::tables
