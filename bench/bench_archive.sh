#!/usr/bin/env bash
# Benchmark (not a test): quillox x on a ~200 MB archive made from the shared corpus,
# repeated. Reports peak memory (/usr/bin/time -v) and throughput, beside
# `quillox raw expand` on the same data when that command is available.
# Usage: bench/bench_archive.sh QUILLOX [METHOD=LH5] [COPIES=8] [MKCORPUS]
set -euo pipefail
q=$(realpath "$1")
method=${2:-LH5}
copies=${3:-8}
mkcorpus=${4:-/work/shared/bench/mkcorpus.sh}
work=$(mktemp -d /tmp/bench-archive.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

sh "$mkcorpus" corpus >/dev/null
mkdir src
for i in $(seq 1 "$copies"); do cp -r corpus "src/copy$i"; done
bytes=$(du -sb src | cut -f1)
"$q" a big.arc -m "$method" -C src .
echo "method $method: $(find src -type f | wc -l) files, $bytes bytes expanded, $(stat -c %s big.arc) stored"

# measure LABEL CMD...: peak resident memory and elapsed seconds of one run.
measure() {
  local label=$1; shift
  /usr/bin/time -v "$@" 2>time.txt >/dev/null || { cat time.txt; exit 1; }
  local rss secs
  rss=$(grep 'Maximum resident set size' time.txt | awk '{print $NF}')
  secs=$(grep 'Elapsed (wall clock)' time.txt | awk '{print $NF}' |
         awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
  awk -v l="$label" -v r="$rss" -v s="$secs" -v b="$bytes" \
    'BEGIN { printf "%-22s peak %6.1f MB  %6.2f s  %7.1f MB/s\n", l, r / 1024, s, b / 1048576 / s }'
}

sync
measure "quillox x" "$q" x big.arc -C out
rm -rf out
measure "quillox t" "$q" t big.arc
find src -type f | sort | xargs cat >all.bin
if "$q" raw compress --method "$method" <all.bin >all.raw 2>/dev/null; then
  measure "quillox raw expand" sh -c "'$q' raw expand --method $method --size $bytes <all.raw >all.out"
else
  echo "quillox raw expand: not available in this build"
fi
