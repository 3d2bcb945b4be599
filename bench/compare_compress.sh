#!/usr/bin/env bash
# Compression side by side on the corpus: `quillox raw compress` with LZH and with LH5
# against `gzip -6`, each a whole process reading the file and writing to /dev/null.
# Prints, per file, the best CPU time (perf's task-clock) of N runs, the three taken in
# turn so that a change in the machine's load touches all of them alike, as
# milliseconds and MB/s, and the ratios to gzip's speed.
# Usage: bash bench/compare_compress.sh QUILLOX CORPUS_DIR [N]   (N defaults to 5)
set -euo pipefail
Q=$(realpath "$1")
DIR=$2
N=${3:-5}
command -v perf >/dev/null || { echo "compare_compress.sh: needs perf (linux-perf)" >&2; exit 1; }

cpu_ms() {  # CPU milliseconds of one run of the shell command $1
  perf stat -x, -e task-clock sh -c "$1" 2>&1 >/dev/null | awk -F, '/task-clock/ { print $1 }'
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b) ? a : b }'; }

printf "%-15s %9s | %8s %8s %8s | %7s %7s %7s | %5s %5s\n" \
  file bytes "LZH ms" "LH5 ms" "gzip ms" "LZH" "LH5" "gzip" "LZH/g" "LH5/g"
printf "%-15s %9s | %8s %8s %8s | %23s | %11s\n" "" "" "" "" "" "MB/s (CPU time)" "of gzip's"
for f in "$DIR"/*; do
  [ -f "$f" ] || continue
  size=$(stat -c %s "$f")
  a=1e9 b=1e9 g=1e9
  for _ in $(seq "$N"); do
    a=$(min "$(cpu_ms "'$Q' raw compress --method LZH < '$f'")" "$a")
    b=$(min "$(cpu_ms "'$Q' raw compress --method LH5 < '$f'")" "$b")
    g=$(min "$(cpu_ms "gzip -6 -c < '$f'")" "$g")
  done
  awk -v n="$(basename "$f")" -v s="$size" -v a="$a" -v b="$b" -v g="$g" 'BEGIN {
    printf "%-15s %9d | %8.1f %8.1f %8.1f | %7.1f %7.1f %7.1f | %5.2f %5.2f\n",
      n, s, a, b, g, s / a / 1000, s / b / 1000, s / g / 1000, g / a, g / b }'
done
