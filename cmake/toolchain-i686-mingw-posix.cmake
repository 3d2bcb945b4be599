# Cross build for 32-bit Windows with MinGW-w64's posix thread model, run under Wine.
# Used for the GoogleTest programs only (GoogleTest needs std::mutex); what ships is
# built with toolchain-i686-mingw.cmake, whose settings this takes but for the compilers.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-mingw.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
