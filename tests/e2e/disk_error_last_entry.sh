# A disk error at the product archive's last entry, answered Cancel: the run ends like a
# confirmed abort (exit code 1). The window shows "Done.", setup.exe is not started,
# setup.ini is not touched, and every file written is removed at once; the file held
# open by another program and so its folder are recorded for deletion at restart.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin disk_error_last_entry "$1"
TVX_EXE=$TVX_BUILD/demo/Tellivox_lateentry.exe
lock_pid=
finish() {
  local rc=$?
  touch "$(tvx_unix "$TVX_RUN_DIR")/release"
  [ -n "$lock_pid" ] && wait "$lock_pid" 2>/dev/null || true
  rm -rf "$(tvx_unix "$TVX_RUN_DIR")/temp"
  tvx_test_end "$rc"
}
trap finish EXIT

tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
# The last entry's file, held open without sharing until the release flag appears.
: >"$TVX_SHOTS/lock.out"
wine "$TVX_BUILD/demo/filelock.exe" "$dir\\qvcache.dat" "$TVX_RUN_DIR\\release" \
  </dev/null >"$TVX_SHOTS/lock.out" 2>&1 &
lock_pid=$!
for _ in $(seq 100); do grep -q locked "$TVX_SHOTS/lock.out" && break; sleep 0.1; done
grep -q locked "$TVX_SHOTS/lock.out" || tvx_fail "cannot lock $dir\\qvcache.dat"

ui_click "Quorvane" "Continue"
dlg=$(ui_dialog "Quorvane Installer")
expect_match "disk-error dialog names the last entry" \
  'text "There was an error writing to disk\.\\r\\n\\r\\nError: Cannot create file .*\\\\qvcache\.dat\\r\\n' "$dlg"
ui_shot disk-error
# The window closes soon after it shows "Done.": the driver holds it before answering.
ui_batch 'answerthen "Quorvane Installer" Cancel Label1 "Done." 20000' \
  >"$TVX_SHOTS/driver.out" || tvx_fail "driver: $(cat "$TVX_SHOTS/driver.out")"
tvx_log "ok: the window showed \"Done.\""
tvx_expect_exit 1
if ui wait "Quorvane Setup" 3000 >/dev/null 2>&1; then tvx_fail "setup.exe was started"; fi
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
expect_eq "only the file held open is left" "qvcache.dat" "$(ls "$(tvx_unix "$dir")")"
expect_eq "it and the folder are recorded for deletion" \
  "$(printf '%s\\qvcache.dat\n%s' "$dir" "$dir")" "$(tvx_pending)"
echo "PASS"
