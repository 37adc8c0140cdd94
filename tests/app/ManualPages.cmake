# Each program's manual page against its --help and --version (tests/app/scripts).
find_program(KALEMIR_MAN man)
foreach(program KalemirQ KalemirS KalemirT)
    if(TARGET ${program})
        add_test(NAME manual_page_${program}
            COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}>
                    -DPAGE=${KALEMIR_MAN_DIR}/${program}.1
                    -DSOURCE=${PROJECT_SOURCE_DIR}/docs/man/${program}.1.in
                    -DVERSION=${PROJECT_VERSION} -DMAN=${KALEMIR_MAN}
                    -P ${CMAKE_CURRENT_LIST_DIR}/scripts/check-manual-page.cmake)
    endif()
endforeach()
