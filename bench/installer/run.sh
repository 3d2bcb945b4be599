#!/usr/bin/env bash
# The installer against a mainstream peer under the same Wine: packs one release into a
# Tellivox installer (`quillox sfx` into TellivoxStub.exe, LH5) and into an NSIS
# installer (Debian's nsis, zlib, bench/installer/peer.nsi), then times each from its
# start to the moment setup.exe has started (setup.exe writes its report file first
# thing), in turn, and prints the medians and their ratio. Tellivox is timed twice in
# each round: unattended (/S, exactly as the peer is) and windowed, driven through the
# welcome page by the UI driver (Continue the moment the page shows); the ratio is of
# the unattended runs, the windowed one is printed beside it.
#
#   bash bench/installer/run.sh [--runs N] [--release demo|large|all] [--no-build]
#                               [--stub TellivoxStub.exe]
#
# On the large release it also times Cancel: from the click a second into the
# extraction to the question.
# Releases: "demo" is the demo's (18 files, 6.3 MB); "large" is generated
# (tvx_demo_payload --sets 18: 288 files, 181 MB of program-like binaries, text and a
# quarter of random bytes, which quillox stores) plus setup.exe and setup.ini.
# Runs the 32-bit builds under 32-bit Wine where the kernel runs 32-bit programs, else
# the 64-bit builds under 64-bit Wine (the peer then uses NSIS's amd64 stub).
# Installs what it needs (scripts/deps.sh, nsis); builds build/native and
# build/win32 (or build/win64) unless --no-build; works in <build>/bench-installer.
# --stub times another stub (say, an older build's) against the same peer.
# A benchmark, not a test: the figures depend on the machine and on its load.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

runs=5
which=all
build_it=1
stub=
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --release) which=$2; shift 2 ;;
    --no-build) build_it=0; shift ;;
    --stub) stub=$(readlink -f "$2"); shift 2 ;;
    *) echo "usage: bench/installer/run.sh [--runs N] [--release demo|large|all] [--no-build] [--stub FILE]" >&2
       exit 2 ;;
  esac
done
case $which in demo) releases=(demo) ;; large) releases=(large) ;; all) releases=(demo large) ;;
  *) echo "--release: demo, large or all" >&2; exit 2 ;; esac

if [ $build_it = 1 ]; then
  bash scripts/deps.sh all
  command -v makensis >/dev/null || {
    echo "-- installing nsis"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends nsis >/tmp/tellivox-apt.log 2>&1 ||
      { tail -20 /tmp/tellivox-apt.log; exit 1; }
  }
fi

export WINEDEBUG=-all
build=build/win32
nsis_target=
if ! wine --version >/dev/null 2>&1; then
  echo "!! 32-bit Wine cannot run here: timing the 64-bit builds under 64-bit Wine"
  [ $build_it = 1 ] && bash scripts/deps.sh win64
  build=build/win64
  mkdir -p "$build/bin"
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$build/bin/wine"
  chmod +x "$build/bin/wine"
  export PATH=$root/$build/bin:$PATH WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
  toolchain=toolchain-x86_64-mingw.cmake
  nsis_target=amd64-unicode
else
  export WINEARCH=win32
  toolchain=toolchain-i686-mingw.cmake
fi

if [ $build_it = 1 ]; then
  echo "-- building (build/native, $build)"
  [ -f build/native/CMakeCache.txt ] ||
    cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j "$(nproc)" --target quillox tvx_demo_payload >/dev/null
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DTVX_HOST_QUILLOX="$root/build/native/quillox" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target Tellivox uidriver >/dev/null
fi
quillox=$root/build/native/quillox
[ -n "$stub" ] || stub=$root/$build/installer/TellivoxStub.exe
for f in "$quillox" "$stub" "$root/$build/demo/setup.exe" "$root/$build/forms/uidriver.exe"; do
  [ -f "$f" ] || { echo "missing $f (run without --no-build)" >&2; exit 1; }
done

work=$root/$build/bench-installer
mkdir -p "$work"

# ---- the releases and their installers ------------------------------------------------
release_dir() {  # name -> folder holding the release's files
  case $1 in
    demo) echo "$root/$build/demo/product" ;;
    large) echo "$work/large" ;;
  esac
}
if [[ " ${releases[*]} " == *" large "* ]] && [ ! -f "$work/large/.complete" ]; then
  echo "-- generating the large release"
  rm -rf "$work/large"
  mkdir -p "$work/large"
  "$root/build/native/demo/tvx_demo_payload" "$work/large" --sets 18
  touch "$work/large/.complete"
fi
if [[ " ${releases[*]} " == *" large "* ]]; then
  # The product's own two files, as in every release (the report needs setup.exe).
  cp "$root/$build/demo/setup.exe" "$root/demo/setup.ini" "$work/large/"
fi

pack() {  # release name
  local name=$1 dir
  dir=$(release_dir "$name")
  rm -f "$work/tellivox-$name.exe" "$work/nsis-$name.exe"
  "$quillox" sfx "$stub" "$work/tellivox-$name.exe" --welcome "$root/demo/welcome.rtf" \
    --product "$dir" --prefix '\\qvbuild\release\quorvane\' -m LH5 \
    --gateway /Ggw1.quorvane.example --product-level /P3 --email-domain /Emessaging.quorvane.example \
    --version 4.2.0.118 >/dev/null
  # The peer packs the same files: a copy without our marker file.
  rm -rf "$work/nsis-src"
  mkdir -p "$work/nsis-src"
  find "$dir" -maxdepth 1 -type f ! -name .complete -exec ln -s {} "$work/nsis-src/" \;
  makensis -V1 -DRELEASE="$work/nsis-src" -DOUTFILE="$work/nsis-$name.exe" \
    ${nsis_target:+-DTARGET=$nsis_target} "$root/bench/installer/peer.nsi" >/dev/null
}

# ---- Wine ------------------------------------------------------------------------------
export WINEPREFIX=$root/$build/benchprefix
TVX_UIDRIVER=$root/$build/forms/uidriver.exe
# shellcheck source=../../tests/e2e/common.sh
source "$root/tests/e2e/common.sh"
tvx_start_xvfb
tvx_prepare_prefix "$WINEPREFIX"
tvx_save_temp
trap 'tvx_restore_temp; tvx_stop_all' EXIT

now_ns() { date +%s%N; }
ms_since() { echo $(( ($(now_ns) - $1) / 1000000 )); }

# Waits (up to 5 minutes) until setup.exe has written its report; prints the moment.
wait_report() {
  local f
  f=$(tvx_unix "$TVX_SETUP_REPORT")
  for _ in $(seq 30000); do
    [ -s "$f" ] && { now_ns; return 0; }
    sleep 0.01
  done
  tvx_fail "setup.exe was not started (no report)"
}

# Waits until the file holds a line matching the pattern; prints the moment.
wait_line() {  # file, pattern
  for _ in $(seq 6000); do
    grep -q "$2" "$1" 2>/dev/null && { now_ns; return 0; }
    sleep 0.01
  done
  tvx_fail "the driver never printed /$2/: $(cat "$1")"
}

# Ends a run: setup.exe closed, the installer gone, its files removed.
end_run() {
  tvx_close_setup
  tvx_wait_installer_end
}

# One Tellivox run; sets t_welcome, t_continue (ms after start, empty when unattended)
# and t_setup.
run_tellivox() {  # exe, "silent" or "windowed"
  local out t0 tw tc ts driver
  tvx_fresh_state bench
  out=$(mktemp)
  if [ "$2" = windowed ]; then
    # The driver is started first, so that its own start-up is not timed; it polls for
    # the welcome page every 50 ms and presses Continue the moment it finds it.
    printf '%s\n' 'wait Quorvane 60000' 'click Quorvane Continue' |
      wine "$TVX_UIDRIVER" - >"$out" 2>&1 &
    driver=$!
    sleep 0.5
  fi
  t0=$(now_ns)
  if [ "$2" = silent ]; then
    wine "$1" /S </dev/null >/dev/null 2>&1 &
  else
    wine "$1" </dev/null >/dev/null 2>&1 &
  fi
  tvx_installer_pid=$!
  t_welcome= t_continue=
  if [ "$2" = windowed ]; then
    tw=$(wait_line "$out" '^found')
    tc=$(wait_line "$out" '^clicked')
    t_welcome=$(( (tw - t0) / 1000000 ))
    t_continue=$(( (tc - t0) / 1000000 ))
  fi
  ts=$(wait_report)
  t_setup=$(( (ts - t0) / 1000000 ))
  [ "$2" = windowed ] && { wait "$driver" || true; }
  rm -f "$out"
  end_run
}

run_nsis() {  # exe
  local t0 ts
  tvx_fresh_state bench
  t0=$(now_ns)
  wine "$1" /S </dev/null >/dev/null 2>&1 &
  tvx_installer_pid=$!
  ts=$(wait_report)
  t_setup=$(( (ts - t0) / 1000000 ))
  end_run
}

# Cancel's answer in the middle of an extraction: a second after the welcome page has
# gone the driver clicks "Cancel" and waits for the question; prints the milliseconds
# from the posted click to the question found (the driver looks every 50 ms), then Yes.
cancel_latency() {  # exe
  local out tc tq
  tvx_fresh_state bench
  out=$(mktemp)
  printf '%s\n' 'wait Quorvane 60000' 'click Quorvane Continue' 'gone Quorvane 60000' 'sleep 1000' \
    'click "Quorvane Installer" cmdCancel' 'dialog "Quorvane Installer" 20000' \
    'answer "Quorvane Installer" Yes' | wine "$TVX_UIDRIVER" - >"$out" 2>&1 &
  local driver=$!
  wine "$1" </dev/null >/dev/null 2>&1 &
  tvx_installer_pid=$!
  tc=$(wait_line "$out" '^> dialog')
  tq=$(wait_line "$out" '^caption=')
  wait "$driver" || true
  rm -f "$out"
  tvx_wait_installer_end
  echo $(( (tq - tc) / 1000000 ))
}

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2)}'; }
secs() { awk -v ms="$1" 'BEGIN {printf "%.2f s", ms / 1000}'; }
range() { printf '%s\n' "$@" | sort -n | awk 'NR==1{lo=$1} {hi=$1} END {printf "%.2f-%.2f s", lo/1000, hi/1000}'; }

bits=32
[ "$build" = build/win64 ] && bits=64
echo "== start -> setup.exe started, Tellivox and NSIS 3 (zlib) in turn, $runs runs each"
echo "   $bits-bit builds under $bits-bit $(wine --version 2>/dev/null | tr -d '\r');" \
     "stub $(stat -c %s "$stub") bytes ($stub)"
echo "   load average at start: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"
echo "   Tellivox runs unattended (/S), as the peer, and windowed: there the UI driver"
echo "   presses Continue on the welcome page the moment it finds it (polling every 50 ms,"
echo "   so up to 50 ms of driver latency is in its windowed figures)"
summary=()
for name in "${releases[@]}"; do
  pack "$name"
  dir=$(release_dir "$name")
  nfiles=$(find "$dir" -maxdepth 1 -type f ! -name .complete | wc -l)
  nbytes=$(find "$dir" -maxdepth 1 -type f ! -name .complete -printf '%s\n' | awk '{s+=$1} END {print s}')
  echo "-- release \"$name\": $nfiles files, $nbytes bytes;" \
       "Tellivox installer $(stat -c %s "$work/tellivox-$name.exe") bytes," \
       "NSIS installer $(stat -c %s "$work/nsis-$name.exe") bytes"
  tw=() tc=() ts=() tsw=() ns=()
  for i in $(seq "$runs"); do
    run_tellivox "$work/tellivox-$name.exe" silent
    ts+=("$t_setup")
    line="   run $i: Tellivox /S $(secs "$t_setup")"
    run_tellivox "$work/tellivox-$name.exe" windowed
    tsw+=("$t_setup") tw+=("$t_welcome") tc+=("$t_continue")
    line+=", windowed $(secs "$t_setup") (welcome page $(secs "$t_welcome"), Continue -> setup.exe $(secs $((t_setup - t_continue))))"
    run_nsis "$work/nsis-$name.exe"
    ns+=("$t_setup")
    echo "$line; NSIS /S $(secs "$t_setup")  [load $(cut -d' ' -f1 /proc/loadavg)]"
  done
  mt=$(median "${ts[@]}")
  mw=$(median "${tsw[@]}")
  mn=$(median "${ns[@]}")
  ratio=$(awk -v a="$mt" -v b="$mn" 'BEGIN {printf "%.2f", a / b}')
  wratio=$(awk -v a="$mw" -v b="$mn" 'BEGIN {printf "%.2f", a / b}')
  echo "   median start -> setup.exe started: Tellivox /S $(secs "$mt") (range $(range "${ts[@]}")), windowed $(secs "$mw") (range $(range "${tsw[@]}")), NSIS /S $(secs "$mn") (range $(range "${ns[@]}"))"
  cont=()
  for k in "${!tsw[@]}"; do cont+=($((tsw[k] - tc[k]))); done
  echo "   median Tellivox start -> welcome page $(secs "$(median "${tw[@]}")") (range $(range "${tw[@]}")), Continue -> setup.exe $(secs "$(median "${cont[@]}")")"
  echo "   ratio Tellivox / NSIS (medians): $ratio unattended, $wratio windowed"
  if [ "$name" = large ]; then
    echo "   Cancel a second into the extraction: question after $(cancel_latency "$work/tellivox-$name.exe") ms"
  fi
  summary+=("$name: Tellivox / NSIS = $ratio")
done
echo "== ${summary[*]}   (load average at end: $(cut -d' ' -f1-3 /proc/loadavg))"
