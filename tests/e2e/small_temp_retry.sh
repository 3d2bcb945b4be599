# TEMP on a 4 MiB drive T: (a memory file system mapped as a Wine drive). A first run
# keeps T: in the chooser, fills the drive, and is cancelled at the disk-error prompt:
# exit code 1, and T: is as empty as before, nothing recorded for deletion. A second run
# then works: its welcome page appears, the user creates a folder on C:, setup.exe
# starts there. Skipped where no file system can be mounted.
set -euo pipefail
source "$(dirname "$0")/common.sh"
build=$(cd "$1" && pwd)
tvx_map_small_drive "$build" e2e-small-retry
mkdir -p "$TVX_SMALL/tmp"

tvx_test_begin small_temp_retry "$build" 'T:\tmp'
trap 'rc=$?; tvx_unmap_small_drive; tvx_test_end "$rc"' EXIT
free_before=$(df -B1 --output=avail "$TVX_SMALL" | tail -1)

echo "# the first run fills T: and is cancelled"
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
ui_click "Quorvane" "Continue"
ui_wait "Select Destination"
ui_click "Select Destination" cmdOK
dlg=$(ui_dialog "Quorvane Installer")
expect_match "disk-error prompt" 'text "There was an error writing to disk\.\\r\\n\\r\\nError: Stream write error' "$dlg"
ui_shot disk-full
ui_answer "Quorvane Installer" "Cancel"
tvx_expect_exit 1
expect_eq "nothing left in TEMP" "" "$(ls -A "$TVX_SMALL/tmp")"
expect_eq "the drive's free space is back" "$free_before" "$(df -B1 --output=avail "$TVX_SMALL" | tail -1)"
expect_eq "deletions recorded" "" "$(tvx_pending)"

echo "# the second run works"
dest='C:\tvx\small_temp_retry\Quorvane files'
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
ui_shot welcome-again
ui_click "Quorvane" "Continue"
ui_wait "Select Destination"
ui_click "Select Destination" cmdCreate
ui_wait "Destination"
ui type "Destination" Edit "$dest" >/dev/null || tvx_fail "cannot type the new folder"
ui_click "Destination" OK
tvx_wait_setup_report
tvx_expect_exit 0
expect_eq "setup.exe's current folder" "$dest" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
echo "PASS"
