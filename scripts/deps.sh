#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, when it is missing.
# Safe to run again. Usage: scripts/deps.sh [native|all|win64]
# win64: 64-bit Wine and compilers, for testing the Windows sources where the kernel
# cannot run 32-bit programs (scripts/test-windows.sh asks for them then).
set -euo pipefail
want=${1:-all}
native_pkgs=(cmake make ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
             libbenchmark-dev valgrind lhasa p7zip-full)
win_pkgs=(g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 wine wine32:i386 fonts-wine xvfb xauth
          imagemagick x11-utils python3-pefile osslsigncode openssl)
pkgs=("${native_pkgs[@]}")
[ "$want" = all ] && pkgs+=("${win_pkgs[@]}")
[ "$want" = win64 ] && pkgs=(g++-mingw-w64-x86-64-posix wine64)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$want" = all ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# The package manager's own progress goes to a log; on failure its tail is shown.
log=${TVX_APT_LOG:-/tmp/tellivox-apt.log}
echo "-- installing ${#missing[@]} packages (${missing[*]}); apt's output: $log"
if ! { apt-get update -q && apt-get install -y -q --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  tail -n 30 "$log"
  echo "installing packages failed; the whole output is in $log"
  exit 1
fi
