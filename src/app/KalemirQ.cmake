# The QSPR program: its command-line front end as a library (tested on its own) and main.
add_library(kalemir_qspr_cli STATIC QsprCommandLine.cpp)
target_include_directories(kalemir_qspr_cli PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(kalemir_qspr_cli PRIVATE KALEMIR_VERSION="${PROJECT_VERSION}")
target_link_libraries(kalemir_qspr_cli PUBLIC kalemir_app_common kalemir_qspr_setup
                                              kalemir_qspr_final kalemir_qspr_results
                                              kalemir_qspr_job kalemir_qspr_validation)
kalemir_warnings(kalemir_qspr_cli)

add_executable(KalemirQ KalemirQ.cpp)
target_link_libraries(KalemirQ PRIVATE kalemir_qspr_cli)
if(KALEMIR_UI)
    target_compile_definitions(KalemirQ PRIVATE KALEMIR_HAS_UI)
    target_link_libraries(KalemirQ PRIVATE kalemir_ui_qspr)
endif()
kalemir_warnings(KalemirQ)
