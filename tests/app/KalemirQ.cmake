kalemir_test(qspr_cli_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/QsprCommandLineTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/QsprFinalReportTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/QsprNameJoinTest.cpp
    DEPS kalemir_qspr_cli)

if(KALEMIR_UI)
    kalemir_test(kalemirq_program_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/KalemirQProgramTest.cpp
        DEPS kalemir_common Qt6::Gui)
    add_dependencies(kalemirq_program_tests KalemirQ)
    if(KALEMIR_TABLES)
        # KalemirQ on tables that KalemirT makes from the example molecules.
        add_dependencies(kalemirq_program_tests KalemirT)
        target_compile_definitions(kalemirq_program_tests PRIVATE KALEMIR_WITH_TABLES=1)
    endif()
endif()

# Faults, locks and bad tables in whole runs of the QSPR command line.
kalemir_test(qspr_reliability_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/QsprReliabilityTest.cpp
    DEPS kalemir_qspr_cli)

# The result files beside the report in whole runs.
kalemir_test(qspr_result_files_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/QsprResultFilesTest.cpp
    DEPS kalemir_qspr_cli)
find_package(nlohmann_json 3 REQUIRED)
target_link_libraries(qspr_result_files_tests PRIVATE nlohmann_json::nlohmann_json)
