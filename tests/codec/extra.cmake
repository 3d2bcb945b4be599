# The 32-bit build's LH5 decoder keeps its bits in a 32-bit buffer, the 64-bit build's
# in a 64-bit one. Where only the wide one is built, the decoder's tests run a second
# time over the codec compiled with the narrow buffer (test_codec_lh5_32).
if(NOT WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  file(GLOB lh5_32_codec CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/codec/*.cpp)
  add_executable(test_codec_lh5_32 ${lh5_32_codec}
                 ${CMAKE_CURRENT_LIST_DIR}/LH5DecodeTest.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/LH5GoldenTest.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/LH5PinnedStreamTest.cpp)
  target_include_directories(test_codec_lh5_32 PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(test_codec_lh5_32 PRIVATE TVX_LH5_BITS=uint32_t
    TVX_TEST_DATA="${TVX_TEST_DATA}" TVX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  target_link_libraries(test_codec_lh5_32 PRIVATE tvx_runtime ${TVX_GTEST})
  gtest_discover_tests(test_codec_lh5_32 TEST_PREFIX lh5_32. DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 60 PROPERTIES LABELS codec TIMEOUT ${TVX_TEST_TIMEOUT})
endif()
