#!/usr/bin/env bash
# Black-box tests of quillox a/l/t/x. Usage: archive.sh QUILLOX TEST_DATA_DIR
source "$(dirname "$0")/cli_lib.bash"

# ---- round trip: folders, empty files, dates and attributes ---------------------------
mkdir -p src/sub/deeper src/emptydir
printf 'hello\n' >src/a.txt
: >src/zero1
: >src/sub/zero2
head -c 100000 /dev/urandom >src/sub/random.bin
head -c 70000 /dev/zero >src/sub/deeper/zeros.bin
printf '\224\224\224abc' >src/sub/markers.bin
touch -d '2001-02-03 04:05:06' src/a.txt
chmod 444 src/sub/markers.bin
for m in NON RLE; do
  rm -rf out-$m
  expect 0 "$q" a rt-$m.arc -m $m -C src .
  expect 0 "$q" t rt-$m.arc
  has out.txt "6 entries tested, 0 errors"
  expect 0 "$q" x rt-$m.arc -C out-$m
  diff -r src out-$m >/dev/null 2>&1 || { rmdir src/emptydir; diff -r src out-$m || fail "$m round trip differs"; mkdir src/emptydir; }
  [ "$(stat -c %Y out-$m/a.txt)" = "$(stat -c %Y src/a.txt)" ] || fail "$m: date not restored"
  [ -w out-$m/sub/markers.bin ] && [ "$(id -u)" != 0 ] && fail "$m: read-only not restored"
  [ "$(stat -c %A out-$m/sub/markers.bin | cut -c3)" = "-" ] || fail "$m: read-only bit lost"
done

# ---- listing ----------------------------------------------------------------------------
expect 0 "$q" l rt-RLE.arc
has out.txt "Method RLE, total size 170012"
has out.txt "sub\\deeper\\zeros.bin"
has out.txt "2001-02-03 04:05:06"
has out.txt "6 files"
# empty files come first, so that every reader reaches them
head -n 5 out.txt | grep -q 'zero' || fail "empty files not written first"
expect 0 "$q" l rt-RLE.arc --json
has out.txt '"path":"sub\\deeper\\zeros.bin","expandedSize":70000'
has out.txt '"totals":{"files":6,"expandedSize":170012'

# ---- archives of only empty files, and empty files appended later -----------------------
mkdir -p empties/x && : >empties/e1 && : >empties/x/e2
expect 0 "$q" a only-empty.arc -m NON -C empties .
expect 0 "$q" x only-empty.arc -C out-empty
[ -f out-empty/e1 ] && [ -f out-empty/x/e2 ] || fail "empty-only archive lost files"
cp rt-NON.arc appended.arc
: >late-empty
printf 'more' >late-data
expect 0 "$q" a appended.arc late-data late-empty
expect 0 "$q" l appended.arc
has out.txt "8 files"
sed -n 5p out.txt | grep -q 'late-empty' || fail "appended empty file not moved to the front"
expect 0 "$q" x appended.arc -C out-appended
[ -f out-appended/late-empty ] && cmp -s out-appended/late-data late-data || fail "appending"
# an archive cut short cannot take more entries, and stays as it was
head -c 300 rt-NON.arc >cut.arc
expect 1 "$q" a cut.arc late-data
has err.txt "Archive is damaged after its last complete entry"
[ "$(stat -c %s cut.arc)" = 300 ] || fail "damaged archive changed"

# ---- selection --------------------------------------------------------------------------
expect 0 "$q" x rt-RLE.arc -C out-sel SUB/RANDOM.BIN a.txt
[ -f out-sel/sub/random.bin ] && [ -f out-sel/a.txt ] && [ ! -e out-sel/zero1 ] || fail "selection"
expect 1 "$q" x rt-RLE.arc -C out-sel2 nothere.txt
has err.txt "quillox: nothere.txt: not found in archive"
expect 0 "$q" x rt-RLE.arc -C out-sel3 zero1
[ -f out-sel3/zero1 ] && [ ! -e out-sel3/a.txt ] || fail "selecting an empty file"

# ---- unsafe stored paths ----------------------------------------------------------------
mkdir -p jail
# quillox a refuses to store '..' and drive letters: names of the same length are
# stored, then patched in place.
expect 0 "$q" a unsafe.arc -m NON --stored-path 'XX\escaped.txt=src/a.txt' \
  --stored-path '\abs\rooted.txt=src/a.txt' --stored-path 'CX\drive.txt=src/a.txt' \
  --stored-path 'ok\fine.txt=src/a.txt'
perl -0777 -pi -e 's/XX\\escaped/..\\escaped/; s/CX\\drive/C:\\drive/' unsafe.arc
expect 1 "$q" x unsafe.arc -C jail/out
has err.txt "quillox: ..\\escaped.txt: unsafe path skipped"
has err.txt "quillox: \\abs\\rooted.txt: unsafe path skipped"
has err.txt "quillox: C:\\drive.txt: unsafe path skipped"
[ -f jail/out/ok/fine.txt ] || fail "safe entry of an unsafe archive not written"
[ "$(find "$work" -name escaped.txt -o -name rooted.txt -o -name 'drive.txt' -o -name 'C:*' | wc -l)" = 0 ] ||
  fail "unsafe entry written"
expect 0 "$q" x unsafe.arc -C jail/out --absolute-paths ok\\fine.txt ..\\escaped.txt
[ -f jail/escaped.txt ] || fail "--absolute-paths did not write the trusted path"

# ---- prefix for the installer's network paths ------------------------------------------
expect 0 "$q" a unc.arc -m NON -C src --prefix '\\buildsrv\quorvane\' a.txt sub/markers.bin
expect 0 "$q" l unc.arc
has out.txt '\\buildsrv\quorvane\a.txt'
has out.txt '\\buildsrv\quorvane\sub\markers.bin'

# ---- keys -------------------------------------------------------------------------------
expect 0 "$q" a key.arc -m RLE -k 0x1234 -C src a.txt sub/deeper
expect 0 "$q" l key.arc --json
has out.txt '"locked":true'
expect 1 "$q" t key.arc
has err.txt "a.txt: File locked -- valid key required"
expect 1 "$q" x key.arc -C out-key
has err.txt "quillox: a.txt: File locked -- valid key required"
[ -e out-key/a.txt ] && fail "locked file left behind"
expect 1 "$q" x key.arc -C out-key2 -k 4661
has err.txt "File locked -- valid key required"
expect 0 "$q" x key.arc -C out-key3 -k 4660
cmp out-key3/a.txt src/a.txt || fail "keyed round trip"

# ---- the component's errors, word for word ----------------------------------------------
lh5=0
"$q" t "$data/archives/bad/lh5-bad-table.arc" 2>&1 | grep -q "Bad decode table" && lh5=1
for arc in "$data"/archives/bad/*.arc; do
  name=$(basename "$arc" .arc)
  [ $lh5 = 0 ] && [ "${name#lh5}" != "$name" ] && continue
  key=()
  [ "$name" = lh5-bad-table-locked ] && key=(-k 12345)
  expect 1 "$q" x "$arc" -C "out-$name" "${key[@]}"
  has err.txt "$(head -n 1 "${arc%.arc}.txt")"
done
# In one pipe, t's lines and its messages keep their order.
"$q" t "$data/archives/bad/bad-checksum.arc" >both.txt 2>&1
[ "$(sed -n 1,2p both.txt | cut -c1-15 | tr '\n' '|')" = "OK    empty.txt|quillox: runs.b|" ] ||
  { fail "t's output and messages out of order"; cat both.txt; }
for arc in "$data"/archives/good/*.arc; do
  name=$(basename "$arc" .arc)
  [ $lh5 = 0 ] && [ "${name#lh5}" != "$name" ] && continue
  expect 0 "$q" t "$arc" -k 12345
done
mkdir -p out-blocked/a.txt
expect 1 "$q" x rt-NON.arc -C out-blocked
has err.txt "Cannot create file out-blocked\\a.txt"
expect 1 "$q" l --library ./no-such.dll WELCOME
has err.txt "Cannot open file ./no-such.dll"
# A shared library is read as data, never loaded: not being an installer, it is refused.
lib=$(dirname "$q")/tests/libtvx_test_resources.so
if [ -f "$lib" ]; then
  expect 1 "$q" x --library "$lib" libarc -C out-lib
  has err.txt "libtvx_test_resources.so: not a PE32 executable (no MZ header)"
fi
printf 'YRMA' >short.arc
expect 1 "$q" t short.arc
has err.txt "quillox: short.arc: Can't recognize compressed file header"
expect 1 "$q" l missing.arc
has err.txt "Cannot open file missing.arc"
# The free-space check, on a file system small enough to fail it (needs mount rights).
if mkdir -p tiny && mount -t tmpfs -o size=64k tmpfs tiny 2>/dev/null; then
  (cd tiny && expect 1 "$q" x "$work/rt-NON.arc" --check-space; cp err.txt ..)
  umount tiny
  has err.txt "Not enough disk space to expand sub\\deeper\\zeros.bin"
else
  echo "skipped: free-space check (cannot mount a small file system)"
fi

# ---- usage ------------------------------------------------------------------------------
expect 2 "$q" a
expect 2 "$q" a x.arc
expect 2 "$q" a x.arc -m ZIP src
expect 2 "$q" x rt-NON.arc --bogus
expect 2 "$q" a x.arc -k nonsense src
expect 2 "$q" a x.arc ../outside

[ $fails = 0 ] && echo "all archive CLI tests passed"
exit $((fails > 0))
