# "Use TEMP" in the chooser with a temporary-files folder named in Cyrillic: the folder
# list goes to the folder's short (8.3) form, which the ANSI functions can enter, and
# the status texts refer to its drive. TEMP lies on a 4 MiB drive T: so that the
# chooser is shown. Skipped where no file system can be mounted.
set -euo pipefail
# Wine takes Unix file names and command-line arguments in the locale's character set.
export LC_ALL=C.UTF-8
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
tvx_map_small_drive "$build" e2e-small-cyrillic

tvx_test_begin temp_cyrillic_use_temp "$build" 'T:\Иван'
trap 'rc=$?; tvx_unmap_small_drive; tvx_test_end "$rc"' EXIT

tvx_mark_root_files
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
name=$(basename "$(tvx_the_temp_folder | tr '\\' /)")
ui_click "Quorvane" "Continue"
ui_wait "Select Destination"
ui_shot chooser
items=$(ui items "Select Destination" DL1)
short=$(sed -n 's/^item 1 "\(.*\)"$/\1/p' <<<"$items")
tvx_log "Wine's short name of $TVX_TEMP: $short"
expect_match "the folder list holds the temporary-files folder by a plain ASCII name" \
  '^[ -~]+$' "$short"
expect_eq "the temporary folder inside it is preselected" "$name" \
  "$(sed -n "s/^item $(sed -n 's/^selected //p' <<<"$items") \"\(.*\)\"\$/\1/p" <<<"$items")"

# Away to drive C:, then back with "Use TEMP".
drives=$(ui items "Select Destination" DC1)
c=$(sed -n 's/^item \([0-9]*\) "C"$/\1/p' <<<"$drives")
ui pick "Select Destination" DC1 "$c" >/dev/null || tvx_fail "cannot pick drive C:"
ui_wait_text "Select Destination" lblFolder '^C:\\$'
ui_click "Select Destination" cmdUseTEMP
ui_wait_text "Select Destination" lblFolder '^T:\\$'
ui_shot use-temp
items=$(ui items "Select Destination" DL1)
expect_eq "the folder list after Use TEMP" \
  "$(printf 'item 0 "T:\\\\"\nitem 1 "%s"\nitem 2 "%s"\nselected 1' "$short" "$name")" "$items"
expect_match "the drive after Use TEMP" 'selected 1$' "$(ui items "Select Destination" DC1)"
expect_match "the status refers to drive T:" 'There is not enough space on this drive\.' \
  "$(ui_text "Select Destination" lblStatus)"

ui_click "Select Destination" cmdCancel
tvx_expect_exit 1
tvx_expect_no_root_files
expect_eq "the temporary folder is removed" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
