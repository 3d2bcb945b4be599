# Cancel during the extraction, in two runs of the variant installer whose first entry
# is 64 MiB of random bytes, stored and read in 8192 pieces.
# - Answered No, the extraction goes on to its end and setup.exe starts. While the
#   archive expands the focus is on "Cancel", so Enter or Space reach it at once.
# - Answered Yes, the run stops in the large entry: that entry is not written whole, no
#   later entry is written, setup.exe is not started, and the files announced so far
#   and the folder are recorded for deletion. The click is posted right after Continue,
#   so the question comes at the first messages the extraction processes, however fast
#   it runs.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin cancel_extraction "$1"
TVX_EXE=$TVX_BUILD/demo/Tellivox_bigentry.exe
big_size=67108864

# ---- No: the extraction goes on ----------------------------------------------------
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
ui_batch 'click Quorvane Continue' 'gone Quorvane' 'focus "Quorvane Installer"' \
  'click "Quorvane Installer" cmdCancel' 'dialog "Quorvane Installer"' \
  'answer "Quorvane Installer" No' >"$TVX_SHOTS/driver-no.out" ||
  tvx_fail "driver: $(cat "$TVX_SHOTS/driver-no.out")"
dlg=$(sed -n '/^> dialog/,/^> answer/p' "$TVX_SHOTS/driver-no.out")
expect_match "confirmation caption" 'caption="Confirm"' "$dlg"
expect_match "confirmation text" 'text "Are you sure you want to abort the installation of Quorvane\?"' "$dlg"
expect_match "buttons" 'button "&Yes".*button "&No"' "$(tr '\n' ' ' <<<"$dlg")"
expect_match "first focus on Cancel" 'name=cmdCancel class=Button' \
  "$(sed -n '/^> focus/{n;p}' "$TVX_SHOTS/driver-no.out")"
tvx_wait_setup_report
tvx_log "ok: after No the extraction went on and setup.exe started"
tvx_close_setup
tvx_wait_installer_end

# ---- Yes: the large entry is stopped -----------------------------------------------
tvx_fresh_state cancel_extraction
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
big=$(tvx_unix "$dir")/qvbig.dat
ui_batch 'click Quorvane Continue' 'click "Quorvane Installer" cmdCancel' \
  'dialog "Quorvane Installer"' 'text "Quorvane Installer" Label1' \
  >"$TVX_SHOTS/driver-yes.out" || tvx_fail "driver: $(cat "$TVX_SHOTS/driver-yes.out")"
expect_match "extraction under way at the question" '^Unpacking ' \
  "$(sed -n '/^> text/{n;p}' "$TVX_SHOTS/driver-yes.out")"
ui_shot question
ui_answer "Quorvane Installer" Yes
ui_shot after-abort
tvx_wait_installer_end
expect_eq "installer exit code" 0 "$TVX_INSTALLER_RC"
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
written=$(stat -c %s "$big" 2>/dev/null || echo 0)
tvx_log "qvbig.dat: $written of $big_size bytes written"
[ "$written" -lt "$big_size" ] || tvx_fail "the large entry was written whole despite the abort"

pending=$(tvx_pending)
expect_eq "the folder is recorded last" "$dir" "$(tail -1 <<<"$pending")"
announced=$(sed '$d' <<<"$pending" | sed 's/.*\\//' | sort)
expect_eq "exactly the announced files exist (no later entry written)" "$announced" \
  "$(ls "$(tvx_unix "$dir")" | sort)"
expect_match "no entry after the large one announced" '^(qvbig.dat;)?welcome.rtf$' \
  "$(tr '\n' ';' <<<"$announced" | sed 's/;$//')"
echo "PASS"
