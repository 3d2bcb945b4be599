# The codec works in the machine's word: the LH5 decoder's bit buffer and the byte sum
# are 32 bits wide in the 32-bit build and 64 in the 64-bit one. Where only the wide
# one is built, the channel's and the LH5 decoder's tests run a second time over the
# codec compiled with the 32-bit word (test_codec_word32).
if(NOT WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  file(GLOB word32_codec CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/codec/*.cpp)
  add_executable(test_codec_word32 ${word32_codec}
                 ${CMAKE_CURRENT_LIST_DIR}/ChannelTest.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/LH5DecodeTest.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/LH5GoldenTest.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/LH5PinnedStreamTest.cpp)
  target_include_directories(test_codec_word32 PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(test_codec_word32 PRIVATE TVX_CODEC_WORD=uint32_t
    TVX_TEST_DATA="${TVX_TEST_DATA}" TVX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  target_link_libraries(test_codec_word32 PRIVATE tvx_runtime ${TVX_GTEST})
  gtest_discover_tests(test_codec_word32 TEST_PREFIX word32. DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 60 PROPERTIES LABELS codec TIMEOUT ${TVX_TEST_TIMEOUT})
endif()
