# The README's GNU parallel recipe for many data sets, on copies of the example tables.
find_program(KALEMIR_PARALLEL parallel)
if(KALEMIR_PARALLEL)
    add_test(NAME many_data_sets_parallel
        COMMAND ${CMAKE_CURRENT_LIST_DIR}/scripts/many-data-sets.sh $<TARGET_FILE:KalemirQ>
                ${PROJECT_SOURCE_DIR}/examples/bzr)
else()
    message(WARNING "GNU parallel not found: the many-data-sets test is not run")
endif()
