# tvx_installer_executable(<name> WELCOME <welcome archive> QUORV <product archive>
#                          [DEPENDS <targets>...])
#
# Links an installer executable: the program start, the main window and its windows,
# the two archives as resources "WELCOME" and "QUORV" of type "TQUILLOX", and the
# version information with the build values. The demo product builds Tellivox.exe with
# it; tests build variants that carry other archives.
function(tvx_installer_executable name)
  cmake_parse_arguments(I "" "WELCOME;QUORV" "DEPENDS" ${ARGN})
  add_executable(${name} WIN32 ${CMAKE_SOURCE_DIR}/installer/Tellivox_win32.cpp)
  target_link_libraries(${name} PRIVATE tvx_installer_lib)
  tvx_add_resources(${name} TYPE TQUILLOX NAME WELCOME FILE ${I_WELCOME})
  tvx_add_resources(${name} TYPE TQUILLOX NAME QUORV FILE ${I_QUORV})
  tvx_version_resource(${name} "Quorvane installer")
  if(I_DEPENDS)
    add_dependencies(${name} ${I_DEPENDS})
  endif()
endfunction()
