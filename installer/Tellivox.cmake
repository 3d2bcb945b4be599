# tvx_installer_executable(<name> [WELCOME <welcome archive> QUORV <product archive>]
#                          [DEPENDS <targets>...])
#
# Links an installer executable: the program start, the main window and its windows,
# the two archives as resources "WELCOME" and "QUORV" of type "TQUILLOX" with their
# check record (made by TVX_HOST_QUILLOX, as `quillox sfx` makes it), and the version
# information with the build values. Without archives it links the stub that
# `quillox sfx` packs releases into (TellivoxStub.exe; the demo's Tellivox.exe is made
# so); tests link variants that carry damaged or larger archives.
function(tvx_installer_executable name)
  cmake_parse_arguments(I "" "WELCOME;QUORV" "DEPENDS" ${ARGN})
  add_executable(${name} WIN32 ${CMAKE_SOURCE_DIR}/installer/Tellivox_win32.cpp
                 ${CMAKE_SOURCE_DIR}/installer/LeanRuntime_win32.cpp)
  target_link_libraries(${name} PRIVATE tvx_installer_lib)
  tvx_lean_installer(${name})
  if(I_WELCOME)
    tvx_add_resources(${name} TYPE TQUILLOX NAME WELCOME FILE ${I_WELCOME})
  endif()
  if(I_QUORV)
    tvx_add_resources(${name} TYPE TQUILLOX NAME QUORV FILE ${I_QUORV})
  endif()
  if(I_WELCOME OR I_QUORV)
    set(record ${CMAKE_CURRENT_BINARY_DIR}/${name}-check-record.bin)
    set(pairs)
    foreach(archive WELCOME QUORV)
      if(I_${archive})
        list(APPEND pairs ${archive}=${I_${archive}})
      endif()
    endforeach()
    add_custom_command(OUTPUT ${record}
      COMMAND ${TVX_HOST_QUILLOX} check-record ${record} ${pairs}
      DEPENDS ${I_WELCOME} ${I_QUORV} ${TVX_HOST_QUILLOX}
      COMMENT "Check record of ${name}'s archives" VERBATIM)
    tvx_add_resources(${name} TYPE TVXCHECK NAME PAYLOAD FILE ${record})
  endif()
  tvx_version_resource(${name} "Quorvane installer")
  tvx_load_config(${name})
  if(I_DEPENDS)
    add_dependencies(${name} ${I_DEPENDS})
  endif()
endfunction()

# Points a 32-bit installer's load-configuration entry at the one its program start
# defines (GNU ld 2.40 leaves the entry empty); see cmake/load_config.py.
function(tvx_load_config target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    find_program(TVX_PYTHON3 python3 REQUIRED)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${TVX_PYTHON3} ${CMAKE_SOURCE_DIR}/cmake/load_config.py $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
endfunction()
