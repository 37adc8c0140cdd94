# The table maker's command line: arguments, exit statuses, nothing written on refusal.
if(KALEMIR_TABLES)
    kalemir_test(tables_cli_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/TablesCommandLineTest.cpp
        DEPS kalemir_tables_cli)
endif()

# KalemirT predict on a model KalemirQ made from KalemirT's tables.
if(KALEMIR_TABLES)
    kalemir_test(predict_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/PredictCommandLineTest.cpp
        DEPS kalemir_tables_cli kalemir_qspr_cli)
    find_package(nlohmann_json 3 REQUIRED)
    target_link_libraries(predict_tests PRIVATE nlohmann_json::nlohmann_json)
endif()
