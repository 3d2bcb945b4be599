#!/usr/bin/env bash
# Builds the Windows side (static 32-bit executables, build/win32) and runs its tests
# under Wine. Called by scripts/test.sh; safe to run again. Usage: scripts/test-windows.sh
# TVX_WINE=64 tests the 64-bit build under 64-bit Wine even where 32-bit Wine runs (CI
# may run on a kernel without 32-bit program support, where that is the default);
# TVX_WINE=32 insists on the PE32 build. Every step that fails says which.
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
set -Eeuo pipefail
trap 'rc=$?; echo "FAIL: scripts/test-windows.sh line $LINENO: \"$BASH_COMMAND\" exited $rc" >&2' ERR
cd "$(dirname "$0")/.."
root=$PWD
start=$SECONDS
jobs=$(nproc)
# shellcheck source=../tests/e2e/common.sh
source "$root/tests/e2e/common.sh"

export WINEDEBUG=-all
prefixes=()
cleanup() {
  local p
  for p in "${prefixes[@]}"; do
    WINEPREFIX=$p wineserver -k >/dev/null 2>&1 || true
  done
  if [ -n "$tvx_xvfb_pid" ]; then kill "$tvx_xvfb_pid" 2>/dev/null || true; fi
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
# Windows 95 and NT 4.0 have, held to the table of what each Windows added), so that a
# new import is a decision; every shipped executable's PE header asks for Windows 4.0
# at most, carries no link time and a correct checksum. The stub is the installer
# without its payload: the same imports.
/usr/bin/python3 scripts/check-imports.py installer/imports.txt installer/windows-versions.txt \
  Tellivox.exe=build/win32/demo/Tellivox.exe Tellivox.exe=build/win32/installer/TellivoxStub.exe \
  setup.exe=build/win32/demo/setup.exe --header-only build/win32/quillox.exe
# Packing is reproducible: the demo release packed again, from a copy in a folder of
# another name, gives the build's Tellivox.exe byte for byte.
repack=$(mktemp -d)
cp -rp build/win32/demo/product "$repack/release-copy"
cache() { sed -n "s/^$1:[A-Z]*=//p" build/win32/CMakeCache.txt | sed "s/^'\\(.*\\)'\$/\\1/"; }
TZ=UTC0 "$host_quillox" sfx build/win32/installer/TellivoxStub.exe "$repack/again.exe" \
  --welcome build/win32/demo/welcome/welcome.rtf --product "$repack/release-copy" \
  --prefix '\\qvbuild\release\quorvane\' -m LH5 --gateway "$(cache TVX_GATEWAY)" \
  --product-level "$(cache TVX_PRODUCT_LEVEL)" --email-domain "$(cache TVX_EMAIL_DOMAIN)" \
  --version "$(cache TVX_VERSION)" >/dev/null
cmp build/win32/demo/Tellivox.exe "$repack/again.exe" ||
  { echo "FAIL: packing the demo release again gave other bytes than build/win32/demo/Tellivox.exe"; exit 1; }
rm -rf "$repack"
echo "   packing the demo release again gives the same $(stat -c %s build/win32/demo/Tellivox.exe) bytes"
# The installer without its payload is what every download carries: at most 256 KB
# (bench/README.md, "Installer size", says where its bytes go).
stub_size=$(stat -c %s build/win32/installer/TellivoxStub.exe)
[ "$stub_size" -le 262144 ] ||
  { echo "FAIL: TellivoxStub.exe is $stub_size bytes, over 256 KB (262,144 bytes)"; exit 1; }
echo "   TellivoxStub.exe: $stub_size bytes (at most 262,144)"
# Newer Windows look for the installer's imports only in the system folder.
python3 cmake/load_config.py --check build/win32/demo/Tellivox.exe

build=build/win32
gtest_build=
tvx_choose_wine "$root/build/win64/bin"
if [ "$TVX_WINE_BITS" = 64 ]; then
  if [ "${TVX_WINE:-}" = 64 ]; then
    echo "!! TVX_WINE=64: testing the same sources as 64-bit Windows executables in build/win64"
  else
    echo "!! this machine cannot run 32-bit Wine (no 32-bit program support in the kernel);"
    echo "!! testing the same sources as 64-bit Windows executables in build/win64 instead"
  fi
  bash scripts/deps.sh win64
  build=build/win64
  configure "$build" toolchain-x86_64-mingw.cmake -DTVX_HOST_QUILLOX="$host_quillox"
  cmake --build "$build" -j "$jobs"
else
  echo "-- 32-bit GoogleTest programs, posix thread model (build/win32-gtest)"
  gtest_build=build/win32-gtest
  configure "$gtest_build" toolchain-i686-mingw-posix.cmake \
    -DTVX_WINE_PREFIX98="$root/$build/wineprefix98"
  cmake --build "$gtest_build" -j "$jobs"
fi

echo "-- X server"
tvx_start_xvfb
echo "   DISPLAY=$DISPLAY"

echo "-- Wine prefixes"
t=$SECONDS
prefixes+=("$root/$build/wineprefix98")
tvx_prepare_prefix "$root/$build/wineprefix98" win98
prefixes+=("$root/$build/wineprefix")
tvx_prepare_prefix "$root/$build/wineprefix"
export WINEPREFIX=$root/$build/wineprefix
echo "   ready in $((SECONDS - t)) s"

echo "-- tests under Wine ($build)"
t=$SECONDS
# Every test is bounded (a hang fails that one test); ctest's --timeout is the bound
# of any test that a later change registers without one, which check-timeouts.py names.
failed=0
# TVX_CTEST_ARGS narrows or repeats the run for a developer, e.g. '-R e2e.silent'.
# shellcheck disable=SC2086
ctest --test-dir "$build" --output-on-failure --timeout 300 ${TVX_CTEST_ARGS:-} || failed=1
if [ -n "$gtest_build" ]; then
  # Its user-interface tests are the ones above, built the way that ships.
  # shellcheck disable=SC2086
  ctest --test-dir "$gtest_build" --output-on-failure --timeout 300 -LE '^ui$' \
    ${TVX_CTEST_ARGS:-} || failed=1
fi
python3 scripts/check-timeouts.py "$build"
[ -z "$gtest_build" ] || python3 scripts/check-timeouts.py "$gtest_build"
[ $failed -eq 0 ] || { echo "FAIL: tests under Wine failed (see above)"; exit 1; }
echo "-- Windows tests took $((SECONDS - t)) s; whole script $((SECONDS - start)) s"
if [ "$build" = build/win32 ]; then
  echo "-- Windows suite ran on the 32-bit build (PE32) under 32-bit Wine"
elif [ "${TVX_WINE:-}" = 64 ]; then
  echo "-- Windows suite ran on the 64-bit build under 64-bit Wine (TVX_WINE=64; the PE32 build was made and checked, not run)"
else
  echo "-- Windows suite ran on the 64-bit build under 64-bit Wine (this kernel cannot run 32-bit programs; the PE32 build was made and checked, not run)"
fi
