#!/usr/bin/env bash
# Benchmark (not a test): what the installer's payload check costs beside installing.
# Packs a release of about MB megabytes (copies of the shared corpus under distinct
# names, with the demo's setup.exe and setup.ini) with `quillox sfx`, then reports:
#   - the check's own work, the CRC-32 of every archive byte: `quillox check-record` on
#     the same archives, natively and as quillox.exe under Wine (less the same command
#     on an empty archive: process start), per MB of archive;
#   - start to welcome page and Continue to setup.exe started, of the big installer and
#     of the demo's, under Wine (driven as the end-to-end tests drive them).
# Each figure is the best of REPEAT runs. Needs a native build (quillox) and a Windows
# build (Tellivox stub, quillox.exe, uidriver.exe, the demo) of the same sources.
# Usage: bench/bench_installer_check.sh NATIVE_BUILD WINDOWS_BUILD [MB=180] [REPEAT=3]
set -euo pipefail
native=$(cd "$1" && pwd)
win=$(cd "$2" && pwd)
mb=${3:-180}
repeat=${4:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
q=$native/quillox
work=$(mktemp -d /tmp/bench-installer-check.XXXXXX)
export WINEDEBUG=-all
export WINEPREFIX=$win/wineprefix-bench
source "$root/tests/e2e/common.sh"
trap 'tvx_restore_temp 2>/dev/null; tvx_stop_all; rm -rf "$work"' EXIT
cd "$work"

# ---- the release and its installer -----------------------------------------------------
sh /work/shared/bench/mkcorpus.sh corpus >/dev/null
mkdir product
cp "$win/demo/product/setup.exe" "$win/demo/product/setup.ini" product/
n=0
while [ "$(du -sb product | cut -f1)" -lt $((mb * 1048576)) ]; do
  n=$((n + 1))
  for f in corpus/*; do cp "$f" "product/copy$n-$(basename "$f")"; done
done
prefix='\\bench\release\'
"$q" sfx "$win/installer/TellivoxStub.exe" big.exe --welcome "$root/demo/welcome.rtf" \
  --product product --prefix "$prefix" >/dev/null
# The archives exactly as sfx packed them (it makes them with `quillox a`).
"$q" a quorv.qlx -m LH5 --prefix "$prefix" -C product -- $(cd product && LC_ALL=C ls) >/dev/null
"$q" a empty.qlx -m LH5 -C "$root/demo" welcome.rtf >/dev/null
expanded=$(du -sb product | cut -f1)
stored=$(stat -c %s quorv.qlx)
echo "release: $(ls product | wc -l) files, $expanded bytes expanded; QUORV $stored bytes;" \
     "installer $(stat -c %s big.exe) bytes"

best() {  # command...: best wall time of $repeat runs, in ms
  local b="" t0 t
  for _ in $(seq "$repeat"); do
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    t=$(( ($(date +%s%N) - t0) / 1000000 ))
    if [ -z "$b" ] || [ "$t" -lt "$b" ]; then b=$t; fi
  done
  echo "$b"
}
per_mb() { awk -v ms="$1" -v b="$stored" 'BEGIN { printf "%.2f ms per MB", ms / (b / 1048576) }'; }

tvx_start_xvfb
tvx_prepare_prefix "$WINEPREFIX"
tvx_save_temp
ms_native=$(( $(best "$q" check-record r.bin QUORV=quorv.qlx) - $(best "$q" check-record r.bin QUORV=empty.qlx) ))
ms_wine=$(( $(best wine "$win/quillox.exe" check-record r.bin QUORV=quorv.qlx) -
            $(best wine "$win/quillox.exe" check-record r.bin QUORV=empty.qlx) ))
echo "CRC-32 of QUORV: native $ms_native ms ($(per_mb "$ms_native")); under Wine $ms_wine ms ($(per_mb "$ms_wine"))"

# ---- the installers under Wine ----------------------------------------------------------
TVX_UIDRIVER=$win/forms/uidriver.exe
road() {  # installer: prints "welcome-ms setup-ms", best of $repeat each
  local w="" s="" i
  for i in $(seq "$repeat"); do
    tvx_fresh_state bench
    TVX_T0_NS=$(date +%s%N)
    tvx_start_installer "$1"
    tvx_drive_normal_road
    tvx_expect_exit 0 2>/dev/null
    tvx_close_setup
    rm -rf "$(tvx_unix "$TVX_RUN_DIR")"
    if [ -z "$w" ] || [ "$TVX_T_WELCOME_MS" -lt "$w" ]; then w=$TVX_T_WELCOME_MS; fi
    if [ -z "$s" ] || [ "$TVX_T_SETUP_MS" -lt "$s" ]; then s=$TVX_T_SETUP_MS; fi
  done
  echo "$w $s"
}
read -r big_w big_s < <(road "$work/big.exe")
read -r demo_w demo_s < <(road "$win/demo/Tellivox.exe")
echo "big installer:  start to welcome page $big_w ms; Continue to setup.exe started $big_s ms"
echo "demo installer: start to welcome page $demo_w ms; Continue to setup.exe started $demo_s ms"
awk -v c="$ms_wine" -v s="$big_s" \
  'BEGIN { printf "the check under Wine is %.1f%% of Continue to setup.exe started\n", 100 * c / s }'
