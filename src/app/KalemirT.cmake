# The table maker: its command-line front end as a library (tested on its own) and main.
if(KALEMIR_TABLES)
    add_library(kalemir_tables_cli STATIC ${CMAKE_CURRENT_LIST_DIR}/TablesCommandLine.cpp
                                         ${CMAKE_CURRENT_LIST_DIR}/PredictCommandLine.cpp)
    target_include_directories(kalemir_tables_cli PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_definitions(kalemir_tables_cli PRIVATE KALEMIR_VERSION="${PROJECT_VERSION}")
    target_link_libraries(kalemir_tables_cli PUBLIC kalemir_app_common kalemir_tables)
    kalemir_warnings(kalemir_tables_cli)

    add_executable(KalemirT ${CMAKE_CURRENT_LIST_DIR}/KalemirT.cpp)
    target_link_libraries(KalemirT PRIVATE kalemir_tables_cli)
    if(KALEMIR_UI)
        target_compile_definitions(KalemirT PRIVATE KALEMIR_HAS_UI)
        target_link_libraries(KalemirT PRIVATE kalemir_ui_tables)
    endif()
    kalemir_warnings(KalemirT)
endif()
