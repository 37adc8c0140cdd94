# The generator of synthetic table sets for timing whole runs (scripts/time-runs).
add_executable(make_tables ${CMAKE_CURRENT_LIST_DIR}/MakeTables.cpp)
kalemir_warnings(make_tables)
