#!/usr/bin/env bash
# Benchmark (not a test): quillox a with many small files. Makes COUNT files of 0 to 299
# bytes (deterministic text) in folders of 1000, then measures with /usr/bin/time -v:
# making a new archive of them (per METHOD), and adding 1000 more files to that
# archive, which walks and copies the archive once. Prints wall time, CPU time and
# peak memory per run, and the same for a tenth of the files, so that linear growth
# (time ten times as long, memory nearly the same) can be read off.
# Usage: bench/bench_add.sh QUILLOX [COUNT=100000] [METHODS="NON LH5"]
set -euo pipefail
q=$(realpath "$1")
count=${2:-100000}
methods=${3:-NON LH5}
work=$(mktemp -d /tmp/bench-add.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# make DIR N: N files in DIR/dNNN/, 1000 a folder.
make() {
  mkdir -p "$1"
  awk -v dir="$1" -v n="$2" 'BEGIN {
    for (i = 0; i < n; i++) {
      if (i % 1000 == 0) { d = sprintf("%s/d%03d", dir, i / 1000); system("mkdir -p " d) }
      f = sprintf("%s/file%06d.txt", d, i)
      len = (i * 7919) % 300
      s = ""
      for (k = 0; k < len; k++) s = s sprintf("%c", 97 + (i + k * k) % 26)
      printf "%s", s > f
      close(f)
    }
  }'
}

# measure LABEL CMD...: wall seconds, CPU seconds, peak resident memory.
measure() {
  local label=$1; shift
  /usr/bin/time -v "$@" >/dev/null 2>time.txt || { cat time.txt; exit 1; }
  awk -v l="$label" '
    /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; wall = s }
    /User time/ { user = $NF } /System time/ { sys = $NF }
    /Maximum resident set size/ { rss = $NF }
    END { printf "%-36s %7.2f s wall %7.2f s CPU  peak %6.1f MB\n", l, wall, user + sys, rss / 1024 }' time.txt
}

for n in $((count / 10)) "$count"; do
  rm -rf src more
  make src "$n"
  make more 1000
  for m in $methods; do
    rm -f "a-$m.arc"
    measure "a -m $m: $n files" "$q" a "a-$m.arc" -m "$m" -C src .
    measure "a: 1000 more to $n entries ($m)" "$q" a "a-$m.arc" -C more --prefix 'more\' .
    echo "   archive: $(stat -c %s "a-$m.arc") bytes"
  done
done
