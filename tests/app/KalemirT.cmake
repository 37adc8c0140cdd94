# The table maker's command line: arguments, exit statuses, nothing written on refusal.
if(KALEMIR_TABLES)
    kalemir_test(tables_cli_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/TablesCommandLineTest.cpp
        DEPS kalemir_tables_cli)
endif()
