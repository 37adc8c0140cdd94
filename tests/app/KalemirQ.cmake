kalemir_test(qspr_cli_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/QsprCommandLineTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/QsprFinalReportTest.cpp
    DEPS kalemir_qspr_cli)
