# The similarity program: its command-line front end as a library (tested on its own) and
# main.
add_library(kalemir_sim_cli STATIC ${CMAKE_CURRENT_LIST_DIR}/SimCommandLine.cpp)
target_include_directories(kalemir_sim_cli PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_definitions(kalemir_sim_cli PRIVATE KALEMIR_VERSION="${KALEMIR_VERSION_TEXT}")
target_link_libraries(kalemir_sim_cli PUBLIC kalemir_similarity kalemir_app_common)
kalemir_warnings(kalemir_sim_cli)

add_executable(KalemirS ${CMAKE_CURRENT_LIST_DIR}/KalemirS.cpp)
target_link_libraries(KalemirS PRIVATE kalemir_sim_cli)
kalemir_warnings(KalemirS)
if(KALEMIR_UI)
    target_compile_definitions(KalemirS PRIVATE KALEMIR_HAS_UI)
    target_link_libraries(KalemirS PRIVATE kalemir_ui_similarity)
endif()
