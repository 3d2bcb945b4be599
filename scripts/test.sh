#!/usr/bin/env bash
# Runs every test: the native suite, the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzz targets for a short time, and the Windows suite
# under Wine. Installs its own dependencies. Usage: scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh all
jobs=$(nproc)

echo "== native build and tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
ctest --test-dir build/native --output-on-failure -j "$jobs"

echo "== sanitizer build and tests (ASan + UBSan)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTVX_SANITIZE=ON >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== fuzz targets (short runs)"
bash scripts/fuzz.sh 12

if [ -f scripts/test-windows.sh ]; then
  echo "== Windows build and tests under Wine"
  bash scripts/test-windows.sh
fi
echo "== all tests passed"
