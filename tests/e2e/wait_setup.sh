# /WAIT: the installer waits for setup.exe to end and exits with setup.exe's own exit
# code (the demo setup.exe takes it from TVX_SETUP_EXIT_CODE); the arguments after "--"
# reach setup.exe one for one, as its C runtime splits them, however they are quoted.
# Under /S nothing of the installer is shown while it waits; without /S its window is
# gone while it waits.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin wait_setup "$1"
log=$TVX_RUN_DIR'\install.log'

echo "# /S /WAIT with arguments for setup.exe"
args=(/quiet "two words" 'C:\Program Files\Q\' 'say "hi"' '' 'a\\"b' '--' '/D=C:\x')
export TVX_SETUP_EXIT_CODE=7
tvx_start_installer "$TVX_EXE" /S /WAIT "/LOG=$log" -- "${args[@]}"
tvx_wait_setup_report
ui_wait "Quorvane Setup"
sleep 1
kill -0 "$tvx_installer_pid" 2>/dev/null || tvx_fail "the installer did not wait for setup.exe"
tvx_log "ok: the installer waits while setup.exe runs"
expect_eq "setup.exe's arguments" "$(printf 'arg=%s\n' "${args[@]}")" \
  "$(tvx_setup_report | sed -n '/^arg=/p')"
tvx_close_setup
tvx_expect_exit 7
text=$(tr -d '\r' <"$(tvx_unix "$log")")
expect_line "the wait in the log" "Waiting for setup.exe to end (/WAIT)" "$text"
expect_eq "last line" "Exit code 7: setup.exe's own exit code (/WAIT)" "$(tail -1 <<<"$text")"

echo "# /WAIT with the window"
export TVX_SETUP_EXIT_CODE=5
rm -f "$(tvx_unix "$TVX_SETUP_REPORT")"
tvx_start_installer "$TVX_EXE" /wait
ui_wait "Quorvane"
ui_click "Quorvane" "Continue"
tvx_wait_setup_report
ui_wait "Quorvane Setup"
ui_gone "Quorvane Installer" 10000
kill -0 "$tvx_installer_pid" 2>/dev/null || tvx_fail "the installer did not wait for setup.exe"
tvx_log "ok: the installer's window is gone while it waits"
ui_shot waiting
expect_eq "no arguments for setup.exe" "" "$(tvx_setup_report | sed -n '/^arg=/p')"
tvx_close_setup
tvx_expect_exit 5
echo "PASS"
