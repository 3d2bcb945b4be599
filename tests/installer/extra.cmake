# Under Wine, test_installer carries the build's version resource (GetLocalInfo reads
# it back), and its Windows 95 family cases run once more in the prefix that reports
# Windows 98, made next to the main prefix by scripts/test-windows.sh.
if(WIN32)
  set(TVX_WINE_PREFIX98 ${CMAKE_BINARY_DIR}/wineprefix98 CACHE PATH
      "Wine prefix that reports Windows 98 (made by scripts/test-windows.sh)")
  tvx_version_resource(test_installer "Tellivox installer tests")
  add_test(NAME installer.Win95Family COMMAND test_installer --gtest_filter=Win95Family.*:WininitFile.*:SetupIniStep.*)
  set_tests_properties(installer.Win95Family PROPERTIES LABELS installer
    TIMEOUT ${TVX_TEST_TIMEOUT} ENVIRONMENT "WINEPREFIX=${TVX_WINE_PREFIX98};TVX_WIN95_FAMILY=1")
endif()
# The .ini rewrites on a drive that runs full (mounts a memory file system).
if(WIN32)
  add_test(NAME installer.FullDrive
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/installer/full_drive.sh ${CMAKE_BINARY_DIR}
                   ${TVX_WINE_PREFIX98})
  set_tests_properties(installer.FullDrive PROPERTIES LABELS installer SKIP_RETURN_CODE 77
                       RUN_SERIAL TRUE TIMEOUT ${TVX_TEST_TIMEOUT})
endif()
