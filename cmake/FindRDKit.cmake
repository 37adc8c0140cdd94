# RDKit's C++ libraries as Debian's librdkit-dev installs them: headers under
# /usr/include/rdkit and one shared library per component, with no CMake package file.
# Defines RDKit_FOUND and the imported target RDKit::RDKit (every component below).

find_path(RDKit_INCLUDE_DIR GraphMol/ROMol.h PATH_SUFFIXES rdkit)

set(RDKit_COMPONENTS
    Descriptors Fingerprints DistGeomHelpers DistGeometry ForceFieldHelpers ForceField
    Optimizer MolTransforms PartialCharges FileParsers SmilesParse SubstructMatch
    ShapeHelpers Alignment EigenSolvers Subgraphs DataStructs Catalogs GraphMol
    RDGeometryLib RDGeneral RDStreams MolStandardize)

set(RDKit_LIBRARIES)
set(RDKit_MISSING)
foreach(component ${RDKit_COMPONENTS})
    find_library(RDKit_${component}_LIBRARY NAMES RDKit${component})
    if(RDKit_${component}_LIBRARY)
        list(APPEND RDKit_LIBRARIES ${RDKit_${component}_LIBRARY})
    else()
        list(APPEND RDKit_MISSING ${component})
    endif()
endforeach()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(RDKit REQUIRED_VARS RDKit_INCLUDE_DIR RDKit_LIBRARIES
                                  REASON_FAILURE_MESSAGE "missing: ${RDKit_MISSING}")

if(RDKit_FOUND AND NOT RDKit_MISSING AND NOT TARGET RDKit::RDKit)
    add_library(RDKit::RDKit INTERFACE IMPORTED)
    # RDKit's headers are third-party: included as system headers so that their
    # warnings do not stop a build with warnings as errors.
    set_target_properties(RDKit::RDKit PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${RDKit_INCLUDE_DIR}"
        INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${RDKit_INCLUDE_DIR}"
        INTERFACE_LINK_LIBRARIES "${RDKit_LIBRARIES}")
endif()
mark_as_advanced(RDKit_INCLUDE_DIR)
