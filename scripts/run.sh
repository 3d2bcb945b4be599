#!/usr/bin/env bash
# The main job: builds the demo installer Tellivox.exe (a native build for the host
# tools, then the cross build) and runs it under Wine.
#   With a reachable display ($DISPLAY) the installer opens on that screen.
#   Without one it runs on a private Xvfb display, is driven through the normal road
#   (welcome page, Continue, extraction, setup.exe) by the UI driver, saves a screenshot
#   of every window it passes under out/, and prints what happened.
# Installs its own dependencies; safe to run again. Usage: scripts/run.sh
#
# TVX_WINE=64 runs the 64-bit build of the same sources under 64-bit Wine even where
# 32-bit Wine would run (as on a kernel without 32-bit program support, where that is
# the default); TVX_WINE=32 insists on the PE32 build. Every step that fails says which.
set -Eeuo pipefail
trap 'rc=$?; echo "FAIL: scripts/run.sh line $LINENO: \"$BASH_COMMAND\" exited $rc" >&2' ERR
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
# shellcheck source=../tests/e2e/common.sh
source "$root/tests/e2e/common.sh"
bash scripts/deps.sh all

echo "== native host tools (build/native)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs" --target quillox tvx_demo_payload

echo "== 32-bit Windows build (build/win32)"
cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
  -DTVX_HOST_QUILLOX="$root/build/native/quillox" >/dev/null
cmake --build build/win32 -j "$jobs" --target Tellivox
exe=build/win32/demo/Tellivox.exe
file -b "$exe"
ls -l "$exe"

export WINEDEBUG=-all
build=build/win32
tvx_choose_wine "$root/build/win64/bin"
if [ "$TVX_WINE_BITS" = 64 ]; then
  if [ "${TVX_WINE:-}" = 64 ]; then
    echo "!! TVX_WINE=64: running the 64-bit build of the same sources under 64-bit Wine"
  else
    # Kernels without 32-bit program support cannot run 32-bit Wine.
    echo "!! 32-bit Wine cannot run here; running the 64-bit build of the same sources"
  fi
  bash scripts/deps.sh win64
  build=build/win64
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" \
    -DTVX_HOST_QUILLOX="$root/build/native/quillox" >/dev/null
  cmake --build "$build" -j "$jobs" --target Tellivox uidriver
  exe=$build/demo/Tellivox.exe
else
  cmake --build "$build" -j "$jobs" --target uidriver
fi

export WINEPREFIX=$root/$build/runprefix

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "== running Tellivox.exe on $DISPLAY"
  tvx_prepare_prefix "$WINEPREFIX"
  wine "$exe"
  exit 0
fi

echo "== no display: running Tellivox.exe on a private Xvfb and driving it"
trap 'tvx_stop_all' EXIT
tvx_start_xvfb
echo "   X server on $DISPLAY; Wine prefix $WINEPREFIX"
tvx_prepare_prefix "$WINEPREFIX"
out=$root/out
rm -rf "$out"
mkdir -p "$out"
export TVX_SHOTS=$out
TVX_UIDRIVER=$root/$build/forms/uidriver.exe
tvx_save_temp
trap 'tvx_restore_temp; tvx_stop_all' EXIT
tvx_fresh_state run
TVX_T0_NS=$(date +%s%N)
tvx_start_installer "$exe"
tvx_drive_normal_road "$out"
tvx_wait_installer_end
tvx_report
