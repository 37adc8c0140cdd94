# Whole runs of the KalemirS program on copies of the example tables.
kalemir_test(kalemirs_program_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/KalemirSProgramTest.cpp
    DEPS kalemir_common)
add_dependencies(kalemirs_program_tests KalemirS)

# Bad tables, failing writes, locks and interrupts in whole runs of both programs.
kalemir_test(program_reliability_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProgramReliabilityTest.cpp
    DEPS kalemir_common)
add_dependencies(program_reliability_tests KalemirS KalemirQ)

# What the command lines share (options, status line), and the similarity command line
# in-process.
kalemir_test(command_line_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/CommandLineTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/GuardTest.cpp
            ${CMAKE_CURRENT_LIST_DIR}/TerminalProgressTest.cpp
    DEPS kalemir_qspr_cli kalemir_sim_cli)
