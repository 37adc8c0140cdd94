# The folders of src/ and what each may include: a folder includes its own headers and
# those of the folders below it, never one above or beside it. Every target exports src/ as
# its include root, so the compiler alone would accept an upward include; this check
# refuses it, naming the file, the line and the include.
#
#   cmake -DSOURCE_DIR=<folder holding the layer folders> [-DSTAMP=<file>] -P CheckLayers.cmake
#
# Every `#include "folder/Header.h"` of a .h or .cpp under SOURCE_DIR is checked; an include
# without a folder, with "..", or of a folder missing from the list below is refused too, so
# that a new folder enters the list before it is used. Angle-bracket includes (the standard
# library, Qt, RDKit, nlohmann-json) are not checked. STAMP, when given, is written when
# every include is allowed (the build's record that the check ran).

cmake_minimum_required(VERSION 3.25)

# Each folder with the folders it builds on directly; what those build on is allowed too.
set(layers
    "common:"
    "qspr/setup:common"
    "qspr/core:qspr/setup"
    "qspr/search:qspr/core"
    "qspr/final:qspr/search"
    "qspr/run:qspr/final"
    "qspr/results:qspr/setup"
    "qspr/validation:qspr/run,qspr/results"
    "qspr/job:qspr/validation"
    "similarity:common"
    "tables:common,qspr/validation"
    "ui:qspr/job,similarity,tables"
    "app:ui")

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "layer check: give -DSOURCE_DIR=<folder>")
endif()

set(folders "")
foreach(entry IN LISTS layers)
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 folder)
    list(LENGTH parts partCount)
    set(below "")
    if(partCount GREATER 1)
        list(GET parts 1 below)
        string(REPLACE "," ";" below "${below}")
    endif()
    list(APPEND folders "${folder}")
    set("direct_${folder}" "${below}")
endforeach()

# What each folder may include: itself and everything reachable below it.
foreach(folder IN LISTS folders)
    set(allowed "${folder}")
    set(queue ${direct_${folder}})
    while(queue)
        list(POP_FRONT queue next)
        if(NOT next IN_LIST allowed)
            list(APPEND allowed "${next}")
            list(APPEND queue ${direct_${next}})
        endif()
    endwhile()
    set("allowed_${folder}" "${allowed}")
endforeach()

# The layer folder of a path relative to SOURCE_DIR: the longest listed folder it lies in.
function(layer_of path out)
    set(found "")
    foreach(folder IN LISTS folders)
        string(LENGTH "${folder}" folderLength)
        string(LENGTH "${found}" foundLength)
        if(path MATCHES "^${folder}/" AND folderLength GREATER foundLength)
            set(found "${folder}")
        endif()
    endforeach()
    set(${out} "${found}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
list(SORT sources)
set(faults "")
foreach(source IN LISTS sources)
    layer_of("${source}" layer)
    if(layer STREQUAL "")
        list(APPEND faults "${source}: folder not in the layer list of cmake/CheckLayers.cmake")
        continue()
    endif()
    file(READ "${SOURCE_DIR}/${source}" text)
    if(NOT text MATCHES "#[ \t]*include[ \t]*\"")
        continue()
    endif()
    # One list element per line: the characters that CMake lists treat specially go first.
    string(REPLACE "\\" "/" text "${text}")
    string(REPLACE ";" "," text "${text}")
    string(REPLACE "[" "(" text "${text}")
    string(REPLACE "]" ")" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(lineNumber 0)
    foreach(line IN LISTS lines)
        math(EXPR lineNumber "${lineNumber} + 1")
        if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\"")
            continue()
        endif()
        set(header "${CMAKE_MATCH_1}")
        set(where "${source}:${lineNumber}: #include \"${header}\"")
        if(header MATCHES "(^|/)\\.\\.(/|$)" OR NOT header MATCHES "/")
            list(APPEND faults "${where}: name the header from src/ (folder/Header.h)")
            continue()
        endif()
        layer_of("${header}" target)
        if(target STREQUAL "")
            list(APPEND faults "${where}: folder not in the layer list of cmake/CheckLayers.cmake")
        elseif(NOT target IN_LIST allowed_${layer})
            list(APPEND faults "${where}: ${layer} may not include ${target}")
        endif()
    endforeach()
endforeach()

if(faults)
    list(LENGTH faults faultCount)
    list(JOIN faults "\n" faultText)
    message("${faultText}")
    message(FATAL_ERROR "layer check: ${faultCount} include(s) against the layers")
endif()
if(STAMP)
    file(TOUCH "${STAMP}")
endif()
