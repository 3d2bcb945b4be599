# The whole road on the Windows 95 family (the prefix that reports Windows 98), on the
# build that ships: welcome page, Continue, extraction, setup.exe; the deletions at
# restart go to wininit.ini's [Rename] section (nul=PATH, every file, then the folder),
# and nothing to the NT family's delayed-move list.
# Usage: win98_road.sh BUILD [INSTALLER]  (default BUILD/demo/Tellivox.exe)
set -euo pipefail
export WINEPREFIX=$(cd "$1" && pwd)/wineprefix98
[ -f "$WINEPREFIX/.tvx-ready" ] || { echo "no Windows 98 prefix (scripts/test-windows.sh makes it)"; exit 77; }
source "$(dirname "$0")/common.sh"
tvx_test_begin win98_road "$1"
installer=${2:-$TVX_EXE}
expect_eq "the prefix reports" win98 "$(wine winecfg /v </dev/null 2>/dev/null | tr -d '\r')"
wininit=$(tvx_unix 'C:\windows')/wininit.ini
# Wine carries wininit.ini out when a session starts; the server runs throughout, so
# the file written here is the installer's alone until it is read back below.
rm -f "$wininit"
trap 'rc=$?; set +e; rm -f "$wininit"; (exit $rc); tvx_test_end' EXIT

TVX_T0_NS=$(date +%s%N)
tvx_start_installer "$installer"
tvx_drive_normal_road
tvx_expect_exit 0
dir=$(tvx_the_temp_folder)
expect_eq "setup.exe's current folder" "$dir" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
# shellcheck disable=SC2086
expect_eq "wininit.ini" \
  "$(printf '[Rename]\n'; tvx_expected_pending "$dir" "$dir" "$dir" $TVX_PRODUCT_FILES | sed 's/^/nul=/')" \
  "$(tr -d '\r' <"$wininit")"
expect_eq "wininit.ini lines end in CR LF" "$(grep -c . "$wininit")" "$(grep -c $'\r$' "$wininit")"
expect_eq "delayed moves recorded" "" "$(tvx_pending)"
echo "PASS"
