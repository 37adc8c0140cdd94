# Where `cmake --install` and the Debian package put the suite: the programs, a desktop
# entry and icon per windowed program, the manual pages, and the README, getting-started
# text and example tables in the documentation folder. The package is made by CPack
# (`make package` in the build folder, or `make package` at the top).

include(GNUInstallDirs)
# Debian keeps a package's documents in /usr/share/doc/<package>: the README, the
# getting-started text and the examples are found there, and (relative to the programs)
# at ../share/doc/kalemir from the folder of the installed programs.
set(KALEMIR_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kalemir)

set(kalemir_programs KalemirQ KalemirS)
if(KALEMIR_TABLES)
    list(APPEND kalemir_programs KalemirT)
endif()
install(TARGETS ${kalemir_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The programs alone, without tests or benchmarks (`make example`).
add_custom_target(kalemir_programs DEPENDS ${kalemir_programs})
# Symbols bound at load time and the relocations read-only after it, as Debian builds its
# programs.
foreach(program ${kalemir_programs})
    target_link_options(${program} PRIVATE -Wl,-z,relro,-z,now)
endforeach()

# Manual pages: the version comes from project(), and each page is compressed as Debian
# installs them (gzip -9n: no name or time stamp, so the bytes depend on the text alone).
set(KALEMIR_MAN_DIR ${PROJECT_BINARY_DIR}/man)
set(kalemir_man_pages)
foreach(program ${kalemir_programs})
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${program}.1.in ${KALEMIR_MAN_DIR}/${program}.1 @ONLY)
    add_custom_command(OUTPUT ${KALEMIR_MAN_DIR}/${program}.1.gz
        COMMAND gzip -9n -c ${program}.1 > ${program}.1.gz
        DEPENDS ${KALEMIR_MAN_DIR}/${program}.1
        WORKING_DIRECTORY ${KALEMIR_MAN_DIR}
        VERBATIM)
    list(APPEND kalemir_man_pages ${KALEMIR_MAN_DIR}/${program}.1.gz)
endforeach()
add_custom_target(kalemir_man_pages ALL DEPENDS ${kalemir_man_pages})
install(FILES ${kalemir_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Menu entries and icons, for the programs that have windows.
if(KALEMIR_UI)
    foreach(program ${kalemir_programs})
        string(TOLOWER ${program} name)
        install(FILES ${PROJECT_SOURCE_DIR}/data/applications/${name}.desktop
                DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
        install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${name}.svg
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
        foreach(size 16 32 48 64 128 256)
            install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${size}x${size}/${name}.png
                    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
        endforeach()
    endforeach()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/getting-started.txt
        DESTINATION ${KALEMIR_INSTALL_DOCDIR})

# The package's copyright file in Debian's machine-readable format, its licence text taken
# from LICENSE (each line indented by one blank, blank lines written as " ."), and the
# changelog, compressed as Debian installs it. The maintainer named in the package's control
# file, the changelog and the copyright file is the one variable KALEMIR_MAINTAINER.
set(KALEMIR_MAINTAINER "The Kalemir developers <kalemir@example.org>"
    CACHE STRING "Maintainer of the Debian package: control file, changelog and copyright")
file(READ ${PROJECT_SOURCE_DIR}/LICENSE kalemir_license_text)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" kalemir_copyright_line "${kalemir_license_text}")
set(kalemir_copyright_holder "${CMAKE_MATCH_1}")
string(STRIP "${kalemir_license_text}" kalemir_license_text)
string(REGEX REPLACE "\n[ \t]*\n" "\n.\n" kalemir_license_text "${kalemir_license_text}")
string(REPLACE "\n" "\n " kalemir_license_text " ${kalemir_license_text}")
set(KALEMIR_DEBIAN_DIR ${PROJECT_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/copyright.in ${KALEMIR_DEBIAN_DIR}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog.in ${KALEMIR_DEBIAN_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${KALEMIR_DEBIAN_DIR}/changelog.gz
    COMMAND gzip -9n -c changelog > changelog.gz
    DEPENDS ${KALEMIR_DEBIAN_DIR}/changelog
    WORKING_DIRECTORY ${KALEMIR_DEBIAN_DIR}
    VERBATIM)
add_custom_target(kalemir_changelog ALL DEPENDS ${KALEMIR_DEBIAN_DIR}/changelog.gz)
install(FILES ${KALEMIR_DEBIAN_DIR}/copyright ${KALEMIR_DEBIAN_DIR}/changelog.gz
        DESTINATION ${KALEMIR_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/bzr DESTINATION ${KALEMIR_INSTALL_DOCDIR}/examples)
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/many-data-sets.slurm
                 ${PROJECT_SOURCE_DIR}/scripts/predict-library.slurm
        DESTINATION ${KALEMIR_INSTALL_DOCDIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/examples/new-molecules.smi
        DESTINATION ${KALEMIR_INSTALL_DOCDIR}/examples)

# The Debian package kalemir_<version>_amd64.deb. Its library dependencies are read from
# the programs by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalemir)
set(CPACK_PACKAGE_VENDOR "The Kalemir developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KALEMIR_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "parallel, rdkit-data")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "QSPR modelling suite: tables from structures, equation search, similarity
Kalemir is a desktop suite for chemists who build QSPR models: linear equations
that estimate a property of a molecule from numerical descriptors of its
structure. Each program has a window and a command line.

KalemirT makes descriptor, fragment, similarity and shape tables from SD,
SMILES or CSV files with RDKit. KalemirQ screens descriptor tables, searches
multilinear equations, removes outliers, validates and ranks the equations,
estimates a prediction set and writes a plain-text report. KalemirS compares
every pair of molecules by structure, shape, size, hydrophilicity and
flexibility, clusters them and writes similarity reports and databases.")
include(CPack)
