# Native resources for the tests of OpenArchiveResource: the golden archive
# good/mixed.arc linked into test_archive as TQUILLOX/MIXED, and a loadable library
# exporting a resource table with TQUILLOX/LIBARC.
if(NOT WIN32)
  tvx_add_resources(test_archive TYPE TQUILLOX NAME MIXED
                    FILE ${TVX_TEST_DATA}/archives/good/mixed.arc)
  add_library(tvx_test_resources MODULE
              ${CMAKE_CURRENT_SOURCE_DIR}/archive/resource_library/ResourceLibrary.cpp)
  target_include_directories(tvx_test_resources PRIVATE ${CMAKE_SOURCE_DIR})
  add_dependencies(test_archive tvx_test_resources)
  target_compile_definitions(test_archive PRIVATE
    TVX_TEST_RESOURCE_LIBRARY="$<TARGET_FILE:tvx_test_resources>")
endif()
