#include "tables/ToolkitVersion.h"

#include <RDGeneral/versions.h>

namespace kalemir::tables {

std::string ToolkitVersion() {
    return RDKit::rdkitVersion;
}

} // namespace kalemir::tables
