# Cross build for 32-bit Windows with MinGW-w64, run under Wine: the build that ships.
# The win32 thread model links no POSIX threading runtime, so the executables import
# only functions that the Windows 95 family and NT 4.0 have (see
# installer/imports.txt). GoogleTest needs std::mutex, which this model lacks in
# GCC 12: the GoogleTest programs build in a second tree with
# toolchain-i686-mingw-posix.cmake (scripts/test-windows.sh).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
