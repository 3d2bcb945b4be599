#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 20), starting from its saved corpus in fuzz/corpus/<target>. Any crash,
# sanitizer report, out-of-memory or timeout fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTVX_FUZZ=ON -DTVX_SANITIZE=ON \
  -DTVX_TESTS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$(nproc)"
shopt -s nullglob
for src in fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  work=build/fuzz/corpus/$name
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds+=("fuzz/corpus/$name")
  echo "-- $name (${secs}s)"
  (cd build/fuzz && ./"$name" -max_total_time="$secs" -timeout=10 -rss_limit_mb=1024 \
      -print_final_stats=0 "$OLDPWD/$work" "${seeds[@]/#/$OLDPWD/}" >"$name.log" 2>&1) || {
    tail -n 40 "build/fuzz/$name.log"; echo "fuzz target $name failed"; exit 1; }
done
