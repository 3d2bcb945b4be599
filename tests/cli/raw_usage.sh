#!/usr/bin/env bash
# quillox raw: wrong usage exits 2 with the usage text.
. "$(dirname "$0")/raw_lib.bash"

usage="       quillox raw expand --method NON|RLE|LZH|LH5 --size N [--key K] [--descramble]"
: >"$scratch/in"
expect 2 "$usage" -- raw
expect 2 "$usage" -- raw pack --method NON
expect 2 "$usage" -- raw compress
expect 2 "$usage" -- raw compress --method CUS
expect 2 "$usage" -- raw compress --method NON --size 3
expect 2 "$usage" -- raw compress --method NON --descramble
expect 2 "$usage" -- raw expand --method NON
expect 2 "$usage" -- raw expand --method NON --size -1
expect 2 "$usage" -- raw expand --method NON --size 2147483648
expect 2 "$usage" -- raw expand --method NON --size 1 --key 2147483648
expect 2 "$usage" -- raw expand --method NON --size 1 --key 0x100000000
expect 2 "$usage" -- raw expand --method NON --size 1 --key 12z
expect 2 "$usage" -- raw expand --method NON --size 1 --key
expect 0 "checksum: 0" -- raw expand --method NON --size 1 --key -2147483648
expect 0 "checksum: 0" -- raw expand --method NON --size 1 --key 0xFFFFFFFF
finish
