# Cancel during the extraction: answered No it goes on; answered Yes the run stops at
# the file being unpacked: no later entry is written, setup.exe is not started, and the
# files announced so far and the folder are recorded for deletion.
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
tvx_wait_installer_end
expect_eq "installer exit code" 0 "$TVX_INSTALLER_RC"
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"

pending=$(tvx_pending)
expect_eq "the folder is recorded last" "$dir" "$(tail -1 <<<"$pending")"
announced=$(sed '$d' <<<"$pending" | sed 's/.*\\//' | sort)
written=$(ls "$(tvx_unix "$dir")" | sort)
expect_eq "exactly the announced files exist (no later entry written)" "$announced" "$written"
n=$(grep -vc '^welcome.rtf$' <<<"$announced")
[ "$n" -lt 18 ] || tvx_fail "all 18 product files were announced despite the abort"
tvx_log "stopped after $n of 18 product files ($statuses)"
echo "PASS"
