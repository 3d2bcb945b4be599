# Planted libraries: a library of ours that records being loaded is copied beside the
# installer and into its current folder under the names of the libraries it uses, and
# Wine is told to prefer such copies, as Windows would. The installer's whole road runs
# to setup.exe and nothing is recorded. A control program that imports COMCTL32.dll
# statically, run the same way, must record its load, or the test could not fail.
# Usage: planted_dll.sh BUILD [INSTALLER]  (default BUILD/demo/Tellivox.exe)
#
# Names planted: the libraries the installer loads itself (COMCTL32, SHELL32, RICHED20)
# and those they load in turn. Not planted, because Wine itself loads them before the
# program's first instruction (its own core imports them, and Wine knows no "known
# DLLs"): ADVAPI32, VERSION, IMM32, and the core KERNEL32, USER32, GDI32, MSVCRT; nor
# MSIMG32, which Wine's window code loads on its own without regard to the program's
# library search setting. The installer loads ADVAPI32 by full path too, and reads its
# version information without VERSION.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin planted_dll "$1"
installer=${2:-$TVX_EXE}
planted=$TVX_BUILD/tests/e2e/planted/planted.dll
control=$TVX_BUILD/tests/e2e/planted/tvx_control_importer.exe
names="comctl32 shell32 riched20 riched32 shlwapi shcore uxtheme ole32 oleaut32 combase rpcrt4 usp10"
overrides="$(echo $names | tr ' ' ',')=n,b"

downloads=$TVX_RUN_DIR'\Downloads'
current=$TVX_RUN_DIR'\current'
log=$TVX_RUN_DIR'\planted.log'
mkdir -p "$(tvx_unix "$downloads")" "$(tvx_unix "$current")"
cp "$installer" "$(tvx_unix "$downloads")/Tellivox.exe"
cp "$control" "$(tvx_unix "$downloads")/control.exe"
for n in $names; do
  cp "$planted" "$(tvx_unix "$downloads")/$n.dll"
  cp "$planted" "$(tvx_unix "$current")/$n.dll"
done

# The control first: the same planting must be seen.
(cd "$(tvx_unix "$current")" && WINEDLLOVERRIDES=$overrides TVX_PLANTED_LOG=$log \
  wine "$downloads\\control.exe" </dev/null >/dev/null 2>&1) || true
expect_match "the control program loaded the planted COMCTL32" 'comctl32\.dll' \
  "$(tr -d '\r' <"$(tvx_unix "$log")" 2>/dev/null | tr 'A-Z' 'a-z')"
rm -f "$(tvx_unix "$log")"

TVX_T0_NS=$(date +%s%N)
(cd "$(tvx_unix "$current")" && WINEDLLOVERRIDES=$overrides TVX_PLANTED_LOG=$log \
  exec wine "$downloads\\Tellivox.exe" </dev/null >/dev/null 2>&1) &
tvx_installer_pid=$!
tvx_drive_normal_road
tvx_expect_exit 0
expect_eq "planted libraries the installer loaded" "" \
  "$(tr -d '\r' <"$(tvx_unix "$log")" 2>/dev/null || true)"
echo "PASS"
