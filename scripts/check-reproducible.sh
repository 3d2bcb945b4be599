#!/usr/bin/env bash
# Builds the current commit twice from scratch, in two fresh clones whose folders have
# different names, without a compiler cache, and checks that what ships comes out
# byte for byte the same: TellivoxStub.exe, Tellivox.exe, setup.exe and quillox.exe.
# Takes a few minutes (two full cross builds). Usage: scripts/check-reproducible.sh
# Needs the build dependencies (scripts/deps.sh all). Commit first: a clone sees only
# what is committed.
set -Eeuo pipefail
trap 'rc=$?; echo "FAIL: scripts/check-reproducible.sh line $LINENO: \"$BASH_COMMAND\" exited $rc" >&2' ERR
cd "$(dirname "$0")/.."
root=$PWD
commit=$(git rev-parse HEAD)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export CCACHE_DISABLE=1
work=$(mktemp -d /tmp/tvx-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)
shipped=(installer/TellivoxStub.exe demo/Tellivox.exe demo/setup.exe quillox.exe)

for dir in one the-second-checkout; do
  echo "== building $commit in $work/$dir"
  git clone -q "$root" "$work/$dir"
  git -C "$work/$dir" checkout -q "$commit"
  (
    cd "$work/$dir"
    cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER_LAUNCHER= -DCMAKE_CXX_COMPILER_LAUNCHER= >/dev/null
    cmake --build build/native -j "$jobs" --target quillox tvx_demo_payload >/dev/null
    cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-mingw.cmake" \
      -DTVX_HOST_QUILLOX="$PWD/build/native/quillox" \
      -DCMAKE_C_COMPILER_LAUNCHER= -DCMAKE_CXX_COMPILER_LAUNCHER= >/dev/null
    cmake --build build/win32 -j "$jobs" --target TellivoxStub Tellivox setup quillox >/dev/null
  )
done

failed=0
for f in "${shipped[@]}"; do
  a=$work/one/build/win32/$f b=$work/the-second-checkout/build/win32/$f
  if cmp -s "$a" "$b"; then
    echo "   same: $(sha256sum "$a" | cut -c1-16)  $(stat -c %s "$a") bytes  $f"
  else
    echo "   DIFFERENT: $f ($(cmp "$a" "$b" | head -1))"
    failed=1
  fi
done
[ $failed -eq 0 ] || { echo "FAIL: the two builds of $commit differ"; exit 1; }
echo "== the two builds of $commit are byte for byte the same (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
