# A Yes to the abort question at the product archive's last progress report, when the
# expansion can no longer be stopped, still ends the run as an abort: setup.exe is not
# started, every file written and the folder are removed at once, the window closes.
# The variant installer's last entry is read in one piece and then takes a while to
# expand, so the question comes up at that entry's last reports (or, when the
# expansion is faster than the driver, right after them: a Yes then still counts).
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin abort_last_report "$1"
TVX_EXE=$TVX_BUILD/demo/Tellivox_lateentry.exe
trap 'rc=$?; rm -rf "$(tvx_unix "$TVX_RUN_DIR")/temp"; tvx_test_end "$rc"' EXIT

tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
# One driver process: Continue, then Cancel the moment the last entry is announced
# (watched from the start: the whole extraction takes a fraction of a second).
ui_batch 'click Quorvane Continue' \
  'clickwhen "Quorvane Installer" Label1 "Unpacking qvcache.dat" cmdCancel 60000' \
  'dialog "Quorvane Installer"' \
  'position "Quorvane Installer" ProgressBar1' 'answer "Quorvane Installer" Yes' \
  >"$TVX_SHOTS/driver.out" || tvx_fail "driver: $(cat "$TVX_SHOTS/driver.out")"
expect_match "the question came up" 'text "Are you sure you want to abort the installation of Quorvane\?"' \
  "$(cat "$TVX_SHOTS/driver.out")"
tvx_log "progress bar when the question came: $(sed -n '/^> position/{n;p}' "$TVX_SHOTS/driver.out")"
tvx_expect_exit 1
# setup.exe, had it been started, would show its window within moments.
if ui wait "Quorvane Setup" 3000 >/dev/null 2>&1; then tvx_fail "setup.exe was started"; fi
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
expect_eq "the folder is removed" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
