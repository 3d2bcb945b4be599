#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs them.
#
#   scripts/fuzz.sh           The deterministic check that CI runs. For each target:
#                             1. replays every committed input in fuzz/corpus/<target>
#                                (seeds and the regression inputs of earlier findings);
#                             2. mutates from that corpus for a fixed number of runs from
#                                a fixed seed, with address-space randomisation off and no
#                                corpus reloading, so the same commit always explores the
#                                same inputs and prints the same figures.
#   scripts/fuzz.sh SECONDS   Open-ended exploration for developers: each target runs for
#                             SECONDS from the committed corpus plus what earlier
#                             explorations kept in build/fuzz/corpus/<target>.
#
# Any crash, sanitizer report, out-of-memory or timeout fails the run and names the
# input that caused it. Commit such an input to fuzz/corpus/<target>/ (name it
# regress-<what>) together with the fix, so that every later run replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
secs=${1:-}
case "$secs" in
  ''|[0-9]*) ;;
  *) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTVX_FUZZ=ON -DTVX_SANITIZE=ON \
  -DTVX_TESTS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$(nproc)" >build/fuzz-build.log 2>&1 ||
  { tail -n 40 build/fuzz-build.log; echo "building the fuzz targets failed"; exit 1; }

# Mutation runs of the deterministic check, per target: about the same time for each
# on the build machine (the round trips run both coders on every input).
runs_for() {
  case "$1" in
    fuzz_roundtrip_*) echo 4000 ;;
    fuzz_archive) echo 10000 ;;
    *) echo 15000 ;;
  esac
}

# Targets may change their current folder: failing inputs go to build/fuzz/ by path.
common=(-timeout=10 -rss_limit_mb=1024 -print_final_stats=0 -artifact_prefix="$root/build/fuzz/")
norandom=(setarch "$(uname -m)" -R)

fail() {  # target, log
  tail -n 40 "$2"
  local found
  found=$(grep -ohE '(crash|leak|timeout|oom|slow-unit)-[0-9a-f]+' "$2" | head -n 1 || true)
  [ -n "$found" ] && echo "failing input: build/fuzz/$found (commit it to fuzz/corpus/$1/ with the fix)"
  echo "fuzz target $1 failed"
  exit 1
}

shopt -s nullglob
for src in fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  corpus=$root/fuzz/corpus/$name
  log=$root/build/fuzz/$name.log
  inputs=()
  [ -d "$corpus" ] && inputs=("$corpus"/*)
  if [ -n "$secs" ]; then
    work=$root/build/fuzz/corpus/$name
    mkdir -p "$work"
    echo "-- $name (${secs}s)"
    dirs=("$work")
    [ -d "$corpus" ] && dirs+=("$corpus")
    (cd build/fuzz && ./"$name" -max_total_time="$secs" "${common[@]}" "${dirs[@]}" >"$log" 2>&1) ||
      fail "$name" "$log"
    continue
  fi
  if [ ${#inputs[@]} -gt 0 ]; then
    (cd build/fuzz && "${norandom[@]}" ./"$name" "${common[@]}" "${inputs[@]}" >"$log" 2>&1) ||
      fail "$name" "$log"
  fi
  runs=$(runs_for "$name")
  work=$(mktemp -d)
  dirs=("$work")
  [ -d "$corpus" ] && dirs+=("$corpus")
  (cd build/fuzz && "${norandom[@]}" ./"$name" -seed=1 -runs="$runs" -reload=0 "${common[@]}" \
      "${dirs[@]}" >"$log" 2>&1) || { rm -rf "$work"; fail "$name" "$log"; }
  rm -rf "$work"
  figures=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | sed -E 's/^#[0-9]+[[:space:]]+DONE[[:space:]]+//; s/ +lim:.*//' || true)
  echo "-- $name: replayed ${#inputs[@]} committed inputs; $runs runs from seed 1: ${figures:-no figures}"
done
