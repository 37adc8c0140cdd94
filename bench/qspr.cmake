kalemir_benchmark(qspr SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/QsprBench.cpp
    DEPS kalemir_qspr_search kalemir_qspr_core)
