# Cancel during the extraction: answered No it goes on; answered Yes in the middle of a
# large entry the run stops there: the entry is not written whole, no later entry is
# written, setup.exe is not started, and the files announced so far and the folder are
# recorded for deletion. The variant installer's first entry is 64 MiB of random bytes,
# stored and read in 8192 pieces, so the handlers' look at the window's messages while
# it is expanded, not only between entries, is what answers the second Cancel.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin cancel_extraction "$1"
TVX_EXE=$TVX_BUILD/demo/Tellivox_bigentry.exe
big_size=67108864

tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
big=$(tvx_unix "$dir")/qvbig.dat
# One driver process: Continue, Cancel as soon as the page has gone, No, then Cancel
# again while the large entry is expanded; the second question stays open meanwhile.
ui_batch 'click Quorvane Continue' 'gone Quorvane' 'click "Quorvane Installer" cmdCancel' \
  'dialog "Quorvane Installer"' 'text "Quorvane Installer" Label1' \
  'answer "Quorvane Installer" No' 'gone Confirm' 'text "Quorvane Installer" Label1' \
  'click "Quorvane Installer" cmdCancel' 'dialog "Quorvane Installer"' \
  >"$TVX_SHOTS/driver.out" || tvx_fail "driver: $(cat "$TVX_SHOTS/driver.out")"
dlg=$(sed -n '/^> dialog/,/^> text/p' "$TVX_SHOTS/driver.out")
expect_match "confirmation caption" 'caption="Confirm"' "$dlg"
expect_match "confirmation text" 'text "Are you sure you want to abort the installation of Quorvane\?"' "$dlg"
expect_match "buttons" 'button "&Yes".*button "&No"' "$(tr '\n' ' ' <<<"$dlg")"
statuses=$(grep -A1 '^> text' "$TVX_SHOTS/driver.out" | grep '^Unpacking' | tr '\n' ';')
expect_match "extraction under way when Cancel was clicked, and after No" '^Unpacking [^;]+;Unpacking qvbig.dat;$' "$statuses"
# The expansion waits while the question is open: what is on disk is where it stands.
written=$(stat -c %s "$big" 2>/dev/null || echo 0)
tvx_log "when the second question came: $written of $big_size bytes of qvbig.dat written"
[ "$written" -lt "$big_size" ] || tvx_fail "the question came only after the large entry was written"
ui_shot second-question
ui_answer "Quorvane Installer" Yes
ui_shot after-abort
tvx_wait_installer_end
expect_eq "installer exit code" 0 "$TVX_INSTALLER_RC"
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
[ "$(stat -c %s "$big" 2>/dev/null || echo 0)" -lt "$big_size" ] ||
  tvx_fail "the large entry was written whole despite the abort"

pending=$(tvx_pending)
expect_eq "the folder is recorded last" "$dir" "$(tail -1 <<<"$pending")"
announced=$(sed '$d' <<<"$pending" | sed 's/.*\\//' | sort)
expect_eq "only welcome.rtf and the large entry were announced" "$(printf 'qvbig.dat\nwelcome.rtf')" "$announced"
expect_eq "no later entry written" "welcome.rtf" "$(ls "$(tvx_unix "$dir")" | grep -vx qvbig.dat)"
echo "PASS"
