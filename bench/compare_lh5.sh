#!/usr/bin/env bash
# LH5 expansion side by side on the corpus archives of bench/mklh5.sh: our decoder
# (quillox raw expand on the raw stream, output to /dev/null), 7z (x -so to /dev/null)
# and lhasa (lha pq to /dev/null). Prints, per archive, the best CPU time of 5 runs
# as MB/s of expanded bytes and callgrind's instruction count per expanded byte.
# Usage: bash bench/compare_lh5.sh QUILLOX CORPUS_DIR
set -euo pipefail
Q=$1
DIR=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# CPU seconds (user + system) are steadier than wall time on a shared machine.
best_ms() {  # best of 5 CPU times in milliseconds of "$@"
  local best=999999 ms
  for _ in 1 2 3 4 5; do
    ms=$( { TIMEFORMAT='%3U %3S'; time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%d", ($1 + $2) * 1000 }')
    [ "$ms" -lt "$best" ] && best=$ms
  done
  echo "$best"
}
instr() {  # total instructions of "$@" (children too) under callgrind
  valgrind --tool=callgrind --trace-children=yes --callgrind-out-file="$tmp/cg.%p" "$@" \
    >/dev/null 2>"$tmp/cg.err" <"$tmp/raw" || true
  grep -h "Collected" "$tmp/cg.err" | awk '{ s += $4 } END { print s }'
  rm -f "$tmp"/cg.*
}
ours() { "$Q" raw expand --method LH5 --size "$size" <"$tmp/raw"; }
sevenz() { 7z x -so "$a"; }
lhasa() { lha pq "$a"; }

printf '%-16s %9s | %8s %8s %8s | %7s %7s %7s\n' file bytes "ours" "7z" "lhasa" "ours" "7z" "lhasa"
printf '%-16s %9s | %26s | %23s\n' "" "" "MB/s (best of 5, CPU time)" "instructions per byte"
for a in "$DIR"/lh5/*.lzh; do
  hs=$(od -An -tu2 -j0 -N2 "$a" | tr -d ' ')
  ps=$(od -An -tu4 -j7 -N4 "$a" | tr -d ' ')
  size=$(od -An -tu4 -j11 -N4 "$a" | tr -d ' ')
  tail -c +$((hs + 1)) "$a" | head -c "$ps" >"$tmp/raw"
  ours 2>/dev/null | cmp -s - "$DIR/$(basename "$a" .lzh)" || { echo "ours: wrong output for $a"; exit 1; }
  row=()
  for tool in ours sevenz lhasa; do
    ms=$(best_ms $tool); [ "$ms" -eq 0 ] && ms=1
    row+=("$(awk -v b="$size" -v ms="$ms" 'BEGIN { printf "%.0f", b / 1e6 / (ms / 1000) }')")
  done
  for cmd in "$Q raw expand --method LH5 --size $size" "7z x -so $a" "lha pq $a"; do
    # shellcheck disable=SC2086
    row+=("$(awk -v i="$(instr $cmd)" -v b="$size" 'BEGIN { printf "%.1f", i / b }')")
  done
  printf '%-16s %9d | %8s %8s %8s | %7s %7s %7s\n' "$(basename "$a" .lzh)" "$size" "${row[@]}"
done
