# Little free space: TEMP on a 4 MiB drive T: (a memory file system mapped as a Wine
# drive). The chooser appears with the temporary folder preselected; the user creates
# another folder on C:, the files land there (in it: this run made it), welcome.rtf
# stays in the temporary folder; welcome.rtf, the product files, the created folder and
# then the temporary folder are recorded for deletion. Skipped where no file system can
# be mounted.
set -euo pipefail
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
tvx_map_small_drive "$build" e2e-small
mkdir -p "$TVX_SMALL/tmp"

tvx_test_begin little_space "$build" 'T:\tmp'
trap 'rc=$?; tvx_unmap_small_drive; tvx_test_end "$rc"' EXIT
dest='C:\tvx\little_space\Quorvane files'
# A decoy where an unquoted command line for "...\Quorvane files\setup.exe" would look
# first; it would write the report with that command line.
cp "$TVX_BUILD/demo/setup.exe" "$(tvx_unix 'C:\tvx\little_space')/Quorvane.exe"

tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
tmpdir=$(tvx_the_temp_folder)
ui_click "Quorvane" "Continue"
ui_wait "Select Destination"
ui_shot chooser
items=$(ui items "Select Destination" DL1)
name=$(basename "${tmpdir//\\//}")
sel=$(sed -n 's/^selected //p' <<<"$items")
expect_eq "the temporary folder is preselected" "$(tr 'A-Z' 'a-z' <<<"$name")" \
  "$(sed -n "s/^item $sel \"\\(.*\\)\"\$/\\1/p" <<<"$items" | tr 'A-Z' 'a-z')"
expect_match "not enough space says so" 'There is not enough space on this drive\.' \
  "$(ui_text "Select Destination" lblStatus)"
ui_click "Select Destination" cmdCreate
ui_wait "Destination"
ui type "Destination" Edit "$dest" >/dev/null || tvx_fail "cannot type the new folder"
ui_shot new-folder
ui_click "Destination" OK
tvx_wait_setup_report
ui_wait "Quorvane Setup"
ui_shot setup-exe
tvx_expect_exit 0
expect_eq "setup.exe's current folder" "$dest" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
expect_eq "setup.exe started by its quoted path (not the decoy)" "\"$dest\\setup.exe\"" \
  "$(tvx_setup_report | sed -n 's/^cmdline=//p' | sed 's/ *$//')"
# shellcheck disable=SC2086
expect_eq "files in the chosen folder" "$(printf '%s\n' $TVX_PRODUCT_FILES | sort)" \
  "$(ls "$(tvx_unix "$dest")" | sort)"
expect_eq "welcome.rtf stays in the temporary folder" "welcome.rtf" "$(ls "$(tvx_unix "$tmpdir")")"
# shellcheck disable=SC2086
expect_eq "deletions recorded" \
  "$(tvx_expected_pending "$tmpdir" "$dest" "$dest" $TVX_PRODUCT_FILES; echo "$tmpdir")" "$(tvx_pending)"
echo "PASS"
