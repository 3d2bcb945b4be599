#!/bin/sh
# Makes the golden -lh5- archives of this folder with an independent LHA encoder
# (Debian's jlha-utils, used as a black box). The inputs are generated here, so the
# script makes the same inputs everywhere; the archives depend on the encoder's version.
# Usage: sh make_golden.sh   (run from anywhere; needs jlha and awk)
set -eu
cd "$(dirname "$0")"
export LC_ALL=C
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# text: pseudo-random sentences over a small vocabulary
awk 'BEGIN { srand(7); split("the of and codec window ring buffer match length literal distance block table tree code stream archive entry expand byte sum", w, " ");
  for (i = 0; i < 1800; i++) { printf "%s", w[int(rand() * 21) + 1]; printf (i % 13 == 12) ? ".\n" : " " } }' > text.txt
# binary: every byte value, noisy, with some repeats at all distances
awk 'BEGIN { s = 12345; for (i = 0; i < 12000; i++) { s = (s * 1103515245 + 12345) % 2147483648;
  v = (i % 700 < 350) ? int(s / 65536) % 256 : (i * 7) % 256; printf "%c", v } }' > binary.bin
# runs: long runs of a few byte values, the longest far beyond 256
awk 'BEGIN { for (r = 0; r < 40; r++) { n = (r * 97) % 1500 + 1; c = (r % 3 == 0) ? 0 : (r % 3 == 1) ? 65 : 255;
  for (i = 0; i < n; i++) printf "%c", c } }' > runs.bin
# tiny: the shortest input the encoder still compresses rather than stores
printf 'QQQQQQQQQQQQQQQQQQQQ' > tiny.bin
# large (about 200 KiB): several blocks of the encoder
{ for k in 1 2 3 4 5 6 7 8; do cat text.txt binary.bin; done; cat runs.bin runs.bin; } > "$work/large.bin"
cp text.txt binary.bin runs.bin tiny.bin "$work/"

for f in text.txt binary.bin runs.bin tiny.bin large.bin; do
  rm -f "${f%.*}.lzh"
  (cd "$work" && jlha co5q "${f%.*}.lzh" "$f" >/dev/null)
  cp "$work/${f%.*}.lzh" .
done
ls -l
