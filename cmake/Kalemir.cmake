# Helpers that keep each folder's CMakeLists to a few lines.

set(KALEMIR_VERSION_TEXT "${PROJECT_VERSION}")
find_package(Threads REQUIRED)

function(kalemir_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    # Whatever target is built, the layer check (src/CMakeLists.txt) runs first.
    if(TARGET kalemir_layers)
        add_dependencies(${target} kalemir_layers)
    endif()
    if(KALEMIR_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(KALEMIR_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=undefined)
        target_link_options(${target} PRIVATE -fsanitize=address,undefined)
    endif()
    if(KALEMIR_TSAN)
        target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=thread)
    endif()
endfunction()

# An engine library: no Qt, the libraries of DEPS (those whose headers it includes), no
# floating-point contraction, so that every sum is computed in the stated order with the
# stated roundings. src/ is every library's include root: cmake/CheckLayers.cmake keeps the
# includes to the folder's own layer and those below.
function(kalemir_engine_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(${name} PRIVATE -ffp-contract=off)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    kalemir_warnings(${name})
endfunction()

# The fitting loops over molecules and columns vectorise at -O3; without fast-math the
# compiler keeps every sum's order, so the results are the bits of the plain loops.
# (Only the numeric files: GCC 12 warns falsely about string copies at -O3.)
function(kalemir_vectorised)
    set_source_files_properties(${ARGN} PROPERTIES COMPILE_OPTIONS $<$<NOT:$<CONFIG:Debug>>:-O3>)
endfunction()

find_package(GTest QUIET)

# A GoogleTest program registered with CTest, one per component.
function(kalemir_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
    target_include_directories(${name} PRIVATE ${PROJECT_BINARY_DIR}/tests ${PROJECT_SOURCE_DIR}/tests)
    target_compile_options(${name} PRIVATE -ffp-contract=off)
    kalemir_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
include(GoogleTest)

# A Google Benchmark program (bench_<name>), built only when the library is there.
function(kalemir_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(bench_${name} ${ARG_SOURCES})
    target_link_libraries(bench_${name} PRIVATE ${ARG_DEPS} benchmark::benchmark Threads::Threads)
    target_compile_options(bench_${name} PRIVATE -ffp-contract=off)
    kalemir_warnings(bench_${name})
endfunction()
