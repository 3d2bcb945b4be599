#!/usr/bin/env bash
# quillox raw: compress and expand round trips for every method, keys, checksums.
. "$(dirname "$0")/raw_lib.bash"

cp "$DATA/lh5/text.txt" "$scratch/text"
sum=$(bytesum "$scratch/text")
size=$(wc -c <"$scratch/text")
for method in NON RLE LZH LH5; do
    cp "$scratch/text" "$scratch/in"
    expect 0 "" -- raw compress --method $method
    if [ ! -s "$scratch/out" ]; then
        echo "SKIP: $method round trip (no $method encoder in this build)"; continue
    fi
    grep -qxF "checksum: $sum" "$scratch/err" || { echo "FAIL: $method checksum"; failures=$((failures + 1)); }
    cp "$scratch/out" "$scratch/in"
    expect 0 "checksum: $sum" -- raw expand --method $method --size "$size"
    same "$scratch/text"
done

# RLE: the documented example, byte for byte
printf 'AAAA' >"$scratch/in"
expect 0 "checksum: 260" -- raw compress --method RLE
printf 'A\224\004' >"$scratch/want"; same "$scratch/want"

# a key scrambles what compress writes; expand undoes it only with --descramble
printf '\000\000\000\000\000\000' >"$scratch/in"
expect 0 "checksum: 0" -- raw compress --method NON --key 0x04030201
printf '\001\002\003\004\001\002' >"$scratch/want"; same "$scratch/want"
cp "$scratch/out" "$scratch/in"
expect 0 "checksum: 0" -- raw expand --method NON --size 6 --key 67305985 --descramble
printf '\000\000\000\000\000\000' >"$scratch/want"; same "$scratch/want"
expect 0 "checksum: 13" -- raw expand --method NON --size 6 --key 67305985
printf '\000' >"$scratch/in"
expect 0 "checksum: 0" -- raw compress --method NON --key -1
printf '\377' >"$scratch/want"; same "$scratch/want"

# empty input
: >"$scratch/in"
expect 0 "checksum: 0" -- raw compress --method RLE
expect 0 "checksum: 0" -- raw expand --method LH5 --size 0
finish
