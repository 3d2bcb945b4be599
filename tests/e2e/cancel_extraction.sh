# Cancel during the extraction, in two runs of the variant installer whose first entry
# is 64 MiB of random bytes, stored and read in 8192 pieces.
# - Answered No, the extraction goes on to its end and setup.exe starts. While the
#   archive expands the focus is on "Cancel", so Enter or Space reach it at once.
# - Answered Yes, the run stops in the large entry, which is not written whole:
#   setup.exe is not started, and the files written so far and the folder are removed
#   at once. The click is posted right after Continue, so the question comes at the
#   first messages the extraction processes, however fast it runs.
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
tvx_expect_exit 0

# ---- Yes: the large entry is stopped -----------------------------------------------
tvx_fresh_state cancel_extraction
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
ui_batch 'click Quorvane Continue' 'click "Quorvane Installer" cmdCancel' \
  'dialog "Quorvane Installer"' 'text "Quorvane Installer" Label1' \
  >"$TVX_SHOTS/driver-yes.out" || tvx_fail "driver: $(cat "$TVX_SHOTS/driver-yes.out")"
status=$(sed -n '/^> text/{n;p}' "$TVX_SHOTS/driver-yes.out")
expect_match "extraction under way at the question" '^Unpacking ' "$status"
# The expansion waits while the question is open.
written=$(stat -c %s "$(tvx_unix "$dir")/qvbig.dat" 2>/dev/null || echo 0)
tvx_log "at the question ($status): $written of $big_size bytes of qvbig.dat written"
[ "$written" -lt "$big_size" ] || tvx_fail "the question came only after the large entry was written"
ui_shot question
ui_answer "Quorvane Installer" Yes
ui_shot after-abort
tvx_expect_exit 1
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
expect_eq "the folder is removed" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
