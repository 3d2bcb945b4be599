# Cancel during the extraction: answered No it goes on; answered Yes the run stops at
# the file being unpacked: setup.exe is not started, and the files written so far and
# the folder are removed at once.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin cancel_extraction "$1"

tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
# The extraction of the demo payload takes about a second, so one driver process does
# it all: Continue, Cancel as soon as the page has gone, No, then Cancel again and Yes.
ui_batch 'click Quorvane Continue' 'gone Quorvane' 'click "Quorvane Installer" cmdCancel' \
  'dialog "Quorvane Installer"' 'text "Quorvane Installer" Label1' \
  'answer "Quorvane Installer" No' 'gone Confirm' 'text "Quorvane Installer" Label1' \
  'click "Quorvane Installer" cmdCancel' 'answer "Quorvane Installer" Yes' \
  >"$TVX_SHOTS/driver.out" || tvx_fail "driver: $(cat "$TVX_SHOTS/driver.out")"
dlg=$(sed -n '/^> dialog/,/^> text/p' "$TVX_SHOTS/driver.out")
expect_match "confirmation caption" 'caption="Confirm"' "$dlg"
expect_match "confirmation text" 'text "Are you sure you want to abort the installation of Quorvane\?"' "$dlg"
expect_match "buttons" 'button "&Yes".*button "&No"' "$(tr '\n' ' ' <<<"$dlg")"
statuses=$(grep -A1 '^> text' "$TVX_SHOTS/driver.out" | grep '^Unpacking' | tr '\n' ';')
expect_match "extraction under way when Cancel was clicked, and after No" '^Unpacking [^;]+;Unpacking [^;]+;$' "$statuses"
ui_shot after-abort
tvx_expect_exit 1
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"

expect_eq "the folder is removed" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
tvx_log "unpacking when asked: $statuses"
echo "PASS"
