#!/usr/bin/env bash
# Runs every test: the native suite, the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzz targets' deterministic check (committed inputs
# replayed, then a fixed number of runs from a fixed seed), and the Windows suite under
# Wine. Installs its own dependencies. The same commit always gives the same result.
# Usage: scripts/test.sh
set -Eeuo pipefail
trap 'rc=$?; echo "FAIL: scripts/test.sh line $LINENO: \"$BASH_COMMAND\" exited $rc" >&2' ERR
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh all
jobs=$(nproc)
stage_start=$SECONDS
stage_name=
stages=()
stage() {  # name of the stage that starts now
  [ -n "$stage_name" ] && stages+=("$stage_name: $((SECONDS - stage_start)) s")
  stage_name=$1
  stage_start=$SECONDS
  [ -n "$1" ] && echo "== $1"
  return 0
}

stage "native build and tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure -j "$jobs" --timeout 300
python3 scripts/check-timeouts.py build/native

stage "sanitizer build and tests (ASan + UBSan)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTVX_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout 300
python3 scripts/check-timeouts.py build/asan

stage "fuzz targets (committed inputs, then fixed runs from a fixed seed)"
bash scripts/fuzz.sh

if [ -f scripts/test-windows.sh ]; then
  stage "Windows build and tests under Wine"
  bash scripts/test-windows.sh
fi
stage ""
echo "== all tests passed"
printf '   %s\n' "${stages[@]}"
