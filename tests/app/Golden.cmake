# The pinned figures: every file the example runs write, byte for byte (date lines masked).
add_test(NAME golden_runs COMMAND ${PROJECT_SOURCE_DIR}/scripts/golden-runs ${CMAKE_BINARY_DIR})
