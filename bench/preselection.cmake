kalemir_benchmark(preselection SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PreselectionBench.cpp
    DEPS kalemir_qspr_driver kalemir_qspr_search kalemir_qspr_core kalemir_qspr_setup)
