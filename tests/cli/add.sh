#!/usr/bin/env bash
# Black-box tests of quillox a as a person in a hurry meets it: names its own x would
# refuse, symbolic links out of the folder and in circles, adding a file again, and an
# archive that stays byte for byte as it was (or is never made) when a run fails or is
# stopped by a signal. Usage: add.sh QUILLOX TEST_DATA_DIR
source "$(dirname "$0")/cli_lib.bash"

mkdir -p base
printf 'base\n' >base/kept.txt
"$q" a orig.arc -m LH5 -C base . >/dev/null || fail "making orig.arc"

# refuse NAME WHY: a folder holding NAME is refused, naming the file; a new archive is
# not made, an existing one is not touched.
refuse() {
  local name=$1 why=$2
  rm -rf src && mkdir -p "src/$(dirname "$name")"
  printf 'ok\n' >src/fine.txt
  printf 'bad\n' >"src/$name"
  expect 1 "$q" a new.arc -C src .
  has err.txt "quillox: src/$name: "
  has err.txt "$why"
  [ -e new.arc ] && fail "$name: an archive was made"
  cp orig.arc old.arc
  expect 1 "$q" a old.arc -C src .
  cmp -s old.arc orig.arc || fail "$name: the existing archive changed"
  no_temp
}
refuse 'sub/CON.txt' 'a Windows device name'
refuse 'lpt1' 'a Windows device name'
refuse 'a:b.txt' 'a colon'
refuse $'tab\there.txt' 'a control character'
refuse 'sub/..\x.txt' "a '\\' in its name"
refuse '...' 'dots and blanks only'
expect 1 "$q" a new.arc -C src --stored-path 'a\\b.txt=fine.txt' --stored-path 'a\.\c.txt=fine.txt'
has err.txt 'cannot be stored as a\\b.txt: an empty component'
has err.txt 'cannot be stored as a\.\c.txt: a "." component'
expect 2 "$q" a new.arc -C src --prefix 'C:\rel\' .
has err.txt "--prefix 'C:\\rel\\': a colon"
[ -e new.arc ] && fail "an archive was made for a bad prefix"

# ---- symbolic links: inside the folder followed, out of it refused, loops passed over --
rm -rf src outside && mkdir -p src/docs outside
printf 'doc\n' >src/docs/a.txt
printf 'secret\n' >outside/secret.txt
ln -s docs src/docs-latest
ln -s .. src/docs/up
expect 0 "$q" a links.arc -C src .
has err.txt "src/docs/up: a symbolic link to a folder that holds it; not followed"
"$q" l links.arc >list.txt
has list.txt 'docs-latest\a.txt'
[ "$(grep -c 'a.txt' list.txt)" = 2 ] || { fail "links: wanted docs and docs-latest only"; cat list.txt; }
ln -s ../outside src/out-dir
ln -s ../outside/secret.txt src/out-file
ln -s nowhere src/dangling
expect 1 "$q" a links2.arc -C src .
has err.txt "quillox: src/out-dir: a symbolic link to $work/outside, outside the folder being packed"
has err.txt "quillox: src/out-file: a symbolic link to $work/outside/secret.txt, outside"
has err.txt "quillox: src/dangling: a symbolic link to nothing"
[ -e links2.arc ] && fail "an archive was made with links out of the folder"

# ---- adding again replaces; two files under one stored path are refused -----------------
rm -rf src && mkdir src
printf 'one\n' >src/a.txt
expect 0 "$q" a again.arc -m NON -C src a.txt
printf 'two, longer\n' >src/a.txt
expect 0 "$q" a again.arc -C src a.txt
expect 0 "$q" x again.arc -C out-again
[ "$(cat out-again/a.txt)" = 'two, longer' ] || fail "adding again did not replace the entry"
"$q" l again.arc | grep -q '1 file$' || fail "adding again left two entries"
printf 'three\n' >src/A.TXT
expect 1 "$q" a again2.arc -C src .
has err.txt "(letter case ignored)"
cp again.arc before.arc
rm src/a.txt
expect 0 "$q" a again.arc -C src A.TXT
"$q" l again.arc | grep -q '1 file$' || fail "A.TXT did not replace a.txt"
# The archive inside the folder being packed is left out, not packed into itself.
expect 0 "$q" a src/self.arc -C src .
expect 0 "$q" a src/self.arc -C src .
has err.txt "self.arc: the archive itself; left out"
"$q" l src/self.arc | grep -q '1 file$' || fail "the archive packed into itself"
# A prefix before a whole folder, with exactly one separator.
expect 0 "$q" a prefix.arc -C src --prefix '\\srv\share\' .
"$q" l prefix.arc | grep -qF '\\srv\share\A.TXT' || { fail "prefix before '.'"; "$q" l prefix.arc; }

# ---- failures and signals leave the archive as it was ---------------------------------
mkdir -p big
truncate -s 2100M big/huge.bin
cp orig.arc old.arc
expect 1 "$q" a old.arc -C big .
has err.txt "big/huge.bin: larger than 2147483647 bytes"
cmp -s old.arc orig.arc || fail "a file over 2 GB changed the archive"
rm big/huge.bin
chmod 444 old.arc
expect 1 "$q" a old.arc -C base kept.txt
has err.txt "read-only"
chmod 644 old.arc
cmp -s old.arc orig.arc || fail "a read-only archive changed"

truncate -s 1G big/zeros.bin
# stop SIGNAL ARCHIVE: starts adding big/ (LZH codes 1 GB for many seconds), sends
# SIGNAL once the temporary file is there, and checks what quillox says.
stop() {
  local sig=$1 arc=$2 rc
  "$q" a "$arc" -m LZH -C big . >out.txt 2>err.txt &
  local pid=$!
  for _ in $(seq 200); do
    ls "$arc".quillox-*.tmp >/dev/null 2>&1 && break
    sleep 0.05
  done
  kill -"$sig" $pid
  wait $pid
  rc=$?
  [ $rc = 1 ] || fail "$sig: exit $rc, wanted 1"
  has err.txt "interrupted"
  no_temp
}
set -m  # background jobs keep Ctrl-C (SIGINT), as they do at a terminal
cp orig.arc old.arc
stop INT old.arc
cmp -s old.arc orig.arc && echo "   ok: SIGINT during a: the archive is byte for byte as it was" ||
  fail "SIGINT changed the existing archive"
set +m
stop TERM fresh.arc
[ -e fresh.arc ] && fail "SIGTERM left a new archive behind"
has err.txt "no archive was made"
cp orig.arc old.arc
stop HUP old.arc
cmp -s old.arc orig.arc || fail "SIGHUP changed the existing archive"
rm big/zeros.bin

# A full disk (needs mount rights): the archive stays as it was, nothing is left beside it.
if mkdir -p tiny && mount -t tmpfs -o size=64k tmpfs tiny 2>/dev/null; then
  cp orig.arc tiny/full.arc
  head -c 200000 /dev/urandom >big/random.bin
  (cd tiny && expect 1 "$q" a full.arc -m NON -C ../big random.bin && cp err.txt ../disk-err.txt)
  cmp -s tiny/full.arc orig.arc || fail "a full disk changed the archive"
  [ "$(ls -A tiny | grep -v '^\(full.arc\|out.txt\|err.txt\)$')" = "" ] || fail "left in tiny: $(ls -A tiny)"
  umount tiny
  has disk-err.txt "big/random.bin"
else
  echo "skipped: full disk (cannot mount a small file system)"
fi

[ $fails = 0 ] && echo "all a CLI tests passed"
exit $((fails > 0))
