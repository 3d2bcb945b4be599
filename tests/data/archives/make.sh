#!/usr/bin/env bash
# Made the golden archives in this folder; kept as the record of how. Run from a
# built tree: bash make.sh path/to/quillox. Good archives (good/*.arc) must always
# expand byte-exact to the folder of the same name; bad ones (bad/*.arc) must always
# fail with the message in the .txt of the same name.
set -euo pipefail
q=$(realpath "$1")
cd "$(dirname "$0")"
export TZ=UTC
rm -rf good bad work
mkdir -p good bad work/src/docs

# Contents: an empty file, long runs, text, and a file full of run markers (0x94)
# whose run-length form would be longer than itself, so it is stored.
: >work/src/empty.txt
head -c 20000 /dev/zero | tr '\0' 'r' >work/src/runs.bin
printf 'Quorvane setup notes\r\nLine two\r\n' >work/src/docs/readme.txt
printf '\224%.0s' $(seq 1 64) >work/src/docs/markers.bin
touch -d '2000-01-13 18:34:28' work/src/empty.txt work/src/runs.bin \
  work/src/docs/readme.txt work/src/docs/markers.bin
chmod 444 work/src/docs/readme.txt

"$q" a good/mixed.arc -m RLE -C work/src empty.txt runs.bin docs
"$q" a good/locked.arc -m RLE -k 12345 -C work/src runs.bin docs
"$q" a good/unc.arc -m NON -C work/src --prefix '\\buildsrv\quorvane\' docs
for a in mixed locked unc; do mkdir -p good/$a; done
cp -p work/src/empty.txt work/src/runs.bin good/mixed/
cp -pr work/src/docs good/mixed/
cp -p work/src/runs.bin good/locked/
cp -pr work/src/docs good/locked/
cp -pr work/src/docs good/unc/

# Patches byte $2 of file $1 to the value $3 (decimal).
patch_byte() { printf "$(printf '\\%03o' "$3")" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }

cp good/mixed.arc bad/bad-signature.arc; patch_byte bad/bad-signature.arc 4 27
echo "Can't recognize compressed file header" >bad/bad-signature.txt
cp good/mixed.arc bad/bad-type.arc; patch_byte bad/bad-type.arc 12 2
echo "Archive type must be caMulti" >bad/bad-type.txt
cp good/mixed.arc bad/bad-method.arc; patch_byte bad/bad-method.arc 5 65
echo 'Unrecognized compression method: "ALE" in header' >bad/bad-method.txt
# The last byte of runs.bin's stored data (a run token) changed.
cp good/mixed.arc bad/bad-checksum.arc
"$q" l good/mixed.arc --json | grep -q '"path":"runs.bin"'
patch_byte bad/bad-checksum.arc $((21 + 25 + 9 + 25 + 8 + 2)) 200
echo "Bad checksum during expansion -- data may be invalid" >bad/bad-checksum.txt
cp good/locked.arc bad/locked-no-key.arc
echo "File locked -- valid key required" >bad/locked-no-key.txt

# An LH5 entry whose first block sends three code lengths of 1 bit: not a prefix code.
lh5() {  # name lock
  {
    printf 'YRMA\032LH5\012\000\000\000\001\000\000\000\000\000\000\000\000'
    # PathLength 5, DateTime, Attributes 0x20, Expanded 10, Stored 8, Method 4,
    # Checksum 1, Lock
    printf '\005\000\116\224\055\050\040\000\012\000\000\000\010\000\000\000\004'
    printf '\001\000\000\000'"$2"'\000\000\000'
    printf 'x.bin'
    printf '\000\001\031\044\000\000\000\000'
  } >bad/$1.arc
}
lh5 lh5-bad-table '\000'
echo "Bad decode table in archive!" >bad/lh5-bad-table.txt
lh5 lh5-bad-table-locked '\001'
echo "File locked -- valid key required" >bad/lh5-bad-table-locked.txt
rm -rf work
