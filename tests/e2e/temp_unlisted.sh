# TEMP on a drive the chooser does not list (linked while the Wine session runs, as a
# network or UNC temporary folder would be in the field). The installer, started from
# C:\, shows the chooser on C:\, which still names the bytes the installation needs.
# OK then installs into a fresh folder made in C:\: no file is written into C:\ itself,
# and neither C:\ nor anything in it but that folder and its files is recorded for
# deletion.
set -euo pipefail
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
unlisted=$build/e2e-unlisted
link=$WINEPREFIX/dosdevices/u:
dest=
finish() {
  local rc=$?
  rm -f "$link"
  rm -rf "$unlisted"
  [ -n "$dest" ] && rm -rf "$(tvx_unix "$dest")"
  tvx_test_end "$rc"
}
rm -rf "$unlisted"
mkdir -p "$unlisted/tmp"
ln -sfn "$unlisted" "$link"
tvx_test_begin temp_unlisted "$build" 'U:\tmp'
trap finish EXIT
dlg="Select Destination"
needed=$(( $(cat "$TVX_BUILD"/demo/product/* | wc -c) / 1024 ))

tvx_mark_root_files
cd "$(tvx_unix 'C:\')"
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
tmpdir=$(tvx_the_temp_folder)
ui_click "Quorvane" "Continue"
ui_wait "$dlg"
ui_shot chooser
ui items "$dlg" DC1 | grep -q '^item [0-9]* "U"$' &&
  { echo "SKIP: drive U: is listed (the Wine session began after it was linked)"; exit 77; }
expect_eq "the folder list is on C:" 'item 0 "C:\\"' "$(ui items "$dlg" DL1 | head -1)"
expect_match "the bytes needed are named" "^${needed}k bytes are needed to install this release\\." \
  "$(ui_text "$dlg" lblStatus)"
ui_click "$dlg" cmdOK
tvx_wait_setup_report
tvx_expect_exit 0
dest=$(tvx_setup_report | sed -n 's/^cwd=//p')
expect_match "setup.exe runs in a fresh folder in C:\\" '^C:\\_ZK[0-9a-fA-F]+\.tmp$' "$dest"
tvx_expect_no_root_files
pending=$(tvx_pending)
# shellcheck disable=SC2086
expect_eq "deletions recorded" \
  "$(tvx_expected_pending "$tmpdir" "$dest" "$dest" $TVX_PRODUCT_FILES; echo "$tmpdir")" "$pending"
echo "PASS"
