# Reproducible builds: the same commit built twice, in folders of any names, gives the
# same bytes in every executable that ships (TellivoxStub.exe, Tellivox.exe, setup.exe,
# quillox.exe). Every setting that serves this lives here.
#
# TVX_SOURCE_DATE_EPOCH is the one date a build may write: SOURCE_DATE_EPOCH from the
# environment when set, else the time of the commit being built (git log -1 --format=%ct),
# else, outside a git checkout, 2000-01-01 00:00:00 UTC. The demo release's file dates
# are set to it before it is packed, and packed in UTC (demo/CMakeLists.txt), so the
# archives' dates do not depend on when or in which time zone the build ran.

if(DEFINED ENV{SOURCE_DATE_EPOCH} AND "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(tvx_epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${CMAKE_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE tvx_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE tvx_git_rc ERROR_QUIET)
  if(NOT tvx_git_rc EQUAL 0 OR NOT tvx_epoch MATCHES "^[0-9]+$")
    set(tvx_epoch 946684800)
  endif()
endif()
# An MS-DOS date, as archives store them, cannot name a moment before 1980.
if(tvx_epoch LESS 315532800)
  set(tvx_epoch 315532800)
endif()
set(TVX_SOURCE_DATE_EPOCH ${tvx_epoch})
message(STATUS "Reproducible build: dates from ${TVX_SOURCE_DATE_EPOCH} (SOURCE_DATE_EPOCH)")

# Paths of the checkout and of the build folder never reach the output: __FILE__ and
# debug information name them relative to the checkout (file-prefix-map covers both).
add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=" "-ffile-prefix-map=${CMAKE_BINARY_DIR}/=")

if(WIN32)
  # No link time in the PE header (or in the export and resource directories).
  add_link_options(-Wl,--no-insert-timestamp)
endif()
