# Plants one include at a time in a small tree that follows the layers and runs the layer
# check on it: the tree as made passes; each planted include is refused with its file, its
# line and the reason.
#   cmake -DCHECK=<CheckLayers.cmake> -DWORK_DIR=<scratch folder> -P PlantedIncludes.cmake
cmake_minimum_required(VERSION 3.25)

# A tree in which every include is allowed, reaching down several layers at once.
function(make_tree)
    file(REMOVE_RECURSE "${WORK_DIR}")
    file(WRITE "${WORK_DIR}/common/Text.h" "#pragma once\n#include <string>\n")
    file(WRITE "${WORK_DIR}/qspr/setup/Inputs.h" "#pragma once\n#include \"common/Text.h\"\n")
    file(WRITE "${WORK_DIR}/qspr/core/Fit.h" "#pragma once\n#include \"qspr/setup/Inputs.h\"\n")
    file(WRITE "${WORK_DIR}/qspr/run/Driver.h" "#pragma once\n#include \"qspr/core/Fit.h\"\n")
    file(WRITE "${WORK_DIR}/qspr/results/Report.h"
         "#pragma once\n#include \"qspr/setup/Inputs.h\"\n")
    file(WRITE "${WORK_DIR}/qspr/validation/Model.h"
         "#pragma once\n#include \"common/Text.h\"\n#include \"qspr/run/Driver.h\"\n"
         "#include \"qspr/results/Report.h\"\n")
    file(WRITE "${WORK_DIR}/qspr/job/Job.h" "#pragma once\n#include \"qspr/validation/Model.h\"\n")
    file(WRITE "${WORK_DIR}/similarity/Measures.h" "#pragma once\n#include \"common/Text.h\"\n")
    file(WRITE "${WORK_DIR}/tables/Predict.cpp"
         "#include \"qspr/validation/Model.h\"\n#include \"qspr/core/Fit.h\"\n")
    file(WRITE "${WORK_DIR}/ui/Windows.cpp"
         "#include \"qspr/job/Job.h\"\n#include \"similarity/Measures.h\"\n")
    file(WRITE "${WORK_DIR}/app/Main.cpp" "#include \"ui/Windows.h\"\n#include \"qspr/job/Job.h\"\n")
endfunction()

# Runs the check; sets <rc> to its exit status and <out> to what it printed before the
# closing error.
function(run_check rc out)
    execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${WORK_DIR} -P "${CHECK}"
                    RESULT_VARIABLE result ERROR_VARIABLE printed OUTPUT_VARIABLE printed)
    string(REGEX REPLACE "\nCMake Error.*" "" printed "${printed}")
    set(${rc} "${result}" PARENT_SCOPE)
    set(${out} "${printed}" PARENT_SCOPE)
endfunction()

set(faults "")
make_tree()
run_check(rc out)
if(NOT rc EQUAL 0)
    list(APPEND faults "the tree as made is refused:\n${out}")
endif()

# Each row: the file planted (its include on line 2) | the include | the message expected.
set(cases
    "common/Planted.h|qspr/core/Fit.h|common may not include qspr/core"
    "qspr/setup/Planted.cpp|qspr/core/Fit.h|qspr/setup may not include qspr/core"
    "qspr/core/Planted.cpp|qspr/run/Driver.h|qspr/core may not include qspr/run"
    "qspr/results/Planted.cpp|qspr/run/Driver.h|qspr/results may not include qspr/run"
    "qspr/validation/Planted.cpp|qspr/job/Job.h|qspr/validation may not include qspr/job"
    "similarity/Planted.cpp|qspr/setup/Inputs.h|similarity may not include qspr/setup"
    "tables/Planted.cpp|similarity/Measures.h|tables may not include similarity"
    "qspr/job/Planted.cpp|tables/Predict.h|qspr/job may not include tables"
    "ui/Planted.cpp|app/Main.h|ui may not include app"
    "common/Planted.cpp|../qspr/core/Fit.h|name the header from src/ (folder/Header.h)"
    "similarity/Planted.cpp|Measures.h|name the header from src/ (folder/Header.h)"
    "common/Planted.cpp|plugins/Plugin.h|folder not in the layer list of cmake/CheckLayers.cmake")
foreach(row IN LISTS cases)
    string(REPLACE "|" ";" row "${row}")
    list(GET row 0 file)
    list(GET row 1 header)
    list(GET row 2 reason)
    make_tree()
    file(WRITE "${WORK_DIR}/${file}" "// planted\n#include \"${header}\"\n")
    run_check(rc out)
    set(expected "${file}:2: #include \"${header}\": ${reason}")
    if(rc EQUAL 0 OR NOT out STREQUAL expected)
        list(APPEND faults "${file} including ${header}: expected\n  ${expected}\ngot (${rc})\n  ${out}")
    endif()
endforeach()

# A source file in a folder the list does not know is refused without reading it.
make_tree()
file(WRITE "${WORK_DIR}/plugins/Plugin.cpp" "#include \"common/Text.h\"\n")
run_check(rc out)
if(rc EQUAL 0 OR NOT out STREQUAL "plugins/Plugin.cpp: folder not in the layer list of cmake/CheckLayers.cmake")
    list(APPEND faults "a source in an unlisted folder: got (${rc})\n  ${out}")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
if(faults)
    list(JOIN faults "\n" text)
    message(FATAL_ERROR "${text}")
endif()
