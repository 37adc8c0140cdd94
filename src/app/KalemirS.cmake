# The similarity program's command line.
add_executable(KalemirS ${CMAKE_CURRENT_LIST_DIR}/KalemirS.cpp)
target_link_libraries(KalemirS PRIVATE kalemir_similarity kalemir_app_common)
target_compile_definitions(KalemirS PRIVATE KALEMIR_VERSION="${KALEMIR_VERSION_TEXT}")
kalemir_warnings(KalemirS)
if(KALEMIR_UI)
    target_compile_definitions(KalemirS PRIVATE KALEMIR_HAS_UI)
    target_link_libraries(KalemirS PRIVATE kalemir_ui_similarity)
endif()
