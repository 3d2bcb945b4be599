# /? shows the switches and the exit codes in a message box and ends with 0; an unknown
# switch is named in an error box and ends with 3, under /S in the log instead. None of
# them starts an installation: no temporary folder, nothing recorded for deletion.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin switch_help "$1"

echo "# /?"
tvx_start_installer "$TVX_EXE" '/?'
ui_wait "Quorvane Installer"
ui_shot help
texts=$(ui controls "Quorvane Installer")
# The driver shows CR LF as \r\n; each switch and each code begins a line, a tab after it.
for item in '/S' '/WAIT' '/LOG=file' '/D=folder' '--' '/?' 0 1 2 3 4; do
  grep -qF "\\r\\n$item"$'\t' <<<"$texts" || tvx_fail "the help lacks $item: $texts"
done
tvx_log "ok: every switch and every exit code listed"
ui_click "Quorvane Installer" OK
tvx_expect_exit 0

echo "# an unknown switch"
tvx_start_installer "$TVX_EXE" /quiet
ui_wait "Error"
ui_shot unknown-switch
expect_match "the error names it" 'Unknown switch: /quiet' "$(ui controls Error)"
ui_click "Error" OK
tvx_expect_exit 3

echo "# an unknown switch under /S"
log=$TVX_RUN_DIR'\install.log'
tvx_start_installer "$TVX_EXE" /S /SILENT "/LOG=$log"
tvx_expect_exit 3
text=$(tr -d '\r' <"$(tvx_unix "$log")")
expect_line "the log names it" \
  'Message not shown (/S; taken as OK), "Error": Unknown switch: /SILENT' "$text"
expect_eq "last line" "Exit code 3: the command line is wrong" "$(tail -1 <<<"$text")"

expect_eq "no temporary folder" "" "$(tvx_temp_folders)"
expect_eq "deletions recorded" "" "$(tvx_pending)"
echo "PASS"
