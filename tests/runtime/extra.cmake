# A resource of the test program itself for the Win32 resource tests.
if(WIN32)
  tvx_add_resources(test_runtime TYPE TQUILLOX NAME SAMPLE
                    FILE ${CMAKE_CURRENT_SOURCE_DIR}/runtime/resource_sample.txt)
endif()
