#!/bin/sh
# Builds the benchmark corpus in DIR (with the shared mkcorpus.sh) and, in DIR/lh5,
# one -lh5- archive per file made by an independent encoder (Debian's jlha-utils,
# used as a black box). Usage: sh bench/mklh5.sh DIR
set -eu
DIR=${1:?usage: mklh5.sh DIR}
sh /work/shared/bench/mkcorpus.sh "$DIR" >/dev/null
mkdir -p "$DIR/lh5"
for f in "$DIR"/*; do
  [ -f "$f" ] || continue
  n=$(basename "$f")
  rm -f "$DIR/lh5/$n.lzh"
  (cd "$DIR" && jlha co5q "lh5/$n.lzh" "$n" >/dev/null)
done
ls -l "$DIR/lh5"
