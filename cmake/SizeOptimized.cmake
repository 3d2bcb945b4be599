# ---- Size of what ships: the Windows executables ---------------------------------------
# Every setting that makes the installer small lives here (see bench/README.md,
# "Installer size", for where the bytes go and what each setting saved):
#   - code for size (-Os), except the codec's hot paths, which keep -O2: expansion
#     speed is what the installer's running time is made of (bench_codec measured it);
#   - link-time optimisation: functions nothing calls are dropped one by one (the
#     linker alone drops only whole object files, see tvx_lean_installer below), and
#     calls across source files are inlined. Each function keeps the level its source
#     was compiled at. Linked as one partition: GCC 12 for MinGW stops with an internal
#     compiler error in binds_to_current_def_p when it splits these programs into
#     several;
#   - std::string's members instantiated where they are used rather than taken whole
#     from the library (cmake/ImplicitStrings.h);
#   - every function and object in a section of its own, and the linker drops the
#     sections nothing refers to (--gc-sections), for our code and the runtime alike;
#   - runtime parts the installer never needs are kept out of it (installer/
#     LeanRuntime_win32.cpp, linked into each installer executable), and so are the
#     compressors (tvx_lean_installer below).
# Debug builds keep their own settings.
if(NOT WIN32)
  return()
endif()

set(tvx_not_debug "$<NOT:$<CONFIG:Debug>>")
add_compile_options("$<${tvx_not_debug}:-Os>" "$<${tvx_not_debug}:-ffunction-sections>"
                    "$<${tvx_not_debug}:-fdata-sections>")
add_compile_options(
  "$<$<AND:${tvx_not_debug},$<COMPILE_LANGUAGE:CXX>>:SHELL:-include ${CMAKE_SOURCE_DIR}/cmake/ImplicitStrings.h>")
add_link_options("$<${tvx_not_debug}:LINKER:--gc-sections>")
# Every target made after this point, the test framework included: MinGW's linker stops
# at symbols that an optimised and a plain object file both define (inline functions,
# type information), so a program must be all one or all the other. The framework's
# own CMake files predate the setting, hence the policy's default.
set(CMAKE_POLICY_DEFAULT_CMP0069 NEW)
foreach(config RELEASE RELWITHDEBINFO MINSIZEREL)
  set(CMAKE_INTERPROCEDURAL_OPTIMIZATION_${config} ON)
endforeach()
add_link_options("$<${tvx_not_debug}:-flto-partition=one>")
# The image's load configuration (installer/Tellivox_win32.cpp) is reached by no code:
# the linker must keep it all the same. Programs without one are not affected.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_link_options("LINKER:--undefined=_tvx_load_config")
endif()

# Sources whose speed matters more than their size: the byte channel and the decoders
# that every installation runs (-O2; a later option wins over -Os). A list, so that the
# measurement behind it can be repeated (-DTVX_SPEED_SOURCES= builds all for size).
set(TVX_SPEED_SOURCES "codec/Codec.cpp;codec/LH5Decode.cpp;codec/Stored.cpp" CACHE STRING
    "Sources of the Windows build compiled for speed (-O2) rather than size")
foreach(f ${TVX_SPEED_SOURCES})
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/${f} APPEND PROPERTY COMPILE_OPTIONS
               "$<${tvx_not_debug}:-O2>")
endforeach()

# For each installer executable (Tellivox.cmake): the codec's references to the LH5 and
# LZH compressors go to stand-ins (installer/LeanRuntime_win32.cpp), so the encoders,
# which only archive writing uses, are not linked. The linker's unused-section removal
# cannot do this itself: MinGW's linker keeps every function that has unwind
# information, so whatever an object file holds comes in with it.
function(tvx_lean_installer target)
  target_link_options(${target} PRIVATE "LINKER:--wrap=_Z11CompressLH5R17TCompThreadSafety"
                      "LINKER:--wrap=_Z11CompressLZHR17TCompThreadSafety")
endfunction()
