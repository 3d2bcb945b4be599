# Writes a copy of an archive with one byte changed (inverted), for the tests' variant
# installers. Usage: damage.sh signature|stored-entry IN OUT [QUILLOX]
#   signature     the first byte of the archive header ("Y" of the signature)
#   stored-entry  a byte 1000 bytes into the data of the first entry stored unchanged
#                 (method 0, nonzero checksum): expanding it must fail its checksum
set -euo pipefail
mode=$1 in=$2 out=$3 quillox=${4:-}
case $mode in
  signature) offset=0 ;;
  stored-entry)
    line=$("$quillox" l "$in" --json | grep '"methodIndex":0,' | head -1)
    [ -n "$line" ] || { echo "damage.sh: no stored entry in $in" >&2; exit 1; }
    # The JSON path doubles every backslash; the stored path has single ones.
    path=$(printf '%s' "$line" | sed 's/.*"path":"\([^"]*\)".*/\1/' | sed 's/\\\\/\\/g')
    header=$(printf '%s' "$line" | sed 's/.*"headerPosition":\([0-9]*\).*/\1/')
    offset=$((header + 25 + ${#path} + 1000))
    ;;
  *) echo "damage.sh: unknown mode $mode" >&2; exit 2 ;;
esac
cp "$in" "$out.part"
byte=$(od -An -tu1 -j "$offset" -N1 "$in" | tr -d ' ')
printf "\\$(printf '%03o' $((byte ^ 255)))" |
  dd of="$out.part" bs=1 seek="$offset" conv=notrunc status=none
mv "$out.part" "$out"
