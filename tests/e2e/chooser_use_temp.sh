# "Use TEMP" in the chooser, then OK: the product goes into a fresh folder made inside
# the system's temporary folder, not loose into it, and the temporary folder itself is
# never recorded for deletion. TEMP lies on a 16 MiB drive T: filled so that the chooser
# is shown; the filling is taken away while the chooser is open, so that the files fit.
# Skipped where no file system can be mounted.
set -euo pipefail
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
tvx_map_small_drive "$build" e2e-small-use-temp
mount -o remount,size=16m "$TVX_SMALL" || { echo "SKIP: cannot grow the small drive"; exit 77; }
mkdir -p "$TVX_SMALL/tmp"
head -c $((12 * 1048576)) /dev/zero >"$TVX_SMALL/filling"

tvx_test_begin chooser_use_temp "$build" 'T:\tmp'
trap 'rc=$?; tvx_unmap_small_drive; tvx_test_end "$rc"' EXIT
dlg="Select Destination"

tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
tmpdir=$(tvx_the_temp_folder)
ui_click "Quorvane" "Continue"
ui_wait "$dlg"
rm "$TVX_SMALL/filling"
c=$(ui items "$dlg" DC1 | sed -n 's/^item \([0-9]*\) "C"$/\1/p')
ui pick "$dlg" DC1 "$c" >/dev/null || tvx_fail "cannot pick drive C:"
ui_wait_text "$dlg" lblFolder '^C:\\$'
ui_click "$dlg" cmdUseTEMP
ui_wait_text "$dlg" lblFolder '^T:\\$'
ui_shot use-temp
ui_click "$dlg" cmdOK
tvx_wait_setup_report
tvx_expect_exit 0
dest=$(tvx_setup_report | sed -n 's/^cwd=//p')
expect_match "setup.exe runs in a fresh folder inside TEMP" '^T:\\tmp\\_ZK[0-9a-fA-F]+\.tmp$' "$dest"
[ "$dest" != "$tmpdir" ] || tvx_fail "the temporary folder of the welcome page was used"
expect_eq "TEMP holds only the two folders" "$(printf '%s\n' "${tmpdir##*\\}" "${dest##*\\}" | sort)" \
  "$(ls -A "$TVX_SMALL/tmp" | sort)"
# shellcheck disable=SC2086
expect_eq "deletions recorded" \
  "$(tvx_expected_pending "$tmpdir" "$dest" "$dest" $TVX_PRODUCT_FILES; echo "$tmpdir")" "$(tvx_pending)"
echo "PASS"
