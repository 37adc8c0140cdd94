kalemir_benchmark(similarity
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SimilarityBench.cpp
    DEPS kalemir_similarity)
