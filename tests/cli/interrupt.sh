#!/usr/bin/env bash
# quillox x ended from outside while it replaces a user's file: by the file size limit
# (SIGXFSZ), by SIGTERM, SIGHUP or SIGINT, or by kill -9. Whenever it happens, the
# user's file is either still the one it was or the entry's whole, verified contents,
# never a part under its name; x's temporary file is gone, except after kill -9, which
# can leave only that file (quillox-<process>-<n>.tmp beside the entry's file).
# Usage: interrupt.sh QUILLOX TEST_DATA_DIR
source "$(dirname "$0")/cli_lib.bash"

# One entry of 64 MB of zeros, run-length coded (about 760 KB): long enough to be
# caught while it is written.
mkdir src
head -c 64M /dev/zero >src/big.bin
"$q" a big.arc -m RLE -C src big.bin >/dev/null || fail "making the archive"
rm -rf src
user_file() { rm -rf out; mkdir out; printf 'user data' >out/big.bin; }
# The file is the user's or the whole entry; nothing else is there but what $1 allows.
check() {
  local what=$1 allowed=$2 size
  size=$(stat -c %s out/big.bin 2>/dev/null || echo missing)
  if [ "$size" = 67108864 ]; then
    cmp -s -n 67108864 out/big.bin /dev/zero || fail "$what: big.bin holds other bytes"
  elif [ "$(cat out/big.bin 2>/dev/null)" != "user data" ]; then
    fail "$what: big.bin is neither the user's file nor the entry ($size bytes)"
  fi
  local extra
  extra=$(cd out && ls -A | grep -vx 'big.bin' | grep -vxE "$allowed")
  [ -z "$extra" ] || fail "$what: left behind: $extra"
}

# The file size limit cuts the entry at 512 KB, deterministically.
user_file
(ulimit -f 1024; "$q" x big.arc -C out) >out.txt 2>&1
code=$?
[ $code = 1 ] || fail "SIGXFSZ: exit $code, wanted 1"
grep -qF "quillox: big.bin: interrupted: the file size limit is reached" out.txt ||
  { fail "SIGXFSZ: no message"; cat out.txt; }
[ "$(cat out/big.bin)" = "user data" ] || fail "SIGXFSZ: the user's file is lost"
check SIGXFSZ '^$'

# The signals reach x once it has begun to write (a second name shows in the folder),
# or later.
for sig in TERM HUP INT KILL; do
  user_file
  "$q" x big.arc -C out >out.txt 2>&1 &
  pid=$!
  for _ in $(seq 500); do
    [ "$(ls -A out | wc -l)" -gt 1 ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.01
  done
  kill -$sig $pid 2>/dev/null
  { wait $pid; } 2>/dev/null
  code=$?
  case $sig:$code in
    KILL:137) check $sig 'quillox-[0-9]+-[0-9]+\.tmp' ;;
    *:0) check $sig '^$' ;;
    *:1)
      grep -qF "quillox: big.bin: interrupted" out.txt || { fail "$sig: no message"; cat out.txt; }
      [ "$(cat out/big.bin)" = "user data" ] || fail "$sig: the user's file is lost"
      check $sig '^$' ;;
    *) fail "$sig: exit $code"; cat out.txt ;;
  esac
done

[ $fails = 0 ] && echo "all interruption tests passed"
exit $((fails > 0))
