# The PE rewriter is part of the quillox tool, not of a library: compile it in.
target_sources(test_${area} PRIVATE ${CMAKE_SOURCE_DIR}/tools/quillox/PeImage.cpp)
