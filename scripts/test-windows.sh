#!/usr/bin/env bash
# Builds the Windows side (static 32-bit executables, build/win32) and runs its tests
# under Wine. Called by scripts/test.sh; safe to run again. Usage: scripts/test-windows.sh
#
# What a test may rely on while CTest runs (the contract for GUI and system tests):
#   WINEPREFIX   <build dir>/wineprefix, a prefix of our own (WINEARCH=win32; made once
#                with `wineboot -i`, then reused). HKCU\Software\Wine\X11 Driver has
#                Managed=N, so windows get frames and captions and close at once.
#   WINEDEBUG    -all
#   DISPLAY      an Xvfb server (1024x768x24) started by this script on a free display.
#   wineserver   running persistently for WINEPREFIX and primed (`wine cmd /c exit`), so
#                `wine prog.exe` starts in well under a second. Tests start programs with
#                `wine prog.exe` and never start or stop the server themselves.
#   <build dir>/wineprefix98   a second prefix that reports Windows 98 (`winecfg /v
#                win98`), with its own running server; tests that need the Windows 95
#                family run with WINEPREFIX set to it.
#   `wine` on PATH runs Windows programs (it is CMAKE_CROSSCOMPILING_EMULATOR).
# Everything started here is stopped on exit.
#
# The shipped executables are built with MinGW's win32 thread model (build/win32: the
# installer, the end-to-end and user-interface tests); GoogleTest needs the posix
# model, so its programs build in build/win32-gtest and run under the same prefixes.
#
# Kernels booted without 32-bit support (ia32_emulation off) cannot run 32-bit Wine.
# There the 32-bit build is still made and checked, and the same sources are tested
# as 64-bit Windows executables (build/win64, WINEARCH=win64) under 64-bit Wine; the
# contract above then holds with build/win64 in place of build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
start=$SECONDS
jobs=$(nproc)

export WINEDEBUG=-all
xvfb_pid=
prefixes=()
cleanup() {
  local p
  for p in "${prefixes[@]}"; do
    WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
  done
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

configure() {  # build dir, toolchain file, extra cmake arguments...
  local dir=$1 toolchain=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" "$@" >/dev/null
}

# The archiver that packs the installer's payload runs on the build machine.
echo "-- native host tools (build/native)"
[ -f build/native/CMakeCache.txt ] ||
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs" --target quillox
host_quillox=$root/build/native/quillox

echo "-- 32-bit Windows build (build/win32)"
configure build/win32 toolchain-i686-mingw.cmake -DTVX_HOST_QUILLOX="$host_quillox"
cmake --build build/win32 -j "$jobs"
# Every executable the build makes (its own list, not whatever lies in the build
# folder) must be a 32-bit PE that needs no MinGW runtime DLLs beside it.
checked=0
while IFS= read -r exe; do
  [ -n "$exe" ] || continue
  [ -f "$exe" ] || { echo "missing build output: $exe"; exit 1; }
  file -b "$exe" | grep -q '^PE32 executable.*Intel 80386' || { echo "not a PE32 i386: $exe"; exit 1; }
  if i686-w64-mingw32-objdump -p "$exe" | grep -iE 'DLL Name: *(libgcc|libstdc|libwinpthread)'; then
    echo "needs MinGW DLLs: $exe"; exit 1
  fi
  checked=$((checked + 1))
done <build/win32/build-executables.txt
echo "   $checked executables checked: PE32 i386, no MinGW DLLs"
# What reaches a person imports only what installer/imports.txt lists (functions that
# Windows 95 and NT 4.0 have), so that a new import is a decision.
/usr/bin/python3 scripts/check-imports.py installer/imports.txt \
  Tellivox.exe=build/win32/demo/Tellivox.exe setup.exe=build/win32/demo/setup.exe
# Newer Windows look for the installer's imports only in the system folder.
python3 cmake/load_config.py --check build/win32/demo/Tellivox.exe

build=build/win32
gtest_build=
if ! wine --version >/dev/null 2>&1; then
  echo "!! this machine cannot run 32-bit Wine (no 32-bit program support in the kernel);"
  echo "!! testing the same sources as 64-bit Windows executables in build/win64 instead"
  bash scripts/deps.sh win64
  build=build/win64
  mkdir -p "$build/bin"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$build/bin/wine"
  chmod +x "$build/bin/wine"
  export PATH=$root/$build/bin:$PATH
  export WINELOADER=/usr/lib/wine/wine64
  configure "$build" toolchain-x86_64-mingw.cmake -DTVX_HOST_QUILLOX="$host_quillox"
  cmake --build "$build" -j "$jobs"
  export WINEARCH=win64
else
  export WINEARCH=win32
  echo "-- 32-bit GoogleTest programs, posix thread model (build/win32-gtest)"
  gtest_build=build/win32-gtest
  configure "$gtest_build" toolchain-i686-mingw-posix.cmake \
    -DTVX_WINE_PREFIX98="$root/$build/wineprefix98"
  cmake --build "$gtest_build" -j "$jobs"
fi

echo "-- X server"
for n in $(seq 91 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=:$n
    break
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
done
[ -n "${DISPLAY:-}" ] || { echo "no free X display"; exit 1; }
echo "   DISPLAY=$DISPLAY"

# Makes a prefix once (a marker says it is complete) and starts its server.
prepare_prefix() {  # prefix dir, windows version for winecfg (empty: default)
  local p=$1 version=$2
  if [ ! -f "$p/.tvx-ready" ]; then
    rm -rf "$p"
    WINEPREFIX=$p wine wineboot -i </dev/null >/dev/null 2>&1
    WINEPREFIX=$p wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      </dev/null >/dev/null 2>&1
    if [ -n "$version" ]; then
      # 64-bit winecfg refuses the Windows 95 family; the setting it writes is this value.
      WINEPREFIX=$p wine winecfg /v "$version" </dev/null >/dev/null 2>&1 ||
        WINEPREFIX=$p wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f \
          </dev/null >/dev/null 2>&1
      [ "$(WINEPREFIX=$p wine winecfg /v </dev/null 2>/dev/null | tr -d '\r')" = "$version" ] ||
        { echo "could not make $p report $version"; exit 1; }
    fi
    WINEPREFIX=$p wineserver -w
    # A prefix made by 64-bit Wine lacks Wine's own fonts (title-bar buttons would draw
    # as letters); give every prefix the full set.
    mkdir -p "$p/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/* "$p/drive_c/windows/Fonts/" 2>/dev/null || true
    touch "$p/.tvx-ready"
  fi
  WINEPREFIX=$p wineserver -p </dev/null >/dev/null 2>&1
  prefixes+=("$p")
  WINEPREFIX=$p wine cmd /c exit </dev/null >/dev/null 2>&1
}

echo "-- Wine prefixes"
t=$SECONDS
prepare_prefix "$root/$build/wineprefix98" win98
prepare_prefix "$root/$build/wineprefix" ""
export WINEPREFIX=$root/$build/wineprefix
echo "   ready in $((SECONDS - t)) s"

echo "-- tests under Wine ($build)"
t=$SECONDS
ctest --test-dir "$build" --output-on-failure
if [ -n "$gtest_build" ]; then
  # Its user-interface tests are the ones above, built the way that ships.
  ctest --test-dir "$gtest_build" --output-on-failure -LE '^ui$'
fi
echo "-- Windows tests took $((SECONDS - t)) s; whole script $((SECONDS - start)) s"
if [ "$build" = build/win32 ]; then
  echo "-- Windows suite ran on the 32-bit build (PE32) under 32-bit Wine"
else
  echo "-- Windows suite ran on the 64-bit build under 64-bit Wine (this kernel cannot run 32-bit programs; the PE32 build was made and checked, not run)"
fi
