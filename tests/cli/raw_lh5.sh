#!/usr/bin/env bash
# quillox raw expand --method LH5 on streams of an independent encoder, and the
# decoder's error on a bad table.
. "$(dirname "$0")/raw_lib.bash"

# The raw stream of a level-2 LHA member: data after the header, packed size at 7.
member() {
    local a=$1 hs ps
    hs=$(od -An -tu2 -j0 -N2 "$a" | tr -d ' ')
    ps=$(od -An -tu4 -j7 -N4 "$a" | tr -d ' ')
    tail -c +$((hs + 1)) "$a" | head -c "$ps"
}

for f in text.txt binary.bin runs.bin tiny.bin; do
    member "$DATA/lh5/${f%.*}.lzh" >"$scratch/in"
    expect 0 "checksum: $(bytesum "$DATA/lh5/$f")" -- raw expand --method LH5 --size "$(wc -c <"$DATA/lh5/$f")"
    same "$DATA/lh5/$f"
done

# item count 1, then a code-length count of 31 (more than 19): a bad table
printf '\000\001\370\000\000\000\000\000' >"$scratch/in"
expect 1 "Bad decode table in archive!" -- raw expand --method LH5 --size 10

# a corrupt end never yields more than --size bytes
member "$DATA/lh5/runs.lzh" >"$scratch/in"
expect 0 "" -- raw expand --method LH5 --size 1000
[ "$(wc -c <"$scratch/out")" -eq 1000 ] || { echo "FAIL: not 1000 bytes"; failures=$((failures + 1)); }
finish
