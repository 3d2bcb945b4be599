# /S with /LOG=: no window of the installer is ever visible, from its start to its end
# (the UI driver watches every top-level window of the process the whole time); the
# product goes into the temporary folder, setup.exe starts there, exit code 0. The log
# holds the run as the installer saw it: header, version and build values, command
# line, payload check, folders, every file with its size as written, setup.exe's start,
# what was scheduled, the exit code; CR LF lines. A second run appends its own.
set -euo pipefail
source "$(dirname "$0")/common.sh"
tvx_test_begin silent "$1"

log='C:\tvx\silent\logs\install.log'
mkdir -p "$(tvx_unix 'C:\tvx\silent\logs')"
tvx_watch_unseen "$(basename "$TVX_EXE")"
# Relative to the current folder, which the run leaves later: the log stays where named.
(cd "$(tvx_unix 'C:\tvx\silent')" && wine "$TVX_EXE" /s /LOG=logs\\install.log </dev/null >/dev/null 2>&1) &
tvx_installer_pid=$!
tvx_expect_exit 0
tvx_expect_unseen
tvx_wait_setup_report
dir=$(tvx_the_temp_folder)
expect_eq "setup.exe runs in the temporary folder" "$dir" "$(tvx_setup_report | sed -n 's/^cwd=//p')"
ui_shot setup-only

file=$(tvx_unix "$log")
[ -f "$file" ] || tvx_fail "no log at $log"
expect_eq "every line ends in CR LF" "0" "$(grep -c $'[^\r]$' "$file" || true)"
text=$(tr -d '\r' <"$file")
expect_match "header with date and time" '^=== Quorvane Installer run of [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} ===' "$text"
expect_match "version and build values" \
  "Installer version [0-9.]+; build values Gateway=\\[$(tvx_cache_value TVX_GATEWAY)\\], ProductLevel=\\[$(tvx_cache_value TVX_PRODUCT_LEVEL)\\]" "$text"
expect_match "command line" $'\nCommand line: [^\n]*Tellivox.exe" /s /LOG=logs\\\\install.log\n' "$text"
expect_match "payload check" $'\nPayload check passed: WELCOME [0-9]+ bytes, QUORV [0-9]+ bytes' "$text"
expect_line "temporary folder" "Temporary folder: $dir" "$text"
expect_line "destination" "Destination: $dir (the temporary folder)" "$text"
# shellcheck disable=SC2086
for f in welcome.rtf $TVX_PRODUCT_FILES; do
  size=$(stat -c %s "$(tvx_unix "$dir")/$f")
  # setup.ini as the archive gave it, before the build values went in.
  [ "$f" = setup.ini ] && size=$(stat -c %s "$TVX_SOURCE/demo/setup.ini")
  grep -qF "Wrote $dir\\$f ($size bytes)" <<<"$text" || tvx_fail "the log lacks $f with $size bytes"
done
tvx_log "ok: every file written, with its size"
expect_line "setup.exe's start" "Started \"$dir\\setup.exe\"" "$text"
expect_eq "what was scheduled for deletion" "$(tvx_pending)" \
  "$(sed -n 's/^Scheduled for deletion at restart: //p' <<<"$text")"
expect_eq "last line: the exit code" "Exit code 0: setup.exe was started" "$(tail -1 <<<"$text")"
tvx_close_setup

echo "# a second run appends to the same log"
tvx_start_installer "$TVX_EXE" /S "/LOG=$log"
tvx_expect_exit 0
tvx_close_setup
expect_eq "two runs, two headers" 2 "$(grep -c '^=== Quorvane Installer run of' "$file")"
echo "PASS"
