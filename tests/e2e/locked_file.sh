# A file locked in the destination: the disk-error dialog names it; after unlocking and
# OK the whole archive expands again from its start and the run succeeds. In a second
# run Cancel on that dialog ends the installation without starting setup.exe, and
# everything is removed at once but the file still locked and so its folder, which are
# recorded for deletion at restart.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin locked_file "$1"
lock_pid=

# Locks DIR\qvnet.dll (the tenth entry) until the release flag appears.
lock_in() {
  local flag=$TVX_RUN_DIR'\release'
  rm -f "$(tvx_unix "$flag")"
  : >"$TVX_SHOTS/lock.out"
  wine "$TVX_BUILD/demo/filelock.exe" "$1\\qvnet.dll" "$flag" </dev/null >"$TVX_SHOTS/lock.out" 2>&1 &
  lock_pid=$!
  for _ in $(seq 100); do grep -q locked "$TVX_SHOTS/lock.out" && return 0; sleep 0.1; done
  tvx_fail "cannot lock $1\\qvnet.dll"
}
unlock() {
  touch "$(tvx_unix "$TVX_RUN_DIR")/release"
  wait "$lock_pid" || true
  lock_pid=
}
check_dialog() {  # dir
  local dlg
  dlg=$(ui_dialog "Quorvane Installer")
  expect_match "disk-error caption" 'caption="Error"' "$dlg"
  expect_match "disk-error text" \
    "text \"There was an error writing to disk\\.\\\\r\\\\n\\\\r\\\\nError: Cannot create file ${1//\\/\\\\\\\\}\\\\\\\\qvnet\\.dll\\\\r\\\\n\\\\r\\\\nPlease verify files are not locked and there is sufficient disk space and click OK\\.\"" \
    "$dlg"
  expect_match "buttons OK and Cancel" 'button "OK".*button "Cancel"' "$(tr '\n' ' ' <<<"$dlg")"
}
first_ten="license.txt qvclient.exe qvcore.dll qvdata.ini qvemoji.dat qvhelp.hlp qvicons.dat qvlang.dll
qvmedia.cab qvnet.dll"

echo "# unlock, then OK"
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
lock_in "$dir"
ui_click "Quorvane" "Continue"
check_dialog "$dir"
ui_shot disk-error
unlock
ui_answer "Quorvane Installer" "OK"
tvx_wait_setup_report
tvx_expect_exit 0
expect_eq "setup.exe's current folder" "$dir" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
# shellcheck disable=SC2086
expect_eq "every file recorded again by the second attempt" \
  "$(tvx_expected_pending "$dir" "$dir" "$dir" $first_ten $TVX_PRODUCT_FILES)" "$(tvx_pending)"
cmp -s "$(tvx_unix "$dir")/qvnet.dll" "$TVX_BUILD/demo/payload/qvnet.dll" ||
  tvx_fail "qvnet.dll was not written by the retry"
tvx_log "ok: qvnet.dll written by the retry"
tvx_close_setup
tvx_restore_temp

echo "# Cancel"
tvx_fresh_state locked_file_cancel
tvx_start_installer "$TVX_EXE"
ui_wait "Quorvane"
dir=$(tvx_the_temp_folder)
lock_in "$dir"
ui_click "Quorvane" "Continue"
check_dialog "$dir"
ui_answer "Quorvane Installer" "Cancel"
tvx_expect_exit 1
unlock
expect_eq "setup.exe not started" "" "$(tvx_setup_report)"
expect_eq "only the locked file is left" "qvnet.dll" "$(ls "$(tvx_unix "$dir")")"
expect_eq "deletions recorded" "$(printf '%s\\qvnet.dll\n%s' "$dir" "$dir")" "$(tvx_pending)"
echo "PASS"
