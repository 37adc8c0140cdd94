kalemir_test(qspr_cli_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/QsprCommandLineTest.cpp
    DEPS kalemir_qspr_cli)
