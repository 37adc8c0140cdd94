#include "tables/SetManifest.h"

#include "tables/Descriptors2D.h"
#include "tables/TableFiles.h"
#include "tables/TableMaker.h"
#include "tables/ToolkitVersion.h"

#include <nlohmann/json.hpp>

#include <sstream>

#ifndef KALEMIR_VERSION
#define KALEMIR_VERSION "0"
#endif

namespace kalemir::tables {

std::string ManifestName(const std::string& set) {
    return set + "manifest.json";
}

std::string TableMakerVersion() {
    return KALEMIR_VERSION;
}

std::string ManifestText(const TableRequest& request, const std::vector<ManifestTable>& tables) {
    nlohmann::ordered_json manifest;
    manifest["format"] = "kalemirt-manifest";
    manifest["format_version"] = 1;
    manifest["table_maker"] = "KalemirT";
    manifest["version"] = TableMakerVersion();
    manifest["toolkit"] = "RDKit";
    manifest["toolkit_version"] = ToolkitVersion();
    manifest["set"] = request.set;
    nlohmann::ordered_json options;
    options["tables"] = request.tables;
    options["standardisation"] = request.standardise;
    options["fingerprint"] = {{"kind", "Morgan counts"}, {"radius", 2}, {"size", kMorganColumns}};
    options["conformer"] = {{"embedding", "ETKDG v3, one thread, principal-axes frame"},
                            {"seed", request.seed},
                            {"embed_seconds", request.embedSeconds},
                            {"sd_coordinates", "3D coordinates of an SD file are kept"}};
    manifest["options"] = options;
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ManifestTable& table : tables) {
        list.push_back({{"file", table.file}, {"columns", table.columns}});
    }
    manifest["tables"] = list;
    return manifest.dump(2);
}

void WriteManifest(TableFiles& files, const TableRequest& request,
                   const std::vector<ManifestTable>& tables) {
    files.Begin(ManifestName(request.set));
    std::istringstream text(ManifestText(request, tables));
    std::string line;
    while (std::getline(text, line)) {
        files.Line(line);
    }
    files.End();
}

} // namespace kalemir::tables
